#include "models/model_downloader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>

#include "models/model_catalog.h"
#include "models/model_error.h"
#include "quick/digests.h"
#include "scan/document_fixtures.h"
#include "support/model_files.h"
#include "support/model_service.h"
#include "support/test_support.h"
#include "util/process.h"

namespace quorvale {
namespace {

namespace fs = std::filesystem;
using testing::LocalHttpsServer;
using testing::TempDir;
using Kind = ModelError::Kind;

using Member = testing::ZipMember;

std::string zipBytes(const TempDir& dir, const std::vector<Member>& members) {
  testing::writeZip(dir / "packed.zip", members);
  return testing::readFile(dir / "packed.zip");
}

// A tiny random model's three files as archive members (below `prefix`).
std::vector<Member> modelMembers(const TempDir& dir, const std::string& prefix = "") {
  std::string folder = dir / "source-model";
  testing::writeRandomModel(folder, {.hidden = 8, .heads = 2});
  std::vector<Member> members;
  for (const char* name : ModelDownloader::kModelFiles) {
    members.push_back({prefix + name, testing::readFile(folder + "/" + name)});
  }
  return members;
}

// The kind and text of the ModelError that `run` throws; no kind when it throws none.
std::pair<std::optional<Kind>, std::string> failureOf(const std::function<void()>& run) {
  try {
    run();
  } catch (const ModelError& error) {
    return {error.kind(), error.what()};
  }
  return {};
}

// One HTTPS server (and its certificate) for the whole suite; each test serves its own files.
class ModelDownloaderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server = std::make_unique<LocalHttpsServer>(); }
  static void TearDownTestSuite() { server.reset(); }

  ModelDownloader downloader(ModelDownloaderOptions options = {}) const {
    if (options.allowedHosts.empty()) options.allowedHosts = {"127.0.0.1", "mirror.example"};
    if (!options.checkPayload) options.checkPayload = ModelCatalog::loadCheck;
    options.https.caFile = server->caFile();
    return ModelDownloader(store, key.publicKey(), std::move(options));
  }

  ModelManifest signedManifest(const std::string& bytes, const std::string& path) const {
    ModelManifest manifest{.id = "quorvale-embed-1",
                           .name = "Quorvale embed",
                           .version = "1.0",
                           .sizeBytes = static_cast<std::int64_t>(bytes.size()),
                           .sha256 = *quick::hash(quick::DigestAlgorithm::sha256, bytes),
                           .url = server->url(path),
                           .dimension = 8,
                           .license = "Apache-2.0"};
    manifest.signature = key.sign(manifest.signedMessage());
    return manifest;
  }

  // Nothing of a failed installation remains: no model folder, no staging folder.
  void expectStoreEmpty() const {
    EXPECT_EQ(store.installed("quorvale-embed-1"), std::nullopt);
    EXPECT_TRUE(!fs::exists(store.root()) || fs::is_empty(store.root()));
  }

  TempDir dir;
  ModelStore store{dir / "Models"};
  testing::TestSigningKey key;
  static inline std::unique_ptr<LocalHttpsServer> server;
};

TEST_F(ModelDownloaderTest, ValidatesSignatureAddressHostAndRangesInOrder) {
  struct Case {
    std::string name;
    std::function<void(ModelManifest&)> change;
    bool resign;  // sign again after the change, so only the change itself is judged
    std::optional<Kind> kind;
    std::string message = "";
  };
  const std::string outOfRange = "numbers or id out of range";
  std::vector<Case> cases = {
      {"as published", [](ModelManifest&) {}, false, std::nullopt},
      {"signature of another version", [](ModelManifest& m) { m.version = "2.0"; }, false,
       Kind::notSigned},
      {"no signature", [](ModelManifest& m) { m.signature = ""; }, false, Kind::notSigned},
      {"another allowed host", [](ModelManifest& m) { m.url = "https://mirror.example/m.zip"; },
       false, std::nullopt},
      {"upper-case digest",
       [](ModelManifest& m) { std::ranges::transform(m.sha256, m.sha256.begin(), ::toupper); },
       false, std::nullopt},
      {"plain http", [](ModelManifest& m) { m.url = "http://127.0.0.1/m.zip"; }, false,
       Kind::badManifest, "the address is not https"},
      {"other host", [](ModelManifest& m) { m.url = "https://elsewhere.example/m.zip"; }, false,
       Kind::wrongHost},
      {"size 0", [](ModelManifest& m) { m.sizeBytes = 0; }, true, Kind::badManifest, outOfRange},
      {"size 2,000,000,000", [](ModelManifest& m) { m.sizeBytes = 2'000'000'000; }, true,
       Kind::badManifest, outOfRange},
      {"size 1,999,999,999", [](ModelManifest& m) { m.sizeBytes = 1'999'999'999; }, true,
       std::nullopt},
      {"63-character digest", [](ModelManifest& m) { m.sha256.pop_back(); }, true,
       Kind::badManifest, outOfRange},
      {"digest not hexadecimal", [](ModelManifest& m) { m.sha256[0] = 'g'; }, true,
       Kind::badManifest, outOfRange},
      {"id of 62 characters", [](ModelManifest& m) { m.id = std::string(62, 'a'); }, true,
       Kind::badManifest, outOfRange},
      {"unsigned and out of range", [](ModelManifest& m) { m.sizeBytes = 0; }, false,
       Kind::notSigned},
  };
  ModelDownloader loader = downloader();
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    ModelManifest manifest = signedManifest("model bytes", "/m.zip");
    test.change(manifest);
    if (test.resign) manifest.signature = key.sign(manifest.signedMessage());
    auto [kind, message] = failureOf([&] { loader.validate(manifest); });
    EXPECT_EQ(kind, test.kind);
    if (!test.message.empty()) {
      EXPECT_EQ(message, test.message);
    }
  }
}

TEST_F(ModelDownloaderTest, InstallsAVerifiedArchiveThatTheEncoderLoads) {
  std::string archive = zipBytes(dir, modelMembers(dir, "granite-embedding/"));
  server->serve("/files/model.zip", archive);
  ModelManifest manifest = signedManifest(archive, "/files/model.zip");
  auto installed = downloader().install(manifest);

  EXPECT_EQ(installed.dimension, 8);
  EXPECT_EQ(store.installed("quorvale-embed-1"), installed);
  EXPECT_EQ(ModelCatalog::loadCheck(store.payload("quorvale-embed-1")), 8);
  EXPECT_EQ(testing::filesIn(store.root()), std::vector<std::string>{"quorvale-embed-1"});
}

TEST_F(ModelDownloaderTest, RefusedDownloadsLeaveNothingBehind) {
  std::string archive = zipBytes(dir, modelMembers(dir));
  std::string sameSizeOther(archive.size(), 'x');
  struct Case {
    std::string name;
    std::string served;
    std::vector<Member> members;  // when set, the served bytes are this archive
    Kind kind;
    std::string message = "";
  };
  const std::string outside = "the archive contained a path outside its folder";
  std::vector<Case> cases = {
      {"one byte short", archive.substr(0, archive.size() - 1), {}, Kind::sizeMismatch},
      {"other content of the same size", sameSizeOther, {}, Kind::hashMismatch},
      {"an entry ../x",
       "",
       {{"config.json", "{}"}, {"../x", "planted"}},
       Kind::installFailed,
       outside},
      {"a file written through a link",
       "",
       {{"escape", dir.path(), true}, {"escape/x", "planted"}},
       Kind::installFailed},
      {"not an archive",
       "PK but nothing more",
       {},
       Kind::installFailed,
       "the archive could not be unpacked"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    std::string served = test.members.empty() ? test.served : zipBytes(dir, test.members);
    server->serve("/m.zip", served);
    // The manifest describes the true archive unless the archive itself is the fault.
    ModelManifest manifest = signedManifest(
        test.members.empty() && test.name != "not an archive" ? archive : served, "/m.zip");
    auto [kind, message] = failureOf([&] { downloader().install(manifest); });
    EXPECT_EQ(kind, test.kind);
    if (!test.message.empty()) {
      EXPECT_EQ(message, test.message);
    }
    expectStoreEmpty();
  }
  EXPECT_FALSE(fs::exists(dir / "x"));
  EXPECT_FALSE(fs::exists(dir / "Models/x"));
}

TEST_F(ModelDownloaderTest, TooLittleDiskSpaceRefusesBeforeDownloading) {
  // 3 x 400 MB > 1 GB; the address is never asked (nothing is served there).
  ModelManifest manifest = signedManifest("x", "/absent.zip");
  manifest.sizeBytes = 400'000'000;
  manifest.signature = key.sign(manifest.signedMessage());
  std::string asked;
  auto loader =
      downloader({.freeSpace = [&](const std::string& path) -> std::optional<std::uint64_t> {
        asked = path;
        return 1'000'000'000;
      }});
  EXPECT_EQ(failureOf([&] { loader.install(manifest); }).first, Kind::notEnoughDiskSpace);
  EXPECT_EQ(asked, dir.path());
  expectStoreEmpty();
}

TEST_F(ModelDownloaderTest, AFailedReinstallKeepsThePreviousModel) {
  std::string archive = zipBytes(dir, modelMembers(dir));
  server->serve("/m.zip", archive);
  auto first = downloader().install(signedManifest(archive, "/m.zip"));
  std::string broken = zipBytes(dir, {{"config.json", "{}"}});
  server->serve("/m.zip", broken);
  ModelManifest brokenManifest = signedManifest(broken, "/m.zip");
  EXPECT_EQ(failureOf([&] { downloader().install(brokenManifest); }).first, Kind::installFailed);
  EXPECT_EQ(store.installed("quorvale-embed-1"), first);
  EXPECT_EQ(ModelCatalog::loadCheck(store.payload("quorvale-embed-1")), 8);
}

TEST_F(ModelDownloaderTest, FetchesAndChecksTheManifest) {
  ModelManifest manifest = signedManifest("x", "/m.zip");
  server->serve("/functions/quorvale-model?manifest=1", testing::manifestJson(manifest));
  ModelDownloader loader = downloader();
  EXPECT_EQ(loader.fetchManifest(server->url("/functions/quorvale-model?manifest=1")), manifest);

  ModelManifest forged = manifest;
  forged.sizeBytes = 2;
  server->serve("/forged", testing::manifestJson(forged));
  EXPECT_EQ(failureOf([&] { loader.fetchManifest(server->url("/forged")); }).first,
            Kind::notSigned);
  // A server that does not answer https is a network failure, not a crash or a hang.
  EXPECT_THROW(loader.fetchManifest("https://127.0.0.1:1/m"), ModelError);
}

TEST_F(ModelDownloaderTest, TheSigningScriptSignsWhatTheLauncherVerifies) {
  ModelManifest manifest = signedManifest("model bytes", "/m.zip");
  manifest.sha256 = "AB" + manifest.sha256.substr(2);  // the script lower-cases it as we do
  testing::writeFile(dir / "key.pem", key.privateKeyPem());
  nlohmann::json unsigned_ = nlohmann::json::parse(testing::manifestJson(manifest));
  unsigned_.erase("signature");
  testing::writeFile(dir / "manifest.json", unsigned_.dump());
  std::string script = testing::testDataPath("../../scripts/sign-model-manifest");
  auto signedOutput =
      runProcess("/usr/bin/python3", {script, dir / "key.pem", dir / "manifest.json"},
                 {.timeout = std::chrono::seconds(30)});
  auto publicKey = runProcess("/usr/bin/python3", {script, "--public-key", dir / "key.pem"},
                              {.timeout = std::chrono::seconds(30)});
  ASSERT_TRUE(signedOutput && publicKey);
  ModelManifest decoded = ModelManifest::decode(signedOutput->output);
  EXPECT_NO_THROW(downloader().validate(decoded));
  EXPECT_EQ(publicKey->output, key.publicKeyBase64() + "\n");
}

}  // namespace
}  // namespace quorvale

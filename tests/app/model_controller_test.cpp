#include "model_controller.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <functional>
#include <nlohmann/json.hpp>

#include "embed_command.h"
#include "install_model_command.h"
#include "models/model_catalog.h"
#include "models/model_crypto.h"
#include "support/model_files.h"
#include "support/model_service.h"
#include "support/test_support.h"
#include "util/main_executor.h"

namespace quorvale {
namespace {

using Controller = ModelController;
using testing::TempDir;

constexpr const char* kID = "quorvale-embed-1";

class ModelControllerTest : public ::testing::Test {
 protected:
  // Serves the model's files as a single-file download, under a manifest signed by `signer`.
  std::string serveManifest(const testing::TestSigningKey& signer, const std::string& bytes) {
    server.serve("/m.bin", bytes);
    testing::writeFile(dir / "digest-input", bytes);
    ModelManifest m{.id = kID,
                    .name = "Quorvale embed",
                    .version = "1.0",
                    .sizeBytes = static_cast<std::int64_t>(bytes.size()),
                    .sha256 = model_crypto::sha256Hex(dir / "digest-input"),
                    .url = server.url("/m.bin"),
                    .dimension = 8,
                    .license = "Apache-2.0"};
    m.signature = signer.sign(m.signedMessage());
    server.serve("/functions/quorvale-model?manifest=1", testing::manifestJson(m));
    return server.url("/functions/quorvale-model?manifest=1");
  }

  std::unique_ptr<Controller> controller(const std::string& manifestURL) {
    auto made = std::make_unique<Controller>(
        main,
        ModelDownloader(store, key.publicKey(),
                        {.allowedHosts = {"127.0.0.1"}, .https = {.caFile = server.caFile()}}),
        manifestURL, kID);
    made->setOnChange([this] { ++changes; });
    return made;
  }

  // Runs the main loop until the state is no longer checking or downloading.
  const Controller::State& settle(Controller& c) {
    main.runUntil(
        [&] {
          return !std::holds_alternative<Controller::Checking>(c.state()) &&
                 !std::holds_alternative<Controller::Downloading>(c.state());
        },
        std::chrono::seconds(30));
    return c.state();
  }

  TempDir dir;
  ModelStore store{dir / "Models"};
  testing::TestSigningKey key;
  testing::LocalHttpsServer server;
  MainExecutor main;
  int changes = 0;
};

TEST_F(ModelControllerTest, OffersOnlyAVerifiedModelAndInstallsAndRemovesIt) {
  testing::TestSigningKey stranger;
  const std::pair<std::string, Controller::State> refused[] = {
      {"", Controller::Unavailable{Controller::kUnavailableText}},
      {serveManifest(stranger, "weights"), Controller::Unavailable{Controller::kNotSignedText}},
  };
  for (const auto& [url, expected] : refused) {
    auto c = controller(url);
    c->refresh();
    EXPECT_EQ(settle(*c), expected) << url;
  }

  // A verified model is offered; a changed download fails, and the retry installs it.
  auto c = controller(serveManifest(key, "weights"));
  std::vector<Controller::State> seen;
  c->setOnStateChange([&](const Controller::State& state) { seen.push_back(state); });
  c->refresh();
  ASSERT_TRUE(std::holds_alternative<Controller::NotInstalled>(settle(*c)));
  EXPECT_EQ(std::get<Controller::NotInstalled>(c->state()).manifest.version, "1.0");
  server.serve("/m.bin", "WEIGHTS");
  c->download(false);
  EXPECT_EQ(settle(*c), Controller::State(Controller::Failed{Controller::kChecksumText}));
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(store.installed(kID), std::nullopt);
  EXPECT_TRUE(std::holds_alternative<Controller::Downloading>(seen.at(2)));

  server.serve("/m.bin", "weights");
  c->refresh();  // a retry starts from the offer
  settle(*c);
  c->download(true);
  ASSERT_TRUE(std::holds_alternative<Controller::Installed>(settle(*c)));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(store.installed(kID), std::get<Controller::Installed>(c->state()).record);
  c->remove();
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(store.installed(kID), std::nullopt);
  EXPECT_TRUE(std::holds_alternative<Controller::NotInstalled>(settle(*c)));
}

// The model commands, run as `quorvale --install-model` and `quorvale --embed` would be.
class ModelCommandsTest : public ::testing::Test {
 protected:
  ModelCommandsTest() {
    setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
  }
  ~ModelCommandsTest() override {
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_CONFIG_HOME");
  }

  // What the command printed; its exit code goes to `code`.
  std::string run(const std::function<int()>& command) {
    ::testing::internal::CaptureStdout();
    code = command();
    return ::testing::internal::GetCapturedStdout();
  }

  TempDir dir;
  int code = -1;
};

TEST_F(ModelCommandsTest, AnInstalledModelEmbedsTextAsAUnitVector) {
  EXPECT_EQ(run([] { return embedCommand("hello"); }), "");  // no model installed
  EXPECT_EQ(code, 1);
  EXPECT_EQ(installedModelFolder(), std::nullopt);

  testing::writeRandomModel(dir / "model", {.hidden = 8, .heads = 2});
  const std::string installed = dir / "data/Quorvale/Models/quorvale-embed-1/model";
  EXPECT_EQ(run([&] { return installModelCommand(dir / "model"); }),
            "model installed: quorvale-embed-1 (dimension 8) in " + installed + "\n");
  EXPECT_EQ(code, 0);
  EXPECT_EQ(installedModelFolder(), installed);

  auto vector = nlohmann::json::parse(run([] {
                  return embedCommand("hello world");
                })).get<std::vector<float>>();
  EXPECT_EQ(code, 0);
  ASSERT_EQ(vector.size(), 8u);
  double length = 0;
  for (float v : vector) length += v * v;
  EXPECT_NEAR(std::sqrt(length), 1.0, 1e-5);
  EXPECT_EQ(run([] { return embedCommand("   "); }), "");
  EXPECT_EQ(code, 1);
}

}  // namespace
}  // namespace quorvale

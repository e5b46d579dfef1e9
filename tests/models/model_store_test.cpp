#include "models/model_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "models/model_catalog.h"
#include "models/model_downloader.h"
#include "models/model_error.h"
#include "support/model_files.h"
#include "support/test_support.h"
#include "util/file_lock.h"

namespace quorvale {
namespace {

namespace fs = std::filesystem;

constexpr const char* kID = "quorvale-embed-1";
const std::string kRecord =
    R"({"id":"quorvale-embed-1","version":"1.0","sizeBytes":12,"dimension":8,)"
    R"("installedAt":"2026-12-06T10:00:00Z"})";

class ModelStoreTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  ModelStore store{dir / "Models"};
};

TEST_F(ModelStoreTest, OnlyARecordBesideTheModelFolderCountsAsInstalled) {
  // What is on disk: installed.json's bytes and whether model/ exists; and whether that counts.
  const std::tuple<std::string, std::optional<std::string>, bool, bool> cases[] = {
      {"record and folder", kRecord, true, true},
      {"folder without record", std::nullopt, true, false},
      {"record without folder", kRecord, false, false},
      {"truncated record", kRecord.substr(0, 30), true, false},
      {"record of another id",
       R"({"id":"other","version":"1","sizeBytes":1,"dimension":8,)"
       R"("installedAt":"2026-12-06T10:00:00Z"})",
       true, false},
  };
  for (const auto& [name, record, folder, installed] : cases) {
    SCOPED_TRACE(name);
    fs::remove_all(store.root());
    if (record) testing::writeFile(store.folder(kID) + "/installed.json", *record);
    if (folder) testing::makeDirs(store.payload(kID));
    EXPECT_EQ(store.installed(kID).has_value(), installed);
    EXPECT_EQ(store.installedPayload(kID).has_value(), installed);
  }
}

TEST_F(ModelStoreTest, RecordsReadBackAndRemoveDeletesTheModel) {
  testing::writeFile(store.payload(kID) + "/model.safetensors", std::string(100, 'w'));
  ModelStore::Installed record{.id = kID, .version = "1.0", .sizeBytes = 100, .dimension = 384};
  auto now = std::chrono::system_clock::now();
  store.record(record, now);
  record.installedAt = std::chrono::floor<std::chrono::seconds>(now);
  EXPECT_EQ(store.installed(kID), record);
  EXPECT_EQ(store.installedPayload(kID), store.payload(kID));
  EXPECT_GE(store.diskUsage(), 100u);

  store.remove(kID);
  EXPECT_FALSE(fs::exists(store.folder(kID)));
  EXPECT_EQ(store.installed(kID), std::nullopt);
  EXPECT_EQ(store.diskUsage(), 0u);
}

class InstallFromDiskTest : public ModelStoreTest {
 protected:
  InstallFromDiskTest() {
    testing::writeRandomModel(dir / "files/granite", {.hidden = 8, .heads = 2});
  }

  ModelDownloader downloader() const {
    return ModelDownloader(store, "", {.checkPayload = ModelCatalog::loadCheck});
  }
};

TEST_F(InstallFromDiskTest, TakesAFolderOrTheFolderAboveIt) {
  for (std::string path : {dir / "files/granite", dir / "files"}) {
    SCOPED_TRACE(path);
    auto installed = downloader().installFromDisk(path, kID);
    EXPECT_EQ(installed.dimension, 8);
    EXPECT_EQ(store.installed(kID), installed);
    EXPECT_EQ(testing::readFile(store.payload(kID) + "/tokenizer.json"),
              testing::readFile(dir / "files/granite/tokenizer.json"));
  }
  // The source stays where it was; only the store's own folder is left in the store.
  EXPECT_TRUE(fs::exists(dir / "files/granite/model.safetensors"));
  EXPECT_EQ(std::distance(fs::directory_iterator(store.root()), fs::directory_iterator()), 1);
}

TEST_F(InstallFromDiskTest, RefusesIncompleteFilesAndKeepsTheStoreAsItWas) {
  fs::remove(dir / "files/granite/tokenizer.json");
  for (std::string path :
       {dir / "files/granite", dir / "absent", dir / "files/granite/config.json"}) {
    SCOPED_TRACE(path);
    EXPECT_THROW(downloader().installFromDisk(path, kID), ModelError);
    EXPECT_EQ(store.installed(kID), std::nullopt);
    EXPECT_FALSE(fs::exists(store.folder(kID)));
  }
  std::error_code error;
  EXPECT_TRUE(fs::is_empty(store.root(), error) || !fs::exists(store.root()));
}

TEST_F(InstallFromDiskTest, RemovesWhatDeadInstallationsLeftButNotRunningOnes) {
  testing::writeFile(store.root() + "/.staging-DEAD/download.part", "half a download");
  testing::writeFile(store.root() + "/.staging-DEAD/.lock", "");
  testing::makeDirs(store.root() + "/.staging-RUNNING");
  std::optional<FileLock> running;
  ASSERT_EQ(FileLock::tryAcquire(store.root() + "/.staging-RUNNING/.lock", running),
            FileLock::Outcome::acquired);
  downloader().installFromDisk(dir / "files/granite", kID);
  EXPECT_FALSE(fs::exists(store.root() + "/.staging-DEAD"));
  EXPECT_TRUE(fs::exists(store.root() + "/.staging-RUNNING"));
}

}  // namespace
}  // namespace quorvale

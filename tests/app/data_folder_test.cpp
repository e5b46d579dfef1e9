#include "data_folder.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "search_engine.h"
#include "support/test_support.h"
#include "util/main_executor.h"

namespace quorvale {
namespace {

using testing::TempDir;

constexpr uid_t kNobody = 65534;

mode_t modeOf(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return 0;
  return info.st_mode & 07777;
}

void setOrUnset(const char* name, const char* value) {
  value ? setenv(name, value, 1) : unsetenv(name);
}

class DataFolderTest : public ::testing::Test {
 protected:
  DataFolderTest() { setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1); }
  ~DataFolderTest() override { unsetenv("XDG_DATA_HOME"); }

  // Opens and closes the engine as every start does, in the data folder of the environment.
  void openEngine() {
    UserDefaults defaults(dir / "config/defaults.json");
    MainExecutor main;
    EngineServices services;
    services.defaults = &defaults;
    services.main = &main;
    services.home = dir / "home";
    SearchEngine engine(ClipPolicy{}, std::move(services));
    engine.clips().record("a copy", std::nullopt, {}, std::chrono::system_clock::now(), {});
  }

  TempDir dir;
};

TEST_F(DataFolderTest, TheFolderAndEveryFileInItAreTheUsersAlone) {
  const std::string folder = dir / "data/Quorvale";
  // An earlier version left the folder and its index open to everyone.
  testing::makeDirs(folder);
  chmod(folder.c_str(), 0755);
  testing::writeFile(folder + "/poison.txt", "");
  chmod((folder + "/poison.txt").c_str(), 0644);
  openEngine();
  EXPECT_EQ(modeOf(folder), 0700u);
  for (const char* name : {"index.db", "clips.json", "inflight.txt", "poison.txt"}) {
    EXPECT_EQ(modeOf(folder + "/" + name), 0600u) << name;
  }
  // SQLite's companion files, made afresh while a connection holds the database open.
  {
    FileIndex open(folder + "/index.db");
    open.count();
    for (const char* name : {"index.db-wal", "index.db-shm"}) {
      EXPECT_EQ(modeOf(folder + "/" + name), 0600u) << name;
    }
  }
  chmod(dir.path().c_str(), 0755);
  chmod((dir / "data").c_str(), 0755);
  EXPECT_TRUE(testing::asUnprivilegedUser([&] {
    return ::access((folder + "/index.db").c_str(), R_OK) != 0 &&
           ::access(folder.c_str(), X_OK) != 0;
  }));
}

TEST_F(DataFolderTest, WithoutADataHomeOnlyAPrivateFolderOfTheUsersIsUsed) {
  // The fixed shared folder of old, made by another user for everyone to read.
  const std::string shared = dir / "tmp/Quorvale";
  testing::makeDirs(shared);
  chmod((dir / "tmp").c_str(), 01777);
  chmod(shared.c_str(), 0777);
  const std::string othersRuntime = dir / "run-root";
  testing::makeDirs(othersRuntime);
  chmod(othersRuntime.c_str(), 0777);
  const std::string ownRuntime = dir / "run-nobody";
  testing::makeDirs(ownRuntime);
  chmod(ownRuntime.c_str(), 0700);
  ASSERT_EQ(chown(ownRuntime.c_str(), kNobody, kNobody), 0);
  // A data home whose Quorvale folder another user made.
  const std::string othersData = dir / "others-data";
  testing::makeDirs(othersData + "/Quorvale");
  chmod(othersData.c_str(), 0777);
  chmod((othersData + "/Quorvale").c_str(), 0777);

  struct Case {
    const char* what;
    const char* dataHome;  // nothing: none the user can make
    const char* runtime;
    std::optional<std::string> expected;
  };
  const std::string own = ownRuntime + "/Quorvale";
  const std::vector<Case> cases = {
      {"no runtime folder", nullptr, nullptr, std::nullopt},
      {"the user's runtime folder", nullptr, ownRuntime.c_str(), own},
      {"another user's runtime folder", nullptr, othersRuntime.c_str(), std::nullopt},
      {"another user's data folder", othersData.c_str(), ownRuntime.c_str(), std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(testing::asUnprivilegedUser([&] {
      setenv("HOME", (dir / "home-nobody-cannot-make").c_str(), 1);
      setenv("TMPDIR", (dir / "tmp").c_str(), 1);
      setOrUnset("XDG_DATA_HOME", c.dataHome);
      setOrUnset("XDG_RUNTIME_DIR", c.runtime);
      std::optional<std::string> folder = dataFolder();
      return folder == c.expected && (!folder || modeOf(*folder) == 0700);
    })) << c.what;
  }
}

}  // namespace
}  // namespace quorvale

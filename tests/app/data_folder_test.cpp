#include "data_folder.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "clipboard/clip_store.h"
#include "scan/extraction_guard.h"
#include "search_engine.h"
#include "settings/settings_store.h"
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

  TempDir dir;
};

TEST_F(DataFolderTest, TheFolderAndEveryFileInItAreTheUsersAlone) {
  const std::string folder = dir / "data/Quorvale";
  // An earlier version left the folder and its index open to everyone.
  testing::makeDirs(folder);
  chmod(folder.c_str(), 0755);
  testing::writeFile(folder + "/poison.txt", "");
  chmod((folder + "/poison.txt").c_str(), 0644);
  {  // the engine opens and closes as every start does, in the data folder of the environment
    UserDefaults defaults(dir / "config/defaults.json");
    MainExecutor main;
    EngineServices services;
    services.defaults = &defaults;
    services.main = &main;
    services.home = dir / "home";
    SearchEngine engine(ClipPolicy{}, std::move(services));
    engine.clips().record("a copy", std::nullopt, {}, std::chrono::system_clock::now(), {});
  }
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
  const std::vector<Case> cases = {
      {"no runtime folder", nullptr, nullptr, std::nullopt},
      {"the user's runtime folder", nullptr, ownRuntime.c_str(), ownRuntime + "/Quorvale"},
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

// The program's own state files, met in a hostile form: something other than a regular file in
// their place must not stop the program.
TEST(StateFiles, AFifoInThePlaceOfAStateFileIsNeverWaitedOn) {
  struct Case {
    const char* name;
    // Opens the folder's state the way a start does; true when the program can go on.
    std::function<bool(const std::string& folder)> start;
  };
  const auto guardWorks = [](const std::string& folder) {
    ExtractionGuard guard(folder);
    guard.addPoison("/docs/bad.pdf");
    return guard.isPoisoned("/docs/bad.pdf") &&
           guard.run("/docs/a.pdf", 5, [] { return std::optional<std::string>("a"); }) == "a";
  };
  const Case cases[] = {
      {"inflight.txt", guardWorks},
      {"poison.txt", guardWorks},
      {"clips.json",
       [](const std::string& folder) {
         ClipStore store = ClipStore::load(folder + "/clips.json");
         return store.items().empty() && store.loadProblem().has_value();
       }},
      {"defaults.json",
       [](const std::string& folder) {
         UserDefaults defaults(folder + "/defaults.json");
         SettingsStore store(defaults);
         return !store.fromUser() && store.loadProblem().has_value() &&
                !defaults.integer(UserDefaults::kContentVersionKey);
       }},
  };
  for (const Case& c : cases) {
    TempDir dir;
    ASSERT_EQ(mkfifo((dir / c.name).c_str(), 0600), 0);
    EXPECT_TRUE(testing::finishesWithin(10, [&] { return c.start(dir.path()); })) << c.name;
  }
}

}  // namespace
}  // namespace quorvale

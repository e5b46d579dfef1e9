#include "inotify_watcher.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include "scan/scanner.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using testing::makeDirs;
using testing::TempDir;
using testing::writeFile;
using Paths = std::set<std::string>;

constexpr auto kDeadline = 30s;  // generous: the machine may be busy with other builds

class InotifyWatcherTest : public ::testing::Test {
 protected:
  struct Batch {
    std::vector<std::string> paths;
    bool mustRescan = false;
  };

  void SetUp() override {
    makeDirs(root);
    root = fs::canonical(root).string();  // the temporary folder may itself sit behind a link
  }

  // Starts over `roots` with a short window and waits until the existing folders are watched.
  void start(ScanConfig config, InotifyWatcher::Options options = {.latency = 50ms}) {
    watcher = std::make_unique<InotifyWatcher>(options);
    ASSERT_TRUE(watcher->start(config, handler()));
    ASSERT_TRUE(watcher->waitUntilWatching(kDeadline));
  }
  FileWatcher::Handler handler() {
    return [this](const std::vector<std::string>& paths, bool rescan) {
      std::lock_guard lock(mutex);
      batches.push_back({paths, rescan});
      arrived.notify_all();
    };
  }
  void start() { start(ScanConfig::make({root})); }

  // Every path reported so far; the caller holds `mutex`.
  Paths reportedLocked() const {
    Paths all;
    for (const Batch& batch : batches) all.insert(batch.paths.begin(), batch.paths.end());
    return all;
  }
  // Waits until all of `expected` has been reported; returns what was.
  Paths waitFor(const Paths& expected) {
    std::unique_lock lock(mutex);
    arrived.wait_for(lock, kDeadline, [&] {
      Paths all = reportedLocked();
      return std::includes(all.begin(), all.end(), expected.begin(), expected.end());
    });
    return reportedLocked();
  }
  bool waitForRescan() {
    std::unique_lock lock(mutex);
    return arrived.wait_for(lock, kDeadline, [&] {
      return std::any_of(batches.begin(), batches.end(),
                         [](const Batch& b) { return b.mustRescan; });
    });
  }
  std::string at(const std::string& relative) const { return root + "/" + relative; }

  TempDir dir;
  std::string root = dir / "root";
  std::mutex mutex;
  std::condition_variable arrived;
  std::vector<Batch> batches;               // guarded by mutex
  std::unique_ptr<InotifyWatcher> watcher;  // last: stopped before what its handler touches
};

// Files created, changed, deleted, renamed or touched are reported, a path once per batch of the
// default window. A new folder is reported with what it already holds and watched from then on;
// a moved or deleted one takes its watches along.
TEST_F(InotifyWatcherTest, ChangesAreReportedAndFoldersFollowed) {
  for (const char* file : {"changed.txt", "deleted.txt", "moved.txt", "touched.txt",
                           "old/inner/file.txt", "doomed/inner/file.txt"}) {
    writeFile(at(file), "x");
  }
  start(ScanConfig::make({root}), {});
  writeFile(at("created.txt"), "new");
  writeFile(at("created.txt"), "newer");
  writeFile(at("changed.txt"), "new contents");
  fs::remove(at("deleted.txt"));
  fs::rename(at("moved.txt"), at("renamed.txt"));
  testing::setModified(at("touched.txt"), 1'000'000);
  // Filled before it arrives, as a copy or an unpacked archive would be.
  std::string outside = dir / "outside";
  writeFile(outside + "/a.txt", "a");
  writeFile(outside + "/deep/b.txt", "b");
  fs::rename(outside, at("arrived"));
  // Created and filled at once: the files may land before the folder's watch exists.
  writeFile(at("made/now/c.txt"), "c");
  fs::rename(at("old"), at("new"));
  fs::remove_all(at("doomed"));

  Paths expected;
  std::istringstream names(
      "created.txt changed.txt deleted.txt moved.txt renamed.txt touched.txt arrived "
      "arrived/a.txt arrived/deep arrived/deep/b.txt made made/now made/now/c.txt old new "
      "new/inner new/inner/file.txt doomed doomed/inner doomed/inner/file.txt");
  for (std::string name; names >> name;) expected.insert(at(name));
  EXPECT_EQ(waitFor(expected), expected);

  for (const char* file : {"arrived/deep/later.txt", "made/now/later.txt", "new/inner/later.txt"}) {
    writeFile(at(file), "l");
    expected.insert(at(file));
  }
  Paths seen = waitFor(expected);
  EXPECT_TRUE(std::includes(seen.begin(), seen.end(), expected.begin(), expected.end()));
  EXPECT_FALSE(seen.contains(at("old/inner/later.txt")));
  EXPECT_EQ(watcher->watchedFolders(),
            (std::vector<std::string>{root, at("arrived"), at("arrived/deep"), at("made"),
                                      at("made/now"), at("new"), at("new/inner")}));
  std::lock_guard lock(mutex);
  for (const Batch& batch : batches) {
    EXPECT_FALSE(batch.mustRescan);
    EXPECT_EQ(Paths(batch.paths.begin(), batch.paths.end()).size(), batch.paths.size())
        << "a path twice in one batch";
  }
}

TEST_F(InotifyWatcherTest, ExcludedFoldersAreNotWatched) {
  // Which folders are watched is checked against the scanner with the tree; here, that nothing
  // below them is reported.
  writeFile(at("app/package.json"), "{}");
  makeDirs(at("app/build/gen"));
  makeDirs(at("node_modules/left-pad"));
  makeDirs(at("private"));
  writeFile(at("todo.txt"), "x");
  ScanConfig config = ScanConfig::make({root});
  config.excludedPaths = {at("private")};
  start(config);

  writeFile(at("node_modules/left-pad/index.js"), "x");
  writeFile(at("app/build/gen/out.o"), "x");
  writeFile(at("private/diary.txt"), "x");
  writeFile(at(".hidden.txt"), "x");
  fs::rename(at("todo.txt"), at("node_modules/todo.txt"));
  // Only the old name of the file moved into an excluded folder is reported. The marker comes
  // last: once it is reported, anything earlier would have been too.
  writeFile(at("marker"), "m");
  EXPECT_EQ(waitFor({at("marker")}), (Paths{at("todo.txt"), at("marker")}));
}

TEST_F(InotifyWatcherTest, ARootThatIsASymbolicLinkIsFollowedButLinksBelowAreNot) {
  std::string real = dir / "real";
  std::string link = dir / "link";
  makeDirs(real + "/sub");
  makeDirs(dir / "elsewhere");
  fs::create_directory_symlink(real, link);
  fs::create_directory_symlink(dir / "elsewhere", real + "/shortcut");
  start(ScanConfig::make({link}));
  real = fs::canonical(real).string();
  EXPECT_EQ(watcher->watchedFolders(), (std::vector<std::string>{real, real + "/sub"}));

  writeFile(real + "/sub/seen.txt", "x");
  Paths seen = waitFor({real + "/sub/seen.txt"});
  EXPECT_EQ(seen, (Paths{real + "/sub/seen.txt"}));
}

TEST_F(InotifyWatcherTest, ReachingTheWatchLimitAsksForARescan) {
  makeDirs(at("a/b/c"));
  start(ScanConfig::make({root}), {.latency = 50ms, .maxWatches = 2});
  EXPECT_TRUE(waitForRescan());
  EXPECT_EQ(watcher->watchedFolders().size(), 2u);

  // A folder that appears later and cannot be watched asks again.
  {
    std::lock_guard lock(mutex);
    batches.clear();
  }
  makeDirs(at("new"));
  EXPECT_TRUE(waitForRescan());
}

TEST_F(InotifyWatcherTest, StopIsPromptAndFinal) {
  start(ScanConfig::make({root}), {.latency = std::chrono::hours(1)});
  writeFile(at("pending.txt"), "x");
  // Whether or not the reading thread has scheduled the delivery by now, stop must neither wait
  // for the hour nor let the delivery through; the pause makes the first case the usual one.
  std::this_thread::sleep_for(50ms);
  watcher->stop();
  EXPECT_FALSE(watcher->isRunning());
  EXPECT_TRUE(watcher->watchedFolders().empty());
  EXPECT_TRUE(batches.empty());  // the reading thread has stopped

  // Restarted, it reports again; a second start while running changes nothing.
  ASSERT_TRUE(watcher->start(ScanConfig::make({root}), handler()));
  EXPECT_TRUE(watcher->start(ScanConfig::make({dir / "elsewhere"}), nullptr));
  ASSERT_TRUE(watcher->waitUntilWatching(kDeadline));
  watcher->stop();
  EXPECT_TRUE(batches.empty());  // the reading thread has stopped
}

}  // namespace
}  // namespace quorvale

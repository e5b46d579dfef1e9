#include "scan/scanner.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <set>
#include <thread>

#include "index/file_index_access.h"
#include "support/search_fixtures.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

using testing::setModified;
using testing::TempDir;
using testing::writeFile;
using Paths = std::set<std::string>;

int64_t count(FileIndex& index, const std::string& sql) {
  return FileIndexAccess::connection(index).queryInt(sql).value_or(-1);
}

// Reads whole small files as their text, like the real extractor does for plain text.
class WholeFileExtractor : public ContentExtractor {
 public:
  std::optional<std::string> text(const std::string& path, const std::string&,
                                  int64_t) const override {
    ++calls;
    std::string bytes = testing::readFile(path);
    if (bytes.empty()) return std::nullopt;
    return bytes;
  }
  mutable std::atomic<int> calls = 0;
};

class ScannerTest : public ::testing::Test {
 protected:
  ScanStats scan(const ScanConfig& config, const Scanner::ShouldCancel& cancel = nullptr) {
    return Scanner::scan(config, index, extractor, nullptr, cancel, nullptr);
  }
  ScanStats scanRoot() { return scan(ScanConfig::make({root})); }
  std::string at(const std::string& relative) const { return root + "/" + relative; }
  std::set<std::string> indexed() { return testing::storedPaths(index); }

  TempDir dir;
  std::string root = dir / "root";
  FileIndex index{std::nullopt};
  WholeFileExtractor extractor;
};

// One tree through its rescans: a change of less than half a second counts as none, one of a
// second is read again, and a missing root removes nothing.
TEST_F(ScannerTest, RescansAddKeepUpdateAndRemove) {
  writeFile(at("notes/plan.txt"), "quarterly plan");
  writeFile(at("notes/empty.txt"), "");
  setModified(at("notes/plan.txt"), 1'000'000);
  auto stats = scanRoot();
  EXPECT_EQ(stats.seen, 3);
  EXPECT_EQ(stats.added, 3);
  EXPECT_EQ(stats.withContent, 1);
  EXPECT_TRUE(index.contains(at("notes")));
  EXPECT_FALSE(index.batchOpen());
  int reads = extractor.calls;

  setModified(at("notes/plan.txt"), 1'000'000.4);
  EXPECT_EQ(scanRoot().unchanged, 3);
  EXPECT_EQ(extractor.calls, reads);
  setModified(at("notes/plan.txt"), 1'000'001.4);
  EXPECT_EQ(scanRoot().updated, 1);
  EXPECT_EQ(extractor.calls, reads + 1);

  std::filesystem::remove(at("notes/empty.txt"));
  EXPECT_EQ(scanRoot().removed, 1);
  EXPECT_FALSE(index.contains(at("notes/empty.txt")));
  std::filesystem::rename(root, dir / "moved");
  EXPECT_EQ(scanRoot().removed, 0);
  EXPECT_TRUE(index.contains(at("notes/plan.txt")));
}

// Each rule is tested with the skip rules; here the walk must not enter what they skip.
TEST_F(ScannerTest, SkippedFoldersAreNotEntered) {
  writeFile(at("app/package.json"), "{}");
  writeFile(at("app/node_modules/lib/index.js"), "x");
  writeFile(at("app/build/out.js"), "x");
  writeFile(at(".secret/a.txt"), "x");
  writeFile(at("skip/me.txt"), "x");
  writeFile(at("plain/build/keep.txt"), "x");
  auto config = ScanConfig::make({root});
  config.excludedPaths = {at("skip")};
  scan(config);
  EXPECT_EQ(index.count(), 5);  // app, its package.json, plain, plain/build and keep.txt
  EXPECT_TRUE(index.contains(at("plain/build/keep.txt")));

  config.includeHidden = true;
  scan(config);
  EXPECT_TRUE(index.contains(at(".secret/a.txt")));
}

// The skip rules' own tests cover each rule, and the application scan's the entries an
// application root holds; here the walk follows the rules down an application root.
TEST_F(ScannerTest, ApplicationRootsHoldOnlyApplicationsUpToThreeLevels) {
  std::string apps = dir / "apps";
  writeFile(apps + "/Readme.txt", "x");
  testing::makeDirs(apps + "/Utilities/Bar.app");
  testing::makeDirs(apps + "/a/b/c/Deep.app");
  auto config = ScanConfig::make({apps});
  config.appOnlyRoots = {apps};
  scan(config);
  EXPECT_EQ(indexed(), Paths{apps + "/Utilities/Bar.app"});
}

// File-system hostiles side by side with a file the scan keeps: it must neither store, open
// nor enter them; names that are not UTF-8 are reported, spelt with replacement characters.
// Unreadable entries, which need privileges dropped, follow.
TEST_F(ScannerTest, HostileEntriesAreSkipped) {
  writeFile(at("real/kept.txt"), "alpha");
  ASSERT_EQ(mkfifo(at("pipe.txt").c_str(), 0644), 0);  // opened for reading, it blocks forever
  mknod(at("null.txt").c_str(), S_IFCHR | 0644, makedev(1, 3));  // where devices may be made
  std::filesystem::create_directory_symlink(at("real"), at("alias"));
  std::filesystem::create_directory_symlink(root, at("real/loop"));
  writeFile(at("bad\xff\xfe.txt"), "x");
  writeFile(at("dir\xc3/inner.txt"), "x");
  auto stats = scanRoot();
  EXPECT_EQ(indexed(), (Paths{at("real"), at("real/kept.txt")}));
  ASSERT_EQ(stats.unreadable.size(), 2u);
  for (const auto& path : stats.unreadable) EXPECT_NE(path.find("\xEF\xBF\xBD"), std::string::npos);
  EXPECT_TRUE(index.quickCheck());
}

TEST_F(ScannerTest, FoldersThatCannotBeReadKeepTheirRecordsAndNothingIsMadeUp) {
  writeFile(at("locked/kept.txt"), "x");
  writeFile(at("listonly/entry.txt"), "y");
  writeFile(at("gone.txt"), "z");
  std::string otherRoot = dir / "other";
  writeFile(otherRoot + "/inside.txt", "w");
  setModified(at("listonly/entry.txt"), 1'700'000'000);
  std::string database = dir / "index.db";
  ScanConfig config = ScanConfig::make({root, otherRoot});
  {
    FileIndex first(database);
    Scanner::scan(config, first, extractor, nullptr, nullptr, nullptr);
    ASSERT_TRUE(first.contains(otherRoot + "/inside.txt"));
  }
  chmod(dir.path().c_str(), 0777);
  chmod(database.c_str(), 0666);
  chmod(at("locked").c_str(), 0);       // cannot be listed
  chmod(at("listonly").c_str(), 0444);  // listed, but its entries cannot be looked at
  chmod(otherRoot.c_str(), 0);          // a configured root that cannot be opened
  std::filesystem::remove(at("gone.txt"));

  std::string entry = at("listonly/entry.txt");
  bool ok = testing::asUnprivilegedUser([&] {
    FileIndex unprivileged(database);
    auto stats = Scanner::scan(config, unprivileged, extractor, nullptr, nullptr, nullptr);
    auto times = unprivileged.modifiedTimes(at("listonly"));
    return unprivileged.contains(at("locked/kept.txt")) && times.contains(entry) &&
           times[entry] == 1'700'000'000 && unprivileged.contains(otherRoot + "/inside.txt") &&
           !unprivileged.contains(at("gone.txt")) &&
           stats.unreadable == std::vector<std::string>{otherRoot, at("listonly"), at("locked")};
  });
  EXPECT_TRUE(ok);
}

TEST_F(ScannerTest, UpdateIndexesEachEventOnceRemovesDeletedTreesAndHonoursHiddenRoots) {
  writeFile(at("a.txt"), "alpha");
  writeFile(at("gone/x/y.txt"), "y");
  scanRoot();
  std::filesystem::remove_all(at("gone"));
  int written = 0;
  Scanner::update({at("a.txt"), at("a.txt"), at("gone"), at(".hidden/z"), "/elsewhere/file"},
                  ScanConfig::make({root}), index, extractor,
                  [&](const FileRecord&, const std::optional<std::string>&) { ++written; });
  EXPECT_EQ(written, 1);
  EXPECT_EQ(indexed(), Paths{at("a.txt")});
  EXPECT_FALSE(index.batchOpen());

  // A root inside a hidden folder still takes its updates.
  std::string apps = dir / ".local/share/applications";
  writeFile(apps + "/editor.desktop", "[Desktop Entry]\nType=Application\nName=Editor\n");
  ScanConfig config = ScanConfig::make({apps});
  config.appOnlyRoots = {apps};
  Scanner::update({apps + "/editor.desktop", apps + "/.cache/x.desktop"}, config, index, extractor,
                  nullptr);
  EXPECT_TRUE(index.contains(apps + "/editor.desktop"));
  EXPECT_FALSE(index.contains(apps + "/.cache/x.desktop"));
}

TEST_F(ScannerTest, RootSpellingIsKeptAndEventsOnTheRealPathMapBackToIt) {
  writeFile(at("a.txt"), "x");
  std::filesystem::create_directory_symlink(root, dir / "chosen");
  scan(ScanConfig::make({dir / "chosen/"}));
  EXPECT_TRUE(index.contains(dir / "chosen/a.txt"));
  index.remove(dir / "chosen/a.txt");
  auto mapping = Scanner::rootMapping({dir / "chosen"});
  char real[PATH_MAX];
  ASSERT_NE(realpath(root.c_str(), real), nullptr);
  EXPECT_EQ(Scanner::indexPath(std::string(real) + "/a.txt", mapping), dir / "chosen/a.txt");
  EXPECT_EQ(Scanner::indexPath("/other/a.txt", mapping), "/other/a.txt");
  Scanner::update({std::string(real) + "/a.txt"}, ScanConfig::make({dir / "chosen"}), index,
                  extractor, nullptr);
  EXPECT_TRUE(index.contains(dir / "chosen/a.txt"));
}

TEST_F(ScannerTest, ReaderSearchesWhileTheWriterScans) {
  std::string database = dir / "index.db";
  for (int i = 0; i < 3000; ++i)
    writeFile(at("d" + std::to_string(i % 30) + "/f" + std::to_string(i) + ".txt"),
              "common words here");
  FileIndex writer(database);
  FileIndex reader(database);
  std::atomic<bool> done = false;
  std::atomic<int> failures = 0;
  std::thread searcher([&] {
    while (!done) {
      auto statement = FileIndexAccess::connection(reader).prepare(
          "SELECT COUNT(*) FROM fts WHERE fts MATCH 'common'");
      if (!statement || statement.step() != SQLITE_ROW) ++failures;
    }
  });
  Scanner::scan(ScanConfig::make({root}), writer, extractor, nullptr, nullptr, nullptr);
  done = true;
  searcher.join();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(reader.count(), 3030);
}

TEST(ScannerKillTest, KilledScanLeavesAConsistentIndex) {
  TempDir dir;
  std::string root = dir / "root";
  for (int i = 0; i < 4000; ++i)
    writeFile(root + "/d" + std::to_string(i % 40) + "/f" + std::to_string(i) + ".md",
              "some text to index");
  std::string database = dir / "index.db";
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Dies without warning in the middle of a batch. A batch commits at 500 records or after a
    // second, whichever comes first (a slow run commits smaller ones), so everything but the open
    // batch, of fewer than 500 records, is committed by then, and that batch is not.
    FileIndex index(database);
    WholeFileExtractor extractor;
    int indexed = 0;
    auto killAfter = [&](const FileRecord&, const std::optional<std::string>&) {
      if (++indexed == 1200) raise(SIGKILL);
    };
    Scanner::scan(ScanConfig::make({root}), index, extractor, nullptr, nullptr, killAfter);
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

  FileIndex index(database);
  EXPECT_TRUE(index.quickCheck());
  auto files = index.count();
  EXPECT_GT(files, 1200 - 500);
  EXPECT_LE(files, 1200);
  EXPECT_EQ(count(index, "SELECT COUNT(*) FROM names_tri"), files);
  EXPECT_EQ(count(index, "SELECT COUNT(*) FROM fts"), files);
  WholeFileExtractor extractor;
  auto stats = Scanner::scan(ScanConfig::make({root}), index, extractor, nullptr, nullptr, nullptr);
  EXPECT_EQ(index.count(), 4040);
  EXPECT_EQ(stats.unchanged, files);
}

}  // namespace
}  // namespace quorvale

#include "inotify_tree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "scan/guarded_extractor.h"
#include "support/test_support.h"
#include "util/unique_fd.h"

namespace quorvale {
namespace {

namespace fs = std::filesystem;
using testing::makeDirs;
using testing::TempDir;
using testing::writeFile;

class InotifyTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    makeDirs(dir / "root");
    root = fs::canonical(dir / "root").string();
  }
  std::unique_ptr<InotifyTree> tree(const ScanConfig& config, std::size_t maxWatches = 0) {
    InotifyTree::Sink sink{.changed = [this](const std::string& path) { changed.insert(path); },
                           .lost = [this] { ++lost; }};
    return std::make_unique<InotifyTree>(inotify.get(), WatchScope(config), sink, maxWatches,
                                         nullptr);
  }
  std::string at(const std::string& relative) const { return root + "/" + relative; }

  TempDir dir;
  std::string root;
  UniqueFd inotify{inotify_init1(IN_CLOEXEC)};
  std::set<std::string> changed;
  int lost = 0;
};

TEST_F(InotifyTreeTest, OverflowMeansChangesWereLostAndStrayWatchesAreIgnored) {
  auto watched = tree(ScanConfig::make({root}));
  watched->watchRoots();
  inotify_event event{};
  event.wd = 12345;  // a watch the tree has forgotten
  event.mask = IN_DELETE_SELF;
  watched->handle(event);
  EXPECT_EQ(lost, 0);
  event.wd = -1;
  event.mask = IN_Q_OVERFLOW;
  watched->handle(event);
  EXPECT_EQ(lost, 1);
  EXPECT_TRUE(changed.empty());
}

// The scanner is the reference: the watched folders are the root and exactly the folders a
// scan indexes, whatever mix of skip rules the tree holds.
TEST_F(InotifyTreeTest, WatchesTheFoldersTheScannerIndexes) {
  writeFile(at("proj/Cargo.toml"), "");
  for (const char* folder :
       {"proj/src/deep", "proj/target/debug", "proj/.venv/lib", "docs/2024/q1", "docs/build",
        "docs/__pycache__", "docs/.cache", "media/Player.app/Contents", "excluded/inner", "Pods/x",
        "kept/dist"}) {
    makeDirs(at(folder));
  }
  writeFile(at("kept/notes.txt"), "x");
  fs::create_directory_symlink(at("docs"), at("docs-link"));
  std::string badName = at("bad\xff");
  makeDirs(badName + "/inside");

  ScanConfig config = ScanConfig::make({root});
  config.excludedPaths = {at("excluded")};

  std::set<std::string> indexedFolders = {root};
  FileIndex index{std::nullopt};
  NoContent extractor;
  Scanner::scan(config, index, extractor, nullptr, nullptr,
                [&](const FileRecord& record, const std::optional<std::string>&) {
                  std::error_code error;
                  if (fs::is_directory(fs::symlink_status(record.path, error)) &&
                      !record.path.ends_with(".app")) {
                    indexedFolders.insert(record.path);
                  }
                });

  auto watched = tree(config);
  watched->watchRoots();
  std::vector<std::string> folders = watched->watchedFolders();
  EXPECT_EQ(std::set<std::string>(folders.begin(), folders.end()), indexedFolders);
  EXPECT_TRUE(indexedFolders.contains(at("kept/dist"))) << "dist outside a project is kept";
}

TEST_F(InotifyTreeTest, ApplicationRootsAreWatchedOnlyAsDeepAsAScanGoes) {
  makeDirs(at("one/two/three/four"));
  ScanConfig config = ScanConfig::make({root});
  config.appOnlyRoots = {root};
  auto watched = tree(config);
  watched->watchRoots();
  EXPECT_EQ(watched->watchedFolders(), (std::vector<std::string>{root, at("one"), at("one/two")}));
}

}  // namespace
}  // namespace quorvale

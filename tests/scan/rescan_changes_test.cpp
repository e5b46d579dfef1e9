// A rescan over the walk (folders opened relative to their parent, deep trees by full path),
// inline and read ahead on a thread, sees every kind of change to the tree, checked against the
// tree as std::filesystem sees it.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "index/file_index_access.h"
#include "scan/guarded_extractor.h"
#include "scan/scanner.h"
#include "support/search_fixtures.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

namespace fs = std::filesystem;
using testing::setModified;
using testing::writeFile;

class RescanChangesTest : public ::testing::TestWithParam<bool> {
 protected:
  ScanStats scan(const Scanner::ShouldCancel& cancel = nullptr) {
    ScanConfig config = ScanConfig::make({root});
    config.readAhead = GetParam();
    return Scanner::scan(config, index, NoContent(), nullptr, cancel, nullptr);
  }
  std::string at(const std::string& relative) const { return root + "/" + relative; }
  std::set<std::string> indexed() { return testing::storedPaths(index); }
  std::set<std::string> onDisk() const {
    std::set<std::string> paths;
    for (const auto& entry : fs::recursive_directory_iterator(root)) paths.insert(entry.path());
    return paths;
  }

  testing::TempDir dir;
  std::string root = dir / "root";
  FileIndex index{std::nullopt};
};

TEST_P(RescanChangesTest, EveryChangeIsSeen) {
  // Deeper than the walk keeps folders open, so both ways of opening a folder are crossed.
  std::string deep = "deep";
  for (int level = 0; level < 60; ++level) deep += "/d";
  for (const char* file :
       {"keep.txt", "edit.txt", "gone.txt", "old-name.txt", "box/a.txt", "box/b.txt",
        "moved/inner/c.txt", "becomes-file/x.txt", "becomes-folder"}) {
    writeFile(at(file), "x");
    setModified(at(file), 1'000'000);
  }
  writeFile(at(deep + "/leaf.txt"), "x");
  setModified(at(deep + "/leaf.txt"), 1'000'000);
  scan();
  ASSERT_EQ(indexed(), onDisk());

  // Every kind of change at once, in this order.
  setModified(at("edit.txt"), 1'000'100);
  setModified(at(deep + "/leaf.txt"), 1'000'100);
  writeFile(at("box/new.txt"), "x");
  writeFile(at("fresh/inner/n.txt"), "x");
  writeFile(at(deep + "/d/e/new.txt"), "x");
  fs::remove(at("gone.txt"));
  fs::remove_all(at("box"));
  fs::rename(at("old-name.txt"), at("new-name.txt"));
  fs::rename(at("moved"), at("moved-to"));
  fs::remove_all(at("becomes-file"));  // a folder becomes a file
  writeFile(at("becomes-file"), "x");
  fs::remove(at("becomes-folder"));  // a file becomes a folder
  writeFile(at("becomes-folder/y.txt"), "x");
  const ScanStats stats = scan();

  EXPECT_EQ(indexed(), onDisk());
  auto times = index.modifiedTimes(root);
  EXPECT_EQ(times[at("edit.txt")], 1'000'100);
  EXPECT_EQ(times[at(deep + "/leaf.txt")], 1'000'100);
  EXPECT_EQ(times[at("keep.txt")], 1'000'000);
  EXPECT_EQ(stats.unchanged + stats.updated + stats.added, static_cast<int64_t>(onDisk().size()));
}

TEST_P(RescanChangesTest, ACancelledRescanStopsTheWalkAndRemovesNothing) {
  for (int i = 0; i < 600; ++i) writeFile(at("many/" + std::to_string(i) + ".txt"), "x");
  scan();
  fs::remove(at("many/599.txt"));
  int asked = 0;
  const ScanStats stats = scan([&] { return ++asked > 10; });
  EXPECT_LE(stats.seen, 10);
  EXPECT_EQ(stats.removed, 0);
  EXPECT_TRUE(index.contains(at("many/599.txt")));
}

INSTANTIATE_TEST_SUITE_P(Walks, RescanChangesTest, ::testing::Values(false, true),
                         [](const auto& test) { return test.param ? "ReadAhead" : "Inline"; });

}  // namespace
}  // namespace quorvale

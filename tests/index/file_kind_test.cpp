#include "index/file_kind.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "index/file_record.h"

namespace quorvale {
namespace {

TEST(FileKindTest, KindFollowsExtensionAndDirectoryFlag) {
  const std::tuple<const char*, bool, FileKind> cases[] = {{"APP", true, FileKind::app},
                                                           {"txt", true, FileKind::folder},
                                                           {"KEY", false, FileKind::presentation},
                                                           {"env", false, FileKind::text},
                                                           {"", false, FileKind::other}};
  for (const auto& [ext, directory, kind] : cases) {
    EXPECT_EQ(fileKindFor(ext, directory), kind) << ext;
  }
}

TEST(FileKindTest, NoExtensionBelongsToTwoKinds) {
  std::set<std::string> seen;
  std::size_t total = 0;
  for (const auto& [kind, extensions] : fileKindExtensions()) {
    total += extensions.size();
    seen.insert(extensions.begin(), extensions.end());
  }
  EXPECT_EQ(seen.size(), total);
}

TEST(FileKindTest, RawValuesRoundTripAndUnknownReadsAsOther) {
  for (FileKind kind : allFileKinds) EXPECT_EQ(fileKindFromRaw(rawValue(kind)), kind);
  EXPECT_EQ(fileKindFromRaw("App"), FileKind::other);
}

TEST(FileRecordTest, MakeDerivesNameExtensionAndKind) {
  auto record = FileRecord::make({.path = "/a/Report.Final.PDF", .size = 5, .modified = 1.5});
  EXPECT_EQ(record.name, "Report.Final.PDF");
  EXPECT_EQ(record.ext, "pdf");
  EXPECT_EQ(record.kind, FileKind::pdf);

  auto hidden = FileRecord::make({.path = "/a/.bashrc"});
  EXPECT_EQ(hidden.ext, "");
  auto named = FileRecord::make({.path = "/Apps/Tool.app", .name = "Tool", .isDirectory = true});
  EXPECT_EQ(named.name, "Tool");
  EXPECT_EQ(named.kind, FileKind::app);
}

}  // namespace
}  // namespace quorvale

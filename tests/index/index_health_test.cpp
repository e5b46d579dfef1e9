#include "index/index_health.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "index/file_index.h"
#include "index/file_index_access.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

void fill(FileIndex& index, int count, std::string_view folder = "/home/ana/notes/note-",
          std::string_view name = "note") {
  index.beginBatch();
  for (int i = 0; i < count; ++i) {
    index.upsert(FileRecord::make({.path = std::string(folder) + std::to_string(i),
                                   .name = std::string(name),
                                   .modified = 2e9}),
                 "text", {});
  }
  index.commitBatch();
}

int64_t canaries(FileIndex& index) {
  return FileIndexAccess::connection(index)
      .queryInt("SELECT COUNT(*) FROM files WHERE path LIKE '/.quorvale-selftest/%'")
      .value_or(-1);
}

TEST(IndexHealthTest, HealthyIndexCountsItemsWithoutDigitGroupingAndLeavesNoCanary) {
  FileIndex index(std::nullopt);
  fill(index, 1234);
  IndexHealth health = index.healthCheck();
  EXPECT_EQ(health, (IndexHealth{.databaseOK = true,
                                 .files = 1234,
                                 .textRows = 1234,
                                 .nameRows = 1234,
                                 .canaryFound = true,
                                 .problems = {}}));
  EXPECT_EQ(health.summary(), "The index is healthy: 1234 items.");
  EXPECT_EQ(canaries(index), 0);
}

TEST(IndexHealthTest, LostTrigramRowIsExactlyTheSubstringProblem) {
  FileIndex index(std::nullopt);
  fill(index, 3);
  FileIndexAccess::connection(index).exec(
      "DELETE FROM names_tri WHERE rowid = (SELECT MIN(id) FROM files)");
  IndexHealth health = index.healthCheck();
  EXPECT_EQ(health.summary(), "Problems found: The substring table disagrees (3 items, 2 rows).");
  EXPECT_TRUE(health.databaseOK && health.canaryFound);
}

TEST(IndexHealthTest, DamagedOrMissingTablesAreProblemsNotCrashes) {
  FileIndex index(std::nullopt);
  fill(index, 2);
  FileIndexAccess::connection(index).exec(
      "DELETE FROM fts WHERE rowid = (SELECT MIN(id) FROM files)");
  // Without the learning table every search fails to run, so the canary cannot be found.
  FileIndexAccess::connection(index).exec("DROP TABLE usage");
  EXPECT_EQ(index.healthCheck().summary(),
            "Problems found: The name and text tables disagree (2 items, 1 text rows). A test "
            "entry could not be written and found again.");
  EXPECT_EQ(canaries(index), 0);

  ASSERT_EQ(FileIndexAccess::connection(index).exec("DROP TABLE names_tri"), SQLITE_OK);
  EXPECT_EQ(index.healthCheck().problems.front(), "The substring table cannot be read.");
  EXPECT_EQ(canaries(index), 0);
}

TEST(IndexHealthTest, SelfTestClearsCanaryLeftByAnInterruptedTest) {
  FileIndex index(std::nullopt);
  fill(index, 4, "/.quorvale-selftest/canary-OLD", "quorvalecanaryprobe");
  EXPECT_TRUE(index.selfTest());
  EXPECT_EQ(canaries(index), 0);
}

TEST(IndexHealthTest, SelfTestOnReadOnlyDatabaseFailsAndWritesNothing) {
  testing::TempDir dir;
  const std::string path = dir / "index.db";
  {
    FileIndex index(path);
    fill(index, 5);
    FileIndexAccess::connection(index).exec("PRAGMA wal_checkpoint(TRUNCATE)");
  }
  // The file may not be written; the folder may, so that SQLite can keep its shared-memory file.
  chmod(path.c_str(), 0444);
  chmod(dir.path().c_str(), 0777);
  EXPECT_TRUE(testing::asUnprivilegedUser([&] {
    try {
      FileIndex index(path);
      bool readOnly = sqlite3_db_readonly(FileIndexAccess::connection(index).raw(), "main") == 1;
      return readOnly && !index.selfTest() && canaries(index) == 0 && index.count() == 5;
    } catch (...) {
      return false;
    }
  }));
}

}  // namespace
}  // namespace quorvale

#include "index/index_health.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "index/file_index.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

using testing::TempDir;

FileRecord fileAt(const std::string& path) {
  return FileRecord::make(path, std::nullopt, std::nullopt, 10, 1'700'000'000, false);
}

void fill(FileIndex& index, int count) {
  index.beginBatch();
  for (int i = 0; i < count; ++i) {
    index.upsert(fileAt("/home/ana/notes/note-" + std::to_string(i) + ".txt"), "text", {});
  }
  index.commitBatch();
}

int64_t canaries(FileIndex& index) {
  return index.connection()
      .queryInt("SELECT COUNT(*) FROM files WHERE path LIKE '/.quorvale-selftest/%'")
      .value_or(-1);
}

TEST(IndexHealthTest, HealthyIndexCountsItemsWithoutDigitGroupingAndLeavesNoCanary) {
  FileIndex index(std::nullopt);
  fill(index, 1234);
  IndexHealth health = index.healthCheck();
  EXPECT_EQ(health, (IndexHealth{.databaseOK = true, .files = 1234, .textRows = 1234,
                                 .nameRows = 1234, .canaryFound = true, .problems = {}}));
  EXPECT_EQ(health.summary(), "The index is healthy: 1234 items.");
  EXPECT_EQ(canaries(index), 0);
  EXPECT_EQ(index.count(), 1234);
}

TEST(IndexHealthTest, LostTrigramRowIsExactlyTheSubstringProblem) {
  FileIndex index(std::nullopt);
  fill(index, 3);
  index.connection().exec("DELETE FROM names_tri WHERE rowid = (SELECT MIN(id) FROM files)");
  IndexHealth health = index.healthCheck();
  ASSERT_EQ(health.problems,
            std::vector<std::string>{"The substring table disagrees (3 items, 2 rows)."});
  EXPECT_EQ(health.summary(), "Problems found: The substring table disagrees (3 items, 2 rows).");
  EXPECT_TRUE(health.databaseOK && health.canaryFound);
}

TEST(IndexHealthTest, LostTextRowAndFailedRoundTripAreListedInOrder) {
  FileIndex index(std::nullopt);
  fill(index, 2);
  index.connection().exec("DELETE FROM fts WHERE rowid = (SELECT MIN(id) FROM files)");
  // Without the learning table every search fails to run, so the canary cannot be found.
  index.connection().exec("DROP TABLE usage");
  IndexHealth health = index.healthCheck();
  EXPECT_EQ(health.summary(),
            "Problems found: The name and text tables disagree (2 items, 1 text rows). A test "
            "entry could not be written and found again.");
  EXPECT_EQ(canaries(index), 0);
}

TEST(IndexHealthTest, MissingTableIsAProblemNotACrash) {
  FileIndex index(std::nullopt);
  fill(index, 2);
  ASSERT_EQ(index.connection().exec("DROP TABLE names_tri"), SQLITE_OK);
  IndexHealth health = index.healthCheck();
  EXPECT_EQ(health.problems,
            (std::vector<std::string>{"The substring table cannot be read.",
                                      "A test entry could not be written and found again."}));
  EXPECT_EQ(health.nameRows, 0);
  EXPECT_EQ(canaries(index), 0);
}

TEST(IndexHealthTest, SelfTestClearsCanaryLeftByAnInterruptedTest) {
  FileIndex index(std::nullopt);
  for (int i = 0; i < 4; ++i) {
    index.upsert(FileRecord::make("/.quorvale-selftest/canary-OLD" + std::to_string(i),
                                  std::string("quorvalecanaryprobe"), std::nullopt, 0, 2e9, false),
                 std::nullopt, {});
  }
  EXPECT_TRUE(index.selfTest());
  EXPECT_EQ(canaries(index), 0);
}

TEST(IndexHealthTest, SelfTestOnReadOnlyDatabaseFailsAndWritesNothing) {
  TempDir dir;
  const std::string path = dir / "index.db";
  {
    FileIndex index(path);
    fill(index, 5);
    index.connection().exec("PRAGMA wal_checkpoint(TRUNCATE)");
  }
  // The file may not be written; the folder may, so that SQLite can keep its shared-memory file.
  chmod(path.c_str(), 0444);
  chmod(dir.path().c_str(), 0777);
  ASSERT_TRUE(testing::asUnprivilegedUser([&] {
    try {
      FileIndex index(path);
      return sqlite3_db_readonly(index.connection().raw(), "main") == 1 && !index.selfTest() && canaries(index) == 0 && index.count() == 5;
    } catch (...) {
      return false;
    }
  }));
  FileIndex reopened(path);
  EXPECT_EQ(canaries(reopened), 0);
  EXPECT_EQ(reopened.count(), 5);
}

}  // namespace
}  // namespace quorvale

#include "index/index_recovery.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "index/file_index_access.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

using testing::TempDir;

// Overwrites the first page of the `files` table's b-tree, leaving the other tables readable.
void damageFilesTable(const std::string& path) {
  int64_t root = 0, pageSize = 0;
  {
    FileIndex index(path);
    root = FileIndexAccess::connection(index)
               .queryInt("SELECT rootpage FROM sqlite_master WHERE name='files'")
               .value();
    pageSize = FileIndexAccess::connection(index).queryInt("PRAGMA page_size").value();
    FileIndexAccess::connection(index).exec("PRAGMA wal_checkpoint(TRUNCATE)");
  }
  std::string bytes = testing::readFile(path);
  auto offset = static_cast<std::size_t>((root - 1) * pageSize);
  ASSERT_LT(offset + 64, bytes.size());
  for (std::size_t i = 0; i < 64; ++i) bytes[offset + i] = static_cast<char>(0xA5);
  testing::writeFile(path, bytes);
}

// Files /docs/file<i>.txt in one batch, with the content when given.
void fill(FileIndex& index, int count, const std::optional<std::string>& content = std::nullopt) {
  index.beginBatch();
  for (int i = 0; i < count; ++i) {
    index.upsert(FileRecord::make({.path = "/docs/file" + std::to_string(i) + ".txt",
                                   .size = i,
                                   .modified = static_cast<Date>(i)}),
                 content, {});
  }
  index.commitBatch();
}

TEST(IndexRecoveryTest, GarbageFileIsSetAsideAndReplaced) {
  TempDir dir;
  std::string garbage(100000, '\x7f');
  testing::writeFile(dir / "index.db", garbage);

  auto opened = openFileIndex(dir / "index.db");
  ASSERT_TRUE(opened.setAside);
  EXPECT_EQ(testing::readFile(*opened.setAside), garbage);
  EXPECT_TRUE(opened.index->quickCheck());
  EXPECT_EQ(opened.index->count(), 0);
}

TEST(IndexRecoveryTest, DamagedDatabaseKeepsTheLearningThatStillReads) {
  TempDir dir;
  std::string path = dir / "index.db";
  {
    FileIndex index(path);
    fill(index, 2000);
    for (int i = 0; i < 4; ++i) index.recordUse("/docs/file1.txt", 10);
    for (int i = 0; i < 2; ++i) index.recordChoice("fil", "/docs/file1.txt", 11);
  }
  damageFilesTable(path);

  // Opening reads the schema only, so this damage shows in use, or in the thorough check.
  std::unique_ptr<FileIndex> damaged = openFileIndex(path).index;
  EXPECT_FALSE(damaged->quickCheck());
  damaged->keepJournalOnClose();
  damaged.reset();
  auto opened = replaceDamagedIndex(path);
  ASSERT_TRUE(opened.setAside);
  EXPECT_EQ(opened.carriedUsage, 1);
  EXPECT_EQ(opened.carriedChoices, 1);
  auto& index = *opened.index;
  EXPECT_TRUE(index.quickCheck());
  EXPECT_EQ(FileIndexAccess::connection(index).queryInt(
                "SELECT count FROM usage WHERE path='/docs/file1.txt'"),
            4);
  EXPECT_EQ(FileIndexAccess::connection(index).queryInt("SELECT count FROM choices WHERE q='fil'"),
            2);
  // Nothing was deleted: the damaged file sits beside the new one.
  auto names = testing::filesIn(dir.path());
  EXPECT_TRUE(std::any_of(names.begin(), names.end(), [](const std::string& name) {
    return name.starts_with("index.db.damaged-");
  }));
}

TEST(IndexRecoveryTest, OpeningReadsOnlyTheSchemaWhateverTheSize) {
  TempDir dir;
  std::string path = dir / "index.db";
  int64_t pages = 0;
  {
    FileIndex index(path);
    fill(index, 3000, "budget figures for the quarter");
    FileIndexAccess::connection(index).exec("PRAGMA wal_checkpoint(TRUNCATE)");
    pages = FileIndexAccess::connection(index).queryInt("PRAGMA page_count").value_or(0);
  }
  ASSERT_GT(pages, 200);

  auto opened = openFileIndex(path);
  int misses = 0, highest = 0;
  sqlite3_db_status(FileIndexAccess::connection(*opened.index).raw(), SQLITE_DBSTATUS_CACHE_MISS,
                    &misses, &highest, 0);
  EXPECT_LT(misses, 20) << "of " << pages << " pages";
  EXPECT_FALSE(opened.setAside);
  EXPECT_EQ(opened.index->count(), 3000);
}

TEST(IndexRecoveryTest, UnopenableFolderIsAnErrorNotDamage) {
  TempDir dir;
  testing::makeDirs(dir / "locked");
  testing::writeFile(dir / "locked/index.db", "");
  chmod((dir / "locked").c_str(), 0555);
  std::string path = dir / "locked/index.db";
  bool refused = testing::asUnprivilegedUser([&] {
    try {
      openFileIndex(path);
      return false;
    } catch (const IndexError&) {
      return true;
    }
  });
  EXPECT_TRUE(refused);
  EXPECT_EQ(testing::filesIn(dir / "locked"), std::vector<std::string>{"index.db"});
}

}  // namespace
}  // namespace quorvale

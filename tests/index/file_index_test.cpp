#include "index/file_index.h"

#include <gtest/gtest.h>

#include <string>

#include "index/file_index_access.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

using testing::TempDir;

constexpr int kOldLibrary = 3040001;

FileRecord fileAt(const std::string& path, int64_t size = 10, Date modified = 1'700'000'000) {
  return FileRecord::make({.path = path, .size = size, .modified = modified});
}

int64_t countOf(FileIndex& index, const std::string& sql) {
  return FileIndexAccess::connection(index).queryInt(sql).value_or(-1);
}

std::vector<int64_t> matches(FileIndex& index, const std::string& expression) {
  auto statement = FileIndexAccess::connection(index).prepare(
      "SELECT rowid FROM fts WHERE fts MATCH ? ORDER BY rowid");
  statement.bind(1, expression);
  std::vector<int64_t> ids;
  while (statement.step() == SQLITE_ROW) ids.push_back(statement.columnInt(0));
  return ids;
}

// The first row's text, or "".
std::string textOf(FileIndex& index, const std::string& sql) {
  auto statement = FileIndexAccess::connection(index).prepare(sql);
  return statement.step() == SQLITE_ROW ? statement.columnText(0) : "";
}

const std::string kFtsSchema = "SELECT sql FROM sqlite_master WHERE name='fts'";

bool modernLibrary() {
  return sqlite3_libversion_number() >= FileIndex::kContentlessDeleteVersion;
}

TEST(FileIndexTest, LibraryVersionChoosesBetweenContentlessAndCopiedText) {
  FileIndex old(std::nullopt, {.libraryVersion = kOldLibrary});
  EXPECT_EQ(textOf(old, kFtsSchema).find("contentless_delete"), std::string::npos);
  old.upsert(fileAt("/a/notes.txt"), "alpha beta", {});
  old.upsert(fileAt("/a/notes.txt"), "gamma", {});
  EXPECT_TRUE(matches(old, "gamma").size() == 1 && matches(old, "alpha").empty());

  if (!modernLibrary()) GTEST_SKIP() << "contentless tables need SQLite 3.43";
  FileIndex modern(std::nullopt);
  EXPECT_NE(textOf(modern, kFtsSchema).find("contentless_delete=1"), std::string::npos);
}

TEST(FileIndexTest, OpeningACopiedTextDatabaseOnAModernLibraryMigratesOnce) {
  if (!modernLibrary()) GTEST_SKIP() << "migration needs SQLite 3.43";
  TempDir dir;
  std::string path = dir / "index.db";
  {
    FileIndex old(path, {.libraryVersion = kOldLibrary});
    old.upsert(fileAt("/a/report.txt"), "quarterly numbers", {});
    old.recordUse("/a/report.txt", 5);
    old.recordChoice("rep", "/a/report.txt", 6);
  }
  {
    FileIndex migrated(path);
    EXPECT_TRUE(migrated.migratedFromFullTextCopy());
    EXPECT_EQ(migrated.count(), 0);
    EXPECT_EQ(countOf(migrated, "SELECT COUNT(*) FROM usage"), 1);
    EXPECT_EQ(countOf(migrated, "SELECT COUNT(*) FROM choices"), 1);
    EXPECT_EQ(countOf(migrated, "SELECT COUNT(*) FROM names_tri"), 0);
    EXPECT_NE(textOf(migrated, kFtsSchema).find("contentless_delete=1"), std::string::npos);
    migrated.upsert(fileAt("/a/report.txt"), "quarterly numbers", {});
    EXPECT_EQ(matches(migrated, "quarterly").size(), 1u);
  }
  FileIndex again(path);
  EXPECT_FALSE(again.migratedFromFullTextCopy());
  EXPECT_EQ(again.count(), 1);
}

TEST(FileIndexTest, EmptyTrigramTableIsFilledFromFilesAtOpening) {
  TempDir dir;
  std::string path = dir / "index.db";
  {
    FileIndex index(path);
    index.upsert(fileAt("/a/MixedCase.TXT"), std::nullopt, {});
    FileIndexAccess::connection(index).exec("DELETE FROM names_tri");
  }
  FileIndex reopened(path);
  EXPECT_EQ(textOf(reopened, "SELECT name FROM names_tri"), "mixedcase.txt");
}

TEST(FileIndexTest, UpsertReplacesAllThreeRowsUnderOneId) {
  FileIndex index(std::nullopt);
  index.upsert(fileAt("/docs/plan.md", 10), "first draft", {});
  auto id = countOf(index, "SELECT id FROM files");
  index.upsert(fileAt("/docs/plan.md", 20), "second version", {"Plan Alias"});

  EXPECT_EQ(index.count(), 1);
  EXPECT_EQ(countOf(index, "SELECT id FROM files"), id);
  EXPECT_EQ(countOf(index, "SELECT COUNT(*) FROM names_tri"), 1);
  EXPECT_EQ(countOf(index, "SELECT COUNT(*) FROM fts"), 1);
  EXPECT_TRUE(matches(index, "draft").empty());
  EXPECT_EQ(matches(index, "second").size(), 1u);
  EXPECT_EQ(matches(index, "name: alias").size(), 1u);
  EXPECT_EQ(textOf(index, "SELECT name FROM names_tri"), "plan.md plan alias");
}

TEST(FileIndexTest, OnlyTheFirst6000CharactersOfContentAreIndexed) {
  FileIndex index(std::nullopt);
  // "é" as e + combining accent is one character of two scalars: the cut counts characters.
  std::string filler;
  for (int i = 0; i < 2990; ++i) filler += "e\xCC\x81 ";
  index.upsert(fileAt("/a.txt"), filler + "inside " + std::string(10, ' ') + "beyondword", {});
  EXPECT_EQ(matches(index, "inside").size(), 1u);
  EXPECT_TRUE(matches(index, "beyondword").empty());
}

TEST(FileIndexTest, NamesAndPathsAreIndexedAsSeparateWords) {
  FileIndex index(std::nullopt);
  index.upsert(fileAt("/work/clientProjects/MyFile_v2.final-draft.txt"), std::nullopt, {});
  EXPECT_EQ(matches(index, "name: final AND name: draft AND name: file").size(), 1u);
  EXPECT_EQ(matches(index, "path: projects").size(), 1u);
}

TEST(FileIndexTest, RemoveTreeTakesDescendantsButNotSiblingsWithTheSamePrefix) {
  for (std::string base : {"/a", "/données/Ünïcødé"}) {
    for (std::string given : {base + "/b", base + "/b/"}) {
      FileIndex index(std::nullopt);
      for (auto path : {base + "/b", base + "/b/c/d.txt", base + "/bc", base + "/b2.txt"}) {
        index.upsert(fileAt(path), "word", {});
      }
      index.removeTree(given);
      EXPECT_TRUE(index.remove(base + "/b2.txt")) << given;
      EXPECT_FALSE(index.remove(base + "/b2.txt")) << given;
      EXPECT_EQ(index.count(), 1) << given;
      EXPECT_TRUE(index.contains(base + "/bc")) << given;
      EXPECT_EQ(matches(index, "word").size(), 1u) << given;
      EXPECT_EQ(countOf(index, "SELECT COUNT(*) FROM names_tri"), 1) << given;
    }
  }
}

TEST(FileIndexTest, ModifiedTimesListsOnlyPathsBelowTheRoot) {
  FileIndex index(std::nullopt);
  index.upsert(fileAt("/r/ä/x.txt", 1, 100.5), std::nullopt, {});
  index.upsert(fileAt("/r/äb/y.txt", 1, 200), std::nullopt, {});
  EXPECT_EQ(index.modifiedTimes("/r/ä"),
            (std::unordered_map<std::string, Date>{{"/r/ä/x.txt", 100.5}}));
}

TEST(FileIndexTest, FailedWriteRollsBackTheWholeRecordAlsoInsideABatch) {
  for (bool batch : {false, true}) {
    SCOPED_TRACE(batch ? "inside a batch" : "own transaction");
    FileIndex index(std::nullopt);
    index.upsert(fileAt("/a/kept.txt"), "kept", {});
    if (batch) index.beginBatch();
    index.upsert(fileAt("/a/before.txt"), "before", {});
    // The last of the three inserts fails: the first two must be undone, and a batch that goes
    // on and commits keeps only whole records.
    ASSERT_EQ(FileIndexAccess::connection(index).exec("DROP TABLE names_tri"), SQLITE_OK);
    EXPECT_THROW(index.upsert(fileAt("/a/new.txt"), "fresh", {}), IndexError);
    if (batch) index.commitBatch();
    EXPECT_FALSE(index.contains("/a/new.txt"));
    EXPECT_TRUE(matches(index, "fresh").empty());
    EXPECT_EQ(matches(index, "before").size(), 1u);
    EXPECT_EQ(index.count(), 2);
  }
}

TEST(FileIndexTest, QuickCheckStaysSoundAfterAnotherConnectionWrote) {
  TempDir dir;
  FileIndex checker(dir / "index.db");
  FileIndex writer(dir / "index.db");
  EXPECT_TRUE(checker.quickCheck());
  for (int i = 0; i < 50; ++i) writer.upsert(fileAt("/w/note" + std::to_string(i)), "words", {});
  EXPECT_TRUE(checker.quickCheck());
  EXPECT_TRUE(checker.healthCheck().problems.empty());
}

TEST(FileIndexTest, BatchesGroupWritesAndSurviveACacheFlush) {
  FileIndex index(std::nullopt);
  index.beginBatch();
  index.beginBatch();  // already open: nothing happens
  EXPECT_TRUE(index.batchOpen());
  for (int i = 0; i < 40; ++i) FileIndexAccess::prepared(index, "SELECT " + std::to_string(i));
  for (int i = 0; i < 5; ++i) index.upsert(fileAt("/b/" + std::to_string(i)), "text", {});
  index.commitBatch();
  index.commitBatch();
  EXPECT_FALSE(index.batchOpen());
  EXPECT_EQ(index.count(), 5);
}

}  // namespace
}  // namespace quorvale

// Short-prefix rankings follow recorded writes (the changed rows are matched anew and every kept
// match is scored again) and group counts take in new rows, on the searching connection and on
// the writer that prepares them for it. Whatever is kept, each search must give exactly what a
// connection ranking with SQLite's "ORDER BY bm25(...)" gives: after batches that add, rewrite
// and remove files, after writes of the searching connection, and after a failed COMMIT.
#include <gtest/gtest.h>

#include <memory>

#include "index/file_index.h"
#include "index/file_index_access.h"
#include "index/query_parser.h"
#include "support/search_fixtures.h"

namespace quorvale {
namespace {

constexpr Date kNow = 1'700'000'000;

const std::vector<std::string> kWords = {"apple", "april",  "budget", "report", "review", "a",
                                         "notes", "travel", "tax",    "photo",  "rent",   "amber"};

class SharedPrefixTest : public testing::FastAndPlain<> {
 protected:
  SharedPrefixTest() {
    writeBatch(writer_, 0, 800, kWords);
    ran("");
  }

  uint64_t next() { return random_.next(); }

  // Files `first`..`first + count` (existing paths are rewritten) named from `words`.
  void writeFiles(FileIndex& index, int first, int count, const std::vector<std::string>& words) {
    static const char* kExtensions[] = {"pdf", "txt", "md"};
    auto word = [&] { return words[next() % words.size()]; };
    for (int i = first; i < first + count; ++i) {
      std::string name = word() + " " + word() + "." + kExtensions[next() % 3];
      index.upsert(FileRecord::make({.path = "/home/u/" + std::to_string(i % 7) + "/" +
                                             std::to_string(i) + "/" + name,
                                     .name = name,
                                     .size = static_cast<int64_t>(next() % 100000),
                                     .modified = kNow - static_cast<double>(next() % 5000000)}),
                   word() + " " + word() + " " + word(), {});
    }
  }
  void writeBatch(FileIndex& index, int first, int count, const std::vector<std::string>& words) {
    index.beginBatch();
    writeFiles(index, first, count, words);
    index.commitBatch();
  }

  void expectSame() {
    static const std::vector<std::string> kTyped = {"a",         "ap",  "r",  "re", "t kind:pdf",
                                                    "am ext:md", "a r", "ta", "n"};
    for (const auto& text : kTyped) {
      Query query = QueryParser::parse(text, kNow, *calendar_);
      ASSERT_EQ(fast_.search(query, 1000, kNow), plain_.search(query, 1000, kNow)) << text;
    }
  }

  // Whether a ranking followed a write since the last call (the shortcut under test ran).
  static bool followed() { return ran("search.ranked.follow"); }

  testing::Lcg random_{11};
};

TEST_F(SharedPrefixTest, RankingsFollowWritesOfEitherConnection) {
  expectSame();
  int first = 800;
  for (const auto& words : std::vector<std::vector<std::string>>{
           {"apple", "aardvark"}, {"rent", "amber", "zebra"}, {"a", "ap", "tax"}}) {
    writeBatch(writer_, first, 60, words);  // new files
    first += 60;
    expectSame();
    writeBatch(writer_, static_cast<int>(next() % 700), 40, words);  // rewritten files
    expectSame();
  }
  EXPECT_TRUE(followed());
  writer_.removeTree("/home/u/3");
  expectSame();
  writeFiles(fast_, 5000, 10, {"april", "report"});
  expectSame();
  auto hits = fast_.search(QueryParser::parse("a", kNow, *calendar_), 1, kNow);
  ASSERT_FALSE(hits.empty());
  EXPECT_TRUE(fast_.remove(hits.front().record.path));
  expectSame();
  writer_.warmUp({});
  writeBatch(writer_, 6000, 30, {"amber", "notes"});
  expectSame();
}

// A batch whose COMMIT fails leaves nothing behind: neither the writer's prepared rankings nor
// what either connection keeps may describe the data that was never committed.
TEST_F(SharedPrefixTest, AFailedCommitKeepsNothingOfIt) {
  expectSame();
  sqlite3* db = FileIndexAccess::connection(writer_).raw();
  sqlite3_commit_hook(
      db, [](void*) { return 1; }, nullptr);
  writer_.beginBatch();
  writeFiles(writer_, 900, 50, {"apple", "amber", "rent"});
  EXPECT_THROW(writer_.commitBatch(), IndexError);
  sqlite3_commit_hook(db, nullptr, nullptr);
  expectSame();
  // The next batch reaches the same generation with other data.
  writeBatch(writer_, 900, 50, {"april", "tax"});
  expectSame();
  writeBatch(writer_, 1000, 50, {"amber", "notes"});
  expectSame();
}

}  // namespace
}  // namespace quorvale

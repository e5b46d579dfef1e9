// A searching connection keeps what a recorded write of another connection (or its own) did
// not touch: row sizes, filter answers and name vocabularies. Whatever it keeps, its results
// must stay SQLite's own: each search is compared with a connection that ranks with
// "ORDER BY bm25(...)" and reads every vocabulary afresh, after writes in batches, single
// writes, writes of the searching connection, usage-only writes and unrecorded writes.
#include <gtest/gtest.h>
#include <unicode/gregocal.h>

#include <memory>

#include "index/file_index.h"
#include "index/query_parser.h"
#include "query/smart_search.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

constexpr Date kNow = 1'700'000'000;

const std::vector<std::string> kWords = {"budget", "budgets", "report", "reports", "review",
                                         "notes",  "plan",    "draft",  "travel",  "tax",
                                         "photo",  "rent",    "recipe", "resume",  "a"};

class KeptSearchCachesTest : public ::testing::Test {
 protected:
  KeptSearchCachesTest() {
    UErrorCode status = U_ZERO_ERROR;
    calendar_ =
        std::make_unique<icu::GregorianCalendar>(icu::TimeZone::createTimeZone("UTC"), status);
    writeBatch(writer_, 0, 1500, kWords);
  }

  uint64_t next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return state_ >> 33;
  }

  // Files `first`..`first + count` (existing paths are rewritten) named from `words`.
  void writeFiles(FileIndex& index, int first, int count, const std::vector<std::string>& words) {
    static const char* kExtensions[] = {"pdf", "txt", "md", "png"};
    for (int i = first; i < first + count; ++i) {
      std::string name = words[next() % words.size()] + " " + words[next() % words.size()] + "." +
                         kExtensions[next() % 4];
      index.upsert(FileRecord::make({.path = "/home/u/" + words[next() % words.size()] + "/" +
                                             std::to_string(i) + "/" + name,
                                     .name = name,
                                     .size = static_cast<int64_t>(next() % 100000),
                                     .modified = kNow - static_cast<double>(next() % 5000000)}),
                   words[next() % words.size()] + " " + words[next() % words.size()], {});
    }
  }
  void writeBatch(FileIndex& index, int first, int count, const std::vector<std::string>& words) {
    index.beginBatch();
    writeFiles(index, first, count, words);
    index.commitBatch();
  }

  // Searches, smart searches (typo correction included) and the vocabulary lookups give on the
  // keeping connection what the reference connection reads afresh.
  void expectSame() {
    static const std::vector<std::string> kTyped = {"b",
                                                    "bu",
                                                    "r",
                                                    "re kind:pdf",
                                                    "re ext:md",
                                                    "t size:>50kb",
                                                    "a modified:month",
                                                    "budgte",
                                                    "reprot",
                                                    "reveiw notes",
                                                    "budgat",
                                                    "zebar",
                                                    "photp ext:png",
                                                    "rnet",
                                                    "plna"};
    for (const auto& text : kTyped) {
      Query query = QueryParser::parse(text, kNow, *calendar_);
      ASSERT_EQ(fast_.search(query, 1000, kNow), plain_.search(query, 1000, kNow)) << text;
      SmartResult expected = SmartSearch::search(
          text, plain_, {.limit = 16, .now = kNow, .calendar = calendar_.get()});
      SmartResult actual =
          SmartSearch::search(text, fast_, {.limit = 16, .now = kNow, .calendar = calendar_.get()});
      ASSERT_EQ(actual, expected) << text;
    }
    for (const char* term : {"budgte", "budgat", "reprot", "zebar", "rnet", "plna", "photp"}) {
      for (int distance : {1, 2}) {
        ASSERT_EQ(fast_.similarTerms(term, distance), plain_.similarTerms(term, distance))
            << term << " within " << distance;
      }
    }
  }

  testing::TempDir folder_;
  std::string path_ = folder_ / "index.db";
  FileIndex writer_{path_};
  FileIndex fast_{path_};
  FileIndex plain_{path_, FileIndexOptions{.fastRanking = false}};
  std::unique_ptr<icu::Calendar> calendar_;
  uint64_t state_ = 5;
};

// A scan's batches add words, rename and rewrite files (words go) and remove them.
TEST_F(KeptSearchCachesTest, BatchesOfAScan) {
  expectSame();
  const std::vector<std::vector<std::string>> batches = {
      {"budgat", "zebra", "plan"}, {"rent", "renta"}, {"photo", "photos", "reprots"}};
  int first = 1500;
  for (const auto& words : batches) {
    writeBatch(writer_, first, 100, words);
    first += 100;
    expectSame();
    // Rewrites of old files: their old name words may go entirely.
    writeBatch(writer_, static_cast<int>(next() % 1000), 200, words);
    expectSame();
  }
  writer_.removeTree("/home/u/budgat");
  writer_.removeTree("/home/u/zebra");
  expectSame();
}

// Single writes, writes of the searching connection itself, usage-only writes, and writes of a
// connection that records nothing.
TEST_F(KeptSearchCachesTest, WritesOfEveryKind) {
  expectSame();
  writeFiles(writer_, 3000, 20, {"budgat", "notes"});
  expectSame();
  writeFiles(fast_, 3100, 20, {"zebar", "rnt"});
  expectSame();
  auto hits = fast_.search(QueryParser::parse("re", kNow, *calendar_), 5, kNow);
  ASSERT_FALSE(hits.empty());
  fast_.recordUse(hits.back().record.path, kNow);
  expectSame();
  fast_.remove(hits.front().record.path);
  expectSame();
  writeBatch(plain_, 0, 300, {"plna", "reprot"});
  expectSame();
  writeBatch(writer_, 400, 300, {"budget", "plna"});
  expectSame();
}

}  // namespace
}  // namespace quorvale

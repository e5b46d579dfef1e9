// Filtered searches check the filters of the best rows a batch at a time. Where the filter keeps
// few of many matches, many batches run before the switch to reading every passing id, and the
// results must stay exactly those of SQLite's own "ORDER BY bm25(...) LIMIT 300" statement,
// before and after writes of either connection.
#include <gtest/gtest.h>
#include <unicode/gregocal.h>

#include <memory>

#include "index/file_index.h"
#include "index/query_parser.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

constexpr Date kNow = 1'700'000'000;

const std::vector<std::string> kWords = {"report", "review", "rest",  "read", "tax",  "the",
                                         "then",   "travel", "alpha", "api",  "notes"};
const char* const kExtensions[] = {"pdf", "txt", "md", "png", "py"};

// Most files lie in common folders; one in 37 lies in a rare one whose name holds LIKE's marks.
void writeFiles(FileIndex& index, int count, uint64_t seed, int firstId = 0) {
  uint64_t state = seed;
  auto next = [&] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return state >> 33;
  };
  index.beginBatch();
  for (int i = firstId; i < firstId + count; ++i) {
    std::string name = kWords[next() % kWords.size()] + " " + kWords[next() % kWords.size()] + "." +
                       kExtensions[next() % 5];
    std::string folder =
        i % 37 == 0 ? "/home/u/rare_%dir" : "/home/u/common/" + std::to_string(i % 9);
    std::string content = kWords[next() % kWords.size()] + " " + kWords[next() % 3];
    index.upsert(FileRecord::make({.path = folder + "/" + std::to_string(i) + " " + name,
                                   .name = name,
                                   .size = static_cast<int64_t>(next() % 100000),
                                   .modified = kNow - static_cast<double>(next() % 5000000)}),
                 content, {});
  }
  index.commitBatch();
}

class FilterBatchTest : public ::testing::Test {
 protected:
  FilterBatchTest() {
    UErrorCode status = U_ZERO_ERROR;
    calendar_ =
        std::make_unique<icu::GregorianCalendar>(icu::TimeZone::createTimeZone("UTC"), status);
    writeFiles(fast_, 5000, 3);
  }

  void expectSameResults(const std::vector<std::string>& texts) {
    for (const auto& text : texts) {
      Query query = QueryParser::parse(text, kNow, *calendar_);
      std::vector<Hit> expected = plain_.search(query, 1000, kNow);
      std::vector<Hit> actual = fast_.search(query, 1000, kNow);
      ASSERT_EQ(actual, expected) << text;
    }
  }

  // Filters keeping nearly all, about a fifth, a thirty-seventh and none of the matches.
  const std::vector<std::string> kFiltered = {"r size:<99kb",
                                              "re ext:md",
                                              "the in:rare_%dir",
                                              "t in:rare_%dir ext:py",
                                              "re in:rare_%dir -tax",
                                              "api in:nowhere",
                                              "rest ext:md size:>50kb",
                                              "t in:common/3 ext:txt",
                                              "then OR api in:rare_%dir"};
  testing::TempDir folder_;
  std::string path_ = folder_ / "index.db";
  FileIndex fast_{path_};
  FileIndex plain_{path_, FileIndexOptions{.fastRanking = false}};
  std::unique_ptr<icu::Calendar> calendar_;
};

TEST_F(FilterBatchTest, SameResultsAsSqliteBeforeAndAfterWritesOfEitherConnection) {
  expectSameResults(kFiltered);
  expectSameResults(kFiltered);  // from the answers kept for each filter

  // Another connection moves files into and out of the rare folder and changes sizes.
  FileIndex writer(path_);
  for (const auto& hit : plain_.search(QueryParser::parse("re", kNow, *calendar_), 300, kNow)) {
    FileRecord moved = hit.record;
    writer.remove(moved.path);
    bool wasRare = moved.path.find("rare_") != std::string::npos;
    moved.path = (wasRare ? "/home/u/common/3/" : "/home/u/rare_%dir/") + moved.name;
    moved.size += 60000;
    writer.upsert(moved, "the rest", {});
  }
  expectSameResults(kFiltered);

  // This connection's own writes, in a batch and one at a time.
  writeFiles(fast_, 400, 11, 5000);
  expectSameResults(kFiltered);
  fast_.remove(fast_.search(QueryParser::parse("the in:rare_%dir", kNow, *calendar_), 1, kNow)[0]
                   .record.path);
  expectSameResults(kFiltered);
}

// An excluded word, a word of one side of OR and a split one-letter prefix that no matching row
// holds add nothing to the scores and are not counted; one that rows hold is.
TEST_F(FilterBatchTest, WordsNoMatchingRowHoldsLeaveTheScoresAsSqliteGivesThem) {
  const std::vector<std::string> queries = {
      "report -common", "report -rare_", "re -review -the", "tax OR zzz",
      "zzz OR t",       "alpha -a",      "notes -zzz",      "r -common in:rare_%dir"};
  expectSameResults(queries);
  FileIndex writer(path_);
  writeFiles(writer, 300, 17, 6000);
  writer.upsert(
      FileRecord::make({.path = "/home/u/zzz/report zzz.md", .size = 1, .modified = kNow}),
      "zzz report", {});
  expectSameResults(queries);
}

}  // namespace
}  // namespace quorvale

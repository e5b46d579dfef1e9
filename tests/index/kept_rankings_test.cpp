// Slow rankings and searches of filters alone are kept for the data version. A kept answer
// must stay exactly what SQLite's own statement gives ("ORDER BY bm25(...) LIMIT 300", or the
// newest 300 for filters alone), ties included, when asked again and after writes of either
// connection and changes of usage.
#include <gtest/gtest.h>

#include <memory>

#include "index/file_index.h"
#include "index/query_parser.h"
#include "support/search_fixtures.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

constexpr Date kNow = 1'700'000'000;

const std::vector<std::string> kWords = {"report", "review", "rest", "tax", "the", "notes"};
const char* const kExtensions[] = {"pdf", "txt", "md"};

// Few words and coarse times: many rows share their score or their time.
void writeFiles(FileIndex& index, int count, uint64_t seed, int firstId = 0) {
  testing::Lcg random(seed);
  auto next = [&] { return random.next(); };
  index.beginBatch();
  for (int i = firstId; i < firstId + count; ++i) {
    std::string name = kWords[next() % kWords.size()] + "." + kExtensions[next() % 3];
    index.upsert(FileRecord::make({.path = "/home/u/" + std::to_string(i % 7) + "/" +
                                           std::to_string(i) + " " + name,
                                   .name = name,
                                   .size = static_cast<int64_t>(next() % 4) * 1000,
                                   .modified = kNow - static_cast<double>(next() % 4) * 86400}),
                 kWords[next() % kWords.size()], {});
  }
  index.commitBatch();
}

class KeptRankingsTest : public ::testing::Test {
 protected:
  KeptRankingsTest() { writeFiles(fast_, 1500, 5); }

  // Twice: the second answer comes from what the first kept.
  void expectSameResults() {
    for (int round = 0; round < 2; ++round) {
      for (const auto& text : kQueries) {
        Query query = QueryParser::parse(text, kNow, *calendar_);
        ASSERT_EQ(fast_.search(query, 1000, kNow), plain_.search(query, 1000, kNow))
            << text << " round " << round;
      }
    }
  }

  const std::vector<std::string> kQueries = {
      "report", "rev",       "the notes",    "tax OR rest",   "report -notes", "rest ext:md",
      "ext:md", "size:>1kb", "ext:txt -tax", "\"the notes\"", "tax in:3"};
  testing::TempDir folder_;
  std::string path_ = folder_ / "index.db";
  FileIndex fast_{path_, FileIndexOptions{.keepRankingsTakingMs = 0}};
  FileIndex plain_{path_, FileIndexOptions{.fastRanking = false}};
  std::unique_ptr<icu::Calendar> calendar_ = testing::calendarIn();
};

TEST_F(KeptRankingsTest, KeptAnswersStaySqlitesThroughWritesOfEitherConnectionAndUsage) {
  expectSameResults();

  // Another connection adds, removes and rewrites rows.
  FileIndex writer(path_);
  writeFiles(writer, 200, 9, 1500);
  for (const auto& hit : plain_.search(QueryParser::parse("report", kNow, *calendar_), 20, kNow)) {
    writer.remove(hit.record.path);
  }
  expectSameResults();

  // This connection's own writes, in a batch and one at a time, and a change of usage only.
  writeFiles(fast_, 100, 13, 1700);
  expectSameResults();
  Hit newest = plain_.search(QueryParser::parse("ext:md", kNow, *calendar_), 1, kNow)[0];
  fast_.remove(newest.record.path);
  expectSameResults();
  writer.recordUse(
      plain_.search(QueryParser::parse("tax", kNow, *calendar_), 1, kNow)[0].record.path, kNow);
  expectSameResults();
}

}  // namespace
}  // namespace quorvale

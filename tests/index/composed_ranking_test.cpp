// Words that must all match, one of them a short prefix ("budget s"), are ranked from the kept
// matches of each word alone once the short prefix's matches are at hand. The result must be
// exactly what SQLite's "ORDER BY bm25(...)" gives, for the data as published, after recorded
// writes that the kept matches follow, and after writes of another connection that they cannot.
#include <gtest/gtest.h>

#include "index/file_index.h"
#include "index/query_parser.h"
#include "support/search_fixtures.h"

namespace quorvale {
namespace {

constexpr Date kNow = 1'700'000'000;

// Typed first, while nothing is at hand; then others with the same short prefixes.
const std::vector<std::string> kFirst = {"budget s", "tax r", "report a kind:pdf", "a b",
                                         "travel re"};
const std::vector<std::string> kThen = {"sales s", "s budget",   "e-mail s",       "s s",
                                        "brief r", "summer a b", "rent re ext:txt"};

class ComposedRankingTest : public testing::FastAndPlain<> {
 protected:
  ComposedRankingTest() {
    write(writer_, 0, 600,
          {"budget", "report", "review", "sales", "summer", "a", "tax", "rent", "travel", "e-mail",
           "s", "brief"});
    ran("");
  }

  void write(FileIndex& index, int first, int count, const std::vector<std::string>& words) {
    auto word = [&] { return words[random_.next() % words.size()]; };
    index.beginBatch();
    for (int i = first; i < first + count; ++i) {
      std::string name = word() + " " + word() + (i % 2 ? ".pdf" : ".txt");
      index.upsert(FileRecord::make({.path = "/home/u/" + std::to_string(i) + "/" + name,
                                     .name = name,
                                     .size = static_cast<int64_t>(random_.next() % 100000),
                                     .modified = kNow - static_cast<double>(i)}),
                   word() + " " + word() + " " + word(), {});
    }
    index.commitBatch();
  }

  void expectSame(const std::vector<std::string>& typed) {
    for (const auto& text : typed) {
      Query query = QueryParser::parse(text, kNow, *calendar_);
      EXPECT_EQ(fast_.search(query, 1000, kNow), plain_.search(query, 1000, kNow)) << text;
    }
  }

  // Whether a ranking was composed since the last call, on either connection.
  static bool composed() { return ran("search.ranked.compose"); }

  testing::Lcg random_{5};
};

TEST_F(ComposedRankingTest, SameAsSQLiteWhereverTheMatchesComeFrom) {
  // Nothing at hand yet: matched directly, and the short prefixes are asked for.
  expectSame(kFirst);
  EXPECT_FALSE(composed());
  writer_.warmUp({});  // what was asked for is published
  composed();
  expectSame(kThen);
  EXPECT_TRUE(composed());
  for (int round = 0; round < 3; ++round) {
    write(writer_, 600 + 50 * round, 50, {"budget", "sales", "rebate", "a"});     // new files
    write(writer_, static_cast<int>(random_.next() % 500), 40, {"tax", "soap"});  // rewritten
    expectSame(kThen);
    EXPECT_TRUE(composed());  // from matches followed through the recorded writes
    expectSame(kFirst);
  }
  writer_.removeTree("/home/u/7");
  composed();
  writer_.warmUp({});
  EXPECT_TRUE(composed());  // the writer composes what was asked for, and publishes it
  expectSame(kThen);
  // A write no change record describes: nothing kept may be trusted.
  FileIndex other(path_, FileIndexOptions{.fastRanking = false});
  write(other, 2000, 30, {"summer", "sales"});
  expectSame(kThen);
  EXPECT_FALSE(composed());
}

// A fresh start publishes the matches of the common one-letter prefixes over every column, so
// that the first such search is composed too.
TEST_F(ComposedRankingTest, AFreshStartPublishesWhatTheFirstSearchesNeed) {
  writer_.warmUp({.atOpen = true, .budgetMilliseconds = 60'000});
  composed();
  expectSame(kFirst);
  EXPECT_TRUE(composed());
}

// Past a size, a letter's matches are published by id; the answers stay SQLite's, also after
// writes that make them outdated.
TEST_F(ComposedRankingTest, LettersMatchedByIdAnswerTheSame) {
  writer_.warmUp({.atOpen = true, .budgetMilliseconds = 60'000, .store = true, .matchListRows = 0});
  composed();
  expectSame(kFirst);
  expectSame(kThen);
  EXPECT_TRUE(composed());
  write(writer_, 600, 50, {"budget", "sales", "rebate", "a"});
  expectSame(kFirst);
  expectSame(kThen);
}

}  // namespace
}  // namespace quorvale

// Search data kept in the file for processes that start afresh: a new process (every connection
// of the file closed in between) that takes it up gives exactly what SQLite's "ORDER BY bm25"
// and a fresh vocabulary give, and never takes data kept for another version of the data.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "index/file_index.h"
#include "index/file_index_access.h"
#include "index/query_parser.h"
#include "index/stored_search_data.h"
#include "query/smart_search.h"
#include "support/search_fixtures.h"
#include "support/test_support.h"
#include "util/phase_times.h"

namespace quorvale {
namespace {

constexpr Date kNow = 1'700'000'000;

const std::vector<std::string> kTyped = {"b",     "r",      "re",           "t kind:text", "a",
                                         "x",     "reveiw", "budgte r",     "invoce",      "tax b",
                                         "notse", "s",      "photp ext:png"};

class WarmCachesTest : public ::testing::Test {
 protected:
  void write(int first, int count, const std::vector<std::string>& words) {
    FileIndex writer(path_);
    writer.beginBatch();
    for (int i = first; i < first + count; ++i) {
      std::string name = words[next() % words.size()] + " " + words[next() % words.size()] + ".txt";
      writer.upsert(FileRecord::make({.path = "/h/" + std::to_string(i) + "/" + name,
                                      .name = name,
                                      .size = static_cast<int64_t>(next() % 1000),
                                      .modified = kNow - static_cast<double>(next() % 50000)}),
                    words[next() % words.size()] + " " + words[next() % words.size()], {});
    }
    writer.commitBatch();
  }

  // What the end of a scan keeps, by a connection closed afterwards.
  void store() {
    FileIndex writer(path_);
    writer.warmUp({.atOpen = true, .budgetMilliseconds = 60'000, .store = true});
  }

  // A new process: the kept data is the only data there is besides the file's own.
  void expectSameInAFreshProcess() {
    FileIndex fast(path_);
    FileIndex plain(path_, FileIndexOptions{.fastRanking = false});
    for (const auto& text : kTyped) {
      Query query = QueryParser::parse(text, kNow, *calendar_);
      ASSERT_EQ(fast.search(query, 1000, kNow), plain.search(query, 1000, kNow)) << text;
      SmartSearch::Options options{.limit = 16, .now = kNow, .calendar = calendar_.get()};
      ASSERT_EQ(SmartSearch::search(text, fast, options), SmartSearch::search(text, plain, options))
          << text;
    }
    for (const char* term : {"budgte", "reprot", "notse", "tzx", "photp"}) {
      ASSERT_EQ(fast.similarTerms(term, 1), plain.similarTerms(term, 1)) << term;
    }
  }

  int64_t storedItems() {
    FileIndex index(path_);
    return FileIndexAccess::connection(index)
        .queryInt("SELECT count(*) FROM search_cache")
        .value_or(0);
  }

  uint64_t next() { return random_.next(); }

  testing::TempDir folder_;
  std::string path_ = folder_ / "index.db";
  std::unique_ptr<icu::Calendar> calendar_ = testing::calendarIn();
  testing::Lcg random_{11};
};

TEST_F(WarmCachesTest, KeptDataGivesTheSameResultsAndFollowsEveryWrite) {
  const std::vector<std::string> words = {"budget", "report", "review", "notes", "tax",
                                          "travel", "rent",   "a",      "sé",    "säge"};
  write(0, 800, words);
  store();
  ASSERT_GT(storedItems(), 26);
  PhaseTimes::enable(true);
  PhaseTimes::take();
  expectSameInAFreshProcess();
  // A word beside a letter ("tax b") is composed from the letter's matches kept in the file.
  std::vector<PhaseTimes::Total> phases = PhaseTimes::take();
  PhaseTimes::enable(false);
  EXPECT_TRUE(std::any_of(phases.begin(), phases.end(), [](const PhaseTimes::Total& phase) {
    return phase.name == "search.ranked.compose";
  }));
  // Writes after the data was kept (new words, files renamed, files gone): the kept items belong
  // to the data before them and must not be taken.
  write(100, 300, {"budgat", "reviews", "tax", "xylophone", "notse"});
  expectSameInAFreshProcess();
  {
    FileIndex writer(path_);
    writer.removeTree("/h/1");
    writer.upsert(FileRecord::make({.path = "/h/new/reveiw.txt", .size = 1, .modified = kNow}),
                  "budgte", {});
  }
  expectSameInAFreshProcess();
  // Kept again for the data as it is now: the older items go.
  store();
  expectSameInAFreshProcess();
  int64_t kept = storedItems();
  store();  // nothing changed: nothing more to keep
  EXPECT_EQ(storedItems(), kept);
}

TEST_F(WarmCachesTest, EncodingsRoundTripAndDamageIsRefused) {
  std::vector<FullTextRank::Ranked> rows = {{1, -3.25}, {1 << 30, 0.0}, {-7, -1e-300}};
  EXPECT_EQ(StoredSearchData::decodeRanking(StoredSearchData::encodeRanking(rows)), rows);
  std::vector<NameWord> words = {{"sa", 3, 2}, {"sab", 1, 3}, {"sé", 9, 2}, {"séance", 2, 6}};
  auto fields = [](const std::vector<NameWord>& list) {
    return testing::mapped(list,
                           [](const NameWord& w) { return std::tuple(w.term, w.docs, w.length); });
  };
  std::string encoded = StoredSearchData::encodeVocabulary(words);
  auto decoded = StoredSearchData::decodeVocabulary(encoded);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(fields(*decoded), fields(words));
  for (std::size_t cut : {std::size_t{0}, std::size_t{1}, encoded.size() - 1}) {
    EXPECT_FALSE(StoredSearchData::decodeVocabulary(encoded.substr(0, cut))) << cut;
  }
  EXPECT_FALSE(StoredSearchData::decodeRanking(encoded));

  FullTextRank::Matches every{.rowCount = 9,
                              .tokens = 70,
                              .rowids = {1, 4, 5, 8},
                              .rowTokens = {3, 9, 2, 7},
                              .frequencies = {10, 300, 1, 255},
                              .documents = std::nullopt};
  auto letter = LetterMatches::of(every);
  ASSERT_TRUE(letter);
  std::string item = StoredSearchData::encodeLetterMatches(*letter);
  auto back = StoredSearchData::decodeLetterMatches(item);
  ASSERT_TRUE(back);
  FullTextRank::Matches among = back->among({.rowCount = 9,
                                             .tokens = 70,
                                             .rowids = {2, 4, 8, 9},
                                             .rowTokens = {5, 9, 7, 1},
                                             .frequencies = {3, 3, 3, 3},
                                             .documents = std::nullopt});
  EXPECT_EQ(among.rowids, (std::vector<uint32_t>{4, 8}));
  EXPECT_EQ(among.rowTokens, (std::vector<uint16_t>{9, 7}));
  EXPECT_EQ(among.frequencies, (std::vector<uint16_t>{300, 255}));
  EXPECT_EQ(among.documents, 4);
  for (std::size_t cut : {std::size_t{1}, item.size() / 2, item.size() - 1}) {
    EXPECT_FALSE(StoredSearchData::decodeLetterMatches(item.substr(0, cut))) << cut;
  }
  std::string flipped = item;
  flipped[flipped.size() - 3] ^= 0x7f;  // the last listed id, now past every file
  EXPECT_FALSE(StoredSearchData::decodeLetterMatches(flipped));
}

}  // namespace
}  // namespace quorvale

// The ranking path that skips SQLite's per-row work must give exactly what SQLite's own
// "ORDER BY bm25(...) LIMIT 300" statement gives: the same rows, the same scores to the last
// bit, the same order among ties.
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

const std::vector<std::string> kWords = {
    "budget", "report", "annual", "review", "notes",  "meeting", "plan",    "draft", "final",
    "tax",    "travel", "photo",  "beach",  "recipe", "resume",  "invoice", "rent",  "read",
    "api",    "alpha",  "apple",  "a",      "the",    "then",    "there",   "rest",  "repo"};

// A small deterministic corpus: repeated names in folders of equal depth give many equal bm25
// values, so that the order of ties is tested too.
class Corpus {
 public:
  explicit Corpus(uint64_t seed) : state_(seed) {}

  uint64_t next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return state_ >> 33;
  }
  const std::string& word() {
    // Skewed towards the first words, as real vocabularies are.
    std::size_t a = next() % kWords.size(), b = next() % kWords.size();
    return kWords[std::min(a, b)];
  }

  void write(FileIndex& index, int count) {
    static const char* kExtensions[] = {"pdf", "txt", "md", "png", "docx", "py"};
    index.beginBatch();
    for (int i = 0; i < count; ++i) {
      std::string name = word();
      for (uint64_t extra = next() % 3; extra > 0; --extra) name += " " + word();
      name += std::string(".") + kExtensions[next() % 6];
      std::string folder = "/home/u/" + word() + "/" + std::to_string(i % 40);
      std::optional<std::string> content;
      if (next() % 3 != 0) {
        content = "";
        for (uint64_t n = next() % 40; n > 0; --n) *content += word() + " ";
      }
      FileRecord record =
          FileRecord::make({.path = folder + "/" + std::to_string(i) + " " + name,
                            .name = name,
                            .size = static_cast<int64_t>(next() % 100000),
                            .modified = kNow - static_cast<double>(next() % 5000000)});
      index.upsert(record, content, {});
    }
    index.commitBatch();
  }

 private:
  uint64_t state_;
};

class FullTextRankTest : public ::testing::Test {
 protected:
  FullTextRankTest() {
    UErrorCode status = U_ZERO_ERROR;
    calendar_ =
        std::make_unique<icu::GregorianCalendar>(icu::TimeZone::createTimeZone("UTC"), status);
    Corpus(7).write(fast_, 3000);
  }

  void expectSameResults(const std::vector<std::string>& queries) {
    for (const auto& text : queries) {
      Query query = QueryParser::parse(text, kNow, *calendar_);
      std::vector<Hit> expected = plain_.search(query, 1000, kNow);
      std::vector<Hit> actual = fast_.search(query, 1000, kNow);
      ASSERT_EQ(actual.size(), expected.size()) << text;
      for (std::size_t i = 0; i < actual.size(); ++i) {
        ASSERT_EQ(actual[i].record.path, expected[i].record.path) << text << " at " << i;
        ASSERT_EQ(actual[i].score, expected[i].score) << text << " at " << i;
        ASSERT_EQ(actual[i], expected[i]) << text << " at " << i;
      }
    }
  }

  // The smart search over both connections: every loosening step runs the searches above.
  void expectSameSmartResults(const std::vector<std::string>& texts) {
    for (const auto& text : texts) {
      SmartResult expected = SmartSearch::search(
          text, plain_, {.limit = 16, .now = kNow, .calendar = calendar_.get()});
      SmartResult actual =
          SmartSearch::search(text, fast_, {.limit = 16, .now = kNow, .calendar = calendar_.get()});
      ASSERT_EQ(actual, expected) << text;
    }
  }

  testing::TempDir folder_;
  std::string path_ = folder_ / "index.db";
  FileIndex fast_{path_};
  FileIndex plain_{path_, FileIndexOptions{.fastRanking = false}};
  std::unique_ptr<icu::Calendar> calendar_;
};

const std::vector<std::string> kQueries = {"a",
                                           "r",
                                           "t",
                                           "re",
                                           "rep",
                                           "repo",
                                           "th",
                                           "the",
                                           "budget",
                                           "budget re",
                                           "annual review",
                                           "beach photo",
                                           "alpha OR tax",
                                           "report -draft",
                                           "report -final -notes",
                                           "name:re",
                                           "\"annual report\"",
                                           "kind:pdf re",
                                           "ext:md notes",
                                           "in:budget re",
                                           "re size:>50kb",
                                           "re modified:month",
                                           "a kind:text",
                                           "photos beach",
                                           "zzz",
                                           "api 1",
                                           "rest in:/home/u/rest",
                                           "re t",
                                           "t re",
                                           "a -r",
                                           "r OR t",
                                           "name:t",
                                           "2",
                                           "budget a -t",
                                           "Z",
                                           "kind:pdf a",
                                           "ext:png t",
                                           "in:rest r",
                                           "re size:<200",
                                           "t kind:image -a",
                                           "the modified:week",
                                           "api ext:py ext:md"};

TEST_F(FullTextRankTest, SameHitsScoresAndOrderAsSqliteAlsoAfterItsOwnWrites) {
  expectSameResults(kQueries);
  Corpus(11).write(fast_, 300);
  fast_.remove(
      fast_.search(QueryParser::parse("budget", kNow, *calendar_), 1, kNow)[0].record.path);
  expectSameResults(kQueries);
}

TEST_F(FullTextRankTest, SeesOtherConnectionsWrites) {
  expectSameResults(kQueries);
  FileIndex writer(path_);
  // Same rows, new sizes: the remembered row sizes must not survive this.
  Corpus replay(7);
  for (const auto& hit : plain_.search(QueryParser::parse("re", kNow, *calendar_), 300, kNow)) {
    writer.upsert(hit.record, "the the the the report report " + replay.word(), {});
  }
  expectSameResults(kQueries);
}

TEST_F(FullTextRankTest, WorksInsideAnOpenBatch) {
  fast_.beginBatch();
  fast_.upsert(FileRecord::make({.path = "/home/u/new/rest.txt", .size = 1, .modified = kNow}),
               "rest rest", {});
  Query query = QueryParser::parse("rest", kNow, *calendar_);
  std::vector<Hit> inBatch = fast_.search(query, 1000, kNow);
  fast_.commitBatch();
  EXPECT_EQ(inBatch, plain_.search(query, 1000, kNow));
}

// A one-letter prefix runs as its two-letter prefixes; words whose second letter is not ASCII
// (ø stays ø, é folds to e) must still count.
TEST_F(FullTextRankTest, OneLetterPrefixesCoverEveryWord) {
  const char* names[] = {"søknad.txt",    "sæson plan.md", "s.txt",  "sπ notes.txt", "Sé.txt",
                         "s9 report.pdf", "ssss.txt",      "xs.txt", "tøj.txt"};
  int i = 0;
  for (const char* name : names) {
    std::string path = "/home/u/intl/" + std::to_string(i++) + "/" + name;
    fast_.upsert(FileRecord::make({.path = path, .size = 1, .modified = kNow}),
                 std::string("søster sé s ") + name, {});
  }
  expectSameResults({"s", "s report", "report s", "t", "t -s", "s OR x", "name:s", "ø", "sø"});
}

TEST_F(FullTextRankTest, ManyEqualScoresKeepSqlitesOrder) {
  for (int i = 0; i < 400; ++i) {
    std::string path = "/same/" + std::to_string(100 + i) + "/twin.txt";
    fast_.upsert(FileRecord::make({.path = path, .size = 1, .modified = kNow}), "twin", {});
  }
  expectSameResults({"twin", "tw", "t", "twin OR then"});
}

// Filters that keep few of many matches switch from row-by-row checks to reading every passing
// id (at once for an indexed column, after a quarter of the table otherwise); the answers are
// kept per filter for the next searches and must follow the data.
TEST_F(FullTextRankTest, FilterAnswersAreTheStatementsOwnAndFollowWrites) {
  const std::vector<std::string> filtered = {
      "kind:pdf a",      "kind:pdf re",      "kind:pdf rep",    "kind:pdf repo",
      "ext:png t",       "ext:png th",       "ext:png the",     "t size:>50kb",
      "t size:>50kb -a", "r modified:month", "a in:/home/u/re", "a in:/home/u/rest"};
  expectSameResults(filtered);
  expectSameResults(filtered);  // now from the kept answers

  // Sizes, dates and a removal change which files pass; another connection writes them.
  FileIndex writer(path_);
  Corpus replay(23);
  int changed = 0;
  for (const auto& hit : plain_.search(QueryParser::parse("t", kNow, *calendar_), 300, kNow)) {
    FileRecord record = hit.record;
    record.size = static_cast<int64_t>(replay.next() % 200000);
    record.modified = kNow - static_cast<double>(replay.next() % 5000000);
    if (++changed % 7 == 0) {
      writer.remove(record.path);
    } else {
      writer.upsert(record, "the " + replay.word(), {});
    }
  }
  expectSameResults(filtered);
  // And this connection's own writes.
  for (int i = 0; i < 200; ++i) {
    fast_.upsert(FileRecord::make({.path = "/home/u/rest/new " + std::to_string(i) + ".pdf",
                                   .size = 60000 + i,
                                   .modified = kNow}),
                 "annual", {});
  }
  expectSameResults(filtered);
}

// Short prefixes keep their best rows for the data version; a write of any connection drops them.
TEST_F(FullTextRankTest, KeptRankingsOfShortPrefixesFollowWrites) {
  const std::vector<std::string> shortPrefixes = {"a",        "r",           "re",        "th",
                                                  "budget r", "t kind:text", "re ext:md", "r OR t"};
  expectSameResults(shortPrefixes);
  expectSameResults(shortPrefixes);
  FileIndex writer(path_);
  Corpus(31).write(writer, 200);
  expectSameResults(shortPrefixes);
  fast_.remove(fast_.search(QueryParser::parse("re", kNow, *calendar_), 1, kNow)[0].record.path);
  expectSameResults(shortPrefixes);
}

// Rankings and vocabularies another connection of the file worked out (the index queue's
// writer, right after opening and after each batch) are taken only for the data they were made
// for, whichever connection writes next, in a batch or not.
TEST_F(FullTextRankTest, SharedSearchDataFollowsWritesOfEitherConnection) {
  const std::vector<std::string> typed = {"a",      "r",        "re",     "t kind:text",
                                          "reveiw", "budgte r", "invoce", "rest re"};
  FileIndex writer(path_);
  writer.warmUp({.atOpen = true, .budgetMilliseconds = 10'000});
  expectSameSmartResults(typed);
  expectSameResults(typed);
  // In a batch: its commit prepares what this connection asked for.
  Corpus(53).write(writer, 300);
  expectSameSmartResults(typed);
  // One write at a time, with nothing prepared for the new data.
  for (int i = 0; i < 40; ++i) {
    writer.upsert(FileRecord::make({.path = "/home/u/re/review " + std::to_string(i) + ".txt",
                                    .size = 1,
                                    .modified = kNow}),
                  "reveal revel rest", {});
  }
  expectSameSmartResults(typed);
  expectSameResults(typed);
  // This connection's own writes, then a batch of the writer again.
  fast_.remove(fast_.search(QueryParser::parse("re", kNow, *calendar_), 1, kNow)[0].record.path);
  expectSameResults(typed);
  Corpus(59).write(writer, 100);
  expectSameSmartResults(typed);
  expectSameResults(typed);
}

// The keystroke as the panel runs it, loosening and typo correction included, letter by letter.
TEST_F(FullTextRankTest, SmartSearchGivesTheSameResults) {
  std::vector<std::string> typed;
  for (const std::string text : {"budget report", "kind:pdf annual", "recipe photos"}) {
    for (std::size_t length = 1; length <= text.size(); ++length)
      typed.push_back(text.substr(0, length));
  }
  for (const char* text : {"budgte", "reveiw notes", "travle pdf", "the plan for rent", "invoce",
                           "annual reveiw meeting", "in:budget tax", "ext:md zzz"}) {
    typed.emplace_back(text);
  }
  expectSameSmartResults(typed);
  FileIndex writer(path_);
  Corpus(41).write(writer, 300);
  expectSameSmartResults(typed);
}

}  // namespace
}  // namespace quorvale

// The ranking path that skips SQLite's per-row work must give exactly what SQLite's own
// "ORDER BY bm25(...) LIMIT 300" statement gives: the same rows, the same scores to the last
// bit, the same order among ties. It keeps much between searches (row sizes, filter answers,
// rankings of short prefixes, name vocabularies, rankings another connection prepared), so each
// case searches every kind of query, makes one kind of write, and searches again.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "index/file_index.h"
#include "index/query_parser.h"
#include "query/smart_search.h"
#include "support/search_fixtures.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

constexpr Date kNow = 1'700'000'000;

const std::vector<std::string> kWords = {
    "budget", "report", "annual", "review", "notes",  "meeting", "plan", "draft", "final",
    "tax",    "travel", "photo",  "beach",  "recipe", "resume",  "rent", "read",  "api",
    "alpha",  "apple",  "a",      "the",    "then",   "there",   "rest", "repo",  "invoice"};

// A deterministic corpus. Words lean towards the first ones, as real vocabularies do; repeated
// names in folders of equal depth give many equal bm25 values, so that the order of ties is
// tested too; one file in 37 lies in a rare folder whose name holds LIKE's marks, so that a
// filter keeps few of many matches.
class Corpus {
 public:
  explicit Corpus(uint64_t seed, std::vector<std::string> words = kWords)
      : random_(seed), words_(std::move(words)) {}

  uint64_t next() { return random_.next(); }
  const std::string& word() {
    std::size_t a = next() % words_.size(), b = next() % words_.size();
    return words_[std::min(a, b)];
  }

  // Files numbered `first` to `first + count`, in one batch.
  void write(FileIndex& index, int first, int count) {
    static const char* kExtensions[] = {"pdf", "txt", "md", "png", "docx", "py"};
    index.beginBatch();
    for (int i = first; i < first + count; ++i) {
      std::string name = word();
      for (uint64_t extra = next() % 3; extra > 0; --extra) name += " " + word();
      name += std::string(".") + kExtensions[next() % 6];
      std::string folder =
          i % 37 == 0 ? "/home/u/rare_%dir" : "/home/u/" + word() + "/" + std::to_string(i % 40);
      std::optional<std::string> content;
      if (next() % 3 != 0) {
        content = "";
        for (uint64_t n = next() % 40; n > 0; --n) *content += word() + " ";
      }
      index.upsert(FileRecord::make({.path = folder + "/" + std::to_string(i) + " " + name,
                                     .name = name,
                                     .size = static_cast<int64_t>(next() % 100000),
                                     .modified = kNow - static_cast<double>(next() % 5000000)}),
                   content, {});
    }
    index.commitBatch();
  }

 private:
  testing::Lcg random_;
  std::vector<std::string> words_;
};

// Groups of queries by kind.
using Queries = std::vector<std::vector<std::string>>;
const Queries kQueries = {
    {"a", "r", "t", "re", "rep", "repo", "th", "the", "Z", "2", "zzz"},
    {"budget", "budget re", "re t", "t re", "api 1", "annual review", "photos beach"},
    {"alpha OR tax", "r OR t", "name:re", "name:t", "\"annual report\""},
    // Excluded words and sides of OR that no matching row holds add nothing to the scores.
    {"report -draft", "a -r", "alpha -a", "notes -zzz", "budget a -t", "re -review -the"},
    {"tax OR zzz", "zzz OR t", "report -rare_"},
    // The words of the one-letter and tie files of the fixture.
    {"s", "s report", "t -s", "s OR x", "name:s", "ø", "sø", "twin", "tw"},
    // Filters that keep nearly all, some, a thirty-seventh and none of the matches.
    {"kind:pdf a", "kind:pdf re", "ext:png t", "ext:md notes", "a kind:text", "t kind:image -a"},
    {"api ext:py ext:md", "re size:>50kb", "re size:<200", "t size:>50kb -a", "r modified:month",
     "report size:<2gb"},
    {"the modified:week", "in:budget re", "a in:/home/u/rest", "the in:rare_%dir"},
    {"t in:rare_%dir ext:py", "re in:rare_%dir -tax", "api in:nowhere", "rest ext:md size:>50kb"},
    {"then OR api in:rare_%dir", "r -common in:rare_%dir"}};

// The keystroke as the panel runs it, loosening and typo correction included.
const Queries kTyped = {{"b", "bu", "bud", "budgte", "budgte r", "reveiw notes", "invoce", "rnet"},
                        {"plna", "photp ext:png", "travle pdf", "the plan for rent", "rest re"},
                        {"kind:pdf annual", "recipe photos", "in:budget tax", "ext:md zzz"}};

const std::vector<std::string> kAllQueries = [] {
  std::vector<std::string> all;
  for (const Queries* groups : {&kQueries, &kTyped}) {
    for (const auto& queries : *groups) all.insert(all.end(), queries.begin(), queries.end());
  }
  return all;
}();

const std::vector<std::string> kMisspelt = {"budgte", "budgat", "reprot", "zebar",
                                            "rnet",   "plna",   "photp"};

class FullTextRankTest;

struct WriteCase {
  const char* what;
  // The writing connection first prepares rankings for the searching one to take.
  bool shared;
  std::function<void(FullTextRankTest&)> write;
};

class FullTextRankTest : public testing::FastAndPlain<::testing::TestWithParam<WriteCase>> {
 public:
  FullTextRankTest() {
    Corpus(7).write(fast_, 0, 3000);
    // A one-letter prefix runs as its two-letter prefixes; words whose second letter is not
    // ASCII (ø stays ø, é folds to e) must still count.
    int i = 0;
    for (const char* name : {"søknad.txt", "sæson plan.md", "s.txt", "sπ notes.txt", "Sé.txt",
                             "s9 report.pdf", "ssss.txt", "xs.txt", "tøj.txt"}) {
      fast_.upsert(file("/home/u/intl/" + std::to_string(i++) + "/" + name),
                   std::string("søster sé s ") + name, {});
    }
    // A size past what the files' attributes hold in memory: its size filter is read from disk.
    fast_.upsert(file("/home/u/big/report rest.md", int64_t{5} << 30), "rest report", {});
    fast_.beginBatch();
    for (i = 0; i < 400; ++i)
      fast_.upsert(file("/same/" + std::to_string(100 + i) + "/twin.txt"), "twin", {});
    fast_.commitBatch();
  }

  static FileRecord file(const std::string& path, int64_t size = 1) {
    return FileRecord::make({.path = path, .size = size, .modified = kNow});
  }
  std::vector<Hit> search(FileIndex& index, const std::string& text, int limit = 1000) {
    return index.search(QueryParser::parse(text, kNow, *calendar_), limit, kNow);
  }
  std::string firstHit(const std::string& text) { return search(fast_, text, 1).at(0).record.path; }

  // What one connection answers to every query, in the order of kAllQueries and kTyped.
  struct Answers {
    std::vector<std::vector<Hit>> hits;
    std::vector<SmartResult> smart;
    std::vector<std::vector<FileIndex::SimilarTerm>> similar;
  };
  Answers answers(FileIndex& index) {
    Answers answers;
    for (const auto& text : kAllQueries) answers.hits.push_back(search(index, text));
    SmartSearch::Options options{.limit = 16, .now = kNow, .calendar = calendar_.get()};
    for (const auto& queries : kTyped) {
      for (const auto& text : queries)
        answers.smart.push_back(SmartSearch::search(text, index, options));
    }
    for (const auto& term : kMisspelt) {
      for (int distance : {1, 2}) answers.similar.push_back(index.similarTerms(term, distance));
    }
    return answers;
  }
  void expectSame(const Answers& actual, const Answers& expected) {
    for (std::size_t query = 0; query < kAllQueries.size(); ++query) {
      ASSERT_EQ(actual.hits[query], expected.hits[query]) << kAllQueries[query];
    }
    EXPECT_EQ(actual.smart, expected.smart);
    EXPECT_EQ(actual.similar, expected.similar);
  }
};

TEST_P(FullTextRankTest, SameAnswersAsSqliteBeforeAndAfterTheWrite) {
  SCOPED_TRACE(GetParam().what);
  if (GetParam().shared) writer_.warmUp({.atOpen = true, .budgetMilliseconds = 10'000});
  expectSame(answers(fast_), answers(plain_));
  // Filters are answered from the attributes a fresh start read.
  EXPECT_EQ(ran("search.ranked.filterAttributes"), GetParam().shared);
  GetParam().write(*this);
  // A batch still open is searched before its commit, which the reference waits for.
  Answers seen = answers(fast_);
  if (fast_.batchOpen()) fast_.commitBatch();
  expectSame(seen, answers(plain_));
}

// New words, and old words that leave with the files that held them.
const std::vector<std::string> kNewWords = {"budgat", "zebra",   "plan", "renta",
                                            "photos", "reprots", "the",  "re"};

INSTANTIATE_TEST_SUITE_P(
    Writes, FullTextRankTest,
    ::testing::Values(
        WriteCase{"none: the second search takes what the first kept", false,
                  [](FullTextRankTest&) {}},
        WriteCase{
            "own batch", false,
            [](FullTextRankTest& test) { Corpus(11, kNewWords).write(test.fast_, 5000, 300); }},
        WriteCase{"own single writes and a removal", false,
                  [](FullTextRankTest& test) {
                    for (int i = 0; i < 200; ++i) {
                      test.fast_.upsert(
                          test.file("/home/u/rest/new " + std::to_string(i) + ".pdf", 60000 + i),
                          "annual zebar", {});
                    }
                    test.fast_.remove(test.firstHit("re"));
                  }},
        WriteCase{
            "own batch, with shared rankings", true,
            [](FullTextRankTest& test) { Corpus(13, kNewWords).write(test.fast_, 5000, 300); }},
        WriteCase{"own writes in a batch still open", false,
                  [](FullTextRankTest& test) {
                    test.fast_.beginBatch();
                    test.fast_.upsert(test.file("/home/u/new/rest.txt"), "rest rest", {});
                    test.fast_.remove(test.firstHit("the"));
                  }},
        WriteCase{"own usage only", false,
                  [](FullTextRankTest& test) { test.fast_.recordUse(test.firstHit("re"), kNow); }},
        WriteCase{
            "another connection's batch", false,
            [](FullTextRankTest& test) { Corpus(53, kNewWords).write(test.writer_, 5000, 300); }},
        WriteCase{
            "another connection's batch, with shared rankings", true,
            [](FullTextRankTest& test) { Corpus(59, kNewWords).write(test.writer_, 5000, 300); }},
        // New files, then the same rows with new sizes, dates and words: remembered row sizes
        // must not survive this.
        WriteCase{"another connection's single writes and rewrites, with shared rankings", true,
                  [](FullTextRankTest& test) {
                    for (int i = 0; i < 40; ++i) {
                      test.writer_.upsert(
                          test.file("/home/u/re/review " + std::to_string(i) + ".txt"),
                          "reveal revel rest", {});
                    }
                    Corpus replay(23);
                    for (const auto& hit : test.search(test.plain_, "t", 300)) {
                      FileRecord record = hit.record;
                      record.size = static_cast<int64_t>(replay.next() % 200000);
                      record.modified = kNow - static_cast<double>(replay.next() % 5000000);
                      test.writer_.upsert(record, "the the report " + replay.word(), {});
                    }
                  }},
        // Few enough rewrites for the searching connection to follow them: the sizes it took
        // from the writer's fresh start must give way for these rows.
        WriteCase{"another connection rewrites a few rows, with shared rankings", true,
                  [](FullTextRankTest& test) {
                    for (const auto& hit : test.search(test.plain_, "re", 20)) {
                      test.writer_.upsert(hit.record, "re rest the the the re review", {});
                    }
                  }},
        // Removals, then moves into and out of the rare folder, larger.
        WriteCase{"another connection removes and renames files", false,
                  [](FullTextRankTest& test) {
                    int seen = 0;
                    for (const auto& hit : test.search(test.plain_, "t", 300)) {
                      if (++seen % 7 == 0) test.writer_.remove(hit.record.path);
                    }
                    test.writer_.removeTree("/home/u/budget");
                    for (const auto& hit : test.search(test.plain_, "re", 300)) {
                      FileRecord moved = hit.record;
                      test.writer_.remove(moved.path);
                      bool wasRare = moved.path.find("rare_") != std::string::npos;
                      moved.path =
                          (wasRare ? "/home/u/common/3/" : "/home/u/rare_%dir/") + moved.name;
                      moved.size += 60000;
                      test.writer_.upsert(moved, "the rest", {});
                    }
                  }},
        WriteCase{"a connection that records no changes", false, [](FullTextRankTest& test) {
                    Corpus(61, kNewWords).write(test.plain_, 6000, 300);
                  }}));

}  // namespace
}  // namespace quorvale

#include "query/smart_search.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "index/query_parser.h"
#include "support/search_fixtures.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

constexpr Date kNow = 1'700'000'000;

class SmartSearchTest : public ::testing::Test {
 protected:
  void add(const std::string& path, std::optional<std::string> content = std::nullopt) {
    index_.upsert(FileRecord::make({.path = path, .size = 10, .modified = kNow}), content, {});
  }

  SmartResult search(std::string_view text, bool loosen = true) {
    return SmartSearch::search(
        text, index_, {.limit = 16, .now = kNow, .loosen = loosen, .calendar = calendar_.get()});
  }

  static std::vector<std::string> paths(const SmartResult& result) {
    return testing::mapped(result.hits, [](const Hit& hit) { return hit.record.path; });
  }

  FileIndex index_{std::nullopt};
  std::unique_ptr<icu::Calendar> calendar_ = testing::calendarIn();
};

using Paths = std::vector<std::string>;
using Corrections = std::map<std::string, std::string>;

TEST_F(SmartSearchTest, EnoughStrictHitsAreReturnedUnchanged) {
  for (const char* name : {"/a/plan one.txt", "/a/plan two.txt", "/a/plan three.txt"}) add(name);
  SmartResult result = search("plan");
  EXPECT_EQ(result.hits, index_.search(QueryParser::parse("plan", kNow, *calendar_), 16, kNow));
  EXPECT_FALSE(result.relaxed);
  EXPECT_TRUE(result.corrected.empty());
}

TEST_F(SmartSearchTest, LoosenOffOrExactQueriesStayStrict) {
  add("/a/invoice 2024.pdf");
  add("/t/beach photos.txt");
  for (const char* text : {"invoise", "beach photos", "\"invoise\"", "invoise -draft",
                           "name:invoise", "invoise OR receit"}) {
    bool exact = QueryParser::parse(text, kNow, *calendar_).exact;
    SmartResult strict = search(text, /*loosen=*/exact);
    EXPECT_TRUE(strict.hits.empty()) << text;
    EXPECT_TRUE(strict.corrected.empty()) << text;
    EXPECT_FALSE(strict.relaxed) << text;
  }
}

// "my photos" is a kind filter and a filler word: leaving the filler word out leaves the filter,
// and its search (newest first) finds the images, marked as loosened. Filler words alone find
// nothing.
TEST_F(SmartSearchTest, FillerWordsBesideAKindLeaveTheFilterSearch) {
  add("/p/beach.png");
  add("/p/report.pdf");
  add("/p/notes.txt");
  for (const auto& [text, expected] : std::vector<std::pair<std::string, Paths>>{
           {"my photos", Paths{"/p/beach.png"}}, {"the pdfs", Paths{"/p/report.pdf"}}}) {
    SmartResult result = search(text);
    EXPECT_EQ(paths(result), expected) << text;
    EXPECT_TRUE(result.relaxed) << text;
  }
  EXPECT_TRUE(search("the my").hits.empty());
}

TEST_F(SmartSearchTest, StepsRunInOrderUntilThereIsEnough) {
  add("/p/sunsettle.png");             // strict: an image whose name starts with the word
  add("/p/sunsett photos notes.txt");  // the kind word searched as a word
  add("/p/oldsunsettphotos.txt");      // a name that contains both words
  add("/p/sunsett photo album.txt");   // never reached: three hits are enough
  SmartResult result = search("sunsett photos");
  EXPECT_EQ(paths(result),
            (Paths{"/p/sunsettle.png", "/p/sunsett photos notes.txt", "/p/oldsunsettphotos.txt"}));
  EXPECT_TRUE(result.relaxed);
  EXPECT_TRUE(result.corrected.empty());
}

TEST_F(SmartSearchTest, LeavingOutOneWordPrefersFilesOfANamedFormat) {
  add("/src/parser tokenizer notes.md", "parser tokenizer parser tokenizer");
  add("/src/parser tokenizer.py");
  add("/src/tokenizer python.txt");
  SmartResult result = search("parser tokenizer python");
  ASSERT_GE(result.hits.size(), 3u);
  EXPECT_EQ(result.hits[0].record.path, "/src/parser tokenizer.py");
  EXPECT_TRUE(result.relaxed);
  Paths found = paths(result);
  EXPECT_EQ(std::set<std::string>(found.begin(), found.end()).size(), found.size());
}

TEST_F(SmartSearchTest, MisspeltWordsAreCorrected) {
  add("/a/invoice 2024.pdf");
  SmartResult result = search("invoise");
  EXPECT_EQ(paths(result), Paths{"/a/invoice 2024.pdf"});
  EXPECT_EQ(result.corrected, (Corrections{{"invoise", "invoice"}}));
  EXPECT_FALSE(result.relaxed);

  add("/a/quarterly.pdf");
  EXPECT_EQ(search("qaurtelry").corrected, (Corrections{{"qaurtelry", "quarterly"}}));

  add("/a/tax.pdf");
  EXPECT_TRUE(search("tac").corrected.empty());

  // Fewer edits first, then more files.
  add("/a/planning.txt");
  for (int i = 0; i < 3; ++i) add("/b" + std::to_string(i) + "/plannings.txt");
  EXPECT_EQ(search("plannnig").corrected, (Corrections{{"plannnig", "planning"}}));

  add("/c/budget.txt");
  for (int i = 0; i < 3; ++i) add("/d" + std::to_string(i) + "/budgets.txt");
  EXPECT_EQ(search("budgetz").corrected, (Corrections{{"budgetz", "budgets"}}));
}

TEST_F(SmartSearchTest, FillerWordsAreDroppedLastAndANameSubstringIsNotRelaxed) {
  add("/k/bread.txt", "bake it slowly");
  SmartResult result = search("how to bake bread");
  EXPECT_EQ(paths(result), Paths{"/k/bread.txt"});
  EXPECT_TRUE(result.relaxed);
  add("/a/Passport.png");
  result = search("sspor");
  EXPECT_EQ(paths(result), Paths{"/a/Passport.png"});
  EXPECT_FALSE(result.relaxed);
}

TEST(SmartSearchWordsTest, TokensAndCoverage) {
  EXPECT_EQ(SmartSearch::tokens("myFile_v2.final-Draft/notes"),
            (std::vector<std::string>{"my", "file", "v2", "final", "draft", "notes"}));
  FileRecord script = FileRecord::make({.path = "/s/Backup Tool.sh", .size = 1});
  EXPECT_EQ(SmartSearch::nameCoverage({"backup", "shell", "tool", "python"}, script), 3);
}

}  // namespace
}  // namespace quorvale

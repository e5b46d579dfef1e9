#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "index/file_index.h"
#include "index/file_index_access.h"
#include "index/query_parser.h"
#include "support/search_fixtures.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

constexpr Date kNow = 1'700'000'000;
constexpr Date kDay = 86400;

class FileIndexQueriesTest : public ::testing::Test {
 protected:
  void add(const std::string& path, std::optional<std::string> content = std::nullopt,
           Date modified = kNow, std::vector<std::string> alternates = {}) {
    bool app = path.ends_with(".desktop");
    FileRecord record = FileRecord::make({.path = path,
                                          .kind = app ? std::optional(FileKind::app) : std::nullopt,
                                          .size = 100,
                                          .modified = modified});
    if (app && !alternates.empty()) record.name = alternates.front();
    index_.upsert(record, content, alternates);
  }

  std::vector<Hit> search(const std::string& text, int limit = 50) {
    return index_.search(QueryParser::parse(text, kNow, *calendar_), limit, kNow);
  }

  std::vector<std::string> paths(const std::vector<Hit>& hits) {
    return testing::mapped(hits, [](const Hit& hit) { return hit.record.path; });
  }

  std::vector<std::string> found(const std::string& text) { return paths(search(text)); }

  FileIndex index_{std::nullopt};
  std::unique_ptr<icu::Calendar> calendar_ = testing::calendarIn();
};

using Paths = std::vector<std::string>;

TEST_F(FileIndexQueriesTest, WordsMatchNamesPathsAndContents) {
  add("/docs/Budget 2024.xlsx", "quarterly numbers");
  add("/docs/notes.txt", "the budget meeting went well");
  add("/budgets/plan.md");
  add("/docs/other.txt", "nothing here");
  Paths hits = found("budget");
  ASSERT_EQ(hits.size(), 3u);
  EXPECT_EQ(hits[0], "/docs/Budget 2024.xlsx");  // the name ranks first
  EXPECT_EQ(found("budg quart"), Paths{"/docs/Budget 2024.xlsx"});
  EXPECT_EQ(found("budget OR nothing").size(), 4u);
}

TEST_F(FileIndexQueriesTest, OneLetterMatchesNamesOnly) {
  add("/x/apple.txt", "zebra");
  add("/x/zoo.txt", "apple");
  EXPECT_EQ(found("a"), Paths{"/x/apple.txt"});
  EXPECT_EQ(found("z"), Paths{"/x/zoo.txt"});
  EXPECT_EQ(found("ap").size(), 2u);
}

TEST_F(FileIndexQueriesTest, ExclusionsLookAtNamesAndPathsOnly) {
  add("/docs/report final.pdf");
  add("/drafts/report.pdf");
  add("/docs/report copy.pdf", "an early draft of the report");
  Paths kept = found("report -draft");
  std::sort(kept.begin(), kept.end());
  EXPECT_EQ(kept, (Paths{"/docs/report copy.pdf", "/docs/report final.pdf"}));
  EXPECT_EQ(found("report -drafts -copy"), Paths{"/docs/report final.pdf"});
  // Beyond the cap on words, every exclusion still excludes.
  std::string text = "report -docs";
  for (int i = 1; i <= 12; ++i) {
    add("/r/report w" + std::to_string(i) + ".pdf");
    text += " -w" + std::to_string(i);
  }
  EXPECT_EQ(found(text), Paths{"/drafts/report.pdf"});
}

// Filters without words list the files that pass, newest first. "-draft kind:text": the text
// files without those whose name or path holds the excluded word (as beside words, a word inside
// the contents does not exclude).
TEST_F(FileIndexQueriesTest, FiltersWithoutWordsListNewestFirst) {
  add("/n/draft notes.txt", std::nullopt, kNow - kDay / 2);
  add("/drafts/ideas.txt", std::nullopt, kNow - kDay / 2);
  add("/n/plan.txt", "a draft of the plan", kNow - 2 * kDay);
  add("/n/list.txt", std::nullopt, kNow - kDay / 2);
  add("/n/draft.pdf");
  add("/p/old.pdf", std::nullopt, kNow - 3 * kDay);
  add("/p/new.pdf", std::nullopt, kNow - kDay);
  add("/p/image.png");
  EXPECT_EQ(found("-draft kind:text"), (Paths{"/n/list.txt", "/n/plan.txt"}));
  EXPECT_EQ(found("-??? kind:text").size(), 4u);  // an excluded word without letters or digits
  const Paths pdfs = {"/n/draft.pdf", "/p/new.pdf", "/p/old.pdf"};
  EXPECT_EQ(found("kind:pdf"), pdfs);
  EXPECT_EQ(found("kind:pdf ???"), pdfs);  // a word of punctuation alone is no word
  EXPECT_EQ(found("modified:yesterday"), Paths{"/p/new.pdf"});
  // Neither words nor filters: nothing to look for.
  EXPECT_TRUE(found("???").empty());
}

TEST_F(FileIndexQueriesTest, FolderFilterMatchesLiterally) {
  add("/data/100%/a.txt", "word");
  add("/data/100x/b.txt", "word");
  add("/data/my_dir/c.txt", "word");
  add("/data/myXdir/d.txt", "word");
  add("/data/back\\slash/e.txt", "word");
  add("/data/backslash/f.txt", "word");
  EXPECT_EQ(found("word in:100%"), Paths{"/data/100%/a.txt"});
  EXPECT_EQ(found("word in:my_dir"), Paths{"/data/my_dir/c.txt"});
  EXPECT_EQ(found("word in:back\\slash"), Paths{"/data/back\\slash/e.txt"});
}

TEST_F(FileIndexQueriesTest, SizeAndDateBounds) {
  index_.upsert(FileRecord::make({.path = "/s/small.txt", .size = 999, .modified = kNow}), "alpha",
                {});
  index_.upsert(FileRecord::make({.path = "/s/large.txt", .size = 5000, .modified = kNow}), "alpha",
                {});
  EXPECT_EQ(found("alpha size:>1kb"), Paths{"/s/large.txt"});
  EXPECT_EQ(found("alpha size:<1kb"), Paths{"/s/small.txt"});
  EXPECT_EQ(found("alpha before:2000-01-01").size(), 0u);
}

// The search fuzz target checks that no typed text reaches FTS5 as syntax.
TEST_F(FileIndexQueriesTest, SyntaxCharactersAreSearchedAsWords) {
  add("/w/near and.txt", "star");
  add("/w/other.txt", "plain");
  EXPECT_EQ(found("NEAR"), Paths{"/w/near and.txt"});
  EXPECT_EQ(found("(star"), Paths{"/w/near and.txt"});
}

TEST_F(FileIndexQueriesTest, EverySearchStopsAt300Rows) {
  index_.beginBatch();
  for (int i = 0; i < 320; ++i) add("/many/file" + std::to_string(i) + ".txt", "common");
  index_.commitBatch();
  EXPECT_EQ(search("common", 1000).size(), 300u);
  EXPECT_EQ(search("kind:text", 1000).size(), 300u);
  EXPECT_EQ(search("common", 0).size(), 0u);
  EXPECT_EQ(index_.substringSearch("fil", 1000, kNow).size(), 300u);
}

TEST_F(FileIndexQueriesTest, InitialsFindApplicationsWhenNothingElseMatches) {
  add("/apps/org.gnu.Graphics.desktop", std::nullopt, kNow, {"GNU Image Manipulation Program"});
  add("/docs/gimbal.txt");
  std::vector<Hit> initials = search("gimp");
  EXPECT_EQ(paths(initials), Paths{"/apps/org.gnu.Graphics.desktop"});
  EXPECT_TRUE(!initials.empty() && initials[0].matchedName);
  // A word match wins: no initials are tried.
  EXPECT_EQ(found("gim"), Paths{"/docs/gimbal.txt"});
  // One character never searches initials.
  EXPECT_TRUE(found("q").empty());
}

TEST_F(FileIndexQueriesTest, SubstringSearch) {
  add("/a/Passport.png");
  add("/a/import.csv");
  add("/a/report.txt");
  add("/a/say \"hi\".txt");
  auto substring = [&](std::string_view text) {
    return paths(index_.substringSearch(text, 10, kNow));
  };
  // Shorter names first among equal matches.
  EXPECT_EQ(substring("PORT"), (Paths{"/a/import.csv", "/a/report.txt", "/a/Passport.png"}));
  EXPECT_EQ(substring("\"hi\""), Paths{"/a/say \"hi\".txt"});
  EXPECT_EQ(substring("\""), Paths{"/a/say \"hi\".txt"});
  for (const auto& hit : index_.substringSearch("port", 10, kNow)) EXPECT_TRUE(hit.matchedName);
}

TEST_F(FileIndexQueriesTest, SimilarTermsKeepTheFirstLetter) {
  add("/v/budget.txt");
  add("/v/budget 2.txt");
  add("/v/fudget.txt");
  add("/v/budgets.txt");
  add("/v/bud.txt", "budgex");  // content words are not candidates
  using T = std::vector<FileIndex::SimilarTerm>;
  EXPECT_EQ(index_.similarTerms("budgex", 1), (T{{"budget", 2}}));
  EXPECT_EQ(index_.similarTerms("budgt", 2), (T{{"bud", 1}, {"budget", 2}, {"budgets", 1}}));
  EXPECT_EQ(index_.similarTerms("budget", 1), (T{{"budgets", 1}}));
  // Later writes are seen.
  add("/v/budgat.txt");
  EXPECT_EQ(index_.similarTerms("budgt", 1), (T{{"budgat", 1}, {"budget", 2}}));
}

TEST_F(FileIndexQueriesTest, HasTermAndFilesWithExtensions) {
  add("/e/one.md", "hello", kNow - kDay);
  add("/e/two.md", std::nullopt, kNow);
  add("/e/three.txt");
  EXPECT_TRUE(index_.hasTerm("hell"));
  EXPECT_FALSE(index_.hasTerm("zebra"));
  using Dated = std::vector<std::pair<std::string, Date>>;
  EXPECT_EQ(testing::mapped(index_.files({"md", "pdf"}),
                            [](const auto& file) { return std::pair(file.path, file.mtime); }),
            (Dated{{"/e/two.md", kNow}, {"/e/one.md", kNow - kDay}}));
}

TEST_F(FileIndexQueriesTest, ChoicesBoostTheChosenFile) {
  add("/c/quarterly report.pdf");
  add("/c/quarterly review.pdf");
  for (int i = 0; i < 3; ++i)
    index_.recordChoice("Quarterly  Report", "/c/quarterly report.pdf", kNow);
  auto boosts = index_.choiceBoosts("quarterly report");
  EXPECT_NEAR(boosts.at("/c/quarterly report.pdf"), 4 * std::log(4.0), 1e-12);
  EXPECT_NEAR(index_.choiceBoosts("quart").at("/c/quarterly report.pdf"), 4 * std::log(1 + 0.8 * 3),
              1e-12);
  EXPECT_TRUE(index_.choiceBoosts("review").empty());

  EXPECT_EQ(found("quarterly re"), (Paths{"/c/quarterly report.pdf", "/c/quarterly review.pdf"}));

  index_.forgetUsage();
  EXPECT_TRUE(index_.choiceBoosts("quarterly report").empty());

  // Choices longer than 80 characters are not kept.
  std::string eighty(80, 'q');
  index_.recordChoice(eighty, "/p", kNow);
  index_.recordChoice(eighty + "q", "/p", kNow);
  EXPECT_NEAR(index_.choiceBoosts(eighty).at("/p"), 4 * std::log(2.0), 1e-12);
  EXPECT_EQ(FileIndex::normalizedQuery("  Tax\t\nReturn  2024 "), "tax return 2024");
}

TEST_F(FileIndexQueriesTest, UsageRaisesTheScore) {
  add("/u/alpha one.txt");
  add("/u/alpha two.txt");
  index_.recordUse("/u/alpha two.txt", kNow - kDay);
  index_.recordUse("/u/alpha two.txt", kNow);
  EXPECT_EQ(found("alpha"), (Paths{"/u/alpha two.txt", "/u/alpha one.txt"}));
  index_.forgetUsage();
  EXPECT_EQ(found("alpha"), (Paths{"/u/alpha one.txt", "/u/alpha two.txt"}));
}

TEST_F(FileIndexQueriesTest, LearningWritesFailLoudly) {
  FileIndexAccess::connection(index_).exec("DROP TABLE choices");
  EXPECT_THROW(index_.recordChoice("x", "/p", kNow), IndexError);
  EXPECT_TRUE(index_.choiceBoosts("x").empty());
}

}  // namespace
}  // namespace quorvale

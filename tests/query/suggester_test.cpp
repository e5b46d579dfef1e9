#include "query/suggester.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/test_support.h"
#include "util/platform_profile.h"

namespace quorvale {
namespace {

constexpr Date kNow = 1'700'000'000;
using Ids = std::vector<std::string>;

const Ids kFallbacks{"g", "claude", "gpt"};
const Ids kFallbackIds{"fallbackg", "fallbackclaude", "fallbackgpt"};

std::vector<std::string> ids(const std::vector<Suggestion>& rows) {
  return testing::mapped(rows, &Suggestion::id);
}

std::vector<std::string> concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Hit hit(const std::string& path, bool matchedName = false) {
  return {FileRecord::make({.path = path, .size = 1, .modified = kNow}), 1.0, matchedName};
}

Suggestion row(std::string id) {
  return {std::move(id), "", "", Payload::hint()};
}

ClipItem clip(std::string id, std::string text, Date date, bool pinned) {
  return {std::move(id), std::move(text), ClipDate(std::chrono::seconds(std::llround(date))),
          std::nullopt, pinned};
}

class SuggesterTest : public ::testing::Test {
 protected:
  std::vector<Suggestion> build(std::string_view text, const std::vector<Hit>& hits = {},
                                const std::optional<std::string>& note = std::nullopt,
                                int limit = 8) {
    return Suggester::build({.text = text,
                             .answers = Suggester::answer(text, running_, kNow, environment_),
                             .fileHits = hits,
                             .clips = clips_,
                             .snippets = snippets_,
                             .webSearches = WebSearch::defaults(),
                             .clipboardText = clipboard_,
                             .note = note,
                             .fallbacks = fallbacks_,
                             .limit = limit,
                             .now = kNow,
                             .environment = environment_});
  }

  ClipStore clips_;
  std::vector<Snippet> snippets_;
  std::optional<std::string> clipboard_;
  std::vector<RunningApp> running_;
  std::vector<std::string> fallbacks_ = kFallbacks;
  Suggester::Environment environment_{
      .home = "/home/user", .zone = {"UTC"}, .random = [] { return uint64_t{42}; }};
};

TEST(SuggesterTextTest, ClipboardQueries) {
  using Expected = std::optional<std::string>;
  const std::vector<std::pair<std::string, Expected>> cases{
      {"clip", ""},    {" CB\t", ""},     {"Clip  rep  draft ", "rep  draft"},
      {"cb x", "x"},   {"clipboard", {}}, {"cbx", {}},
      {"clip\tx", {}}, {"my clip", {}},   {"", {}},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(Suggester::clipboardQuery(text), expected) << text;
  }
}

TEST(SuggesterTextTest, RelativeAgesAtTheirBoundaries) {
  const std::vector<std::pair<double, std::string>> cases{
      {89, "just now"},     {90, "1 min ago"},
      {3599, "59 min ago"}, {3600, "1 h ago"},
      {86399, "23 h ago"},  {86400, "1 d ago"},
      {-500, "just now"},   {1e300, "1000000000000000 d ago"},
  };
  for (const auto& [age, expected] : cases) {
    EXPECT_EQ(Suggester::relative(kNow - age, kNow), expected) << age;
  }
  EXPECT_EQ(Suggester::relative(NAN, kNow), "just now");
}

TEST(SuggesterTextTest, OneLineJoinsWhiteSpaceAndCutsByCharacters) {
  EXPECT_EQ(Suggester::oneLine(" \tfirst  line\r\n\u00A0second\n", 90), "first line second");
  EXPECT_EQ(Suggester::oneLine(std::string(100, 'x'), 90), std::string(89, 'x') + "…");
  EXPECT_EQ(Suggester::oneLine(std::string(90, 'x'), 90), std::string(90, 'x'));
  // An accented letter written as two scalars is one character.
  std::string accented;
  for (int i = 0; i < 6; ++i) accented += "e\u0301";
  EXPECT_EQ(Suggester::oneLine(accented, 6), accented);
  EXPECT_EQ(Suggester::oneLine(accented, 5), "e\u0301e\u0301e\u0301e\u0301…");
  EXPECT_EQ(Suggester::oneLine("a\xFF b", 90), "a\uFFFD b");
}

TEST(SuggesterTextTest, OnlyPathsUnderHomeAreShortened) {
  const std::optional<std::string> home = "/home/user";
  EXPECT_EQ(Suggester::abbreviatedPath("/home/user/Documents/report.pdf", home),
            "~/Documents/report.pdf");
  EXPECT_EQ(Suggester::abbreviatedPath("/home/userx/report.pdf", home), "/home/userx/report.pdf");
  EXPECT_EQ(Suggester::abbreviatedPath("/home/user/a", std::string("/home/user/")), "~/a");
  EXPECT_EQ(Suggester::abbreviatedPath("/home/user/a", std::nullopt), "/home/user/a");
}

TEST_F(SuggesterTest, ClipboardQueryGivesOnlyHistoryRows) {
  EXPECT_EQ(build("cb"),
            (std::vector<Suggestion>{{"hint-clip", "Nothing in clipboard history",
                                      "Copy something and it appears here", Payload::hint()}}));
  const ClipItem older = clip("A1", "report draft", kNow - 300, false);
  const ClipItem pinned = clip("B2", "hello   world\nagain", kNow - 10, true);
  clips_ = ClipStore({older, pinned});
  EXPECT_EQ(build("CLIP", {hit("/a/clip.txt")}),
            (std::vector<Suggestion>{
                {"clip-B2", "hello world again", "Pinned, just now", Payload::clip(pinned)},
                {"clip-A1", "report draft", "5 min ago", Payload::clip(older)}}));
  EXPECT_EQ(ids(build("clip rep")), Ids{"clip-A1"});
  // No calculator or fallback rows beside a clipboard query.
  EXPECT_EQ(build("cb 2+3"),
            (std::vector<Suggestion>{{"hint-clip", "No match for “2+3”", "", Payload::hint()}}));
}

TEST_F(SuggesterTest, AnswerAndWebRowsAndNoneForEmptyText) {
  EXPECT_TRUE(build("", {hit("/a/b")}).empty());
  EXPECT_EQ(
      build("2+3"),
      (std::vector<Suggestion>{{"calc", "5", "Press Return to copy", Payload::calculation("5")}}));
  EXPECT_EQ(
      build(" g cats "),
      (std::vector<Suggestion>{{"web-g", "Search Google", "cats",
                                Payload::webSearch("https://www.google.com/search?q=cats")}}));
  const auto asked = build("Ask why so blue");
  EXPECT_EQ(ids(asked), (Ids{"ask-claude", "ask-gpt", "ask-ppl"}));
  EXPECT_EQ(asked[0], (Suggestion{"ask-claude", "Ask Claude", "why so blue",
                                  Payload::webSearch("https://claude.ai/new?q=why%20so%20blue")}));
  // A single piece is no question; with three letters it still earns fallback rows.
  EXPECT_EQ(ids(build("ask")), kFallbackIds);
}

TEST_F(SuggesterTest, SnippetRowsExpandAndKeepFallbacks) {
  snippets_ = {{"0C2F4A8E-1B3D-4E5F-8A9B-0C1D2E3F4A5B", "sig", "Signature", "Best,\n{clipboard}"}};
  clipboard_ = "Ann";
  const auto rows = build("sig");
  EXPECT_EQ(ids(rows), concat({"snip-0C2F4A8E-1B3D-4E5F-8A9B-0C1D2E3F4A5B"}, kFallbackIds));
  EXPECT_EQ(rows[0], (Suggestion{"snip-0C2F4A8E-1B3D-4E5F-8A9B-0C1D2E3F4A5B", "Signature",
                                 "Snippet: Best, Ann", Payload::snippet("Best,\nAnn")}));
  EXPECT_EQ(rows[1], (Suggestion{"fallbackg", "Search Google", "sig",
                                 Payload::webSearch("https://www.google.com/search?q=sig")}));
}

TEST_F(SuggesterTest, ToolAndCommandRows) {
  const auto password = build("pw 12");
  ASSERT_EQ(ids(password), Ids{"tool-secret"});
  EXPECT_EQ(password[0].payload, Payload::calculation(password[0].title));
  EXPECT_EQ(build("wifi"), (std::vector<Suggestion>{{"pane-settings:wifi", "Open Settings: Wi-Fi",
                                                     std::string(platformProfile().settingsApp),
                                                     Payload::webSearch("settings:wifi")}}));
  running_ = {{"Firefox", "firefox.desktop"}};
  const auto quit = build("quit fire");
  ASSERT_EQ(ids(quit), Ids{"sys-quit:firefox.desktop"});
  EXPECT_EQ(quit[0].payload, Payload::system("quit:firefox.desktop"));
}

TEST_F(SuggesterTest, FallbacksAreWithheldWhenSomethingSpecificAnswers) {
  // Calculator, keyword search, assistant, quick tool, system command, settings page, too short.
  for (const char* text : {"2+3", "g cats", "ask why", "uuid", "lock", "wifi", "ab", "ab\n"}) {
    for (const Suggestion& suggestion : build(text, {hit("/a/b")})) {
      EXPECT_FALSE(suggestion.id.starts_with("fallback")) << text << ": " << suggestion.id;
    }
  }
  EXPECT_EQ(ids(build("report", {hit("/a/report")})), concat({"file-/a/report"}, kFallbackIds));
  // Unknown keywords give nothing; one listed twice gives one row.
  fallbacks_ = {"nope", "G", "g"};
  EXPECT_EQ(ids(build("report")), Ids{"fallbackG"});
}

TEST_F(SuggesterTest, FallbackRowsKeepTheirPlacesWhenTheListIsCut) {
  std::vector<Hit> hits;
  for (int i = 0; i < 10; ++i) hits.push_back(hit("/home/user/report " + std::to_string(i)));
  const auto rows = build("report", hits);
  EXPECT_EQ(ids(rows), concat({"file-/home/user/report 0", "file-/home/user/report 1",
                               "file-/home/user/report 2", "file-/home/user/report 3",
                               "file-/home/user/report 4"},
                              kFallbackIds));
  EXPECT_EQ(rows[0], (Suggestion{"file-/home/user/report 0", "report 0", "~/report 0",
                                 Payload::file(hits[0].record)}));
  // More fallbacks than room: one other row stays, and the fallbacks that do not fit give way.
  EXPECT_EQ(ids(build("report", hits, std::nullopt, 3)),
            (Ids{"file-/home/user/report 0", "fallbackg", "fallbackclaude"}));
}

// Where each section goes is the arrangement's own test below; this is the build's case of it.
TEST_F(SuggesterTest, HeldBackRowsFollowATopFileThatMatchedByName) {
  EXPECT_EQ(ids(build("lock", {hit("/a/1", true), hit("/a/2"), hit("/a/3")}, "Also in content")),
            (Ids{"hint-note", "file-/a/1", "file-/a/2", "sys-displaysleep", "file-/a/3"}));
  // A note only stands above files.
  EXPECT_EQ(ids(build("report", {}, "Also in content")), kFallbackIds);
}

TEST_F(SuggesterTest, BytesThatAreNotUtf8AreShownAsReplacements) {
  const Hit file = hit("/home/user/a\xFF.txt", true);
  const auto rows = build("a\xFF", {file}, std::nullopt, -1);
  ASSERT_EQ(ids(rows), Ids{"file-/home/user/a\xFF.txt"});
  EXPECT_EQ(rows[0].title, "a\uFFFD.txt");
  EXPECT_EQ(build("clip \xFF")[0].title, "No match for “\uFFFD”");
}

TEST(SuggesterArrangeTest, PlacesToolAndCommandsByTheTopFile) {
  Suggester::Sections sections{.leading = {row("calc")},
                               .tool = row("tool"),
                               .commands = {row("sys-sleep"), row("pane-settings:wifi")},
                               .note = row("hint-note"),
                               .files = {row("f1"), row("f2"), row("f3")},
                               .topFileByName = true,
                               .fallbacks = {}};
  EXPECT_EQ(ids(Suggester::arrange(sections, 10)), (Ids{"calc", "hint-note", "f1", "f2", "tool",
                                                        "sys-sleep", "pane-settings:wifi", "f3"}));
  sections.topFileByName = false;
  EXPECT_EQ(ids(Suggester::arrange(sections, 10)), (Ids{"calc", "sys-sleep", "pane-settings:wifi",
                                                        "tool", "hint-note", "f1", "f2", "f3"}));
}

}  // namespace
}  // namespace quorvale

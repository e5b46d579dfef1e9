#include "index/query_parser.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

#include "support/search_fixtures.h"
#include "util/unicode.h"

namespace quorvale {
namespace {

// 2024-03-15 12:00 in Berlin (UTC+1); Berlin moves to summer time on 2024-03-31.
constexpr Date kNow = 1710500400;
// Midnight at the start of 2024-03-15 in Berlin.
constexpr Date kStartOfToday = 1710457200;
constexpr Date kDay = 86400;

class QueryParserTest : public ::testing::Test {
 protected:
  Query parse(std::string_view text) { return QueryParser::parse(text, kNow, *calendar_); }
  std::unique_ptr<icu::Calendar> calendar_ = testing::calendarIn("Europe/Berlin");
};

TEST_F(QueryParserTest, WordsAreLowerCasedAndCapped) {
  EXPECT_EQ(parse(""), Query{});
  Query query = parse("Budget REPORT");
  EXPECT_EQ(query.terms, (std::vector<std::string>{"budget", "report"}));
  EXPECT_EQ(query.raw, "Budget REPORT");
  EXPECT_FALSE(query.exact);

  EXPECT_EQ(parse("a b c d e f g h i j k").terms,
            (std::vector<std::string>{"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"}));
  EXPECT_EQ(parse(std::string(100, 'x')).terms, std::vector<std::string>{std::string(64, 'x')});
}

TEST_F(QueryParserTest, ReadsWordsAndFlags) {
  struct Syntax {
    std::string text;
    std::vector<std::string> terms;
    bool exact;
    bool matchAny;
    bool nameOnly;
    std::vector<std::string> excluded;
    std::optional<FileKind> kind = std::nullopt;
  };
  const Syntax cases[] = {
      {"invoice OR receipt", {"invoice", "receipt"}, true, true, false, {}},
      {"OR", {}, false, false, false, {}},
      {"invoice OR", {"invoice"}, false, false, false, {}},
      {"\"annual report\" 2023", {"annual report", "2023"}, true, false, false, {}},
      // An unclosed quote is dropped and the words after it split as usual.
      {"\"annual report", {"annual", "report"}, false, false, false, {}},
      {"name:budget", {"budget"}, true, false, true, {}},
      {"report -draft", {"report"}, true, false, false, {"draft"}},
      {"-draft -old", {"-draft", "-old"}, false, false, false, {}},
      {"report - draft", {"report", "-", "draft"}, false, false, false, {}},
      {"color:red", {"color:red"}, false, false, false, {}},
      // Exclusions beside words or filters all exclude; alone they are words to find.
      {"-draft kind:text", {}, true, false, false, {"draft"}, FileKind::text},
      // A kind word after the first word filters.
      {"beach Photos", {"beach"}, false, false, false, {}, FileKind::image},
      {"pdf budget", {"pdf", "budget"}, false, false, false, {}},
      {"pdf tax slides", {"pdf", "tax"}, false, false, false, {}, FileKind::presentation},
      {"report name:pdf", {"report", "pdf"}, true, false, true, {}},
  };
  for (const Syntax& c : cases) {
    Query query = parse(c.text);
    EXPECT_EQ(std::tie(query.terms, query.exact, query.matchAny, query.nameOnly, query.excluded),
              std::tie(c.terms, c.exact, c.matchAny, c.nameOnly, c.excluded))
        << c.text;
    EXPECT_EQ(query.kind, c.kind) << c.text;
  }
}

TEST_F(QueryParserTest, FieldsSetFilters) {
  Query query = parse("kind:slides ext:.PDF ext:md.. in:Work/2024 size:>10mb report");
  EXPECT_EQ(query.kind, FileKind::presentation);
  EXPECT_EQ(query.extensions, (std::set<std::string>{"md", "pdf"}));
  EXPECT_EQ(query.folder, "Work/2024");
  EXPECT_EQ(query.minSize, 10'000'000);
  EXPECT_EQ(query.terms, std::vector<std::string>{"report"});
  EXPECT_FALSE(query.exact);

  EXPECT_EQ(parse("beach Photos").kindWord, "photos");
  Query unknownKind = parse("kind:whatever");
  EXPECT_FALSE(unknownKind.kind);
  EXPECT_EQ(unknownKind.terms, std::vector<std::string>{"kind:whatever"});
  EXPECT_EQ(parse("size:abc").terms, std::vector<std::string>{"size:abc"});
}

TEST(QueryParserSizeTest, ReadsDecimalUnits) {
  // The value, the bounds it sets, and whether it is accepted.
  using Bound = std::optional<int64_t>;
  const std::tuple<std::string, Bound, Bound, bool> cases[] = {
      {">10mb", 10'000'000, std::nullopt, true},
      {"<1.5kb", std::nullopt, 1'500, true},
      {"300", 300, std::nullopt, true},
      {"abc", std::nullopt, std::nullopt, false},
      {"1e3", std::nullopt, std::nullopt, false},
      {"99999999999gb", std::nullopt, std::nullopt, false},
      {"9223372036854775807", std::nullopt, std::nullopt, false},
      {"9000000000000000000", 9'000'000'000'000'000'000, std::nullopt, true},
  };
  for (const auto& [value, minSize, maxSize, accepted] : cases) {
    Query query;
    EXPECT_EQ(QueryParser::parseSize(value, query), accepted) << value;
    EXPECT_EQ(std::pair(query.minSize, query.maxSize), std::pair(minSize, maxSize)) << value;
  }
}

TEST_F(QueryParserTest, DateWordsCountFromTheStartOfToday) {
  using Range = std::pair<Date, std::optional<Date>>;
  const std::pair<std::string, Range> cases[] = {
      {"today", {kStartOfToday, std::nullopt}},
      {"yesterday", {kStartOfToday - kDay, kStartOfToday}},
      {"lastweek", {kStartOfToday - 14 * kDay, kStartOfToday - 7 * kDay}},
      {"lastmonth", {kStartOfToday - 60 * kDay, kStartOfToday - 30 * kDay}},
      {"year", {1678834800, std::nullopt}},  // 2023-03-15 00:00 in Berlin
      // The day summer time starts has 23 hours.
      {"2024-03-31", {1711839600, 1711839600 + 23 * 3600}},
  };
  for (const auto& [word, range] : cases) {
    EXPECT_EQ(QueryParser::dateRange(word, kNow, *calendar_), range) << word;
  }
}

TEST_F(QueryParserTest, IsoDatesAreStrict) {
  EXPECT_EQ(QueryParser::isoDate("2024-02-29", *calendar_), 1709161200);
  for (const char* text : {"2024-02-30", "2024-02-29x", "2024-13-01", "2024-02-29 "}) {
    EXPECT_FALSE(QueryParser::isoDate(text, *calendar_)) << text;
  }
  EXPECT_FALSE(QueryParser::dateRange("fortnight", kNow, *calendar_));
}

TEST_F(QueryParserTest, DateFieldsAndPhrases) {
  using Time = std::optional<Date>;
  // The text, the words left to find, and the dates it sets.
  const std::tuple<std::string, std::vector<std::string>, Time, Time> cases[] = {
      {"after:2024-02-01 before:2024-03-01 taxes", {"taxes"}, 1706742000, 1709247600},
      {"before:2024-02-30", {"before:2024-02-30"}, std::nullopt, std::nullopt},
      {"notes Last Week", {"notes"}, kStartOfToday - 14 * kDay, kStartOfToday - 7 * kDay},
      // Only the first phrase applies; a date already set by a field wins.
      {"today yesterday", {"today"}, kStartOfToday - kDay, kStartOfToday},
      {"since:2024-01-01 today", {"today"}, 1704063600, std::nullopt},
      // Quoted words are words to find.
      {"\"last week\"", {"last week"}, std::nullopt, std::nullopt},
  };
  for (const auto& [text, terms, after, before] : cases) {
    Query query = parse(text);
    EXPECT_EQ(std::tie(query.terms, query.modifiedAfter, query.modifiedBefore),
              std::tie(terms, after, before))
        << text;
  }
}

// Bytes that are not UTF-8 never reach a term; the search fuzz target tries every other input.
TEST_F(QueryParserTest, TermsAreValidUtf8) {
  for (const auto& term : parse("ab\xc3(cd \xff\xfe -\xc3\xa9t").terms) {
    EXPECT_TRUE(unicode::isValidUtf8(term)) << term;
  }
}

}  // namespace
}  // namespace quorvale

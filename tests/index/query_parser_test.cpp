#include "index/query_parser.h"

#include <gtest/gtest.h>

#include <memory>

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

  Query eleven = parse("a b c d e f g h i j k");
  EXPECT_EQ(eleven.terms.size(), 10u);
  EXPECT_EQ(eleven.terms.back(), "j");

  Query longWord = parse(std::string(100, 'x'));
  EXPECT_EQ(longWord.terms, std::vector<std::string>{std::string(64, 'x')});
}

struct Syntax {
  std::string text;
  std::vector<std::string> terms;
  bool exact;
  bool matchAny;
  bool nameOnly;
  std::vector<std::string> excluded;
  std::optional<FileKind> kind = std::nullopt;
};

class QueryParserSyntaxTest : public QueryParserTest,
                              public ::testing::WithParamInterface<Syntax> {};

TEST_P(QueryParserSyntaxTest, ReadsWordsAndFlags) {
  const Syntax& expected = GetParam();
  Query query = parse(expected.text);
  EXPECT_EQ(query.terms, expected.terms);
  EXPECT_EQ(query.exact, expected.exact);
  EXPECT_EQ(query.matchAny, expected.matchAny);
  EXPECT_EQ(query.nameOnly, expected.nameOnly);
  EXPECT_EQ(query.excluded, expected.excluded);
  EXPECT_EQ(query.kind, expected.kind);
}

INSTANTIATE_TEST_SUITE_P(
    Syntax, QueryParserSyntaxTest,
    ::testing::Values(
        Syntax{"invoice OR receipt", {"invoice", "receipt"}, true, true, false, {}},
        Syntax{"OR", {}, false, false, false, {}},
        Syntax{"invoice OR", {"invoice"}, false, false, false, {}},
        Syntax{"\"annual report\" 2023", {"annual report", "2023"}, true, false, false, {}},
        // An unclosed quote is dropped and the words after it split as usual.
        Syntax{"\"annual report", {"annual", "report"}, false, false, false, {}},
        Syntax{"name:budget", {"budget"}, true, false, true, {}},
        Syntax{"report -draft", {"report"}, true, false, false, {"draft"}},
        Syntax{"-draft -old", {"-draft", "-old"}, false, false, false, {}},
        Syntax{"report - draft", {"report", "-", "draft"}, false, false, false, {}},
        Syntax{"color:red", {"color:red"}, false, false, false, {}},
        // Exclusions beside words or filters all exclude; alone they are words to find.
        Syntax{"-draft kind:text", {}, true, false, false, {"draft"}, FileKind::text},
        // A kind word after the first word filters.
        Syntax{"beach Photos", {"beach"}, false, false, false, {}, FileKind::image},
        Syntax{"pdf budget", {"pdf", "budget"}, false, false, false, {}},
        Syntax{"pdf tax slides", {"pdf", "tax"}, false, false, false, {}, FileKind::presentation},
        Syntax{"report name:pdf", {"report", "pdf"}, true, false, true, {}}));

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

struct SizeCase {
  std::string value;
  std::optional<int64_t> minSize;
  std::optional<int64_t> maxSize;
  bool accepted;
};

class SizeTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(SizeTest, ReadsDecimalUnits) {
  Query query;
  EXPECT_EQ(QueryParser::parseSize(GetParam().value, query), GetParam().accepted);
  EXPECT_EQ(query.minSize, GetParam().minSize);
  EXPECT_EQ(query.maxSize, GetParam().maxSize);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, SizeTest,
    ::testing::Values(SizeCase{">10mb", 10'000'000, std::nullopt, true},
                      SizeCase{"<1.5kb", std::nullopt, 1'500, true},
                      SizeCase{"300", 300, std::nullopt, true},
                      SizeCase{"abc", std::nullopt, std::nullopt, false},
                      SizeCase{"1e3", std::nullopt, std::nullopt, false},
                      SizeCase{"99999999999gb", std::nullopt, std::nullopt, false},
                      SizeCase{"9223372036854775807", std::nullopt, std::nullopt, false},
                      SizeCase{"9000000000000000000", 9'000'000'000'000'000'000, std::nullopt,
                               true}));

struct DateCase {
  std::string word;
  Date after;
  std::optional<Date> before;
};

class DateRangeTest : public QueryParserTest, public ::testing::WithParamInterface<DateCase> {};

TEST_P(DateRangeTest, CountsFromTheStartOfToday) {
  auto range = QueryParser::dateRange(GetParam().word, kNow, *calendar_);
  ASSERT_TRUE(range);
  EXPECT_EQ(range->first, GetParam().after);
  EXPECT_EQ(range->second, GetParam().before);
}

INSTANTIATE_TEST_SUITE_P(
    Dates, DateRangeTest,
    ::testing::Values(DateCase{"today", kStartOfToday, std::nullopt},
                      DateCase{"yesterday", kStartOfToday - kDay, kStartOfToday},
                      DateCase{"lastweek", kStartOfToday - 14 * kDay, kStartOfToday - 7 * kDay},
                      DateCase{"lastmonth", kStartOfToday - 60 * kDay, kStartOfToday - 30 * kDay},
                      // 2023-03-15 00:00 in Berlin.
                      DateCase{"year", 1678834800, std::nullopt},
                      // The day summer time starts has 23 hours.
                      DateCase{"2024-03-31", 1711839600, 1711839600 + 23 * 3600}));

TEST_F(QueryParserTest, IsoDatesAreStrict) {
  EXPECT_EQ(QueryParser::isoDate("2024-02-29", *calendar_), 1709161200);
  for (const char* text : {"2024-02-30", "2024-02-29x", "2024-13-01", "2024-02-29 "}) {
    EXPECT_FALSE(QueryParser::isoDate(text, *calendar_)) << text;
  }
  EXPECT_FALSE(QueryParser::dateRange("fortnight", kNow, *calendar_));
}

TEST_F(QueryParserTest, DateFieldsAndPhrases) {
  Query since = parse("after:2024-02-01 before:2024-03-01 taxes");
  EXPECT_EQ(since.modifiedAfter, 1706742000);
  EXPECT_EQ(since.modifiedBefore, 1709247600);

  Query invalid = parse("before:2024-02-30");
  EXPECT_FALSE(invalid.modifiedBefore);
  EXPECT_EQ(invalid.terms, std::vector<std::string>{"before:2024-02-30"});

  Query lastWeek = parse("notes Last Week");
  EXPECT_EQ(lastWeek.terms, std::vector<std::string>{"notes"});
  EXPECT_EQ(lastWeek.modifiedAfter, kStartOfToday - 14 * kDay);
  EXPECT_EQ(lastWeek.modifiedBefore, kStartOfToday - 7 * kDay);

  // Only the first phrase applies; a date already set by a field wins.
  Query two = parse("today yesterday");
  EXPECT_EQ(two.terms, std::vector<std::string>{"today"});
  EXPECT_EQ(two.modifiedAfter, kStartOfToday - kDay);
  Query field = parse("since:2024-01-01 today");
  EXPECT_EQ(field.terms, std::vector<std::string>{"today"});

  // Quoted words are words to find.
  EXPECT_EQ(parse("\"last week\"").terms, std::vector<std::string>{"last week"});
  EXPECT_FALSE(parse("\"last week\"").modifiedAfter);
}

// Bytes that are not UTF-8 never reach a term; the search fuzz target tries every other input.
TEST_F(QueryParserTest, TermsAreValidUtf8) {
  for (const auto& term : parse("ab\xc3(cd \xff\xfe -\xc3\xa9t").terms) {
    EXPECT_TRUE(unicode::isValidUtf8(term)) << term;
  }
}

}  // namespace
}  // namespace quorvale

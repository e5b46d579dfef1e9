// Turns the text typed into the panel into a Query. Pure functions of the text, the current time
// and a calendar (whose time zone defines "today"); they keep nothing between calls and are safe
// on any thread. Every input is accepted: text that holds nothing searchable gives a Query
// without terms.
//
// Syntax, beyond plain words:
//   a OR b            either word (sets matchAny and exact)
//   "two words"       a phrase (exact)
//   name:x            x in names only (exact)       size:>10mb, size:<1.5kb, size:=2gb
//   kind:pdf type:slides                             ext:.md
//   in:folder-text    modified:week changed:2024-05-01 after:2024-01-31 since:... before:...
//   -word             exclude files whose name or path has the word (exact); without other
//                     words or filters, -word is a word to find
//   today, yesterday, this week, last week, this month, last month   modification dates
//   budget pdfs       a kind word after the first word filters by kind
#pragma once

#include <unicode/calendar.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "index/query.h"

namespace quorvale::QueryParser {

// Caps that keep a pasted novel from turning into an enormous full-text expression. Excluded
// words are all kept (each cut to kMaxTermCharacters): dropping one would silently bring back
// files the user asked to leave out.
inline constexpr std::size_t kMaxTerms = 10;
inline constexpr std::size_t kMaxTermCharacters = 64;

Query parse(std::string_view text, Date now, const icu::Calendar& calendar);

// The user's calendar in the system's time zone, which gives date words their meaning here; null
// when ICU cannot make one.
std::unique_ptr<icu::Calendar> currentCalendar();

// The modification-date range a date word names, counted from the start of today in the
// calendar: "today", "yesterday", "week"/"thisweek", "lastweek", "month"/"thismonth",
// "lastmonth", "year", or a yyyy-MM-dd day. The second date is an exclusive end, when there is
// one.
std::optional<std::pair<Date, std::optional<Date>>> dateRange(std::string_view word, Date now,
                                                              const icu::Calendar& calendar);

// The start of a yyyy-MM-dd day in the calendar's time zone; strict: 2024-02-30 and
// "2024-02-29x" are no dates.
std::optional<Date> isoDate(std::string_view text, const icu::Calendar& calendar);

// Reads a size filter into the query: ">" a lower bound, "<" an upper bound, "=" or nothing a
// lower bound; decimal units gb, mb, kb, b (none means bytes); fractions allowed. False (and the
// query unchanged) when the value is not a size that fits 64 bits.
bool parseSize(std::string_view value, Query& query);

// Splits at white space outside double quotes; quotes stay in their tokens. A quote that is
// never closed does not hold the rest of the text together: the words after it split normally.
std::vector<std::string> splitKeepingQuotes(std::string_view text);

}  // namespace quorvale::QueryParser

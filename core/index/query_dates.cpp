#include <unicode/smpdtfmt.h>

#include <memory>

#include "index/query_parser.h"

namespace quorvale::QueryParser {

std::unique_ptr<icu::Calendar> currentCalendar() {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Calendar> calendar(icu::Calendar::createInstance(status));
  if (U_FAILURE(status)) return nullptr;
  return calendar;
}
namespace {

constexpr double kMillisecondsPerSecond = 1000.0;

// A copy of the calendar set to the start of the day that holds `now`.
std::unique_ptr<icu::Calendar> startOfDay(Date now, const icu::Calendar& calendar) {
  std::unique_ptr<icu::Calendar> day(calendar.clone());
  if (!day) return nullptr;
  UErrorCode status = U_ZERO_ERROR;
  day->setTime(now * kMillisecondsPerSecond, status);
  day->set(UCAL_HOUR_OF_DAY, 0);
  day->set(UCAL_MINUTE, 0);
  day->set(UCAL_SECOND, 0);
  day->set(UCAL_MILLISECOND, 0);
  day->getTime(status);  // resolves the fields now, so that add() starts from midnight
  if (U_FAILURE(status)) return nullptr;
  return day;
}

// The calendar's time moved by `amount` of `field` (days keep the wall-clock time across
// daylight-saving changes); the calendar itself is left as it was.
std::optional<Date> shifted(const icu::Calendar& from, UCalendarDateFields field, int32_t amount) {
  std::unique_ptr<icu::Calendar> moved(from.clone());
  if (!moved) return std::nullopt;
  UErrorCode status = U_ZERO_ERROR;
  moved->add(field, amount, status);
  UDate time = moved->getTime(status);
  if (U_FAILURE(status)) return std::nullopt;
  return time / kMillisecondsPerSecond;
}

struct Span {
  int32_t afterDays;
  std::optional<int32_t> beforeDays;
};

std::optional<Span> relativeSpan(std::string_view word) {
  if (word == "today") return Span{0, std::nullopt};
  if (word == "yesterday") return Span{-1, 0};
  if (word == "week" || word == "thisweek") return Span{-7, std::nullopt};
  if (word == "lastweek") return Span{-14, -7};
  if (word == "month" || word == "thismonth") return Span{-30, std::nullopt};
  if (word == "lastmonth") return Span{-60, -30};
  return std::nullopt;
}

}  // namespace

std::optional<Date> isoDate(std::string_view text, const icu::Calendar& calendar) {
  UErrorCode status = U_ZERO_ERROR;
  icu::SimpleDateFormat format(icu::UnicodeString("yyyy-MM-dd"), icu::Locale("en_US_POSIX"),
                               status);
  if (U_FAILURE(status)) return std::nullopt;
  format.adoptCalendar(calendar.clone());
  format.setLenient(false);
  icu::UnicodeString input = icu::UnicodeString::fromUTF8(
      icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  icu::ParsePosition position(0);
  UDate date = format.parse(input, position);
  // Strict parsing still stops quietly before trailing text ("2024-02-29x").
  if (position.getErrorIndex() >= 0 || position.getIndex() != input.length()) {
    return std::nullopt;
  }
  return date / kMillisecondsPerSecond;
}

std::optional<std::pair<Date, std::optional<Date>>> dateRange(std::string_view word, Date now,
                                                              const icu::Calendar& calendar) {
  if (auto span = relativeSpan(word)) {
    auto start = startOfDay(now, calendar);
    if (!start) return std::nullopt;
    auto after = shifted(*start, UCAL_DATE, span->afterDays);
    if (!after) return std::nullopt;
    std::optional<Date> before;
    if (span->beforeDays) {
      before = shifted(*start, UCAL_DATE, *span->beforeDays);
      if (!before) return std::nullopt;
    }
    return std::pair{*after, before};
  }
  if (word == "year") {
    auto start = startOfDay(now, calendar);
    if (!start) return std::nullopt;
    auto after = shifted(*start, UCAL_YEAR, -1);
    if (!after) return std::nullopt;
    return std::pair{*after, std::optional<Date>()};
  }
  auto day = isoDate(word, calendar);
  if (!day) return std::nullopt;
  auto start = startOfDay(*day, calendar);
  if (!start) return std::nullopt;
  auto next = shifted(*start, UCAL_DATE, 1);
  if (!next) return std::nullopt;
  return std::pair{*day, next};
}

}  // namespace quorvale::QueryParser

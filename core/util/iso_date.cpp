#include "util/iso_date.h"

#include <cstdio>

namespace quorvale::iso_date {
namespace {

using namespace std::chrono;

// Reads exactly `count` ASCII digits at `at`, advancing it.
std::optional<int> digits(std::string_view text, std::size_t& at, std::size_t count) {
  if (at + count > text.size()) return std::nullopt;
  int value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    char c = text[at + i];
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  at += count;
  return value;
}

bool literal(std::string_view text, std::size_t& at, char expected) {
  if (at >= text.size() || text[at] != expected) return false;
  ++at;
  return true;
}

// The zone's offset east of UTC, from "Z", "+HH", "+HHMM" or "+HH:MM" that ends the text.
std::optional<seconds> zoneOffset(std::string_view text, std::size_t at) {
  if (text.substr(at) == "Z") return seconds(0);
  if (at >= text.size() || (text[at] != '+' && text[at] != '-')) return std::nullopt;
  int sign = text[at] == '-' ? -1 : 1;
  ++at;
  auto hh = digits(text, at, 2);
  if (!hh || *hh > 23) return std::nullopt;
  int mm = 0;
  if (at < text.size()) {
    literal(text, at, ':');
    auto minutesPart = digits(text, at, 2);
    if (!minutesPart || *minutesPart > 59) return std::nullopt;
    mm = *minutesPart;
  }
  if (at != text.size()) return std::nullopt;
  return seconds(sign * (*hh * 3600 + mm * 60));
}

}  // namespace

std::string format(Time time) {
  sys_seconds whole = floor<seconds>(time);
  sys_days day = floor<days>(whole);
  year_month_day date(day);
  hh_mm_ss<seconds> clock(whole - day);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                static_cast<int>(clock.seconds().count()));
  return text;
}

std::optional<Time> parse(std::string_view text) {
  std::size_t at = 0;
  auto y = digits(text, at, 4);
  if (!y || !literal(text, at, '-')) return std::nullopt;
  auto mo = digits(text, at, 2);
  if (!mo || !literal(text, at, '-')) return std::nullopt;
  auto d = digits(text, at, 2);
  if (!d || !literal(text, at, 'T')) return std::nullopt;
  auto h = digits(text, at, 2);
  if (!h || !literal(text, at, ':')) return std::nullopt;
  auto mi = digits(text, at, 2);
  if (!mi || !literal(text, at, ':')) return std::nullopt;
  auto s = digits(text, at, 2);
  if (!s || *h > 23 || *mi > 59 || *s > 59) return std::nullopt;
  // A fraction of a second is accepted and dropped, as whole seconds are what is written.
  if (literal(text, at, '.')) {
    std::size_t start = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
    if (at == start) return std::nullopt;
  }
  year_month_day date{year(*y), month(static_cast<unsigned>(*mo)), day(static_cast<unsigned>(*d))};
  if (!date.ok()) return std::nullopt;
  auto offset = zoneOffset(text, at);
  if (!offset) return std::nullopt;
  sys_seconds moment = sys_days(date) + hours(*h) + minutes(*mi) + seconds(*s) - *offset;
  // The clock counts nanoseconds in 64 bits: about the years 1678 to 2261.
  if (moment < ceil<seconds>(Time::min()) || moment > floor<seconds>(Time::max())) {
    return std::nullopt;
  }
  return Time(moment);
}

}  // namespace quorvale::iso_date

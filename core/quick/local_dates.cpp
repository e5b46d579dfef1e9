#include "quick/local_dates.h"

#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <map>
#include <memory>

namespace quorvale::quick {
namespace {

icu::UnicodeString toUnicode(std::string_view text) {
  return icu::UnicodeString::fromUTF8(
      icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

struct ThreadFormatter {
  std::unique_ptr<icu::SimpleDateFormat> format;
  std::optional<std::string> zone;  // the identifier last adopted; none before the first use
};

// This thread's formatter for the pattern, set to the zone. Patterns are a handful of constants
// in this program, so the per-thread map stays tiny.
icu::SimpleDateFormat* formatterFor(std::string_view pattern, const LocalZone& zone) {
  thread_local std::map<std::string, ThreadFormatter, std::less<>> formatters;
  auto found = formatters.find(pattern);
  if (found == formatters.end()) {
    UErrorCode status = U_ZERO_ERROR;
    auto format = std::make_unique<icu::SimpleDateFormat>(toUnicode(pattern),
                                                          icu::Locale("en_US_POSIX"), status);
    if (U_FAILURE(status)) return nullptr;
    format->setLenient(false);
    found = formatters.emplace(std::string(pattern), ThreadFormatter{std::move(format), {}}).first;
  }
  ThreadFormatter& entry = found->second;
  if (entry.zone != zone.identifier) {
    entry.format->adoptTimeZone(zone.identifier.empty()
                                    ? icu::TimeZone::createDefault()
                                    : icu::TimeZone::createTimeZone(toUnicode(zone.identifier)));
    entry.zone = zone.identifier;
  }
  return entry.format.get();
}

}  // namespace

std::optional<std::string> formatLocal(std::string_view pattern, Seconds moment,
                                       const LocalZone& zone) {
  if (!(moment >= kEarliestWritable && moment <= kLatestWritable)) return std::nullopt;
  icu::SimpleDateFormat* format = formatterFor(pattern, zone);
  if (format == nullptr) return std::nullopt;
  icu::UnicodeString written;
  UErrorCode status = U_ZERO_ERROR;
  icu::FieldPosition position;
  format->format(moment * 1000.0, written, position, status);
  if (U_FAILURE(status)) return std::nullopt;
  std::string out;
  written.toUTF8String(out);
  return out;
}

std::optional<Seconds> parseLocal(std::string_view pattern, std::string_view text,
                                  const LocalZone& zone) {
  icu::SimpleDateFormat* format = formatterFor(pattern, zone);
  if (format == nullptr) return std::nullopt;
  const icu::UnicodeString unicodeText = toUnicode(text);
  icu::ParsePosition position(0);
  const UDate parsed = format->parse(unicodeText, position);
  if (position.getErrorIndex() >= 0 || position.getIndex() != unicodeText.length()) {
    return std::nullopt;
  }
  const Seconds seconds = parsed / 1000.0;
  if (!(seconds >= kEarliestWritable && seconds <= kLatestWritable)) return std::nullopt;
  return seconds;
}

}  // namespace quorvale::quick

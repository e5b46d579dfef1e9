// Dates written and read in a fixed form ("yyyy-MM-dd HH:mm" and the like) in the "en_US_POSIX"
// locale with the Gregorian calendar and a chosen time zone, for Unix-time conversions and
// snippet placeholders.
//
// ICU formatters are costly to create, so each thread keeps one per pattern and only changes
// its time zone when a call asks for another. Safe on any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvale::quick {

// Seconds since 1970, as everywhere in the system.
using Seconds = double;

// The moments the four-digit year patterns can write: 0001-01-01 to 9999-12-31, in UTC.
inline constexpr Seconds kEarliestWritable = -62135596800.0;
inline constexpr Seconds kLatestWritable = 253402300799.0;

// A time zone by its IANA identifier ("Europe/Berlin"); empty means the system's own zone.
// An unknown identifier reads as GMT.
struct LocalZone {
  std::string identifier;

  bool operator==(const LocalZone&) const = default;
};

// The moment written with the ICU pattern in the zone; nothing when ICU fails.
std::optional<std::string> formatLocal(std::string_view pattern, Seconds moment,
                                       const LocalZone& zone);

// The moment the whole text names when read strictly with the pattern in the zone; nothing when
// the text does not match to its end ("2024-02-30" and "2024-02-29x" fail).
std::optional<Seconds> parseLocal(std::string_view pattern, std::string_view text,
                                  const LocalZone& zone);

}  // namespace quorvale::quick

// Unix times both ways for the quick tools' "epoch", "timestamp" and "unix" commands: a number
// of seconds (or milliseconds) becomes a local date, a local date becomes seconds.
// Pure functions, any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "quick/local_dates.h"

namespace quorvale::quick {

struct EpochConversion {
  std::string result;  // "2024-03-05 14:07:09 GMT+1", or "1709643600"
  std::string label;   // which way it went

  bool operator==(const EpochConversion&) const = default;
};

inline constexpr std::string_view kUnixToLocal = "Unix time to local date";
inline constexpr std::string_view kLocalToUnix = "Local date to Unix time";

// A finite number of more than 8 characters is seconds since 1970 (milliseconds when it has
// more than 12) and is written as "yyyy-MM-dd HH:mm:ss zzz" in the zone; otherwise a local
// "yyyy-MM-dd HH:mm" or "yyyy-MM-dd" becomes whole seconds since 1970, truncated. Nothing for
// anything else, and for moments outside the years 1 to 9999.
std::optional<EpochConversion> epoch(std::string_view text, const LocalZone& zone = {});

// The text read as a number the way the command line's users write one: an optional sign, then
// a decimal number with an optional exponent, or "0x" and a hexadecimal one. Nothing otherwise.
std::optional<double> readNumber(std::string_view text);

}  // namespace quorvale::quick

// Dates as ISO 8601 text in UTC with whole seconds ("2024-03-05T09:07:00Z"), the form clips.json
// stores. Pure functions; safe on any thread.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace quorvale::iso_date {

using Time = std::chrono::system_clock::time_point;

// The time in UTC, rounded down to the second.
std::string format(Time time);

// Reads "YYYY-MM-DDTHH:MM:SS" with an optional fraction of a second and a zone of "Z", "+HH:MM",
// "+HHMM" or "+HH" (or "-"). Nothing for any other text, an impossible date such as February 30,
// or a date the system clock cannot hold (before 1678 or after 2261).
std::optional<Time> parse(std::string_view text);

}  // namespace quorvale::iso_date

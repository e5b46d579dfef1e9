// Converts amounts between units of one kind ("5 km to mi", "convert 3.5 cups in ml",
// "100 f to c", "20 gib as mb"). Reached through `Calculator::evaluate`, which asks it first and
// shows its answer as a row of kind `unit`. The unit table is built once on first use and is
// read-only afterwards; every function is pure, safe on any thread, and never throws.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "quick/calc_result.h"

namespace quorvale::Units {

// One row of the unit table. Conversions happen only between units of the same category.
struct Unit {
  std::vector<std::string> names;  // the aliases, lower case
  double toBase = 1;               // how many of the category's base unit one of this unit is
  std::string category;            // "length", "mass", "volume", "time", "data", "speed"

  bool operator==(const Unit&) const = default;
};

// "<amount> <unit> in|to|as|into|-> <unit>", optionally after "convert ". Temperatures
// (Celsius, Fahrenheit, kelvin) convert with their offsets and never below absolute zero. The
// display is the result rounded to 8 decimals (6 for temperatures), formatted by the calculator,
// followed by the target unit as typed (lower case) or by "°C", "°F" or " K". Nothing for any
// other text, an unknown unit, units of different categories or a non-finite result.
std::optional<CalcResult> convert(std::string_view text);

// The first table row that has the lower-cased name among its aliases.
std::optional<Unit> unit(std::string_view name);

}  // namespace quorvale::Units

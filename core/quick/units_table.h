// The unit converter's tables: the units of each category in lookup order, and the names of the
// three temperature scales. Internal to the converter; built once, read-only, any thread.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "quick/units.h"

namespace quorvale::Units {

enum class TemperatureScale { celsius, fahrenheit, kelvin };

// Every row, in lookup order: the first row holding a name wins.
const std::vector<Unit>& table();

// "c", "celsius", "°c", "f", "fahrenheit", "°f", "k", "kelvin" (lower case).
std::optional<TemperatureScale> temperatureScale(std::string_view name);

}  // namespace quorvale::Units

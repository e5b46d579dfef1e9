#include "quick/units_table.h"

namespace quorvale::Units {
namespace {

std::vector<Unit> makeTable() {
  const std::string length = "length", mass = "mass", volume = "volume", time = "time",
                    data = "data", speed = "speed";
  return {
      {{"mm", "millimeter", "millimeters", "millimetre", "millimetres"}, 0.001, length},
      {{"cm", "centimeter", "centimeters", "centimetre", "centimetres"}, 0.01, length},
      {{"m", "meter", "meters", "metre", "metres"}, 1, length},
      {{"km", "kilometer", "kilometers", "kilometre", "kilometres"}, 1000, length},
      {{"inch", "inches", "\""}, 0.0254, length},
      {{"ft", "foot", "feet", "'"}, 0.3048, length},
      {{"yd", "yard", "yards"}, 0.9144, length},
      {{"mi", "mile", "miles"}, 1609.344, length},
      {{"mg", "milligram", "milligrams"}, 0.001, mass},
      {{"g", "gram", "grams"}, 1, mass},
      {{"kg", "kilogram", "kilograms", "kilo", "kilos"}, 1000, mass},
      {{"oz", "ounce", "ounces"}, 28.349523125, mass},
      {{"lb", "lbs", "pound", "pounds"}, 453.59237, mass},
      {{"ml", "milliliter", "milliliters", "millilitre", "millilitres"}, 0.001, volume},
      {{"l", "liter", "liters", "litre", "litres"}, 1, volume},
      {{"tsp", "teaspoon", "teaspoons"}, 0.00492892159375, volume},
      {{"tbsp", "tablespoon", "tablespoons"}, 0.01478676478125, volume},
      {{"floz", "fl oz", "fluid ounce", "fluid ounces"}, 0.0295735295625, volume},
      {{"cup", "cups"}, 0.2365882365, volume},
      {{"pint", "pints", "pt"}, 0.473176473, volume},
      {{"quart", "quarts", "qt"}, 0.946352946, volume},
      {{"gal", "gallon", "gallons"}, 3.785411784, volume},
      {{"ms", "millisecond", "milliseconds"}, 0.001, time},
      {{"s", "sec", "secs", "second", "seconds"}, 1, time},
      {{"min", "mins", "minute", "minutes"}, 60, time},
      {{"h", "hr", "hrs", "hour", "hours"}, 3600, time},
      {{"day", "days"}, 86400, time},
      {{"week", "weeks"}, 604800, time},
      {{"b", "byte", "bytes"}, 1, data},
      {{"kb", "kilobyte", "kilobytes"}, 1000, data},
      {{"mb", "megabyte", "megabytes"}, 1000000, data},
      {{"gb", "gigabyte", "gigabytes"}, 1000000000, data},
      {{"tb", "terabyte", "terabytes"}, 1000000000000, data},
      {{"kib", "kibibyte", "kibibytes"}, 1024, data},
      {{"mib", "mebibyte", "mebibytes"}, 1048576, data},
      {{"gib", "gibibyte", "gibibytes"}, 1073741824, data},
      {{"m/s", "mps"}, 1, speed},
      {{"km/h", "kph", "kmh"}, 1 / 3.6, speed},
      {{"mph", "mi/h"}, 0.44704, speed},
      {{"kn", "knot", "knots"}, 0.5144444444444445, speed},
  };
}

}  // namespace

const std::vector<Unit>& table() {
  static const std::vector<Unit> units = makeTable();
  return units;
}

std::optional<TemperatureScale> temperatureScale(std::string_view name) {
  if (name == "c" || name == "celsius" || name == "\u00b0c") return TemperatureScale::celsius;
  if (name == "f" || name == "fahrenheit" || name == "\u00b0f") return TemperatureScale::fahrenheit;
  if (name == "k" || name == "kelvin") return TemperatureScale::kelvin;
  return std::nullopt;
}

}  // namespace quorvale::Units

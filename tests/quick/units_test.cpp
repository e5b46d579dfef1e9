#include "quick/units.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "quick/calculator.h"
#include "quick/display_case.h"

namespace quorvale {
namespace {

class Conversions : public ::testing::TestWithParam<Case> {};

TEST_P(Conversions, ShowTheRoundedResultAndTheTargetUnit) {
  std::optional<CalcResult> result = Units::convert(GetParam().text);
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result->display, GetParam().display);
  EXPECT_EQ(result->kind, CalcResult::Kind::unit);
  // The calculator's entry point asks the converter first.
  EXPECT_EQ(Calculator::evaluate(GetParam().text), result);
}

// A row per family and unit form, spelling, thousands, exponent and rounding at the edges,
// and the temperature scales (offsets, not factors).
INSTANTIATE_TEST_SUITE_P(
    Table, Conversions,
    ::testing::Values(Case{"5 km to mi", "3.10685596 mi"}, Case{"1,000,000 mm to km", "1 km"},
                      Case{"1 mile -> km", "1.609344 km"}, Case{"5' to cm", "152.4 cm"},
                      Case{"12\" to cm", "30.48 cm"}, Case{"16 oz as lb", "1 lb"},
                      Case{"convert 2 cups into ml", "473.176473 ml"},
                      Case{"1 fl oz to ml", "29.57352956 ml"}, Case{"2.5 h to min", "150 min"},
                      Case{"1 gib as mb", "1,073.741824 mb"},
                      Case{"100 km/h to mph", "62.13711922 mph"},
                      Case{"5 kilometres to miles", "3.10685596 miles"},
                      Case{"Convert 1 M to CM", "100 cm"}, Case{"-2 m to cm", "-200 cm"},
                      Case{"1e10 km to mm", "1.000000e+16 mm"}, Case{"1 ms to weeks", "0 weeks"},
                      // Too large to round at 8 decimals, yet finite: shown as it is, not as "inf".
                      Case{"1e300 km to mm", "1.000000e+306 mm"}, Case{"100 c to f", "212\u00b0F"},
                      Case{"0 k to c", "-273.15\u00b0C"}, Case{"-40 f to c", "-40\u00b0C"},
                      Case{"0 c to k", "273.15 K"}, Case{"98.6 \u00b0F to \u00b0C", "37\u00b0C"}));

class NotAConversion : public ::testing::TestWithParam<std::string> {};

TEST_P(NotAConversion, GivesNothing) {
  EXPECT_EQ(Units::convert(GetParam()), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Refused, NotAConversion,
                         ::testing::Values("5 kg to m", "5 parsecs to m", "5 kms to mi",
                                           "5 c to km", "5 f to ft", "-500 c to k", "1e999 km to m",
                                           "1e308 km to mm", "5 km to", "5 km to 3 mi",
                                           "5 \xff to mi"));

}  // namespace
}  // namespace quorvale

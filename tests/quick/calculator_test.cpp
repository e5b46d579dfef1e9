#include "quick/calculator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "quick/display_case.h"
#include "quick/units.h"

namespace quorvale {
namespace {

std::string nested(std::size_t levels) {
  return repeat("(", levels) + "1" + repeat(")", levels);
}

class Answers : public ::testing::TestWithParam<Case> {};

TEST_P(Answers, ShowsTheFormattedValue) {
  std::optional<CalcResult> result = Calculator::evaluate(GetParam().text);
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result->display, GetParam().display);
  EXPECT_EQ(result->kind, CalcResult::Kind::math);
}

// One row per rule that a fault could break: precedence and associativity, percent forms,
// factorials, implicit multiplication, functions and rounding, commas as separators or
// arguments, the display's switch to exponents, and the limits (inclusive).
INSTANTIATE_TEST_SUITE_P(
    Table, Answers,
    ::testing::Values(Case{"2+3*4", "14"}, Case{"2^3^2", "512"}, Case{"-2^2", "-4"},
                      Case{"2^-1", "0.5"}, Case{"-7 mod 3", "-1"}, Case{"8/2/2", "2"},
                      Case{"2\u00a0+\u00a03", "5"}, Case{"15% of 80", "12"},
                      Case{"50% of 20% of 80", "8"}, Case{"200 + 7.5%", "215"},
                      Case{"200 - 10%", "180"}, Case{"10 - 5 + 3%", "5.15"}, Case{"5!", "120"},
                      Case{"3!!", "720"}, Case{"2^3!", "64"}, Case{"170!", "7.257416e+306"},
                      Case{"2pi", "6.283185307"}, Case{"3(4+1)", "15"}, Case{"2 sqrt(9)", "6"},
                      Case{"2pi^2", "19.7392088"}, Case{"2e3", "2,000"}, Case{"2e-3", "0.002"},
                      Case{"SQRT(16)", "4"}, Case{"log(1000)", "3"}, Case{"round(-2.5)", "-3"},
                      Case{"round(1.25, 1)", "1.3"}, Case{"\u03c0", "3.141592654"},
                      Case{"2\u00d73", "6"}, Case{"5 \u2212 3 + 0", "2"},
                      Case{"1,234 + 1", "1,235"}, Case{"max(1,200,3)", "200"},
                      Case{"max((1,234), 5)", "1,234"}, Case{"max(1,234 * 2, 1,000)", "468"},
                      Case{"sqrt(1,000,000)", "1,000"}, Case{"1/3", "0.3333333333"},
                      Case{"1e20*10", "1.000000e+21"}, Case{"0.0000001*1", "1.000000e-07"},
                      Case{"-1234567*1", "-1,234,567"}, Case{"0.00001234*1", "0.00001234"},
                      Case{"999999999999999*1", "999,999,999,999,999"},
                      Case{"1e15*1", "1.000000e+15"}, Case{"10^-400", "0"}, Case{nested(60), "1"},
                      Case{"1 " + repeat("+0", 99), "1"}, Case{repeat("-", 199) + "1", "-1"},
                      // 199 characters but 298 bytes: the limit counts characters.
                      Case{repeat("\u03c0*", 99) + "\u03c0", "5.187848e+49"}));

// Values between 1e-6 and 1e-4 keep their ten significant digits: the display reads back as the
// value rounded to ten significant digits, which printf computes independently.
TEST(Format, KeepsTenSignificantDigitsOfSmallValues) {
  EXPECT_EQ(Calculator::evaluate("0.000001234*1")->display, "1.234e-06");
  EXPECT_EQ(Calculator::format(0.00005), "0.00005");
  for (double value : {0.000001234, 0.0000012345678912, 0.000099999999987, -0.00001234567, 0.000012,
                       1e-6, 0.00005, 0.000123456789, 0.00098765}) {
    char reference[64];
    std::snprintf(reference, sizeof reference, "%.10g", value);
    std::string display = Calculator::format(value);
    std::erase(display, ',');
    EXPECT_EQ(std::stod(display), std::stod(reference)) << reference << " shown as " << display;
  }
}

class NoAnswer : public ::testing::TestWithParam<std::string> {};

TEST_P(NoAnswer, GivesNothing) {
  EXPECT_EQ(Calculator::evaluate(GetParam()), std::nullopt);
}

// Not a calculation, bad syntax, outside a function's domain, overflow.
INSTANTIATE_TEST_SUITE_P(Table, NoAnswer,
                         ::testing::Values("", "42", "1,000", "5 \u2212 3", "firefox", "2 model",
                                           "5 km to parsecs", "1..2", "(1+2", "1+2)", "()", "2 3",
                                           "1,5+1", "sqrt", "1 + % 2", "7/0", "10 mod 0", "171!",
                                           "2.5!", "(-1)!", "sqrt(-1)", "log(0)", "round(1,2,3)",
                                           "(-8)^(1/3)", "sin(1e999)", "1e999*1", "0^-1", "10^400",
                                           "9^9^9", "1e308*10", "round(1, 400)"));

// Conversions the converter refuses fall back to arithmetic, which fails too. A thousands comma
// is followed by exactly three digits, so a decimal comma gives no answer rather than one ten
// times too big.
INSTANTIATE_TEST_SUITE_P(Units, NoAnswer,
                         ::testing::Values("5 kg to m", "5 parsecs to m", "5 kms to mi",
                                           "5 c to km", "5 f to ft", "-500 c to k", "1e999 km to m",
                                           "1e308 km to mm", "5 km to", "5 km to 3 mi",
                                           "5 \xff to mi", "1,5 km to m", "1,0000 m to km",
                                           "1,,000 m to km", "1,00 m to km", "2 in to 3"));

// Just past each limit; invalid UTF-8; a percent chain that once took exponential time. The
// fuzz target feeds the other hostile texts.
INSTANTIATE_TEST_SUITE_P(HostileText, NoAnswer,
                         ::testing::Values(nested(61), "1 " + repeat("+0", 100),
                                           repeat("-", 200) + "1", repeat("\u03c0*", 100) + "1",
                                           "1+\xff",
                                           repeat("1% of ", 16) + "y" + repeat(" +5%", 25)));

TEST(EvaluateMath, ReadsTypographicMinusAndThousandsButNotOverlongTexts) {
  EXPECT_EQ(Calculator::evaluateMath("5 \u2212 3"), 2);  // not an operator for evaluate
  EXPECT_EQ(Calculator::evaluate("5 \u2212 3"), std::nullopt);
  EXPECT_EQ(Calculator::evaluateMath("1,234,567"), 1234567);
  EXPECT_EQ(Calculator::evaluateMath("1,5"), std::nullopt);
  EXPECT_EQ(Calculator::evaluateMath("1,2345"), std::nullopt);
  EXPECT_EQ(Calculator::evaluateMath(repeat("1+", 20000) + "1"), std::nullopt);
  EXPECT_EQ(Calculator::evaluateMath(repeat("1% of ", 5000) + "1"), std::nullopt);
}

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

}  // namespace
}  // namespace quorvale

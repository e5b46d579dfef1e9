#include "quick/calculator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "quick/display_case.h"

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

// A thousands comma is followed by exactly three digits, so a decimal comma gives no answer
// rather than one ten times too big; mismatched units fall back to arithmetic, which fails too.
INSTANTIATE_TEST_SUITE_P(Units, NoAnswer,
                         ::testing::Values("1,5 km to m", "1,0000 m to km", "1,,000 m to km",
                                           "1,00 m to km", "2 in to 3"));

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

}  // namespace
}  // namespace quorvale

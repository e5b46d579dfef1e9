#include "quick/calculator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <thread>
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

INSTANTIATE_TEST_SUITE_P(Precedence, Answers,
                         ::testing::Values(Case{"2+3*4", "14"}, Case{"(2+3)*4", "20"},
                                           Case{"2^3^2", "512"}, Case{"-2^2", "-4"},
                                           Case{"2^-1", "0.5"}, Case{"10 mod 3", "1"},
                                           Case{"10mod3", "1"}, Case{"-7 mod 3", "-1"},
                                           Case{"8/2/2", "2"}, Case{"2*-3", "-6"},
                                           Case{"2--3", "5"}, Case{"+-+2*1", "-2"},
                                           Case{"  2 +\t 3  ", "5"}, Case{"2\n+\n3", "5"},
                                           Case{"2\u00a0+\u00a03", "5"}));

INSTANTIATE_TEST_SUITE_P(Percent, Answers,
                         ::testing::Values(Case{"15% of 80", "12"}, Case{"15 % of 80", "12"},
                                           Case{"50% of 20% of 80", "8"}, Case{"200 + 7.5%", "215"},
                                           Case{"200 - 10%", "180"}, Case{"200+10%", "220"},
                                           Case{"10 - 5 + 3%", "5.15"}, Case{"50%", "0.5"},
                                           Case{"50%*4", "2"}));

INSTANTIATE_TEST_SUITE_P(Factorials, Answers,
                         ::testing::Values(Case{"5!", "120"}, Case{"0!", "1"}, Case{"3!!", "720"},
                                           Case{"170!", "7.257416e+306"}, Case{"2^3!", "64"}));

INSTANTIATE_TEST_SUITE_P(ImplicitMultiplication, Answers,
                         ::testing::Values(Case{"2pi", "6.283185307"}, Case{"3(4+1)", "15"},
                                           Case{"2 sqrt(9)", "6"}, Case{"(2)(3)", "6"},
                                           Case{"2e", "5.436563657"}, Case{"2pi^2", "19.7392088"},
                                           Case{"2e3", "2,000"}, Case{"2e+3", "2,000"},
                                           Case{"2e-3", "0.002"}));

INSTANTIATE_TEST_SUITE_P(
    Functions, Answers,
    ::testing::Values(Case{"sqrt (16)", "4"}, Case{"SQRT(16)", "4"}, Case{"log(1000)", "3"},
                      Case{"log2(8)", "3"}, Case{"ln(e)", "1"}, Case{"round(2.5)", "3"},
                      Case{"round(-2.5)", "-3"}, Case{"round(1.25, 1)", "1.3"},
                      Case{"min(3, 1, 2)", "1"}, Case{"min(4)", "4"}, Case{"floor(-1.5)", "-2"},
                      Case{"pow(2, 10)", "1,024"}, Case{"atan(1)*4", "3.141592654"},
                      Case{"tau", "6.283185307"}, Case{"\u03c0", "3.141592654"}));

INSTANTIATE_TEST_SUITE_P(TypographicOperators, Answers,
                         ::testing::Values(Case{"2\u00d73", "6"}, Case{"6\u00f74", "1.5"},
                                           Case{"5 \u2212 3 + 0", "2"}));

INSTANTIATE_TEST_SUITE_P(ThousandsSeparators, Answers,
                         ::testing::Values(Case{"1,234 + 1", "1,235"},
                                           Case{"1,234,567*1", "1,234,567"},
                                           Case{"1234.5678*1", "1,234.5678"}));

// Commas inside the brackets of min, max, pow and round separate arguments; elsewhere (single-
// argument functions, plain brackets) the thousands rule holds.
INSTANTIATE_TEST_SUITE_P(
    CommasInFunctions, Answers,
    ::testing::Values(Case{"min(1,234)", "1"}, Case{"max(1,200,3)", "200"},
                      Case{"pow(2,100)", "1.267651e+30"}, Case{"max(1,234)", "234"},
                      Case{"round(1.25,1)", "1.3"}, Case{"2max (1,2)", "4"},
                      Case{"max((1,234), 5)", "1,234"}, Case{"max(1,234 * 2, 1,000)", "468"},
                      Case{"sqrt(1,000,000)", "1,000"}, Case{"(1,234)*2", "2,468"}));

INSTANTIATE_TEST_SUITE_P(
    Formatting, Answers,
    ::testing::Values(Case{"1/3", "0.3333333333"}, Case{"1e20*10", "1.000000e+21"},
                      Case{"0.0000001*1", "1.000000e-07"}, Case{"3408.75*1", "3,408.75"},
                      Case{"-1234567*1", "-1,234,567"}, Case{"0.00001234*1", "0.00001234"},
                      Case{"12345678901.5*1", "12,345,678,901.5"},
                      Case{"999999999999999*1", "999,999,999,999,999"},
                      Case{"1e15*1", "1.000000e+15"}, Case{"0.1+0.2", "0.3"}, Case{"0*-1", "0"},
                      Case{"-3408.75*1", "-3,408.75"}, Case{"2/3", "0.6666666667"},
                      Case{"1e-999*1", "0"}, Case{"10^-400", "0"}));

// Limits are inclusive: exactly the maximum still answers.
INSTANTIATE_TEST_SUITE_P(
    Limits, Answers,
    ::testing::Values(Case{nested(60), "1"}, Case{"1 " + repeat("+0", 99), "1"},
                      Case{repeat("-", 199) + "1", "-1"},
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

INSTANTIATE_TEST_SUITE_P(NotACalculation, NoAnswer,
                         ::testing::Values("", "   ", "42", "1,000", "1234.5678", "5 \u2212 3",
                                           "firefox", "hello world", "x", "e5", "2 model",
                                           "5 km to parsecs"));

INSTANTIATE_TEST_SUITE_P(Syntax, NoAnswer,
                         ::testing::Values(".", "1..2", "1.2.3+1", ".e5", "(1+2", "1+2)", ")(",
                                           "((1)", "()", "2 3", "1 +", "*2", "1,5+1", "2e+x",
                                           "sqrt", "pi(", "1 + % 2", "--", "5!!!x"));

INSTANTIATE_TEST_SUITE_P(Domain, NoAnswer,
                         ::testing::Values("7/0", "10 mod 0", "171!", "2.5!", "(-1)!", "sqrt(-1)",
                                           "log(0)", "ln(-1)", "log2(-8)", "asin(2)", "acos(-1.5)",
                                           "foo(2)", "sqrt()", "min()", "pow(2)", "round(1,2,3)",
                                           "abs(1, 2)", "(-8)^(1/3)", "sin(1e999)"));

INSTANTIATE_TEST_SUITE_P(Overflow, NoAnswer,
                         ::testing::Values("1e999*1", "1e999-1e999", "0^-1", "10^400", "2^2^2^2^2",
                                           "9^9^9", "exp(1000)", "1e308*10", "170!*1000",
                                           "round(1, 400)"));

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

TEST(Evaluate, GivesTheSameAnswersOnManyThreadsAtOnce) {
  const std::vector<std::string> texts = {"15% of 80", "1,234 + 1", "5 km to mi", "sqrt(16)"};
  std::vector<std::optional<CalcResult>> expected;
  for (const std::string& text : texts) expected.push_back(Calculator::evaluate(text));
  std::vector<int> mismatches(4, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        std::size_t k = static_cast<std::size_t>(i) % texts.size();
        if (Calculator::evaluate(texts[k]) != expected[k])
          ++mismatches[static_cast<std::size_t>(t)];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace quorvale

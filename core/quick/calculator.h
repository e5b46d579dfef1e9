// Answers arithmetic typed into the panel ("12*(3+4)", "15% of 80", "sqrt(2)", "200 + 7.5%")
// with one row, and, through the same entry point, unit conversions (units.h). The suggester
// calls `evaluate` once per keystroke on the main thread; everything here is a pure function over
// doubles, safe on any thread, and answers nothing rather than failing: no function here throws.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "quick/calc_result.h"

namespace quorvale::Calculator {

// Longer texts (in characters, as the reader counts them) are never evaluated.
inline constexpr std::size_t kMaxLength = 200;
// Deeper nesting of brackets is refused.
inline constexpr int kMaxBracketDepth = 60;

// The unit conversion of the text if there is one, else its arithmetic value when the text looks
// like a calculation (it holds an operator, a bracket or a letter: "42" alone is no answer).
std::optional<CalcResult> evaluate(std::string_view text);

// The value of an arithmetic expression, including the forms "p% of x", "x + p%" and "x - p%",
// "1,234"-style thousands separators, "×", "÷", "−" and "π". Nothing for a syntax error, an
// unknown name, a domain error, a division by zero or text longer than `kMaxLength`. The value
// may be infinite when a number literal or a product overflows.
std::optional<double> evaluateMath(std::string_view text);

// The display form of a number: whole numbers below 1e15 with grouped thousands ("3,408"),
// very large or small magnitudes as "1.234568e+20", others with up to ten significant digits
// and grouped thousands ("3,408.75"); below 1e-4, where eight decimals would drop some of those
// ten digits, in scientific form ("1.234e-06"). The same digits in every locale.
std::string format(double value);

// Inserts "," between groups of three digits counted from the right, keeping a leading "-".
std::string grouped(std::string_view digits);

}  // namespace quorvale::Calculator

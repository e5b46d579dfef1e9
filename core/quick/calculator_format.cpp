// The calculator's number formatter, shared with the unit converter.
#include <cmath>
#include <utility>

#include "quick/calculator.h"
#include "quick/number_format.h"

namespace quorvale::Calculator {
namespace {

bool isWhole(double value) {
  return std::isfinite(value) && value == std::trunc(value);
}

// Up to ten significant digits without an exponent, trailing zeros dropped, thousands grouped.
// Between 1e-6 and 1e-4 eight decimals may hold fewer digits than the ten significant ones; such
// a value keeps its ten digits in scientific form ("1.234e-06") rather than losing them.
std::string formatFraction(double value) {
  std::string text = number::general(value, 10);
  if (text.find('e') != std::string::npos) {
    std::string fixed = number::fixed(value, 8);
    if (std::fabs(value) < 1 && number::parse(fixed) != number::parse(text)) return text;
    text = std::move(fixed);
  }
  if (text.find('.') != std::string::npos) {
    text.erase(text.find_last_not_of('0') + 1);
    if (text.ends_with('.')) text.pop_back();
  }
  std::size_t dot = text.find('.');
  if (dot == std::string::npos) return grouped(text);
  return grouped(std::string_view(text).substr(0, dot)) + text.substr(dot);
}

}  // namespace

std::string format(double value) {
  // A negative zero (from "0*-1" or a rounded tiny conversion) reads as plain 0.
  if (value == 0) value = 0;
  if (isWhole(value) && std::fabs(value) < 1e15) return grouped(number::fixed(value, 0));
  if (!(std::fabs(value) < 1e15) || std::fabs(value) < 1e-6) return number::scientific(value, 6);
  return formatFraction(value);
}

std::string grouped(std::string_view digits) {
  std::string out;
  if (digits.starts_with('-')) {
    out.push_back('-');
    digits.remove_prefix(1);
  }
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out.push_back(',');
    out.push_back(digits[i]);
  }
  return out;
}

}  // namespace quorvale::Calculator

#include "quick/number_format.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace quorvale::number {
namespace {

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// from_chars also reads "inf", "nan" and hexadecimal forms; only plain decimals are numbers here.
bool looksDecimal(std::string_view text) {
  std::string_view body = text.starts_with('-') ? text.substr(1) : text;
  return !body.empty() && (isDigit(body.front()) || body.front() == '.');
}

// from_chars leaves the value alone when it is out of range. The texts reaching this are short
// (at most a couple of hundred characters), so the mantissa alone never leaves the range: the
// exponent's sign tells overflow from underflow.
double outOfRange(std::string_view text) {
  bool negative = text.starts_with('-');
  bool tiny = text.find("e-") != std::string_view::npos;
  double magnitude = tiny ? 0.0 : std::numeric_limits<double>::infinity();
  return negative ? -magnitude : magnitude;
}

template <typename... Format>
std::string print(double value, Format... format) {
  // Large enough for "%.Nf" of the largest double (309 integer digits) with any precision we use.
  std::array<char, 400> buffer{};
  auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format...);
  if (error != std::errc()) return {};
  return std::string(buffer.data(), end);
}

}  // namespace

std::optional<double> parse(std::string_view text) {
  if (!looksDecimal(text)) return std::nullopt;
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (end != text.data() + text.size()) return std::nullopt;
  if (error == std::errc::result_out_of_range) return outOfRange(text);
  if (error != std::errc()) return std::nullopt;
  return value;
}

std::string fixed(double value, int precision) {
  return print(value, std::chars_format::fixed, precision);
}

std::string scientific(double value, int precision) {
  return print(value, std::chars_format::scientific, precision);
}

std::string general(double value, int precision) {
  return print(value, std::chars_format::general, precision);
}

}  // namespace quorvale::number

#include "quick/calculator_functions.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <numbers>

namespace quorvale::Calculator {
namespace {

using Result = std::optional<double>;
using Args = std::span<const double>;

struct Function {
  std::string_view name;
  std::size_t minArguments;
  std::size_t maxArguments;
  Result (*apply)(Args);
};

constexpr std::size_t kAny = std::numeric_limits<std::size_t>::max();

Result when(bool inDomain, double value) {
  return inDomain ? Result(value) : std::nullopt;
}

// Halves go away from zero, as std::round does.
double roundTo(double value, double places) {
  double scale = std::pow(10.0, places);
  return std::round(value * scale) / scale;
}

Result smallest(Args a) {
  double best = a[0];
  for (double x : a.subspan(1)) best = x < best ? x : best;
  return best;
}

Result largest(Args a) {
  double best = a[0];
  for (double x : a.subspan(1)) best = x > best ? x : best;
  return best;
}

constexpr std::array kFunctions{
    Function{"sqrt", 1, 1, [](Args a) { return when(a[0] >= 0, std::sqrt(a[0])); }},
    Function{"abs", 1, 1, [](Args a) { return Result(std::fabs(a[0])); }},
    Function{"sin", 1, 1, [](Args a) { return Result(std::sin(a[0])); }},
    Function{"cos", 1, 1, [](Args a) { return Result(std::cos(a[0])); }},
    Function{"tan", 1, 1, [](Args a) { return Result(std::tan(a[0])); }},
    Function{"asin", 1, 1, [](Args a) { return when(a[0] >= -1 && a[0] <= 1, std::asin(a[0])); }},
    Function{"acos", 1, 1, [](Args a) { return when(a[0] >= -1 && a[0] <= 1, std::acos(a[0])); }},
    Function{"atan", 1, 1, [](Args a) { return Result(std::atan(a[0])); }},
    Function{"ln", 1, 1, [](Args a) { return when(a[0] > 0, std::log(a[0])); }},
    Function{"log", 1, 1, [](Args a) { return when(a[0] > 0, std::log10(a[0])); }},
    Function{"log10", 1, 1, [](Args a) { return when(a[0] > 0, std::log10(a[0])); }},
    Function{"log2", 1, 1, [](Args a) { return when(a[0] > 0, std::log2(a[0])); }},
    Function{"exp", 1, 1, [](Args a) { return Result(std::exp(a[0])); }},
    Function{"round", 1, 1, [](Args a) { return Result(std::round(a[0])); }},
    Function{"round", 2, 2, [](Args a) { return Result(roundTo(a[0], a[1])); }},
    Function{"floor", 1, 1, [](Args a) { return Result(std::floor(a[0])); }},
    Function{"ceil", 1, 1, [](Args a) { return Result(std::ceil(a[0])); }},
    Function{"min", 1, kAny, smallest},
    Function{"max", 1, kAny, largest},
    Function{"pow", 2, 2, [](Args a) { return Result(std::pow(a[0], a[1])); }},
};

}  // namespace

std::optional<double> constant(std::string_view name) {
  if (name == "pi") return std::numbers::pi;
  if (name == "e") return std::numbers::e;
  if (name == "tau") return 2 * std::numbers::pi;
  return std::nullopt;
}

std::optional<double> call(std::string_view name, std::span<const double> arguments) {
  for (const Function& function : kFunctions) {
    if (function.name != name || arguments.size() < function.minArguments ||
        arguments.size() > function.maxArguments) {
      continue;
    }
    Result result = function.apply(arguments);
    if (result && !std::isfinite(*result)) return std::nullopt;
    return result;
  }
  return std::nullopt;
}

bool takesSeveralArguments(std::string_view name) {
  for (const Function& function : kFunctions) {
    if (function.name == name && function.maxArguments > 1) return true;
  }
  return false;
}

std::optional<double> factorial(double n) {
  if (!(n >= 0 && n <= 170) || n != std::trunc(n)) return std::nullopt;
  double product = 1;
  for (int i = 2; i <= static_cast<int>(n); ++i) product *= i;
  return product;
}

}  // namespace quorvale::Calculator

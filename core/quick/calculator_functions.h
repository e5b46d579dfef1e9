// The calculator's named constants and function library, and its factorial. Internal to the
// calculator's grammar; pure functions, safe on any thread.
#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace quorvale::Calculator {

// "pi", "e" or "tau"; nothing for any other name.
std::optional<double> constant(std::string_view name);

// The named function applied to its arguments (angles in radians). Nothing for a name outside
// the library, a wrong number of arguments, an argument outside the domain or a non-finite result.
std::optional<double> call(std::string_view name, std::span<const double> arguments);

// Whether some form of the named function takes more than one argument (min, max, pow, round):
// inside its brackets a comma separates arguments rather than thousands.
bool takesSeveralArguments(std::string_view name);

// n! for whole n from 0 to 170 (171! overflows a double), computed as a product of doubles.
std::optional<double> factorial(double n);

}  // namespace quorvale::Calculator

// The thousands-separator rule shared by the calculator and the unit converter: a comma right
// after a digit and followed by exactly three digits (then a non-digit or the end) groups
// thousands and is dropped ("1,234,567" is 1234567; "1,5" keeps its comma and is no number).
// Inside the brackets of a function that takes several arguments (min, max, pow, round) a comma
// separates arguments instead, so "max(1,200,3)" keeps both of its commas.
// Pure functions, any thread.
#pragma once

#include <string>
#include <string_view>

namespace quorvale::Calculator {

// The text with its thousands separators removed. `text` is lower-cased already.
std::string withoutThousandsSeparators(std::string_view text);

}  // namespace quorvale::Calculator

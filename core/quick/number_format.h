// Reading and printing doubles with the same digits in every locale. The panel may run under a
// locale whose decimal mark is ",", so nothing here goes through printf, strtod or iostreams:
// the forms mirror printf's "%.Nf", "%.Ne" and "%.Ng" but are produced by std::to_chars.
// Pure functions; safe on any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvale::number {

// A decimal number in the whole text: an optional "-", digits with at most one ".", and an
// optional exponent ("e", an optional sign, digits). Anything else, or leftover characters,
// gives nothing. Magnitudes beyond the double range read as infinity; below it, as zero.
std::optional<double> parse(std::string_view text);

std::string fixed(double value, int precision);       // printf "%.<precision>f"
std::string scientific(double value, int precision);  // printf "%.<precision>e"
std::string general(double value, int precision);     // printf "%.<precision>g"

}  // namespace quorvale::number

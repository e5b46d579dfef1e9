// Small text operations shared by the quick answers and web searches, tuned for what they see
// on every keystroke: short, mostly ASCII text. Pure functions, any thread; invalid UTF-8 never
// crashes them (a bad byte is simply not white space and not a letter).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quorvale::typed {

bool equalsIgnoringCase(std::string_view a, std::string_view b);

// Whether the text has at least `count` characters (grapheme clusters).
bool hasAtLeastCharacters(std::string_view text, std::size_t count);

// Every occurrence of `from` replaced by `to`, in one pass: inserted text is never searched.
std::string replacingAll(std::string_view text, std::string_view from, std::string_view to);

// Reads an optional "+" or "-" and decimal digits, nothing else. A number too large for the
// type saturates (the caller clamps it anyway); nothing for any other text.
std::optional<long long> decimalInteger(std::string_view text);

}  // namespace quorvale::typed

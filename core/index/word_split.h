// Splitting text into words: the pieces between characters that are neither letters nor numbers
// (punctuation, spaces, symbols and control characters all separate). Used by the ranking, the
// full-text expression builder and the smart search. Pure; safe on any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvale {

// "Q3 Financial-Report.xlsx" -> Q3, Financial, Report, xlsx. Empty pieces are dropped; letter
// case is kept. Invalid UTF-8 bytes separate like punctuation.
std::vector<std::string> Index_split(std::string_view text);

}  // namespace quorvale

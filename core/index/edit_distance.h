// Edit distance for typo correction. Pure; safe on any thread.
#pragma once

#include <string_view>

namespace quorvale::EditDistance {

// The optimal-string-alignment distance over characters (code points): insertions, deletions,
// substitutions and swaps of two adjacent characters each cost 1.
int damerau(std::string_view a, std::string_view b);

}  // namespace quorvale::EditDistance

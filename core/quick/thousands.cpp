#include "quick/thousands.h"

#include <vector>

#include "quick/calculator_functions.h"
#include "util/unicode.h"

namespace quorvale::Calculator {
namespace {

bool isAsciiLetter(char32_t c) {
  return c >= U'a' && c <= U'z';
}
bool isAsciiDigit(char32_t c) {
  return c >= U'0' && c <= U'9';
}

// The function name right before the bracket at `open` (spaces between them allowed, as the
// grammar skips them), without the digits of a number multiplied in front ("2max(" -> "max").
std::string nameBefore(const std::u32string& text, std::size_t open) {
  std::size_t end = open;
  while (end > 0 && unicode::isWhitespace(text[end - 1])) --end;
  std::size_t start = end;
  while (start > 0 && (isAsciiLetter(text[start - 1]) || isAsciiDigit(text[start - 1]))) --start;
  while (start < end && isAsciiDigit(text[start])) ++start;
  return unicode::fromScalars(std::u32string_view(text).substr(start, end - start));
}

bool groupsThousands(const std::u32string& text, std::size_t comma) {
  if (comma == 0 || !unicode::isDigit(text[comma - 1])) return false;
  if (comma + 3 >= text.size()) return false;
  for (std::size_t i = comma + 1; i <= comma + 3; ++i) {
    if (!unicode::isDigit(text[i])) return false;
  }
  return comma + 4 == text.size() || !unicode::isDigit(text[comma + 4]);
}

}  // namespace

std::string withoutThousandsSeparators(std::string_view text) {
  if (text.find(',') == std::string_view::npos) return std::string(text);
  const std::u32string scalars = unicode::scalars(text);
  // One entry per open bracket: whether its commas separate a function's arguments.
  std::vector<bool> argumentBrackets;
  std::u32string out;
  out.reserve(scalars.size());
  for (std::size_t i = 0; i < scalars.size(); ++i) {
    const char32_t c = scalars[i];
    if (c == U'(') {
      argumentBrackets.push_back(takesSeveralArguments(nameBefore(scalars, i)));
    } else if (c == U')' && !argumentBrackets.empty()) {
      argumentBrackets.pop_back();
    } else if (c == U',') {
      const bool separatesArguments = !argumentBrackets.empty() && argumentBrackets.back();
      if (!separatesArguments && groupsThousands(scalars, i)) continue;
    }
    out.push_back(c);
  }
  return unicode::fromScalars(out);
}

}  // namespace quorvale::Calculator

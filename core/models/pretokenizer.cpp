#include "models/pretokenizer.h"

#include <unicode/uchar.h>

#include <vector>

namespace quorvale::pretokenizer {
namespace {

// Length of the contraction ("s", "t", "m", "d", "re", "ve", "ll") after the apostrophe at
// `at`, or 0.
std::size_t contractionAfter(std::u32string_view text, std::size_t at) {
  if (text[at] != U'\'' || at + 1 >= text.size()) return 0;
  char32_t first = text[at + 1];
  if (first == U's' || first == U't' || first == U'm' || first == U'd') return 1;
  if (at + 2 >= text.size()) return 0;
  char32_t second = text[at + 2];
  if ((first == U'r' && second == U'e') || (first == U'v' && second == U'e') ||
      (first == U'l' && second == U'l')) {
    return 2;
  }
  return 0;
}

std::size_t runEnd(const std::vector<Cls>& classes, std::size_t from, Cls cls) {
  while (from < classes.size() && classes[from] == cls) ++from;
  return from;
}

}  // namespace

Cls classOf(char32_t scalar) {
  if (scalar < 0x80) {
    if ((scalar >= U'a' && scalar <= U'z') || (scalar >= U'A' && scalar <= U'Z')) {
      return Cls::letter;
    }
    if (scalar >= U'0' && scalar <= U'9') return Cls::number;
    if (scalar == U' ' || (scalar >= 0x09 && scalar <= 0x0D)) return Cls::whitespace;
    return Cls::other;
  }
  auto c = static_cast<UChar32>(scalar);
  switch (u_charType(c)) {
    case U_UPPERCASE_LETTER:
    case U_LOWERCASE_LETTER:
    case U_TITLECASE_LETTER:
    case U_MODIFIER_LETTER:
    case U_OTHER_LETTER:
      return Cls::letter;
    case U_DECIMAL_DIGIT_NUMBER:
    case U_LETTER_NUMBER:
    case U_OTHER_NUMBER:
      return Cls::number;
    default:
      break;
  }
  return u_hasBinaryProperty(c, UCHAR_WHITE_SPACE) ? Cls::whitespace : Cls::other;
}

void split(std::u32string_view stretch, const std::function<void(std::u32string_view)>& emit) {
  std::vector<Cls> classes(stretch.size());
  for (std::size_t i = 0; i < stretch.size(); ++i) classes[i] = classOf(stretch[i]);
  std::size_t n = stretch.size();
  std::size_t i = 0;
  while (i < n) {
    if (auto length = contractionAfter(stretch, i); length > 0) {
      emit(stretch.substr(i, length + 1));
      i += length + 1;
      continue;
    }
    // Letters, numbers or other scalars, after an optional single space.
    std::size_t start = i;
    std::size_t body = stretch[i] == U' ' && i + 1 < n ? i + 1 : i;
    Cls cls = classes[body];
    if (cls != Cls::whitespace) {
      std::size_t end = runEnd(classes, body, cls);
      emit(stretch.substr(start, end - start));
      i = end;
      continue;
    }
    // White space: a run followed by something else leaves its last scalar to the next piece.
    std::size_t end = runEnd(classes, i, Cls::whitespace);
    if (end < n && end - i > 1) --end;
    emit(stretch.substr(i, end - i));
    i = end;
  }
}

}  // namespace quorvale::pretokenizer

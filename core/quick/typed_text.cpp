#include "quick/typed_text.h"

#include <unicode/utf8.h>

#include <limits>

#include "util/unicode.h"

namespace quorvale::typed {
namespace {

// The scalar that starts at `i`, or U+FFFD for a bad sequence; `i` moves past it.
char32_t nextScalar(std::string_view text, int32_t& i) {
  UChar32 c;
  U8_NEXT_OR_FFFD(reinterpret_cast<const uint8_t*>(text.data()), i,
                  static_cast<int32_t>(text.size()), c);
  return static_cast<char32_t>(c);
}

char32_t previousScalar(std::string_view text, int32_t& end) {
  UChar32 c;
  U8_PREV_OR_FFFD(reinterpret_cast<const uint8_t*>(text.data()), 0, end, c);
  return static_cast<char32_t>(c);
}

template <typename IsTrimmed>
std::string_view trimmedBy(std::string_view text, IsTrimmed isTrimmed) {
  int32_t begin = 0;
  const auto size = static_cast<int32_t>(text.size());
  while (begin < size) {
    int32_t next = begin;
    if (!isTrimmed(nextScalar(text, next))) break;
    begin = next;
  }
  int32_t end = size;
  while (end > begin) {
    int32_t previous = end;
    if (!isTrimmed(previousScalar(text, previous))) break;
    end = previous;
  }
  return text.substr(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin));
}

}  // namespace

bool isAscii(std::string_view text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

bool isLineBreak(char32_t c) {
  return c == '\n' || c == '\r' || c == 0x0B || c == 0x0C || c == 0x85 || c == 0x2028 ||
         c == 0x2029;
}

std::string_view trimmedWhitespace(std::string_view text) {
  return trimmedBy(text, [](char32_t c) { return unicode::isWhitespace(c); });
}

std::string_view trimmedSpaces(std::string_view text) {
  return trimmedBy(text, [](char32_t c) { return unicode::isWhitespace(c) && !isLineBreak(c); });
}

std::string lowered(std::string_view text) {
  return unicode::lowercased(text);
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (isAscii(a) && isAscii(b)) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      char x = a[i], y = b[i];
      if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
      if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
      if (x != y) return false;
    }
    return true;
  }
  return unicode::lowercased(a) == unicode::lowercased(b);
}

bool hasAtLeastCharacters(std::string_view text, std::size_t count) {
  // Every character is at least one byte, and in ASCII only "\r\n" joins two bytes.
  if (text.size() < count) return false;
  if (isAscii(text) && text.find('\r') == std::string_view::npos) return true;
  return unicode::characterCount(text) >= count;
}

std::string replacingAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  std::size_t start = 0;
  for (std::size_t found = text.find(from); found != std::string_view::npos;
       found = text.find(from, start)) {
    out.append(text.substr(start, found - start));
    out.append(to);
    start = found + from.size();
  }
  out.append(text.substr(start));
  return out;
}

std::optional<long long> decimalInteger(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  constexpr long long kMax = std::numeric_limits<long long>::max();
  long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    const int digit = c - '0';
    value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
  }
  return negative ? -value : value;
}

}  // namespace quorvale::typed

#include "quick/typed_text.h"

#include <limits>

#include "util/unicode.h"

namespace quorvale::typed {
bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (unicode::isAscii(a) && unicode::isAscii(b)) {
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
  if (unicode::isAscii(text) && text.find('\r') == std::string_view::npos) return true;
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

#include "quick/colors.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include "quick/typed_text.h"
#include "util/unicode.h"

namespace quorvale::quick {
namespace {

using Rgb = std::array<int, 3>;

bool isHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}
int hexValue(char c) {
  return c <= '9' ? c - '0' : c - 'a' + 10;
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Six lower-case hexadecimal digits, from three or six.
std::optional<std::string> sixDigits(std::string_view digits) {
  if ((digits.size() != 3 && digits.size() != 6) ||
      !std::all_of(digits.begin(), digits.end(), isHexDigit)) {
    return std::nullopt;
  }
  if (digits.size() == 6) return std::string(digits);
  std::string doubled;
  for (char c : digits) doubled.append(2, c);
  return doubled;
}

std::optional<QuickTool> fromHex(std::string_view digits) {
  const auto six = sixDigits(digits);
  if (!six) return std::nullopt;
  Rgb rgb{};
  for (std::size_t i = 0; i < 3; ++i)
    rgb[i] = hexValue((*six)[2 * i]) * 16 + hexValue((*six)[2 * i + 1]);
  const std::string written = "rgb(" + std::to_string(rgb[0]) + ", " + std::to_string(rgb[1]) +
                              ", " + std::to_string(rgb[2]) + ")";
  return QuickTool{.title = written,
                   .subtitle = "Hex #" + *six + " as RGB" + std::string(kReturnToCopy),
                   .copy = written};
}

// The runs of ASCII digits in the text; a run too long to be a channel counts as 256.
std::vector<int> numbersIn(std::string_view text) {
  std::vector<int> numbers;
  for (std::size_t i = 0; i < text.size();) {
    if (!isDigit(text[i])) {
      ++i;
      continue;
    }
    const std::size_t start = i;
    while (i < text.size() && isDigit(text[i])) ++i;
    const auto value = typed::decimalInteger(text.substr(start, i - start));
    numbers.push_back(static_cast<int>(std::min<long long>(value.value_or(256), 256)));
  }
  return numbers;
}

std::optional<QuickTool> fromRgb(std::string_view text) {
  const std::vector<int> numbers = numbersIn(text);
  if (numbers.size() != 3 ||
      std::any_of(numbers.begin(), numbers.end(), [](int n) { return n > 255; })) {
    return std::nullopt;
  }
  char written[8];
  std::snprintf(written, sizeof written, "#%02x%02x%02x", numbers[0], numbers[1], numbers[2]);
  return QuickTool{
      .title = written, .subtitle = "RGB as hex" + std::string(kReturnToCopy), .copy = written};
}

}  // namespace

std::optional<QuickTool> color(std::string_view text) {
  const std::string_view trimmed = unicode::trimmedSpaces(text);
  if (trimmed.starts_with('#')) return fromHex(unicode::lowercased(trimmed.substr(1)));
  if (trimmed.size() >= 3 && typed::equalsIgnoringCase(trimmed.substr(0, 3), "rgb")) {
    return fromRgb(trimmed);
  }
  return std::nullopt;
}

}  // namespace quorvale::quick

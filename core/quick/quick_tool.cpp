#include "quick/quick_tool.h"

#include <unicode/utf8.h>

#include "quick/typed_text.h"
#include "util/unicode.h"

namespace quorvale {
namespace {

constexpr std::size_t kPreviewCharacters = 90;

std::string withLineBreaksAsSpaces(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const auto length = static_cast<int32_t>(text.size());
  int32_t i = 0;
  while (i < length) {
    const int32_t start = i;
    UChar32 c;
    U8_NEXT_OR_FFFD(bytes, i, length, c);
    if (c == '\r' && i < length && bytes[i] == '\n') ++i;  // "\r\n" is one line break
    if (typed::isLineBreak(static_cast<char32_t>(c))) {
      out += "  ";
    } else {
      out.append(text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(i - start)));
    }
  }
  return out;
}

}  // namespace

std::string preview(std::string_view result) {
  std::string line = withLineBreaksAsSpaces(result);
  if (!typed::hasAtLeastCharacters(line, kPreviewCharacters + 1)) return line;
  return unicode::prefixCharacters(line, kPreviewCharacters - 1) + "…";
}

QuickTool copyAnswer(std::string result, std::string_view what) {
  QuickTool tool{
      .title = preview(result), .subtitle = std::string(what), .copy = std::move(result)};
  tool.subtitle += kReturnToCopy;
  return tool;
}

}  // namespace quorvale

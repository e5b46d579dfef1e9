#include "quick/quick_tool.h"

#include "quick/typed_text.h"
#include "util/unicode.h"

namespace quorvale {
namespace {

constexpr std::size_t kPreviewCharacters = 90;

std::string withLineBreaksAsSpaces(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool afterReturn = false;
  unicode::forEachScalar(text, [&](const unicode::ScalarRead& scalar) {
    const bool joined = afterReturn && scalar.value == '\n';  // "\r\n" is one line break
    afterReturn = scalar.value == '\r';
    if (joined) return;
    out += unicode::isLineBreak(scalar.value) ? std::string_view("  ") : scalar.bytes;
  });
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

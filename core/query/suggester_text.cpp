// The suggester's small text helpers: clipboard queries, one-line previews, ages and home paths.

#include <cmath>
#include <cstdint>

#include "query/suggester.h"
#include "quick/typed_text.h"
#include "util/unicode.h"

namespace quorvale::Suggester {
namespace {

// Whether the text begins with the ASCII keyword, ignoring case. The keywords are ASCII, and no
// other text lower-cases to them byte for byte.
bool startsWithIgnoringCase(std::string_view text, std::string_view keyword) {
  return text.size() >= keyword.size() &&
         typed::equalsIgnoringCase(text.substr(0, keyword.size()), keyword);
}

// A count of whole units of `unit` seconds in `seconds` (already known to be at least one unit),
// kept within what the text can show.
long long wholeUnits(double seconds, double unit) {
  constexpr double kMost = 1e15;
  return static_cast<long long>(std::min(std::trunc(seconds / unit), kMost));
}

}  // namespace

std::optional<std::string> clipboardQuery(std::string_view text) {
  const std::string_view trimmed = unicode::trimmedAscii(text);
  for (std::string_view keyword : {std::string_view("clip"), std::string_view("cb")}) {
    if (!startsWithIgnoringCase(trimmed, keyword)) continue;
    if (trimmed.size() == keyword.size()) return std::string();
    if (trimmed[keyword.size()] == ' ') {
      return std::string(unicode::trimmedAscii(trimmed.substr(keyword.size() + 1)));
    }
  }
  return std::nullopt;
}

std::string oneLine(std::string_view text, std::size_t max) {
  // Runs of white space (line breaks too) become one space; bad bytes become U+FFFD.
  std::string line;
  line.reserve(text.size());
  bool pendingSpace = false;
  unicode::forEachScalar(text, [&](const unicode::ScalarRead& scalar) {
    if (unicode::isWhitespace(scalar.value)) {
      pendingSpace = true;
      return;
    }
    if (pendingSpace && !line.empty()) line += ' ';
    pendingSpace = false;
    line += scalar.valid ? scalar.bytes : std::string_view("\xEF\xBF\xBD");
  });
  if (max == SIZE_MAX || !typed::hasAtLeastCharacters(line, max + 1)) return line;
  if (max == 0) return {};
  return unicode::prefixCharacters(line, max - 1) + "…";
}

std::string relative(Date date, Date now) {
  const double seconds = now - date;
  // A date in the future (a clock set back) or no date at all reads as new.
  if (!(seconds >= 90)) return "just now";
  if (seconds < 3600) return std::to_string(wholeUnits(seconds, 60)) + " min ago";
  if (seconds < 86400) return std::to_string(wholeUnits(seconds, 3600)) + " h ago";
  return std::to_string(wholeUnits(seconds, 86400)) + " d ago";
}

std::string abbreviatedPath(std::string_view path, const std::optional<std::string>& home) {
  if (!home) return std::string(path);
  std::string_view base = *home;
  while (!base.empty() && base.back() == '/') base.remove_suffix(1);
  // The root as home would make every path "~"; shorten nothing then.
  if (base.empty()) return std::string(path);
  if (path.size() > base.size() && path.starts_with(base) && path[base.size()] == '/') {
    return "~" + std::string(path.substr(base.size()));
  }
  return std::string(path);
}

}  // namespace quorvale::Suggester

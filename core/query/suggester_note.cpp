// The note above the file rows: what the file search changed in the typed text.
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include "query/smart_search.h"
#include "query/suggester.h"

namespace quorvale::Suggester {
namespace {

// The text with every occurrence of `from` replaced by `to`, ignoring case.
std::string replacedIgnoringCase(const std::string& text, const std::string& from,
                                 const std::string& to) {
  if (from.empty()) return text;
  icu::UnicodeString haystack = icu::UnicodeString::fromUTF8(text);
  icu::UnicodeString needle = icu::UnicodeString::fromUTF8(from);
  icu::UnicodeString replacement = icu::UnicodeString::fromUTF8(to);
  icu::UnicodeString result;
  int32_t start = 0;
  int32_t length = needle.length();
  for (int32_t at = 0; at + length <= haystack.length();) {
    if (haystack.caseCompare(at, length, needle, U_FOLD_CASE_DEFAULT) == 0) {
      result.append(haystack, start, at - start).append(replacement);
      at += length;
      start = at;
    } else {
      ++at;
    }
  }
  result.append(haystack, start, haystack.length() - start);
  std::string out;
  result.toUTF8String(out);
  return out;
}

}  // namespace

std::optional<std::string> noteFor(std::string_view text, const SmartResult& result) {
  if (!result.corrected.empty()) {
    std::string shown(text);
    for (const auto& [typed, used] : result.corrected)
      shown = replacedIgnoringCase(shown, typed, used);
    return "Showing results for “" + shown + "”";
  }
  if (result.relaxed) return std::string("Closest matches");
  return std::nullopt;
}

}  // namespace quorvale::Suggester

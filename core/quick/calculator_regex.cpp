#include "quick/calculator_regex.h"

#include <unicode/unistr.h>

namespace quorvale {
namespace {

icu::UnicodeString toUnicode(std::string_view text) {
  return icu::UnicodeString::fromUTF8(
      icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
}

icu::UnicodeString toUnicode(std::u16string_view text) {
  return icu::UnicodeString(text.data(), static_cast<int32_t>(text.size()));
}

std::string toUtf8(const icu::UnicodeString& text) {
  std::string out;
  text.toUTF8String(out);
  return out;
}

}  // namespace

CalculatorRegex::CalculatorRegex(std::u16string_view pattern) {
  UErrorCode status = U_ZERO_ERROR;
  UParseError error{};
  pattern_.reset(icu::RegexPattern::compile(toUnicode(pattern), 0, error, status));
  if (U_FAILURE(status)) pattern_.reset();
}

std::optional<std::vector<std::string>> CalculatorRegex::groups(std::string_view text) const {
  if (!pattern_) return std::nullopt;
  // The matcher keeps a reference to `subject`, which outlives it.
  const icu::UnicodeString subject = toUnicode(text);
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::RegexMatcher> matcher(pattern_->matcher(subject, status));
  if (U_FAILURE(status) || !matcher || !matcher->find(status) || U_FAILURE(status))
    return std::nullopt;
  std::vector<std::string> found;
  for (int32_t i = 1; i <= matcher->groupCount(); ++i) {
    found.push_back(toUtf8(matcher->group(i, status)));
  }
  if (U_FAILURE(status)) return std::nullopt;
  return found;
}

std::string CalculatorRegex::replaceAll(std::string_view text,
                                        std::u16string_view replacement) const {
  if (!pattern_) return std::string(text);
  const icu::UnicodeString subject = toUnicode(text);
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::RegexMatcher> matcher(pattern_->matcher(subject, status));
  if (U_FAILURE(status) || !matcher) return std::string(text);
  // Escaping keeps "$" and "\" in the replacement literal.
  icu::UnicodeString literal = toUnicode(replacement);
  literal.findAndReplace(icu::UnicodeString(u"\\"), icu::UnicodeString(u"\\\\"));
  literal.findAndReplace(icu::UnicodeString(u"$"), icu::UnicodeString(u"\\$"));
  icu::UnicodeString result = matcher->replaceAll(literal, status);
  if (U_FAILURE(status)) return std::string(text);
  return toUtf8(result);
}

}  // namespace quorvale

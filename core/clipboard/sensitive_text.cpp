#include "clipboard/sensitive_text.h"

#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "util/unicode.h"

namespace quorvale::SensitiveText {
namespace {

using Pattern = std::unique_ptr<icu::RegexPattern>;

Pattern compile(const char* expression) {
  UErrorCode status = U_ZERO_ERROR;
  UParseError where{};
  Pattern pattern(
      icu::RegexPattern::compile(icu::UnicodeString::fromUTF8(expression), 0, where, status));
  // The expressions are constants of this file: a failure is a broken build, not bad input.
  if (U_FAILURE(status)) std::abort();
  return pattern;
}

struct Patterns {
  Pattern serviceToken = compile(
      "^(sk-[A-Za-z0-9_-]{20,}|sk_(live|test)_[A-Za-z0-9]{16,}|ghp_[A-Za-z0-9]{30,}|"
      "github_pat_[A-Za-z0-9_]{30,}|xox[baprs]-[A-Za-z0-9-]{10,}|AKIA[0-9A-Z]{16}|"
      "AIza[0-9A-Za-z_-]{30,})$");
  Pattern webToken = compile("^eyJ[A-Za-z0-9_-]{5,}\\.[A-Za-z0-9_-]{5,}\\.[A-Za-z0-9_-]{5,}$");
  Pattern identityNumber = compile("^\\d{3}-\\d{2}-\\d{4}$");
  Pattern oneTimeCode = compile("^\\d{6,8}$");
  Pattern fileExtension = compile("\\.[A-Za-z0-9]{1,5}$");
  Pattern lowerCamel = compile("^[a-z][a-z0-9]*([A-Z][a-z0-9]*)+$");
  Pattern upperCamel = compile("^[A-Z][a-z0-9]+([A-Z][a-z0-9]+)+$");
};

// Compiled on first use; a compiled pattern is immutable and hands out one matcher per search.
const Patterns& patterns() {
  static const Patterns compiled;
  return compiled;
}

bool found(const icu::RegexPattern& pattern, const icu::UnicodeString& text) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::RegexMatcher> matcher(pattern.matcher(text, status));
  if (U_FAILURE(status)) return false;
  bool result = matcher->find(status);
  return U_SUCCESS(status) && result;
}

// The ASCII digits of a text written with decimal digits (of any script), spaces and dashes;
// nothing when any other character occurs.
std::optional<std::string> cardDigits(std::string_view text) {
  std::string digits;
  for (char32_t c : unicode::scalars(text)) {
    if (unicode::isDigit(c)) {
      digits.push_back(static_cast<char>('0' + u_charDigitValue(static_cast<UChar32>(c))));
    } else if (c != U' ' && c != U'-') {
      return std::nullopt;
    }
  }
  return digits;
}

bool looksLikeCardNumber(std::string_view text) {
  auto digits = cardDigits(text);
  return digits && digits->size() >= 13 && digits->size() <= 19 && luhn(*digits);
}

struct Mix {
  bool upper = false;
  bool lower = false;
  bool letter = false;
  bool digit = false;
  bool symbol = false;        // neither a letter, nor a digit, nor one of "._-@,:+"
  bool spaceOrSlash = false;  // U+0020 only: other white space does not make a text harmless
};

Mix mixOf(std::string_view text) {
  static constexpr std::u32string_view kPlainMarks = U"._-@,:+";
  Mix mix;
  for (char32_t c : unicode::scalars(text)) {
    bool letter = unicode::isLetter(c);
    bool digit = unicode::isDigit(c);
    mix.letter |= letter;
    mix.digit |= digit;
    mix.upper |= unicode::isUpper(c);
    mix.lower |= unicode::isLower(c);
    mix.symbol |= !letter && !digit && kPlainMarks.find(c) == std::u32string_view::npos;
    mix.spaceOrSlash |= c == U' ' || c == U'/';
  }
  return mix;
}

// Rules 7 and 8: a text of at most 200 characters without a space or "/" that is neither an
// address nor a name. Only the space itself excuses a text: a tab or a line break does not.
bool looksLikePasswordOrToken(std::string_view text) {
  std::size_t length = unicode::characterCount(text);
  if (length < 8 || length > 200) return false;
  Mix mix = mixOf(text);
  if (mix.spaceOrSlash || text.starts_with("http") || looksLikeAName(text)) return false;
  if (mix.upper && mix.lower && mix.symbol) return true;
  return length > 15 && mix.letter && mix.digit && mix.upper && mix.lower;
}

}  // namespace

bool looksSensitive(std::string_view original) {
  const std::string text = unicode::trimmed(original);
  if (text.find("-----BEGIN") != std::string::npos &&
      text.find("PRIVATE KEY") != std::string::npos) {
    return true;
  }
  const icu::UnicodeString wide = icu::UnicodeString::fromUTF8(text);
  const Patterns& rules = patterns();
  if (found(*rules.serviceToken, wide) || found(*rules.webToken, wide) ||
      found(*rules.identityNumber, wide)) {
    return true;
  }
  if (looksLikeCardNumber(text)) return true;
  if (found(*rules.oneTimeCode, wide)) return true;
  return looksLikePasswordOrToken(text);
}

bool luhn(std::string_view digits) {
  if (digits.empty()) return false;
  int sum = 0;
  bool doubled = false;
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    if (*it < '0' || *it > '9') return false;
    int digit = *it - '0';
    if (doubled) {
      digit *= 2;
      if (digit > 9) digit -= 9;
    }
    sum = (sum + digit) % 10;  // only the last decimal digit matters; no overflow on long input
    doubled = !doubled;
  }
  return sum == 0;
}

bool looksLikeAName(std::string_view text) {
  const icu::UnicodeString wide = icu::UnicodeString::fromUTF8(text);
  const Patterns& rules = patterns();
  return found(*rules.fileExtension, wide) || found(*rules.lowerCamel, wide) ||
         found(*rules.upperCamel, wide);
}

}  // namespace quorvale::SensitiveText

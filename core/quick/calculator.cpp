#include "quick/calculator.h"

#include <cmath>
#include <unordered_map>
#include <utility>

#include "quick/calculator_grammar.h"
#include "quick/calculator_regex.h"
#include "quick/number_format.h"
#include "quick/thousands.h"
#include "quick/units.h"
#include "util/unicode.h"

namespace quorvale::Calculator {
namespace {

bool isAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Byte length bounds the character count from above, so most texts need no counting.
bool tooLong(std::string_view text) {
  return text.size() > kMaxLength && unicode::characterCount(text) > kMaxLength;
}

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
}

// Plain ASCII with single spaces between words is left alone by the white-space collapse; only
// other texts pay for the regular expression.
bool mayHoldSpaceRuns(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c >= 0x80 || (c == ' ' && i + 1 < text.size() && text[i + 1] == ' ')) {
      return true;
    }
  }
  return false;
}

// Lower case, the typographic operators as ASCII, no thousands separators (a function's
// argument commas stay), single spaces.
std::string normalised(std::string_view text) {
  std::string out = unicode::lowercased(text);
  if (!unicode::isAscii(out)) {
    replaceAll(out, "\u00d7", "*");
    replaceAll(out, "\u00f7", "/");
    replaceAll(out, "\u2212", "-");
    replaceAll(out, "\u03c0", "pi");
  }
  out = withoutThousandsSeparators(out);
  if (mayHoldSpaceRuns(out)) {
    static const CalculatorRegex kSpaces(u"\\s+");
    out = kSpaces.replaceAll(out, u" ");
  }
  return out;
}

// One evaluation of a text and of the parts its percent forms split off. "p% of <rest>" evaluates
// a suffix and "<rest> + q%" a prefix; a text chaining both forms ("1% of 1% of y +5% +5%") would
// revisit the same parts exponentially often, so each part's value is remembered. Evaluation is
// pure, so this changes no answer.
class Evaluation {
 public:
  std::optional<double> value(std::string_view text) {
    if (tooLong(text)) return std::nullopt;
    std::string key(text);
    if (auto known = known_.find(key); known != known_.end()) return known->second;
    std::optional<double> result = valueOfNormalised(normalised(text));
    known_.emplace(std::move(key), result);
    return result;
  }

 private:
  std::optional<double> valueOfNormalised(const std::string& text) {
    // Both percent forms need a "%"; most texts skip their regular expressions.
    if (text.find('%') != std::string::npos) {
      if (auto result = percentOf(text)) return result;
      if (auto result = percentChange(text)) return result;
    }
    return parseExpression(text);
  }

  // "p% of x": p percent of the value of x.
  std::optional<double> percentOf(const std::string& text) {
    static const CalculatorRegex kPercentOf(u"^([0-9.]+) ?% of (.+)$");
    auto groups = kPercentOf.groups(text);
    if (!groups) return std::nullopt;
    std::optional<double> percent = number::parse((*groups)[0]);
    std::optional<double> whole = percent ? value((*groups)[1]) : std::nullopt;
    if (!whole) return std::nullopt;
    return *percent * *whole / 100;
  }

  // "x + p%" and "x - p%": x raised or lowered by p percent of itself.
  std::optional<double> percentChange(const std::string& text) {
    static const CalculatorRegex kPercentChange(u"^(.+?) ?([+-]) ?([0-9.]+) ?%$");
    auto groups = kPercentChange.groups(text);
    if (!groups) return std::nullopt;
    std::optional<double> percent = number::parse((*groups)[2]);
    std::optional<double> base = percent ? value((*groups)[0]) : std::nullopt;
    if (!base) return std::nullopt;
    double factor = (*groups)[1] == "+" ? 1 + *percent / 100 : 1 - *percent / 100;
    return *base * factor;
  }

  std::unordered_map<std::string, std::optional<double>> known_;
};

// A bare number ("42", "1,000", "1234.5678") is not a question for the calculator; an operator,
// a bracket or a letter ("pi", "sqrt(2)") makes it one. U+2212 alone does not count.
bool looksLikeCalculation(std::string_view text) {
  constexpr std::string_view kOperators = "+-*/^%!()";
  for (char c : text) {
    if (kOperators.find(c) != std::string_view::npos || isAsciiLetter(c)) return true;
  }
  if (unicode::isAscii(text)) return false;
  for (char32_t c : unicode::scalars(text)) {
    if (c == U'\u00d7' || c == U'\u00f7' || unicode::isLetter(c)) return true;
  }
  return false;
}

std::optional<CalcResult> evaluateTrimmed(std::string_view text) {
  if (text.empty() || tooLong(text)) return std::nullopt;
  if (auto conversion = Units::convert(text)) return conversion;
  if (!looksLikeCalculation(text)) return std::nullopt;
  std::optional<double> value = evaluateMath(text);
  if (!value || !std::isfinite(*value)) return std::nullopt;
  return CalcResult{.value = *value, .display = format(*value), .kind = CalcResult::Kind::math};
}

}  // namespace

std::optional<CalcResult> evaluate(std::string_view text) {
  try {
    return evaluateTrimmed(unicode::trimmedAscii(text));
  } catch (...) {  // only allocation failures can land here; they mean no answer
    return std::nullopt;
  }
}

std::optional<double> evaluateMath(std::string_view text) {
  try {
    return Evaluation().value(text);
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace quorvale::Calculator

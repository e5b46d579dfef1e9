// A compiled ICU regular expression for the calculator and the unit converter, applied to UTF-8.
// Compiling a pattern is costly, so each is made once (a function-local static) and shared by
// every thread; each call makes its own matcher, since a matcher holds per-match state and a
// reference to the text it searches. A pattern that fails to compile matches nothing.
#pragma once

#include <unicode/regex.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvale {

class CalculatorRegex {
 public:
  explicit CalculatorRegex(std::u16string_view pattern);

  // The capture groups (1 ... n) of the first match found from the start of the text, or
  // nothing when there is none. Patterns anchored with "^" and "$" thus match the whole text.
  std::optional<std::vector<std::string>> groups(std::string_view text) const;
  // The text with every match replaced by `replacement` (taken literally, no "$n" references).
  std::string replaceAll(std::string_view text, std::u16string_view replacement) const;

 private:
  std::unique_ptr<icu::RegexPattern> pattern_;
};

}  // namespace quorvale

// Builds full-text (FTS5) match expressions from typed words. Every word is reduced to its
// letters and digits before it reaches FTS5, so no typed character ("*", ":", "^", "(", a
// quote) and no typed operator (NEAR, AND, NOT) is ever read as FTS5 syntax: each word becomes
// a quoted prefix phrase. Pure; safe on any thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quorvale {

// One quoted prefix phrase per term: q3-report gives "q3 report"*, which matches q3 followed by
// any word beginning with report. Terms without letters or digits are skipped; none left gives
// no expression. Phrases are joined with OR when `any`, else AND; `nameOnly` limits the match
// to the name column.
std::optional<std::string> matchExpression(const std::vector<std::string>& terms, bool any,
                                           bool nameOnly);

// The files whose name or path has any of the excluded words, as an expression of its own;
// nothing when no excluded word has letters or digits.
std::optional<std::string> exclusionExpression(const std::vector<std::string>& excluded);

// `expression` without the files whose name or path has any of the excluded words (their
// contents do not count); the expression itself when no excluded word has letters or digits.
std::string withExclusions(const std::string& expression, const std::vector<std::string>& excluded);

}  // namespace quorvale

#include "index/match_expression.h"

#include "index/word_split.h"

namespace quorvale {
namespace {

std::optional<std::string> prefixPhrase(const std::string& term) {
  std::vector<std::string> pieces = Index_split(term);
  if (pieces.empty()) return std::nullopt;
  std::string phrase = "\"";
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) phrase += ' ';
    phrase += pieces[i];
  }
  return phrase + "\"*";
}

}  // namespace

std::optional<std::string> matchExpression(const std::vector<std::string>& terms, bool any,
                                           bool nameOnly) {
  std::string joined;
  for (const auto& term : terms) {
    auto phrase = prefixPhrase(term);
    if (!phrase) continue;
    if (!joined.empty()) joined += any ? " OR " : " AND ";
    joined += *phrase;
  }
  if (joined.empty()) return std::nullopt;
  if (nameOnly) return "{name} : (" + joined + ")";
  return joined;
}

std::optional<std::string> exclusionExpression(const std::vector<std::string>& excluded) {
  if (excluded.empty()) return std::nullopt;
  auto exclusion = matchExpression(excluded, true, false);
  if (!exclusion) return std::nullopt;
  return "{name path} : (" + *exclusion + ")";
}

std::string withExclusions(const std::string& expression,
                           const std::vector<std::string>& excluded) {
  auto exclusion = exclusionExpression(excluded);
  if (!exclusion) return expression;
  return "(" + expression + ") NOT " + *exclusion;
}

}  // namespace quorvale

#include "index/rank_expression.h"

#include "index/word_split.h"

namespace quorvale {
namespace {

// FTS5 folds ASCII upper case; the other characters a token can hold after its first one.
constexpr std::string_view kAsciiTokenCharacters = "0123456789abcdefghijklmnopqrstuvwxyz";

struct Phrases {
  std::string text;                   // one phrase, or a parenthesised OR of phrases
  std::size_t count = 1;              // FTS5 phrases in `text`
  std::optional<std::string> group;   // the OR alone, when split
};

std::optional<char> singleAsciiCharacter(const std::vector<std::string>& pieces) {
  if (pieces.size() != 1 || pieces[0].size() != 1) return std::nullopt;
  char c = pieces[0][0];
  if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (kAsciiTokenCharacters.find(c) == std::string_view::npos) return std::nullopt;
  return c;
}

std::optional<Phrases> phrasesFor(const std::string& term, const SecondCharacters& second) {
  std::vector<std::string> pieces = Index_split(term);
  if (pieces.empty()) return std::nullopt;
  if (auto letter = singleAsciiCharacter(pieces)) {
    if (auto others = second(*letter)) {
      std::string group = "(\"" + std::string(1, *letter) + "\"";
      std::size_t count = 1;
      for (char next : kAsciiTokenCharacters) {
        group += " OR \"" + std::string(1, *letter) + next + "\"*";
        ++count;
      }
      for (const auto& character : *others) {
        group += " OR \"" + std::string(1, *letter) + character + "\"*";
        ++count;
      }
      group += ")";
      return Phrases{group, count, group};
    }
  }
  std::string phrase = "\"";
  for (std::size_t i = 0; i < pieces.size(); ++i) phrase += (i ? " " : "") + pieces[i];
  return Phrases{phrase + "\"*", 1, std::nullopt};
}

// Appends the terms' phrases joined by `separator`; returns the joined text.
std::string join(const std::vector<std::string>& terms, const std::string& separator,
                 const std::optional<std::string>& columns, const SecondCharacters& second,
                 RankExpression& out) {
  std::string joined;
  for (const auto& term : terms) {
    auto phrases = phrasesFor(term, second);
    if (!phrases) continue;
    std::size_t group = out.groupCount.size();
    out.groupOf.insert(out.groupOf.end(), phrases->count, group);
    out.groupCount.push_back(phrases->group ? std::optional(columns ? *columns + " : " + *phrases->group
                                                                    : *phrases->group)
                                            : std::nullopt);
    if (!joined.empty()) joined += separator;
    joined += phrases->text;
  }
  return joined;
}

}  // namespace

std::optional<RankExpression> rankExpression(const std::vector<std::string>& terms, bool any,
                                             bool nameOnly,
                                             const std::vector<std::string>& excluded,
                                             const SecondCharacters& secondCharacters) {
  RankExpression out;
  std::optional<std::string> columns =
      nameOnly ? std::optional<std::string>("{name}") : std::nullopt;
  std::string match = join(terms, any ? " OR " : " AND ", columns, secondCharacters, out);
  if (match.empty()) return std::nullopt;
  if (nameOnly) match = "{name} : (" + match + ")";
  std::string exclusion = join(excluded, " OR ", "{name path}", secondCharacters, out);
  if (!exclusion.empty()) match = "(" + match + ") NOT {name path} : (" + exclusion + ")";
  out.match = std::move(match);
  return out;
}

}  // namespace quorvale

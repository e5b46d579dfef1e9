// The full-text expression the fast ranking path runs, with the same matches and the same bm25
// as the expression a search states, but cheaper where FTS5 is slow.
//
// A one-character prefix ("s"*) has no prefix index (the table keeps prefixes of 2 and 3), so
// FTS5 merges the document lists of every indexed word that starts with the letter before it
// can answer; for a common letter that is most of the index, on every keystroke. Such a term is
// run instead as the group ("s" OR "s0"* OR ... OR "sz"* OR "sX"* ...) of its two-character
// prefixes, each read from the prefix index, plus the word "s" itself and a prefix for every
// non-ASCII second character the index holds. The group matches exactly the documents the
// prefix matches, and the instances of its phrases are exactly the prefix's instances, so the
// ranking sums the group's phrase frequencies and uses the prefix's document count; the scores
// are the same to the last bit. Pure; safe on any thread.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvale {

struct RankExpression {
  // The expression to match.
  std::string match;
  // For every FTS5 phrase of `match`, in order, the phrase of the stated expression it belongs
  // to (terms in order, then excluded words).
  std::vector<std::size_t> groupOf;
  // For every stated phrase that was split, an expression matching exactly the documents that
  // phrase matches on its own (with its column filter): its document count for bm25.
  std::vector<std::optional<std::string>> groupCount;
};

// The non-ASCII characters that follow `letter` at the start of indexed words; nothing when the
// index cannot say (the term is then not split).
using SecondCharacters = std::function<std::optional<std::vector<std::string>>(char letter)>;

// The stated expression is matchExpression(terms, any, nameOnly) with withExclusions(excluded);
// nothing when it has no phrase.
std::optional<RankExpression> rankExpression(const std::vector<std::string>& terms, bool any,
                                             bool nameOnly,
                                             const std::vector<std::string>& excluded,
                                             const SecondCharacters& secondCharacters);

}  // namespace quorvale

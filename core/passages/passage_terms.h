// The word-level pieces of passage search: its tokenizer (with UTF-16 offsets, the unit the
// panel highlights in), the light stemming that lets "summaries" find "summary", how many of a
// question's terms a passage covers, and the FTS5 expression built from the terms. Pure
// functions; safe on any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvale::PassageTerms {

struct Token {
  std::string text;   // lower case
  int64_t start = 0;  // UTF-16 offsets in the text
  int64_t end = 0;
  std::size_t byteStart = 0;  // the same in bytes
  std::size_t byteEnd = 0;
  bool operator==(const Token&) const = default;
};

// Maximal runs of letters, marks and numbers, lower-cased.
std::vector<Token> tokens(std::string_view text);
std::string stem(std::string_view word);
// How many of the words (by stem, or by a shared 5-character prefix between stems of 6 or more
// characters) and phrases (as lower-case substrings) the text holds.
int covered(std::string_view text, const std::vector<std::string>& words,
            const std::vector<std::string>& phrases);

// An FTS5 expression over the terms; nothing without a usable term. Every term goes in as a
// double-quoted string of its letter-and-number runs, so no FTS5 syntax from the user (quotes,
// NEAR, *, -, :, parentheses, AND/OR/NOT) ever reaches the engine as syntax.
std::optional<std::string> matchExpression(const std::vector<std::string>& words,
                                           const std::vector<std::string>& phrases);

}  // namespace quorvale::PassageTerms

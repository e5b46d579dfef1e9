#include "passages/passage_terms.h"

#include <algorithm>
#include <unordered_set>

#include "passages/text_scalars.h"
#include "util/unicode.h"

namespace quorvale::PassageTerms {
namespace {

std::size_t length(std::string_view word) {
  return unicode::scalarCount(word);
}

// The quoted form of a term: its tokens inside double quotes; nothing when it has none.
std::optional<std::string> quoted(std::string_view term) {
  std::vector<std::string> parts;
  for (Token& token : tokens(term)) parts.push_back(std::move(token.text));
  if (parts.empty()) return std::nullopt;
  return "\"" + passages::joined(parts, " ") + "\"";
}

std::vector<std::string> quotedAll(const std::vector<std::string>& terms) {
  std::vector<std::string> out;
  for (const std::string& term : terms) {
    if (auto q = quoted(term)) out.push_back(std::move(*q));
  }
  return out;
}

bool sharePrefix(const std::u32string& a, const std::u32string& b, std::size_t count) {
  return a.size() >= count && b.size() >= count &&
         std::equal(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(count), b.begin());
}

}  // namespace

std::vector<Token> tokens(std::string_view text) {
  std::vector<Token> out;
  int64_t units = 0;
  bool inToken = false;
  Token current;
  const auto endToken = [&](std::size_t byteEnd) {
    current.byteEnd = byteEnd;
    current.end = units;
    current.text = unicode::lowercased(text.substr(current.byteStart, byteEnd - current.byteStart));
    out.push_back(std::move(current));
    inToken = false;
  };
  unicode::forEachScalar(text, [&](const unicode::ScalarRead& scalar) {
    const auto at = static_cast<std::size_t>(scalar.bytes.data() - text.data());
    if (passages::isAlphanumeric(scalar.value)) {
      if (!inToken) {
        current = Token{.text = {}, .start = units, .end = units, .byteStart = at, .byteEnd = 0};
        inToken = true;
      }
    } else if (inToken) {
      endToken(at);
    }
    units += scalar.value > 0xFFFF ? 2 : 1;
  });
  if (inToken) endToken(text.size());
  return out;
}

std::string stem(std::string_view word) {
  const std::size_t n = length(word);
  std::string w(word);
  if (n >= 5 && w.ends_with("ies")) return w.substr(0, w.size() - 3) + "y";
  if (n >= 6 && w.ends_with("ing")) return w.substr(0, w.size() - 3);
  if (n >= 5 && w.ends_with("ed")) return w.substr(0, w.size() - 2);
  if (n >= 5 && w.ends_with("es")) return w.substr(0, w.size() - 2);
  if (n >= 4 && w.ends_with('s') && !w.ends_with("ss")) return w.substr(0, w.size() - 1);
  return w;
}

int covered(std::string_view text, const std::vector<std::string>& words,
            const std::vector<std::string>& phrases) {
  std::unordered_set<std::string> stems;
  for (const Token& token : tokens(text)) stems.insert(stem(token.text));
  std::vector<std::u32string> longStems;
  for (const std::string& s : stems) {
    std::u32string scalars = unicode::scalars(s);
    if (scalars.size() >= 6) longStems.push_back(std::move(scalars));
  }
  int count = 0;
  for (const std::string& word : words) {
    std::string wordStem = stem(word);
    if (stems.contains(wordStem)) {
      ++count;
      continue;
    }
    std::u32string scalars = unicode::scalars(wordStem);
    if (scalars.size() < 6) continue;
    if (std::any_of(longStems.begin(), longStems.end(),
                    [&](const std::u32string& s) { return sharePrefix(s, scalars, 5); })) {
      ++count;
    }
  }
  if (!phrases.empty()) {
    std::string lower = unicode::lowercased(text);
    for (const std::string& phrase : phrases) {
      if (lower.find(phrase) != std::string::npos) ++count;
    }
  }
  return count;
}

std::optional<std::string> matchExpression(const std::vector<std::string>& words,
                                           const std::vector<std::string>& phrases) {
  std::vector<std::string> quotedWords = quotedAll(words);
  std::vector<std::string> quotedPhrases = quotedAll(phrases);
  if (quotedPhrases.empty()) {
    if (quotedWords.empty()) return std::nullopt;
    return passages::joined(quotedWords, " OR ");
  }
  std::vector<std::string> required;
  for (const std::string& phrase : quotedPhrases) required.push_back("(" + phrase + ")");
  std::vector<std::string> any = quotedPhrases;
  any.insert(any.end(), quotedWords.begin(), quotedWords.end());
  return passages::joined(required, " AND ") + " AND (" + passages::joined(any, " OR ") + ")";
}

}  // namespace quorvale::PassageTerms

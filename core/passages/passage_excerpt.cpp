#include "passages/passage_excerpt.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>

#include "passages/passage_terms.h"
#include "util/unicode.h"

namespace quorvale::PassageExcerpt {
namespace {

struct Hit {
  int64_t start = 0;
  int64_t end = 0;
  double weight = 0;
  std::string key;  // "w" + stem or "p" + phrase: distinct keys count once per window
};

// The text's scalars lower-cased one by one (so offsets keep their meaning), with the UTF-16
// offset and the byte offset of each scalar and of the end.
struct Layout {
  std::u32string lower;
  std::vector<int64_t> unitAt;
  std::vector<std::size_t> byteAtUnit;  // for every UTF-16 offset; inside a pair, the pair's start

  explicit Layout(std::string_view text) {
    std::size_t byte = 0;
    int64_t units = 0;
    for (char32_t c : unicode::scalars(text)) {
      lower += static_cast<char32_t>(u_tolower(static_cast<UChar32>(c)));
      unitAt.push_back(units);
      const int width = c > 0xFFFF ? 2 : 1;
      for (int i = 0; i < width; ++i) byteAtUnit.push_back(byte);
      units += width;
      byte += unicode::fromScalar(c).size();
    }
    unitAt.push_back(units);
    byteAtUnit.push_back(byte);
  }
  int64_t units() const { return unitAt.back(); }
};

std::vector<Hit> findHits(const std::vector<PassageTerms::Token>& tokens, const Layout& layout,
                          const std::vector<std::string>& words,
                          const std::vector<std::string>& expansion,
                          const std::vector<std::string>& phrases) {
  std::unordered_map<std::string, double> weights;
  for (const std::string& word : words) weights[PassageTerms::stem(word)] = 1.0;
  for (const std::string& word : expansion)
    weights.try_emplace(PassageTerms::stem(word), kExpansionWeight);

  std::vector<Hit> hits;
  for (const PassageTerms::Token& token : tokens) {
    std::string stem = PassageTerms::stem(token.text);
    auto found = weights.find(stem);
    if (found != weights.end()) hits.push_back({token.start, token.end, found->second, "w" + stem});
  }
  for (const std::string& phrase : phrases) {
    std::u32string needle = unicode::scalars(phrase);
    if (needle.empty()) continue;
    for (std::size_t at = layout.lower.find(needle); at != std::u32string::npos;
         at = layout.lower.find(needle, at + needle.size())) {
      hits.push_back({layout.unitAt[at], layout.unitAt[at + needle.size()], 1.0, "p" + phrase});
    }
  }
  std::stable_sort(hits.begin(), hits.end(),
                   [](const Hit& a, const Hit& b) { return a.start < b.start; });
  return hits;
}

double windowScore(const std::vector<Hit>& hits, int64_t start, int64_t end) {
  std::map<std::string_view, double> keys;
  for (const Hit& hit : hits) {
    if (hit.start >= start && hit.end <= end) keys.emplace(hit.key, hit.weight);
  }
  double score = 0;
  for (const auto& [key, weight] : keys) score += weight;
  return score;
}

int64_t windowStart(const std::vector<Hit>& hits, const std::vector<PassageTerms::Token>& tokens,
                    int64_t length) {
  if (hits.empty()) return 0;
  int64_t best = hits.front().start;
  double bestScore = -1;
  for (const Hit& hit : hits) {
    double score = windowScore(hits, hit.start, hit.start + length);
    if (score > bestScore) {
      bestScore = score;
      best = hit.start;
    }
  }
  // A little context before the first hit, from the start of a word.
  const int64_t earliest = std::max<int64_t>(0, best - kLeadIn);
  for (const PassageTerms::Token& token : tokens) {
    if (token.start >= earliest) return std::min(best, token.start);
  }
  return best;
}

int64_t windowEnd(const std::vector<PassageTerms::Token>& tokens, int64_t start, int64_t length,
                  int64_t total) {
  const int64_t limit = start + length;
  if (limit >= total) return total;
  int64_t end = limit;
  for (const PassageTerms::Token& token : tokens) {
    if (token.end > limit) break;
    if (token.end > start) end = token.end;
  }
  return end;
}

}  // namespace

Excerpt excerpt(std::string_view anyText, const std::vector<std::string>& words,
                const std::vector<std::string>& expansion, const std::vector<std::string>& phrases,
                int64_t length) {
  // Offsets below are taken over well-formed text.
  const std::string valid = unicode::toValidUtf8(anyText);
  const std::string_view text = valid;
  const Layout layout(text);
  const std::vector<PassageTerms::Token> tokens = PassageTerms::tokens(text);
  const std::vector<Hit> hits = findHits(tokens, layout, words, expansion, phrases);
  const int64_t total = layout.units();
  int64_t start = 0, end = total;
  if (total > length) {
    start = windowStart(hits, tokens, length);
    end = windowEnd(tokens, start, length, total);
  }
  Excerpt out;
  const std::size_t from = layout.byteAtUnit[static_cast<std::size_t>(start)];
  out.passage =
      std::string(text.substr(from, layout.byteAtUnit[static_cast<std::size_t>(end)] - from));
  for (const Hit& hit : hits) {
    if (hit.start >= start && hit.end <= end) {
      out.highlights.push_back({hit.start - start, hit.end - start});
    }
  }
  return out;
}

}  // namespace quorvale::PassageExcerpt

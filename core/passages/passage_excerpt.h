// Choosing what part of a passage to show: a window of at most `length` UTF-16 units placed where
// the question's words weigh most (expansion words count half), started at a word a little
// before the first hit and ended at a word end, with the ranges of every hit inside it for
// highlighting. Pure; safe on any thread. Called by PassageSearch.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvale {

// A half-open range of UTF-16 offsets.
struct TextRange {
  int64_t start = 0;
  int64_t end = 0;
  bool operator==(const TextRange&) const = default;
};

struct Excerpt {
  std::string passage;
  std::vector<TextRange> highlights;  // in `passage`
  bool operator==(const Excerpt&) const = default;
};

namespace PassageExcerpt {

constexpr int64_t kLength = 200;
constexpr int64_t kLeadIn = 30;
constexpr double kExpansionWeight = 0.5;

Excerpt excerpt(std::string_view text, const std::vector<std::string>& words,
                const std::vector<std::string>& expansion, const std::vector<std::string>& phrases,
                int64_t length = kLength);

}  // namespace PassageExcerpt
}  // namespace quorvale

// The words the corpus is written in: a few thousand English-like words ranked by frequency, and
// a Zipf-like sampler over those ranks, so that full-text search meets realistic term frequencies
// (a handful of very common words, a long tail of rare ones). Common English words take the top
// ranks; made-up words from a fixed syllable table fill the tail. The list is the same for every
// corpus seed. Read-only after first use; safe to share between threads.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "corpus/random.h"

namespace quorvale::bench {

// Every content word, most frequent first.
const std::vector<std::string>& vocabularyWords();

// Real nouns and verbs that suit file and folder names ("budget", "roadmap", "invoice").
std::span<const std::string_view> nameWords();

// Draws word ranks with probability proportional to 1 / (rank + 2.7).
class ZipfSampler {
 public:
  explicit ZipfSampler(std::size_t count);
  std::size_t rank(Random& random) const;

 private:
  std::vector<double> cumulative_;
};

// A word drawn from the vocabulary with Zipf-like frequencies.
const std::string& zipfWord(Random& random);

}  // namespace quorvale::bench

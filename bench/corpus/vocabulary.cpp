#include "corpus/vocabulary.h"

#include <algorithm>
#include <unordered_set>

#include "corpus/word_lists.h"

namespace quorvale::bench {
namespace {

constexpr std::size_t kVocabularySize = 4000;
// The made-up words come from their own fixed stream, independent of any corpus seed.
constexpr uint64_t kVocabularySeed = 0x766f636162756c61ULL;

constexpr std::string_view kOnsets[] = {
    "b", "br", "c",  "ch", "cl", "d", "dr", "f",  "fl", "g", "gr", "h",  "j", "k", "l", "m", "n",
    "p", "pl", "pr", "qu", "r",  "s", "sh", "sl", "st", "t", "th", "tr", "v", "w", "z", "",  "sp"};
constexpr std::string_view kVowels[] = {"a", "e", "i", "o", "u", "ai", "ea", "ou", "io", "y"};
constexpr std::string_view kCodas[] = {"",  "",   "",   "n",  "r", "l",  "s", "t",
                                       "m", "nd", "st", "rk", "x", "ng", "ck"};

std::string madeUpWord(Random& random) {
  std::string word;
  const int syllables = random.percent(55) ? 2 : (random.percent(70) ? 3 : 1);
  for (int i = 0; i < syllables; ++i) {
    word += random.pick(kOnsets);
    word += random.pick(kVowels);
    // Closed syllables mostly at the end keep the words pronounceable ("tarvolen", not
    // "tarkstvolng").
    if (i + 1 == syllables || random.percent(25)) word += random.pick(kCodas);
  }
  return word;
}

std::vector<std::string> realWordsAfterTheTop(std::unordered_set<std::string>& seen) {
  std::vector<std::string> words;
  for (auto list : {nameWordList(), commonWords()}) {
    for (std::string_view word : list) {
      if (seen.emplace(word).second) words.emplace_back(word);
    }
  }
  // Mix the two lists so that neither takes all the higher ranks.
  Random random(kVocabularySeed + 1);
  for (std::size_t i = words.size(); i > 1; --i) std::swap(words[i - 1], words[random.below(i)]);
  return words;
}

std::vector<std::string> buildVocabulary() {
  std::vector<std::string> words;
  std::unordered_set<std::string> seen;
  for (std::string_view word : functionWords()) {
    if (seen.emplace(word).second) words.emplace_back(word);
  }
  std::vector<std::string> real = realWordsAfterTheTop(seen);
  Random random(kVocabularySeed);
  std::size_t nextReal = 0;
  while (words.size() < kVocabularySize) {
    // Real and made-up words alternate until the real ones run out.
    if (nextReal < real.size() && (words.size() % 2 == 0)) {
      words.push_back(real[nextReal++]);
      continue;
    }
    std::string word = madeUpWord(random);
    if (word.size() >= 3 && seen.insert(word).second) words.push_back(std::move(word));
  }
  return words;
}

}  // namespace

const std::vector<std::string>& vocabularyWords() {
  static const std::vector<std::string> words = buildVocabulary();
  return words;
}

std::span<const std::string_view> nameWords() {
  return nameWordList();
}

ZipfSampler::ZipfSampler(std::size_t count) : cumulative_(count) {
  double total = 0;
  for (std::size_t rank = 0; rank < count; ++rank) {
    total += 1.0 / (static_cast<double>(rank) + 2.7);
    cumulative_[rank] = total;
  }
  for (double& value : cumulative_) value /= total;
}

std::size_t ZipfSampler::rank(Random& random) const {
  const double u = random.unit();
  auto it = std::upper_bound(cumulative_.begin(), cumulative_.end(), u);
  return std::min<std::size_t>(it - cumulative_.begin(), cumulative_.size() - 1);
}

const std::string& zipfWord(Random& random) {
  static const ZipfSampler sampler(vocabularyWords().size());
  return vocabularyWords()[sampler.rank(random)];
}

}  // namespace quorvale::bench

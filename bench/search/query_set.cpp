#include "search/query_set.h"

#include <algorithm>

#include "search/generated_files.h"
#include "search/split_mix.h"

namespace quorvale::bench {
namespace {

void typed(std::vector<BenchQuery>& out, const std::string& before, const std::string& word,
           const std::string& group) {
  for (std::size_t length = 1; length <= word.size(); ++length) {
    out.push_back({before + word.substr(0, length), group});
  }
}

std::string misspelt(SplitMix& random, std::string word) {
  std::size_t at = 1 + random.below(word.size() - 2);
  switch (random.below(3)) {
    case 0:
      std::swap(word[at], word[at + 1]);
      break;
    case 1:
      word.erase(at, 1);
      break;
    default:
      word[at] = static_cast<char>('a' + random.below(26));
      break;
  }
  return word;
}

}  // namespace

std::vector<BenchQuery> searchQueries(uint64_t seed) {
  SplitMix random(seed);
  std::vector<std::string> nameWords = generatedNameWords();
  const std::vector<std::string>& words = generatedWords();
  // Content words beyond the common ones: the made-up tail of the vocabulary.
  std::vector<std::string> contentWords(words.begin() + 300, words.begin() + 3000);
  std::vector<BenchQuery> out;

  for (int i = 0; i < 18; ++i) typed(out, "", random.pick(nameWords), "prefix");
  for (int i = 0; i < 6; ++i) {
    std::string first = random.pick(nameWords);
    std::string second = random.pick(nameWords);
    out.push_back({first, "words"});
    typed(out, first + " ", second.substr(0, std::min<std::size_t>(second.size(), 4)), "words");
    out.push_back({first + " " + second, "words"});
    if (i % 2 == 0) out.push_back({first + " " + second + " " + random.pick(nameWords), "words"});
  }
  for (int i = 0; i < 20; ++i) {
    std::string word;
    do word = random.pick(nameWords);
    while (word.size() < 5);
    out.push_back({misspelt(random, word), "typo"});
  }
  const std::vector<std::string> kindWords = {"pdf",     "photos", "docs",   "slides",
                                              "code",    "songs",  "videos", "spreadsheet",
                                              "archive", "images"};
  for (const auto& kind : kindWords) out.push_back({random.pick(nameWords) + " " + kind, "kind"});
  out.push_back({random.pick(nameWords) + " " + random.pick(nameWords) + " pdfs", "kind"});
  const std::vector<std::string> filters = {
      "kind:pdf ",  "ext:md ",           "in:Projects ",      "type:image ",
      "size:>1mb ", "modified:month ",   "after:2025-01-01 ", "in:Documents ext:txt ",
      "kind:code ", "before:2024-06-01 "};
  for (const auto& filter : filters) out.push_back({filter + random.pick(nameWords), "filter"});
  out.push_back({"kind:video", "filter"});
  out.push_back({"modified:week", "filter"});
  out.push_back({random.pick(nameWords) + " -" + random.pick(nameWords), "filter"});
  out.push_back({random.pick(nameWords) + " OR " + random.pick(nameWords), "filter"});
  out.push_back({"\"" + random.pick(nameWords) + " " + random.pick(nameWords) + "\"", "filter"});
  for (int i = 0; i < 12; ++i) out.push_back({random.pick(contentWords), "content"});
  for (int i = 0; i < 4; ++i) {
    out.push_back({random.pick(contentWords) + " " + random.pick(contentWords), "content"});
  }
  for (int i = 0; i < 6; ++i)
    out.push_back({"IMG_" + std::to_string(1000 + random.below(9000)), "name"});
  for (int i = 0; i < 6; ++i) {
    std::string a = random.pick(nameWords), b = random.pick(nameWords);
    b[0] = static_cast<char>(b[0] - 32);
    out.push_back({a + b, "name"});  // camel case, as in code file names
  }
  return out;
}

}  // namespace quorvale::bench

// Answering a typed question with the files whose passages answer it best, each with an excerpt
// and the ranges to highlight. `search` ranks passages by words (the passage database's FTS5
// table); `searchHybrid` also ranks them by meaning with the active encoder's passage vectors and
// falls back to `search` when no vector is usable. Ranked lists are merged by reciprocal-rank
// fusion; a file's score is its best passage's plus a tenth of its second best.
//
// Stateless; safe on any thread (the store is fully serialized). Called by the engine on the main
// thread for each question typed, with a limit of 4 files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "models/embedder.h"
#include "passages/passage_excerpt.h"
#include "passages/passage_store.h"
#include "passages/word_table.h"

namespace quorvale {

struct PassageHit {
  std::string path;
  double score = 0;
  std::string passage;
  std::vector<TextRange> highlights;  // in `passage`
  std::optional<int64_t> page;
  std::optional<std::string> heading;
  // The best passage was found only through expansion words.
  bool fromExpansion = false;
  int64_t chunkStart = 0;
  int64_t chunkEnd = 0;
  bool operator==(const PassageHit&) const = default;
};

struct PassageResult {
  std::vector<PassageHit> hits;  // best first
  // No hit answers the question convincingly.
  bool weak = true;
  std::vector<std::string> expansionWords;
  bool operator==(const PassageResult&) const = default;
};

struct PassageSearchOptions {
  int limit = 4;
  // Add near-synonyms from the word table, when there is one.
  bool expand = true;
  // Meaning scores below these make a result weak, with and without word coverage.
  double weakCosine = 0.8;
  double sureCosine = 0.82;
  const WordTable* wordTable = platformWordTable();
};

namespace PassageSearch {

constexpr double kFusionConstant = 60;
constexpr int kLexicalLimit = 100;
constexpr int kDenseNeighbours = 50;
constexpr std::size_t kCoverageChunks = 40;
constexpr double kSecondPassageBonus = 0.1;
constexpr int kNeighboursPerWord = 4;
constexpr double kMaxNeighbourDistance = 0.85;

PassageResult search(PassageStore& store, std::string_view text,
                     const PassageSearchOptions& options = {});
PassageResult searchHybrid(PassageStore& store, std::string_view text, const Embedder& embedder,
                           const PassageSearchOptions& options = {});

// Near-synonyms of the words (those without digits) that are not query words themselves.
std::vector<std::string> neighbours(const std::vector<std::string>& words, const WordTable* table);

}  // namespace PassageSearch
}  // namespace quorvale

// Merging the files found by meaning into the files found by words, by weighted reciprocal-rank
// fusion: each list adds weight / (rank + 60) to a path's score, meaning matches below a
// similarity floor add nothing, and a file found only by meaning joins with the record that
// `lookup` finds for its path. Pure; safe on any thread. Called by the engine on the main thread
// when the word search found fewer files than the panel shows.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "index/hit.h"
#include "semantic/semantic_store.h"

namespace quorvale::HybridSearch {

inline constexpr double kFusionConstant = 60;

using Lookup = std::function<std::optional<FileRecord>(const std::string& path)>;

struct FuseOptions {
  std::size_t limit = 0;
  double semanticWeight = 0.6;
  double minSimilarity = 0.38;
};

// The fused hits, best first (ties keep the order in which paths were first met), each with its
// fused score in `score`.
std::vector<Hit> fuse(const std::vector<Hit>& lexical,
                      const std::vector<SemanticStore::Neighbour>& semantic, const Lookup& lookup,
                      const FuseOptions& options);

}  // namespace quorvale::HybridSearch

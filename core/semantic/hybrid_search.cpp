#include "semantic/hybrid_search.h"

#include <algorithm>
#include <unordered_map>

namespace quorvale::HybridSearch {

std::vector<Hit> fuse(const std::vector<Hit>& lexical,
                      const std::vector<SemanticStore::Neighbour>& semantic, const Lookup& lookup,
                      const FuseOptions& options) {
  struct Entry {
    std::optional<Hit> hit;
    double fused = 0;
  };
  std::vector<std::string> order;
  std::unordered_map<std::string, Entry> entries;
  auto entry = [&](const std::string& path) -> Entry& {
    auto [place, added] = entries.try_emplace(path);
    if (added) order.push_back(path);
    return place->second;
  };

  for (std::size_t rank = 0; rank < lexical.size(); ++rank) {
    Entry& found = entry(lexical[rank].record.path);
    found.fused += 1.0 / (static_cast<double>(rank) + kFusionConstant);
    if (!found.hit) found.hit = lexical[rank];
  }
  for (std::size_t rank = 0; rank < semantic.size(); ++rank) {
    const SemanticStore::Neighbour& neighbour = semantic[rank];
    if (neighbour.similarity < options.minSimilarity) continue;
    Entry& found = entry(neighbour.path);
    found.fused += options.semanticWeight / (static_cast<double>(rank) + kFusionConstant);
    if (found.hit || !lookup) continue;
    if (std::optional<FileRecord> record = lookup(neighbour.path)) {
      found.hit =
          Hit{.record = std::move(*record), .score = neighbour.similarity, .matchedName = false};
    }
  }

  std::vector<Hit> fused;
  for (const std::string& path : order) {
    Entry& found = entries[path];
    if (!found.hit) continue;
    Hit hit = std::move(*found.hit);
    hit.score = found.fused;
    fused.push_back(std::move(hit));
  }
  std::stable_sort(fused.begin(), fused.end(),
                   [](const Hit& a, const Hit& b) { return a.score > b.score; });
  if (fused.size() > options.limit) fused.resize(options.limit);
  return fused;
}

}  // namespace quorvale::HybridSearch

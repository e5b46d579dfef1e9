// Passages as the chunker would cut them, for the passage store, search and indexer tests: one
// chunk per text, numbered from 0, 100 UTF-16 units apart.
#pragma once

#include <string>
#include <vector>

#include "passages/passage_chunk.h"

namespace quorvale::testing {

inline PassageChunk passageChunk(int64_t seq, const std::string& text) {
  return {.seq = seq,
          .start = seq * 100,
          .end = seq * 100 + 50,
          .page = std::nullopt,
          .heading = std::nullopt,
          .snippet = text.substr(0, 20),
          .text = text};
}

inline std::vector<PassageChunk> passageChunks(const std::vector<std::string>& texts) {
  std::vector<PassageChunk> chunks;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    chunks.push_back(passageChunk(static_cast<int64_t>(i), texts[i]));
  }
  return chunks;
}

}  // namespace quorvale::testing

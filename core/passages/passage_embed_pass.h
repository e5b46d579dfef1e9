// Gives every stored passage a vector from the active text encoder, oldest passages first, one
// batch at a time, each batch stored in one transaction. A text the encoder makes nothing of gets
// a vector of zeros (stored with scale 0), so that it is not tried again. Passages of another
// encoder keep their vectors until theirs are replaced one by one.
//
// Runs on the engine's passage queue after the indexer, with the writer connection; keeps nothing
// between runs. `shouldStop` is asked after each batch (and once before the first), `energy`
// before each batch.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "models/embedder.h"
#include "passages/passage_indexer.h"
#include "passages/passage_store.h"

namespace quorvale::PassageEmbedPass {

// Why a run ended when storing a batch failed.
inline constexpr const char* kStoreFailed = "could not store vectors";

struct Result {
  int64_t embedded = 0;   // passages embedded by this run
  int64_t remaining = 0;  // passages still without a vector of this encoder
  // "stopped", the energy policy's message, or kStoreFailed; nothing when all were embedded.
  std::optional<std::string> stoppedFor;
  bool operator==(const Result&) const = default;
};

Result run(PassageStore& store, const BatchEmbedder& embedder, int batchSize,
           const PassagePass::ShouldStop& shouldStop, const PassagePass::Energy& energy,
           const PassagePass::Progress& progress);

}  // namespace quorvale::PassageEmbedPass

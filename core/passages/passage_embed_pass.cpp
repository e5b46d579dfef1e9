#include "passages/passage_embed_pass.h"

#include <algorithm>
#include <variant>

namespace quorvale::PassageEmbedPass {
namespace {

// The energy policy's message when it says anything but run.
std::optional<std::string> energyStop(const PassagePass::Energy& energy) {
  if (!energy) return std::nullopt;
  EnergyPolicy::Verdict verdict = energy();
  if (const auto* pause = std::get_if<EnergyPolicy::Pause>(&verdict)) return pause->message;
  if (const auto* appsOnly = std::get_if<EnergyPolicy::AppsOnly>(&verdict)) {
    return appsOnly->message;
  }
  return std::nullopt;
}

// One vector per passage; zeros where the encoder gave nothing.
std::vector<PassageStore::VectorItem> embedBatch(const BatchEmbedder& embedder,
                                                 std::vector<PassageStore::ChunkText>& batch) {
  std::vector<std::string> texts;
  texts.reserve(batch.size());
  for (auto& chunk : batch) texts.push_back(std::move(chunk.text));
  std::vector<std::optional<std::vector<float>>> vectors = embedder.embedBatch(texts);
  std::vector<PassageStore::VectorItem> items;
  items.reserve(batch.size());
  for (std::size_t i = 0; i < batch.size(); ++i) {
    bool usable = i < vectors.size() && vectors[i] && vectors[i]->size() == embedder.dimension();
    items.push_back({.chunkID = batch[i].id,
                     .vector = usable ? std::move(*vectors[i])
                                      : std::vector<float>(embedder.dimension(), 0.0f)});
  }
  return items;
}

}  // namespace

Result run(PassageStore& store, const BatchEmbedder& embedder, int batchSize,
           const PassagePass::ShouldStop& shouldStop, const PassagePass::Energy& energy,
           const PassagePass::Progress& progress) {
  const std::string modelID = embedder.identifier();
  const int64_t total = store.count();
  Result result;
  auto finish = [&](std::optional<std::string> reason) {
    result.stoppedFor = std::move(reason);
    result.remaining = store.chunksWithoutVectorCount(modelID);
    return result;
  };
  if (shouldStop && shouldStop()) return finish(PassagePass::kStopped);
  const int size = std::max(1, batchSize);
  while (true) {
    if (std::optional<std::string> paused = energyStop(energy)) return finish(std::move(paused));
    std::vector<PassageStore::ChunkText> batch = store.chunksWithoutVectors(modelID, size);
    if (batch.empty()) return finish(std::nullopt);
    const auto count = static_cast<int64_t>(batch.size());
    try {
      store.storeVectors(modelID, embedBatch(embedder, batch));
    } catch (const PassageError&) {
      return finish(kStoreFailed);
    }
    result.embedded += count;
    if (progress) {
      progress("Embedded " + std::to_string(store.vectorCount(modelID)) + " of " +
               std::to_string(total) + " passages");
    }
    if (shouldStop && shouldStop()) return finish(PassagePass::kStopped);
  }
}

}  // namespace quorvale::PassageEmbedPass

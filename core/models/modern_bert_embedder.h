// The on-device text encoder: a small ModernBERT transformer (rotary positions, alternating
// global and sliding-window attention, gated GELU feed-forward, layer norms without biases) that
// turns a text into a unit-length vector on the CPU with OpenBLAS. Loaded from a model folder
// holding "config.json", "tokenizer.json" and "model.safetensors".
//
// Owned by the search engine, which loads it once the model is installed and hands it to the
// passage indexer and passage search. Immutable after loading apart from the tokenizer's cache:
// `embed`, `forward` and `embedBatch` may run on several threads at once. `embedBatch` spreads
// one text per worker over all cores (OpenBLAS held at one thread meanwhile) and joins before it
// returns; call it from a background thread, never the interface thread. Short inputs (a typed
// query) run on the calling thread alone.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "models/bpe_tokenizer.h"
#include "models/embedder.h"
#include "models/encoder_config.h"
#include "models/encoder_weights.h"
#include "models/safe_tensors.h"

namespace quorvale {

class ModernBertEmbedder final : public BatchEmbedder {
 public:
  using BadConfig = BadEncoderConfig;
  static constexpr const char* kIdentifier = "granite-embedding-small-english-r2";
  // Inputs of at most this many ids (typed queries) run on one OpenBLAS thread.
  static constexpr std::size_t kShortInput = 64;

  // Throws BadConfig, BPETokenizer::Failure or SafeTensors::Failure.
  ModernBertEmbedder(const std::string& directory, int maxTokens);

  std::string identifier() const override { return kIdentifier; }
  std::size_t dimension() const override { return static_cast<std::size_t>(weights_.cfg.hidden); }
  int maxTokens() const { return weights_.maxTokens; }
  const EncoderConfig& cfg() const { return weights_.cfg; }
  const BPETokenizer& tokenizer() const { return *tokenizer_; }

  // Nothing for a text that is empty after trimming white space.
  std::optional<std::vector<float>> embed(std::string_view text) const override;
  std::vector<std::optional<std::vector<float>>> embedBatch(
      const std::vector<std::string>& texts) const override;
  // The unit-length vector of the ids (cut to maxTokens).
  std::vector<float> forward(std::span<const std::int32_t> ids) const;

 private:
  std::unique_ptr<BPETokenizer> tokenizer_;
  EncoderWeights weights_;
};

// Where the parallel workers of a batch leave their vectors, by input index.
class ResultBox {
 public:
  explicit ResultBox(std::size_t count) : items_(count) {}
  void set(std::size_t index, std::vector<float> vector);
  std::vector<std::optional<std::vector<float>>> take();

 private:
  std::mutex lock_;
  std::vector<std::optional<std::vector<float>>> items_;  // guarded by lock_
};

}  // namespace quorvale

#include "models/modern_bert_embedder.h"

#include <algorithm>
#include <atomic>
#include <numeric>
#include <thread>

#include "models/blas_threads.h"
#include "util/unicode.h"

namespace quorvale {

ModernBertEmbedder::ModernBertEmbedder(const std::string& directory, int maxTokens) {
  EncoderConfig cfg = encoder_config::read(directory, maxTokens);
  tokenizer_ = std::make_unique<BPETokenizer>(directory + "/tokenizer.json");
  auto file = std::make_shared<const SafeTensors>(directory + "/model.safetensors");
  weights_ = EncoderWeights::load(std::move(file), cfg, maxTokens);
}

std::vector<float> ModernBertEmbedder::forward(std::span<const std::int32_t> ids) const {
  // A short text's matrix products are too small to share: each of the pass's few hundred
  // products would wake OpenBLAS's other threads and wait for them, which on a busy machine
  // costs more than the product itself.
  if (ids.size() <= kShortInput) {
    SingleThreadedBlas singleThreaded;
    return encoder_forward::forward(weights_, ids);
  }
  return encoder_forward::forward(weights_, ids);
}

std::optional<std::vector<float>> ModernBertEmbedder::embed(std::string_view text) const {
  if (unicode::trimmed(text).empty()) return std::nullopt;
  return forward(tokenizer_->encode(text, weights_.maxTokens));
}

std::vector<std::optional<std::vector<float>>> ModernBertEmbedder::embedBatch(
    const std::vector<std::string>& texts) const {
  std::vector<std::size_t> indices;
  std::vector<std::vector<std::int32_t>> ids(texts.size());
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (unicode::trimmed(texts[i]).empty()) continue;
    ids[i] = tokenizer_->encode(texts[i], weights_.maxTokens);
    indices.push_back(i);
  }
  // Longest first, so that the loop does not end waiting on one long text.
  std::stable_sort(indices.begin(), indices.end(),
                   [&](std::size_t a, std::size_t b) { return ids[a].size() > ids[b].size(); });

  ResultBox box(texts.size());
  std::atomic<std::size_t> next = 0;
  auto work = [&] {
    for (std::size_t at = next++; at < indices.size(); at = next++) {
      std::size_t index = indices[at];
      box.set(index, forward(ids[index]));
    }
  };
  std::size_t workers =
      std::min<std::size_t>(std::max(1u, std::thread::hardware_concurrency()), indices.size());
  if (workers <= 1) {
    work();
  } else {
    SingleThreadedBlas singleThreaded;
    std::vector<std::jthread> threads;
    for (std::size_t w = 1; w < workers; ++w) threads.emplace_back(work);
    work();
  }
  return box.take();
}

void ResultBox::set(std::size_t index, std::vector<float> vector) {
  std::lock_guard guard(lock_);
  items_[index] = std::move(vector);
}

std::vector<std::optional<std::vector<float>>> ResultBox::take() {
  std::lock_guard guard(lock_);
  return std::move(items_);
}

}  // namespace quorvale

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "models/blas.h"
#include "models/encoder_weights.h"
#include "models/vector_math.h"

namespace quorvale::encoder_forward {
namespace {

// Row-major out (m × n) = alpha · a (m × k) · bᵀ (b is n × k) + beta · out.
void multiplyTransposed(const float* a, int lda, const float* b, int ldb, float* out, int ldo,
                        int m, int n, int k, float alpha, float beta) {
  blas::sgemm(CblasRowMajor, CblasNoTrans, CblasTrans, m, n, k, alpha, a, lda, b, ldb, beta, out,
              ldo);
}

// Rotates the two halves of every head's slice of `rows` rows against each other.
void applyRope(float* qkv, int rows, int stride, int hidden, int heads, int headSize,
               const RopeTable& rope) {
  int half = rope.half;
  for (int t = 0; t < rows; ++t) {
    const float* cos = rope.cos.data() + static_cast<std::size_t>(t) * half;
    const float* sin = rope.sin.data() + static_cast<std::size_t>(t) * half;
    float* row = qkv + static_cast<std::size_t>(t) * stride;
    for (int part = 0; part < 2; ++part) {  // queries, then keys
      for (int k = 0; k < heads; ++k) {
        float* a = row + part * hidden + k * headSize;
        float* b = a + half;
        for (int j = 0; j < half; ++j) {
          float x = a[j];
          float y = b[j];
          a[j] = cos[j] * x - sin[j] * y;
          b[j] = cos[j] * y + sin[j] * x;
        }
      }
    }
  }
}

struct Buffers {
  std::vector<float> x, h, qkv, scores, context, u, activation;
};

// One layer on x (n rows). Only the first `queries` rows of its output are computed; the last
// layer needs the first row alone, as pooling reads nothing else.
void runLayer(const EncoderWeights& weights, std::size_t index, int n, int queries,
              Buffers& buffers) {
  const EncoderConfig& cfg = weights.cfg;
  const EncoderLayer& layer = weights.layers[index];
  const int hidden = cfg.hidden;
  const int d = cfg.headSize();
  const int stride = 3 * hidden;
  const bool global = index % static_cast<std::size_t>(cfg.globalEvery) == 0;
  const RopeTable& rope = global ? weights.ropeGlobal : weights.ropeLocal;
  float* x = buffers.x.data();

  const float* h = x;
  if (!layer.attnNorm.empty()) {
    vector_math::layerNorm(x, buffers.h.data(), static_cast<std::size_t>(n),
                           static_cast<std::size_t>(hidden), layer.attnNorm.data(), cfg.eps);
    h = buffers.h.data();
  }
  float* qkv = buffers.qkv.data();
  multiplyTransposed(h, hidden, layer.wqkv.data(), hidden, qkv, stride, n, stride, hidden, 1, 0);
  applyRope(qkv, n, stride, hidden, cfg.heads, d, rope);

  const int window = cfg.localWindow / 2;
  const float scale = 1.0f / std::sqrt(static_cast<float>(d));
  float* scores = buffers.scores.data();
  for (int k = 0; k < cfg.heads; ++k) {
    const float* q = qkv + k * d;
    const float* keys = qkv + hidden + k * d;
    const float* values = qkv + 2 * hidden + k * d;
    multiplyTransposed(q, stride, keys, stride, scores, n, queries, n, d, scale, 0);
    for (int r = 0; r < queries; ++r) {
      int first = global ? 0 : std::max(0, r - window);
      int last = global ? n : std::min(n, r + window + 1);
      vector_math::softmaxBand(scores + static_cast<std::size_t>(r) * n,
                               static_cast<std::size_t>(n), static_cast<std::size_t>(first),
                               static_cast<std::size_t>(last));
    }
    blas::sgemm(CblasRowMajor, CblasNoTrans, CblasNoTrans, queries, d, n, 1, scores, n, values,
                stride, 0, buffers.context.data() + k * d, hidden);
  }
  // x ← x + context · Woᵀ
  multiplyTransposed(buffers.context.data(), hidden, layer.wo.data(), hidden, x, hidden, queries,
                     hidden, hidden, 1, 1);

  const int intermediate = cfg.intermediate;
  vector_math::layerNorm(x, buffers.h.data(), static_cast<std::size_t>(queries),
                         static_cast<std::size_t>(hidden), layer.mlpNorm.data(), cfg.eps);
  multiplyTransposed(buffers.h.data(), hidden, layer.wi.data(), hidden, buffers.u.data(),
                     2 * intermediate, queries, 2 * intermediate, hidden, 1, 0);
  vector_math::gatedGelu(buffers.u.data(), buffers.activation.data(),
                         static_cast<std::size_t>(queries), static_cast<std::size_t>(intermediate));
  // x ← x + a · mlpWoᵀ
  multiplyTransposed(buffers.activation.data(), intermediate, layer.mlpWo.data(), intermediate, x,
                     hidden, queries, hidden, intermediate, 1, 1);
}

}  // namespace

std::vector<float> forward(const EncoderWeights& weights, std::span<const std::int32_t> ids) {
  const EncoderConfig& cfg = weights.cfg;
  const int n = static_cast<int>(
      std::min<std::size_t>(ids.size(), static_cast<std::size_t>(weights.maxTokens)));
  const auto rows = static_cast<std::size_t>(n);
  const auto hidden = static_cast<std::size_t>(cfg.hidden);
  std::vector<float> result(hidden, 0.0f);
  if (n == 0) return result;

  // Each thread keeps its work buffers between passes: fresh multi-megabyte allocations would
  // cost a page fault per page and a zero fill on every pass. Every element read is written
  // first within the pass, so stale contents never matter.
  thread_local Buffers buffers;
  auto atLeast = [](std::vector<float>& buffer, std::size_t size) {
    if (buffer.size() < size) buffer.resize(size);
  };
  atLeast(buffers.x, rows * hidden);
  atLeast(buffers.h, rows * hidden);
  atLeast(buffers.qkv, rows * 3 * hidden);
  atLeast(buffers.scores, rows * rows);
  atLeast(buffers.context, rows * hidden);
  atLeast(buffers.u, rows * 2 * static_cast<std::size_t>(cfg.intermediate));
  atLeast(buffers.activation, rows * static_cast<std::size_t>(cfg.intermediate));

  for (std::size_t t = 0; t < rows; ++t) {
    std::int64_t id = std::clamp<std::int64_t>(ids[t], 0, cfg.vocab - 1);
    weights.file->copyRow(weights.tokInfo, id, buffers.x.data() + t * hidden);
  }
  vector_math::layerNorm(buffers.x.data(), buffers.x.data(), rows, hidden, weights.embNorm.data(),
                         cfg.eps);
  for (std::size_t i = 0; i < weights.layers.size(); ++i) {
    bool last = i + 1 == weights.layers.size();
    runLayer(weights, i, n, last ? 1 : n, buffers);
  }
  vector_math::layerNorm(buffers.x.data(), result.data(), 1, hidden, weights.finalNorm.data(),
                         cfg.eps);
  vector_math::normalize(result.data(), hidden);
  return result;
}

}  // namespace quorvale::encoder_forward

#include "passages/dense_index.h"

#include <algorithm>
#include <mutex>

#include "models/blas.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace quorvale {
namespace {

// Keeps the best `k` neighbours, best first. Rows arrive in ascending id order, so a row that
// only ties the current k-th score can never displace it and is skipped without a search.
class TopK {
 public:
  explicit TopK(std::size_t k) : k_(k) { best_.reserve(k + 1); }

  void offer(int64_t id, float score) {
    if (best_.size() == k_ && !(score > best_.back().score)) return;
    auto at = std::upper_bound(best_.begin(), best_.end(), score,
                               [](float s, const DenseIndex::Neighbour& n) { return s > n.score; });
    best_.insert(at, {.chunkID = id, .score = score});
    if (best_.size() > k_) best_.pop_back();
  }

  std::vector<DenseIndex::Neighbour> take() { return std::move(best_); }

 private:
  std::size_t k_;
  std::vector<DenseIndex::Neighbour> best_;
};

// Signed bytes to floats. The compiler keeps this loop scalar at our optimisation level, and it
// would then cost more than the matrix product, so x86-64 gets explicit vector code: AVX2 where
// the processor has it, SSE2 (always present) otherwise.
void widenPlain(const int8_t* in, float* out, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<float>(in[i]);
}

#if defined(__x86_64__)
__attribute__((target("avx2"))) void widenAvx2(const int8_t* in, float* out, std::size_t n) {
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + i));
    _mm256_storeu_ps(out + i, _mm256_cvtepi32_ps(_mm256_cvtepi8_epi32(bytes)));
  }
  widenPlain(in + i, out + i, n - i);
}

void widenSse2(const int8_t* in, float* out, std::size_t n) {
  std::size_t i = 0;
  const __m128i zero = _mm_setzero_si128();
  for (; i + 16 <= n; i += 16) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
    __m128i sign = _mm_cmpgt_epi8(zero, bytes);
    __m128i halves[2] = {_mm_unpacklo_epi8(bytes, sign), _mm_unpackhi_epi8(bytes, sign)};
    for (int h = 0; h < 2; ++h) {
      __m128i wide = _mm_srai_epi16(halves[h], 15);
      _mm_storeu_ps(out + i + 8 * h, _mm_cvtepi32_ps(_mm_unpacklo_epi16(halves[h], wide)));
      _mm_storeu_ps(out + i + 4 + 8 * h, _mm_cvtepi32_ps(_mm_unpackhi_epi16(halves[h], wide)));
    }
  }
  widenPlain(in + i, out + i, n - i);
}
#endif

void widen(const int8_t* in, float* out, std::size_t n) {
#if defined(__x86_64__)
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) return widenAvx2(in, out, n);
  return widenSse2(in, out, n);
#else
  widenPlain(in, out, n);
#endif
}

// A block's product is about a million multiply-adds, less than OpenBLAS's threads cost to wake;
// on a busy machine its spinning threads made a search many times slower. The process runs its
// BLAS work single-threaded: the encoder spreads its own work over the cores.
void useOneBlasThread() {
  static std::once_flag once;
  std::call_once(once, [] { blas::setThreads(1); });
}

}  // namespace

DenseIndex::DenseIndex(std::size_t dimension, std::vector<int64_t> ids, std::vector<float> scales,
                       std::vector<int8_t> matrix)
    : dimension_(dimension),
      ids_(std::move(ids)),
      scales_(std::move(scales)),
      matrix_(std::move(matrix)) {}

std::vector<DenseIndex::Neighbour> DenseIndex::nearest(std::span<const float> query, int k) const {
  if (k < 1 || ids_.empty() || query.size() != dimension_ || dimension_ == 0) return {};
  // One scratch block per thread: a fresh 6 MB buffer per search would cost more in page faults
  // than the arithmetic.
  thread_local std::vector<float> widened;
  thread_local std::vector<float> dots;
  widened.resize(kBlockRows * dimension_);
  dots.resize(kBlockRows);

  useOneBlasThread();
  TopK top(static_cast<std::size_t>(k));
  const auto columns = static_cast<blasint>(dimension_);
  for (std::size_t first = 0; first < ids_.size(); first += kBlockRows) {
    const std::size_t rows = std::min(kBlockRows, ids_.size() - first);
    const int8_t* bytes = matrix_.data() + first * dimension_;
    const std::size_t values = rows * dimension_;
    widen(bytes, widened.data(), values);
    blas::sgemv(CblasRowMajor, CblasNoTrans, static_cast<blasint>(rows), columns, 1.0f,
                widened.data(), columns, query.data(), 1, 0.0f, dots.data(), 1);
    for (std::size_t row = 0; row < rows; ++row) {
      top.offer(ids_[first + row], dots[row] * scales_[first + row]);
    }
  }
  return top.take();
}

}  // namespace quorvale

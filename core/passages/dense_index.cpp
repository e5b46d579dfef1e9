#include "passages/dense_index.h"

#include <cblas.h>

#include <algorithm>

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

  TopK top(static_cast<std::size_t>(k));
  const auto columns = static_cast<blasint>(dimension_);
  for (std::size_t first = 0; first < ids_.size(); first += kBlockRows) {
    const std::size_t rows = std::min(kBlockRows, ids_.size() - first);
    const int8_t* bytes = matrix_.data() + first * dimension_;
    const std::size_t values = rows * dimension_;
    for (std::size_t i = 0; i < values; ++i) widened[i] = static_cast<float>(bytes[i]);
    cblas_sgemv(CblasRowMajor, CblasNoTrans, static_cast<blasint>(rows), columns, 1.0f,
                widened.data(), columns, query.data(), 1, 0.0f, dots.data(), 1);
    for (std::size_t row = 0; row < rows; ++row) {
      top.offer(ids_[first + row], dots[row] * scales_[first + row]);
    }
  }
  return top.take();
}

}  // namespace quorvale

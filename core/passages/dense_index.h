// An immutable in-memory matrix of one model's int8 passage vectors, for nearest-neighbour search
// without touching SQLite. Rows are in ascending chunk id order; each row has its own scale (see
// VectorQuantizer). Built by PassageStore::denseSnapshot and shared by any number of searches on
// any threads once built. The first search sets OpenBLAS to one thread for the whole process:
// its own threads cost more than they save on products this small, and far more on a busy
// machine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quorvale {

class DenseIndex {
 public:
  // Rows widened to floats and scored together with one matrix-vector product.
  static constexpr std::size_t kBlockRows = 4096;

  struct Neighbour {
    int64_t chunkID = 0;
    float score = 0;
    bool operator==(const Neighbour&) const = default;
  };

  // `matrix` holds ids.size() rows of `dimension` bytes; `scales` one value per id.
  DenseIndex(std::size_t dimension, std::vector<int64_t> ids, std::vector<float> scales,
             std::vector<int8_t> matrix);

  std::size_t dimension() const { return dimension_; }
  std::size_t count() const { return ids_.size(); }
  const std::vector<int64_t>& ids() const { return ids_; }

  // The `k` rows with the largest dot product (times the row's scale) with `query`, best first,
  // ties by chunk id ascending. Empty when k < 1, the index is empty or the query's length is
  // not `dimension`.
  std::vector<Neighbour> nearest(std::span<const float> query, int k) const;

 private:
  std::size_t dimension_;
  std::vector<int64_t> ids_;
  std::vector<float> scales_;
  std::vector<int8_t> matrix_;
};

}  // namespace quorvale

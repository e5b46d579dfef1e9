#include "passages/dense_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace quorvale {
namespace {

// Small integer queries and power-of-two scales keep every product exact in single precision, so
// the blocked BLAS search must agree with the plain loop exactly, ties included.
struct Fixture {
  std::size_t dimension = 48;
  std::vector<int64_t> ids;
  std::vector<float> scales;
  std::vector<int8_t> matrix;

  explicit Fixture(std::size_t rows) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(-127, 127), power(4, 9), copy(0, 9);
    for (std::size_t row = 0; row < rows; ++row) {
      ids.push_back(static_cast<int64_t>(row * 3 + 1));
      scales.push_back(1.0f / static_cast<float>(1 << power(random)));
      if (row > 0 && copy(random) == 0) {  // a duplicate of the previous row: a tie
        matrix.insert(matrix.end(), matrix.end() - static_cast<std::ptrdiff_t>(dimension),
                      matrix.end());
        scales.back() = scales[row - 1];
        continue;
      }
      for (std::size_t i = 0; i < dimension; ++i)
        matrix.push_back(static_cast<int8_t>(byte(random)));
    }
  }

  std::vector<DenseIndex::Neighbour> bruteForce(const std::vector<float>& query, int k) const {
    std::vector<DenseIndex::Neighbour> all;
    for (std::size_t row = 0; row < ids.size(); ++row) {
      double dot = 0;
      for (std::size_t i = 0; i < dimension; ++i) dot += matrix[row * dimension + i] * query[i];
      all.push_back({ids[row], static_cast<float>(dot * scales[row])});
    }
    std::stable_sort(all.begin(), all.end(),
                     [](const auto& a, const auto& b) { return a.score > b.score; });
    all.resize(std::min(all.size(), static_cast<std::size_t>(k)));
    return all;
  }
};

TEST(DenseIndexTest, NearestAgreesWithBruteForce) {
  Fixture f(2 * DenseIndex::kBlockRows + 123);
  DenseIndex index(f.dimension, f.ids, f.scales, f.matrix);
  std::mt19937 random(11);
  std::uniform_int_distribution<int> component(-3, 3);
  for (int trial = 0; trial < 5; ++trial) {
    std::vector<float> query(f.dimension);
    for (float& q : query) q = static_cast<float>(component(random));
    for (int k : {1, 7, 50}) {
      EXPECT_EQ(index.nearest(query, k), f.bruteForce(query, k)) << "k " << k;
    }
  }
}

TEST(DenseIndexTest, EdgeCases) {
  Fixture f(5);
  DenseIndex index(f.dimension, f.ids, f.scales, f.matrix);
  std::vector<float> query(f.dimension, 1.0f);
  EXPECT_EQ(index.nearest(query, 100), f.bruteForce(query, 100));
  EXPECT_TRUE(index.nearest(query, 0).empty());
  EXPECT_TRUE(index.nearest(std::vector<float>(f.dimension + 1, 1.0f), 3).empty());
  EXPECT_TRUE(DenseIndex(4, {}, {}, {}).nearest(std::vector<float>(4, 1.0f), 3).empty());
}

}  // namespace
}  // namespace quorvale

#include "quick/random_text.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace quorvale::quick {
namespace {

RandomSource sequence(std::vector<uint64_t> values) {
  return [values = std::move(values), i = std::size_t{0}]() mutable {
    return values[std::min(i++, values.size() - 1)];
  };
}

TEST(RandomText, DrawsThatWouldBiasAreRejected) {
  // 2^64 mod 65 = 16: the draws 0 to 15 are surplus.
  EXPECT_EQ(uniformBelow(sequence({15, 0, 16}), 65), 16u);
  EXPECT_EQ(uniformBelow(sequence({UINT64_MAX}), 65), UINT64_MAX % 65);
  EXPECT_EQ(uniformBelow(sequence({7}), 1), 0u);
  // A source stuck on a rejected draw does not hang.
  EXPECT_EQ(uniformBelow(sequence({3}), 65), 3u);
  EXPECT_EQ(password(8, sequence({0})).size(), 8u);
}

TEST(RandomText, CopiesOfABufferedSourceNeverRepeatADraw) {
  const RandomSource first = secureRandomSource();
  const RandomSource copy = first;
  std::set<uint64_t> draws;
  for (int i = 0; i < 100; ++i) {
    draws.insert(first());
    draws.insert(copy());
  }
  EXPECT_EQ(draws.size(), 200u);
}

TEST(RandomText, UuidLayout) {
  EXPECT_EQ(newUuid(sequence({0, 0})), "00000000-0000-4000-8000-000000000000");
  EXPECT_EQ(newUuid(sequence({UINT64_MAX, UINT64_MAX})), "ffffffff-ffff-4fff-bfff-ffffffffffff");
  EXPECT_EQ(newUuidUpper(sequence({UINT64_MAX, UINT64_MAX})),
            "FFFFFFFF-FFFF-4FFF-BFFF-FFFFFFFFFFFF");
}

}  // namespace
}  // namespace quorvale::quick

// Allocations keep their alignment and never overlap, across blocks of every size and requests
// larger than any block.
#include "scan/populated_blocks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace quorvale {
namespace {

TEST(PopulatedBlocksTest, AllocationsAreAlignedAndDisjoint) {
  struct Made {
    unsigned char* start;
    std::size_t bytes;
  };
  PopulatedBlocks blocks;
  std::vector<Made> made;
  const std::size_t sizes[] = {1, 7, 24, 48 * 1024, 100, 9, 5 * 1024 * 1024};
  for (int round = 0; round < 40; ++round) {
    for (std::size_t size : sizes) {
      if (size > (1 << 20) && round > 0) continue;  // one request larger than any block
      const std::size_t alignment = std::size_t{1} << (made.size() % 13);  // 1 up to 4096
      auto* start = static_cast<unsigned char*>(blocks.allocate(size, alignment));
      ASSERT_EQ(reinterpret_cast<std::uintptr_t>(start) % alignment, 0u);
      std::memset(start, static_cast<int>(made.size() % 251), size);
      made.push_back({start, size});
    }
  }
  for (std::size_t i = 0; i < made.size(); ++i) {
    ASSERT_EQ(made[i].start[0], i % 251);
    ASSERT_EQ(made[i].start[made[i].bytes - 1], i % 251);
  }
}

}  // namespace
}  // namespace quorvale

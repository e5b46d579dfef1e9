// Allocations keep their alignment, never overlap, and stay writable across blocks of every size,
// including requests larger than any block.
#include "scan/populated_blocks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace quorvale {
namespace {

TEST(PopulatedBlocksTest, AllocationsAreAlignedDisjointAndKept) {
  struct Request {
    std::size_t bytes;
    std::size_t alignment;
  };
  const std::vector<Request> requests = {{1, 1},         {7, 1},      {24, 8}, {3, 1},
                                         {48 * 1024, 8}, {100, 4096}, {9, 2}};
  PopulatedBlocks blocks;
  struct Made {
    unsigned char* start;
    std::size_t bytes;
    unsigned char fill;
  };
  std::vector<Made> made;
  // Forty rounds cross several blocks; the last request is larger than any block.
  std::vector<std::vector<Request>> rounds(40, requests);
  rounds.push_back({{5 * 1024 * 1024, 8}, {1, 1}});
  for (const std::vector<Request>& round : rounds) {
    for (const Request& request : round) {
      auto* start = static_cast<unsigned char*>(blocks.allocate(request.bytes, request.alignment));
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(start) % request.alignment, 0u);
      const auto fill = static_cast<unsigned char>(made.size());
      std::memset(start, fill, request.bytes);
      made.push_back({start, request.bytes, fill});
    }
  }
  // Every byte still holds what its own allocation wrote: nothing overlapped.
  for (const Made& m : made) {
    for (std::size_t i = 0; i < m.bytes; i += 97) ASSERT_EQ(m.start[i], m.fill);
    ASSERT_EQ(m.start[m.bytes - 1], m.fill);
  }
  blocks.clear();
  EXPECT_NE(blocks.allocate(16, 8), nullptr);
}

}  // namespace
}  // namespace quorvale

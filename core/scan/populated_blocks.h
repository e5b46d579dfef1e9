// Memory handed out by bumping a pointer through large blocks that are mapped with their pages
// already in place (MAP_POPULATE), and given back only all at once. Where a page fault is dear
// (under a hypervisor a first touch costs several microseconds) one mapping call per block is
// far cheaper than a fault per page. Blocks grow from 64 KiB to 2 MiB, so a small table maps
// little. Used by StoredTimes on the scan thread; not thread-safe.
#pragma once

#include <cstddef>
#include <vector>

namespace quorvale {

class PopulatedBlocks {
 public:
  PopulatedBlocks() = default;
  ~PopulatedBlocks() { clear(); }
  PopulatedBlocks(PopulatedBlocks&& other) noexcept;
  PopulatedBlocks& operator=(PopulatedBlocks&& other) noexcept;
  PopulatedBlocks(const PopulatedBlocks&) = delete;
  PopulatedBlocks& operator=(const PopulatedBlocks&) = delete;

  // `bytes` at an address aligned to `alignment` (a power of two up to 4096); valid until
  // `clear`. Throws std::bad_alloc when no memory can be mapped.
  void* allocate(std::size_t bytes, std::size_t alignment);
  void clear();

 private:
  struct Block {
    void* start = nullptr;
    std::size_t bytes = 0;
  };
  void map(std::size_t atLeast);

  std::vector<Block> blocks_;
  char* next_ = nullptr;
  std::size_t left_ = 0;
};

}  // namespace quorvale

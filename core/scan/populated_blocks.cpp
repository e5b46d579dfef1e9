#include "scan/populated_blocks.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <new>
#include <utility>

namespace quorvale {
namespace {

constexpr std::size_t kFirstBlockBytes = 64 * 1024;
constexpr std::size_t kLargestBlockBytes = 2 * 1024 * 1024;
constexpr std::size_t kPageBytes = 4096;

}  // namespace

PopulatedBlocks::PopulatedBlocks(PopulatedBlocks&& other) noexcept
    : blocks_(std::move(other.blocks_)),
      next_(std::exchange(other.next_, nullptr)),
      left_(std::exchange(other.left_, 0)) {
  other.blocks_.clear();
}

PopulatedBlocks& PopulatedBlocks::operator=(PopulatedBlocks&& other) noexcept {
  if (this != &other) {
    clear();
    blocks_ = std::move(other.blocks_);
    other.blocks_.clear();
    next_ = std::exchange(other.next_, nullptr);
    left_ = std::exchange(other.left_, 0);
  }
  return *this;
}

void* PopulatedBlocks::allocate(std::size_t bytes, std::size_t alignment) {
  std::size_t skip = (alignment - reinterpret_cast<std::uintptr_t>(next_) % alignment) % alignment;
  if (next_ == nullptr || skip + bytes > left_) {
    map(bytes);
    skip = 0;  // a fresh mapping starts on a page
  }
  char* start = next_ + skip;
  next_ = start + bytes;
  left_ -= skip + bytes;
  return start;
}

void PopulatedBlocks::map(std::size_t atLeast) {
  std::size_t bytes =
      blocks_.empty() ? kFirstBlockBytes : std::min(blocks_.back().bytes * 2, kLargestBlockBytes);
  bytes = std::max(bytes, (atLeast + kPageBytes - 1) / kPageBytes * kPageBytes);
  blocks_.reserve(blocks_.size() + 1);
  void* start = mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
  if (start == MAP_FAILED) throw std::bad_alloc();
  blocks_.push_back({.start = start, .bytes = bytes});
  next_ = static_cast<char*>(start);
  left_ = bytes;
}

void PopulatedBlocks::clear() {
  for (const Block& block : blocks_) munmap(block.start, block.bytes);
  blocks_.clear();
  next_ = nullptr;
  left_ = 0;
}

}  // namespace quorvale

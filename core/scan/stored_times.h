// The stored modification time of every record below a root, in one flat table: the paths side
// by side in one buffer and an open-addressed table of slots, instead of a node per path. A full
// scan builds it once per root and looks up every entry it walks, so a rescan of an unchanged
// tree does one hash and one probe per entry and no allocation. Owned by the scan on its thread.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "index/file_record.h"

namespace quorvale {

class StoredTimes {
 public:
  StoredTimes() = default;

  void add(std::string_view path, Date modified);
  // Sizes the table for `count` paths (optional; `add` grows it as needed).
  void reserve(std::size_t count);

  // The stored time of `path`, which from now on counts as seen; nothing when the path has no
  // record or was seen before.
  std::optional<Date> take(std::string_view path);

  // Every path not taken, in no particular order.
  void forEachUnseen(const std::function<void(const std::string& path)>& visit) const;

  std::size_t size() const { return count_; }
  void clear();

 private:
  struct Slot {
    uint64_t offset = 0;
    uint32_t length = 0;
    // The path's hash, kept so that probing and growing rarely touch the paths themselves.
    uint32_t hash = 0;
    Date modified = 0;
    bool used = false;
    bool seen = false;
  };

  std::string_view pathOf(const Slot& slot) const;
  std::size_t probe(std::string_view path, std::size_t hash) const;
  void grow();

  std::string text_;
  std::vector<Slot> slots_;
  std::size_t count_ = 0;
};

}  // namespace quorvale

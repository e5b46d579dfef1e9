// The stored modification time of every record below a root, in flat tables: the paths side by
// side in large text blocks that never move, one small record per path, and an open-addressed
// table of 8-byte slots (record number and hash) instead of a node per path. A full scan builds
// it once per root and looks up every entry it walks. Records come in the order they were
// written, which is the order of the walk that wrote them, so a lookup first tries the record
// after the one taken last; the hash table is built only when that guess first fails (or when
// unseen paths are asked for), so a rescan of an unchanged tree hashes nothing and allocates
// nothing per entry. Only what follows the root's path is kept and hashed: the root is the same
// for every path. Paths and records live in PopulatedBlocks, so loading them costs few page
// faults. Owned by the scan on its thread.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "index/file_record.h"
#include "scan/populated_blocks.h"

namespace quorvale {

class StoredTimes {
 public:
  StoredTimes() = default;
  // Every path added lies below `root` ("/home/me" holds "/home/me/a", not "/home/me2").
  explicit StoredTimes(std::string root);

  // A path not below the root is ignored. A path added twice keeps the later time (a take
  // that comes before any lookup by hash may still find the earlier one; the files database
  // holds each path once).
  void add(std::string_view path, Date modified);

  // The stored time of `path`, which from now on counts as seen; nothing when the path has no
  // record or was seen before (or is not below the root).
  std::optional<Date> take(std::string_view path);

  // Every path not taken, in the order they were added.
  void forEachUnseen(const std::function<void(const std::string& path)>& visit) const;

  std::size_t size() const { return count_; }
  void clear();

 private:
  struct Record {
    const char* path = nullptr;  // in blocks_
    uint32_t length = 0;
    bool seen = false;
    // A later copy of a path added before: its time went to the first, and it is never found.
    bool dropped = false;
    Date modified = 0;

    bool holds(std::string_view other) const;
  };
  // The record's number plus one in the low half (0: an empty slot), the path's hash above.
  using Slot = uint64_t;

  // Where `path` is stored, or the empty slot where it would go. The table is never full.
  std::size_t probe(std::string_view path, uint32_t hash) const;
  // Builds the hash table over every record when it is not there yet, merging repeated paths.
  void index() const;
  // Enters record `number` into the built table, or merges it into the record of its path.
  void enter(std::size_t number) const;
  // What follows the root's path, or nothing for a path not below it.
  std::optional<std::string_view> belowRoot(std::string_view path) const;
  void grow();
  const char* keep(std::string_view path);
  Record& record(std::size_t number) const {
    return chunks_[number / kChunkRecords][number % kChunkRecords];
  }
  void append(const Record& record);

  static constexpr std::size_t kChunkRecords = 2048;

  std::string prefix_;  // the root's path and a slash
  PopulatedBlocks blocks_;
  // Records in chunks of kChunkRecords, in the order they were added. Records are changed by
  // const lookups too (see slots_).
  std::vector<Record*> chunks_;
  std::size_t count_ = 0;
  std::size_t next_ = 0;  // the record after the one taken last
  std::size_t taken_ = 0;
  // Built on first need by const lookups too: the table and the merging of repeated paths
  // change nothing a caller can see.
  mutable std::vector<Slot> slots_;  // empty until the first lookup by hash
};

}  // namespace quorvale

// The meaning store ("semantic.db"): one int8 unit vector per indexed file, from one sentence
// embedder, found again by a full scan of an in-memory copy of all vectors.
//
// Schema (created on open):
//   meta(k TEXT PRIMARY KEY, v TEXT)   the row k = "embedder" holds the embedder's identifier,
//                                      "|" and the vector dimension in decimal
//   vec(path TEXT PRIMARY KEY, v BLOB NOT NULL)   the file's vector in the form of
//                                      semantic/unit_quantizer.h (`dimension` bytes, no scale)
// Opening with another identifier or dimension empties `vec` first, so vectors of two models are
// never compared.
//
// Threads: the engine writes on its index queue and searches on the main thread. The connection
// is serialized; the in-memory copy (built on the first `nearest` after a write, dropped by every
// write) is guarded by `cacheLock_` and handed out as an immutable snapshot, so a search never
// reads a copy that a write is changing. Writes throw IndexError (`sql`); reads give empty results.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "util/sqlite.h"

namespace quorvale {

class SemanticStore {
 public:
  struct Neighbour {
    std::string path;
    double similarity = 0;
    bool operator==(const Neighbour&) const = default;
  };

  // No path opens a private in-memory database. Throws IndexError::open("semantic store") when
  // the file cannot be opened, IndexError::sql with SQLite's message when the schema or the key
  // cannot be written.
  SemanticStore(std::optional<std::string> path, std::string embedderID, std::size_t dimension);
  SemanticStore(const SemanticStore&) = delete;
  SemanticStore& operator=(const SemanticStore&) = delete;

  const std::string& embedderID() const { return embedderID_; }
  std::size_t dimension() const { return dimension_; }

  // Stores the vector for the path; a vector of another length or with no unit form is ignored.
  void upsert(const std::string& path, std::span<const float> vector);
  void remove(const std::string& path);
  // Removes, in one transaction, the vector of every path that `keep` turns down (the files
  // that left the index); returns how many went. Throws IndexError (`sql`) when it cannot.
  std::size_t removeUnless(const std::function<bool(const std::string&)>& keep);
  void clear();
  int64_t count();
  bool has(const std::string& path);

  // The `k` most similar files with similarity at least `minSimilarity`, most similar first,
  // ties in storage order; nothing for a query of another length or with no unit form.
  std::vector<Neighbour> nearest(std::span<const float> query, std::size_t k, double minSimilarity);

 private:
  // All vectors as one contiguous array: row i is `dimension` bytes for paths[i].
  struct Cache {
    std::vector<std::string> paths;
    std::vector<int8_t> data;
  };

  [[noreturn]] void fail();
  void exec(const std::string& sql);
  std::shared_ptr<const Cache> cache();
  void invalidate();

  sql::Connection db_;
  std::string embedderID_;
  std::size_t dimension_;
  std::mutex cacheLock_;
  std::shared_ptr<const Cache> cache_;  // guarded by cacheLock_; null when not valid
  uint64_t generation_ = 0;             // guarded by cacheLock_; counts invalidations
};

}  // namespace quorvale

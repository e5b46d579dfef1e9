// The passage database ("passages.db"): one row per document, one per passage with its text in
// an FTS5 table for ranked word search, and at most one int8 vector per passage and model.
//
// Schema (the script in passage_store.cpp is the source of truth):
//   file(id, path UNIQUE, mtime REAL seconds since 1970, size INTEGER bytes,
//        chunker_version: PassageChunker::kVersion when chunked, chunk_count: passages stored,
//        truncated: 1 when the chunk list was capped)
//   chunk(id, file_id -> file ON DELETE CASCADE, seq, start, "end" (UTF-16 offsets), page (PDF,
//        1-based, or NULL), heading (or NULL), snippet)        the passage without its text
//   chunk_fts(content)   FTS5 (porter over unicode61, no diacritics); rowid = chunk.id
//   chunk_gone           trigger: deleting a chunk row deletes its chunk_fts row
//   vec(chunk_id -> chunk ON DELETE CASCADE, model: the embedder's identifier, scale, v)
//        the int8 vector format of VectorQuantizer
// Deleting a file row therefore removes its passages, their text and their vectors together.
//
// Threads: the connection is fully serialized and in WAL mode, so the engine's search connection
// reads while the indexer's connection writes; one store may be called from several threads.
// The dense cache (one DenseIndex per model) is guarded by `denseLock_`; every write that changes
// passages or vectors empties it, and so does a commit by another connection. Writes throw
// PassageError and roll back; reads never throw and give empty results.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "passages/dense_index.h"
#include "passages/passage_chunk.h"
#include "util/sqlite.h"

namespace quorvale {

class PassageError : public std::runtime_error {
 public:
  enum class Kind { open, sql };

  static PassageError open(const std::string& message, int code = 0) {
    return PassageError(Kind::open, message, code);
  }
  static PassageError sql(const std::string& message, int code = 0) {
    return PassageError(Kind::sql, message, code);
  }

  Kind kind() const { return kind_; }
  // SQLite's extended result code when known, else 0.
  int code() const { return code_; }

 private:
  PassageError(Kind kind, const std::string& message, int code)
      : std::runtime_error(message), kind_(kind), code_(code) {}
  Kind kind_;
  int code_;
};

struct StoredChunk {
  int64_t id = 0;
  std::string path;
  int64_t seq = 0;
  int64_t start = 0;
  int64_t end = 0;
  std::optional<int64_t> page;
  std::optional<std::string> heading;
  std::string snippet;
  std::string text;
  bool operator==(const StoredChunk&) const = default;
};

class PassageStore {
 public:
  // A statement parameter, bound by position from 1.
  using Blob = std::vector<int8_t>;
  using Bind = std::variant<std::nullptr_t, std::string, int64_t, double, Blob>;

  struct FileInfo {
    int64_t chunkCount = 0;
    bool truncated = false;
    bool operator==(const FileInfo&) const = default;
  };
  struct ChunkText {
    int64_t id = 0;
    std::string text;
    bool operator==(const ChunkText&) const = default;
  };
  struct VectorItem {
    int64_t chunkID = 0;
    std::vector<float> vector;
  };

  // Opens or creates the database; no path opens a private in-memory one. Throws
  // PassageError::open when the file cannot be opened, PassageError::sql when a pragma or the
  // schema fails (for a file that is not a database, with code SQLITE_NOTADB).
  explicit PassageStore(std::optional<std::string> path);
  PassageStore(const PassageStore&) = delete;
  PassageStore& operator=(const PassageStore&) = delete;

  // False only when the file is stored with this size, this mtime (within 1 ms) and the current
  // chunker version.
  bool needsIndexing(const std::string& path, double mtime, int64_t size);
  // Replaces the file's passages; false (and nothing written) when it was already current.
  bool upsert(const std::string& path, double mtime, int64_t size,
              const std::vector<PassageChunk>& chunks, bool truncated);
  void remove(const std::string& path);
  // The folder's own row and every row below it, but not /a/bc beside /a/b.
  void removeTree(const std::string& path);
  void clear();

  std::vector<std::string> allPaths();
  int64_t fileCount();
  int64_t count();
  std::optional<FileInfo> fileInfo(const std::string& path);
  // The database with its -wal and -shm files, or the pages of an in-memory one.
  int64_t diskBytes();
  // SQLite's quick check and the full-text table's integrity check both pass.
  bool quickCheck();

  // Chunk ids matching an FTS5 expression, best (bm25) first; empty on any error, including a
  // malformed expression.
  std::vector<int64_t> matchChunkIDs(const std::string& query, int limit);
  std::vector<StoredChunk> chunks(std::span<const int64_t> ids);
  // Passages without a vector of this model, oldest first.
  std::vector<ChunkText> chunksWithoutVectors(const std::string& modelID, int limit);
  // Quantizes and stores the vectors in one transaction; ids of passages that are gone are
  // skipped.
  void storeVectors(const std::string& modelID, const std::vector<VectorItem>& items);
  int64_t vectorCount(const std::string& modelID);
  // Passages without a vector of this model.
  int64_t chunksWithoutVectorCount(const std::string& modelID);
  void clearVectors();

  // The model's vectors as one matrix, built on first use and kept until the next write;
  // nothing when the model has no usable vector. Rows whose length differs from the first
  // non-empty row's are left out.
  std::shared_ptr<const DenseIndex> denseSnapshot(const std::string& modelID);

  const std::optional<std::string>& filePath() const { return filePath_; }

 private:
  [[noreturn]] void fail();
  void transaction(const std::function<void()>& body);
  void run(const std::string& sql, const std::vector<Bind>& values);
  sql::Statement prepareBound(const std::string& sql, const std::vector<Bind>& values);
  int64_t countOf(const std::string& sql, const std::vector<Bind>& values);
  void emptyDenseCache();

  sql::Connection db_;
  std::optional<std::string> filePath_;
  std::mutex denseLock_;
  std::map<std::string, std::shared_ptr<const DenseIndex>> denseCache_;  // guarded by denseLock_
  // Counts cache emptyings, so that a snapshot read while a write ran is not cached.
  uint64_t denseGeneration_ = 0;  // guarded by denseLock_
  // SQLite's data_version when the cache was last checked: the cache also empties when another
  // connection has committed since.
  int64_t denseDataVersion_ = -1;  // guarded by denseLock_
};

}  // namespace quorvale

// PassageStore: the reads, which never throw, and the dense snapshot.
#include <sys/stat.h>

#include <cmath>

#include "passages/passage_chunker.h"
#include "passages/passage_store.h"

namespace quorvale {
namespace {

int64_t fileSize(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 ? static_cast<int64_t>(info.st_size) : 0;
}

std::optional<int64_t> optionalInt(const sql::Statement& statement, int column) {
  if (statement.columnIsNull(column)) return std::nullopt;
  return statement.columnInt(column);
}

std::optional<std::string> optionalText(const sql::Statement& statement, int column) {
  if (statement.columnIsNull(column)) return std::nullopt;
  return statement.columnText(column);
}

}  // namespace

int64_t PassageStore::countOf(const std::string& sql, const std::vector<Bind>& values) {
  sql::Statement statement = prepareBound(sql, values);
  if (!statement || statement.step() != SQLITE_ROW) return 0;
  return statement.columnInt(0);
}

bool PassageStore::needsIndexing(const std::string& path, double mtime, int64_t size) {
  sql::Statement statement =
      prepareBound("SELECT mtime, size, chunker_version FROM file WHERE path = ?", {path});
  if (!statement || statement.step() != SQLITE_ROW) return true;
  bool current = std::fabs(statement.columnDouble(0) - mtime) < 0.001 &&
                 statement.columnInt(1) == size &&
                 statement.columnInt(2) == PassageChunker::kVersion;
  return !current;
}

std::vector<std::string> PassageStore::allPaths() {
  std::vector<std::string> paths;
  sql::Statement statement = db_.prepare("SELECT path FROM file");
  if (!statement) return paths;
  while (statement.step() == SQLITE_ROW) paths.push_back(statement.columnText(0));
  return paths;
}

int64_t PassageStore::fileCount() {
  return countOf("SELECT COUNT(*) FROM file", {});
}

int64_t PassageStore::count() {
  return countOf("SELECT COUNT(*) FROM chunk", {});
}

int64_t PassageStore::vectorCount(const std::string& modelID) {
  return countOf("SELECT COUNT(*) FROM vec WHERE model = ?", {modelID});
}

int64_t PassageStore::chunksWithoutVectorCount(const std::string& modelID) {
  return countOf(
      "SELECT COUNT(*) FROM chunk c LEFT JOIN vec v ON v.chunk_id = c.id AND v.model = ? "
      "WHERE v.chunk_id IS NULL",
      {modelID});
}

std::optional<PassageStore::FileInfo> PassageStore::fileInfo(const std::string& path) {
  sql::Statement statement =
      prepareBound("SELECT chunk_count, truncated FROM file WHERE path = ?", {path});
  if (!statement || statement.step() != SQLITE_ROW) return std::nullopt;
  return FileInfo{.chunkCount = statement.columnInt(0), .truncated = statement.columnInt(1) != 0};
}

int64_t PassageStore::diskBytes() {
  if (!filePath_) {
    return countOf("PRAGMA page_count", {}) * countOf("PRAGMA page_size", {});
  }
  return fileSize(*filePath_) + fileSize(*filePath_ + "-wal") + fileSize(*filePath_ + "-shm");
}

bool PassageStore::quickCheck() {
  sql::Statement check = db_.prepare("PRAGMA quick_check");
  if (!check || check.step() != SQLITE_ROW || check.columnText(0) != "ok") return false;
  return db_.exec("INSERT INTO chunk_fts(chunk_fts, rank) VALUES('integrity-check', 1)") ==
         SQLITE_OK;
}

std::vector<int64_t> PassageStore::matchChunkIDs(const std::string& query, int limit) {
  std::vector<int64_t> ids;
  sql::Statement statement = prepareBound(
      "SELECT rowid FROM chunk_fts WHERE chunk_fts MATCH ? ORDER BY bm25(chunk_fts) LIMIT ?",
      {query, int64_t{limit}});
  if (!statement) return ids;
  int result;
  while ((result = statement.step()) == SQLITE_ROW) ids.push_back(statement.columnInt(0));
  // A malformed expression fails on the first step; a failure later leaves a partial list that
  // would rank wrongly.
  if (result != SQLITE_DONE) ids.clear();
  return ids;
}

std::vector<StoredChunk> PassageStore::chunks(std::span<const int64_t> ids) {
  std::vector<StoredChunk> found;
  if (ids.empty()) return found;
  std::string sql =
      "SELECT c.id, f.path, c.seq, c.start, c.\"end\", c.page, c.heading, c.snippet, t.content\n"
      "FROM chunk c JOIN file f ON f.id = c.file_id JOIN chunk_fts t ON t.rowid = c.id WHERE "
      "c.id IN (";
  std::vector<Bind> values;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    sql += i == 0 ? "?" : ",?";
    values.emplace_back(ids[i]);
  }
  sql += ")";
  sql::Statement statement = prepareBound(sql, values);
  if (!statement) return found;
  while (statement.step() == SQLITE_ROW) {
    found.push_back({.id = statement.columnInt(0),
                     .path = statement.columnText(1),
                     .seq = statement.columnInt(2),
                     .start = statement.columnInt(3),
                     .end = statement.columnInt(4),
                     .page = optionalInt(statement, 5),
                     .heading = optionalText(statement, 6),
                     .snippet = statement.columnText(7),
                     .text = statement.columnText(8)});
  }
  return found;
}

std::vector<PassageStore::ChunkText> PassageStore::chunksWithoutVectors(const std::string& modelID,
                                                                        int limit) {
  std::vector<ChunkText> found;
  sql::Statement statement = prepareBound(
      "SELECT c.id, t.content FROM chunk c JOIN chunk_fts t ON t.rowid = c.id\n"
      "LEFT JOIN vec v ON v.chunk_id = c.id AND v.model = ? WHERE v.chunk_id IS NULL ORDER BY "
      "c.id LIMIT ?",
      {modelID, int64_t{std::max(limit, 0)}});
  if (!statement) return found;
  while (statement.step() == SQLITE_ROW) {
    found.push_back({.id = statement.columnInt(0), .text = statement.columnText(1)});
  }
  return found;
}

std::shared_ptr<const DenseIndex> PassageStore::denseSnapshot(const std::string& modelID) {
  uint64_t generation;
  // Commits of other connections (the indexer's writer beside a search reader) change it.
  const int64_t dataVersion = countOf("PRAGMA data_version", {});
  {
    std::lock_guard lock(denseLock_);
    if (dataVersion != denseDataVersion_) {
      denseCache_.clear();
      ++denseGeneration_;
      denseDataVersion_ = dataVersion;
    }
    auto cached = denseCache_.find(modelID);
    if (cached != denseCache_.end()) return cached->second;
    generation = denseGeneration_;
  }
  sql::Statement statement = prepareBound(
      "SELECT chunk_id, scale, v FROM vec WHERE model = ? ORDER BY chunk_id", {modelID});
  if (!statement) return nullptr;
  std::size_t dimension = 0;
  std::vector<int64_t> ids;
  std::vector<float> scales;
  std::vector<int8_t> matrix;
  while (statement.step() == SQLITE_ROW) {
    const auto length = static_cast<std::size_t>(sqlite3_column_bytes(statement.raw(), 2));
    const auto* bytes = static_cast<const int8_t*>(sqlite3_column_blob(statement.raw(), 2));
    if (length == 0 || bytes == nullptr) continue;
    if (dimension == 0) dimension = length;
    // A vector of another length cannot be compared with the rest.
    if (length != dimension) continue;
    ids.push_back(statement.columnInt(0));
    scales.push_back(static_cast<float>(statement.columnDouble(1)));
    matrix.insert(matrix.end(), bytes, bytes + length);
  }
  if (ids.empty()) return nullptr;
  auto index = std::make_shared<const DenseIndex>(dimension, std::move(ids), std::move(scales),
                                                  std::move(matrix));
  std::lock_guard lock(denseLock_);
  if (generation == denseGeneration_) denseCache_[modelID] = index;
  return index;
}

}  // namespace quorvale

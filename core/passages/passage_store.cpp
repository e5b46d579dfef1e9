// PassageStore: opening, the schema, statements and the writes.
#include "passages/passage_store.h"

#include <cmath>

#include "passages/passage_chunker.h"
#include "passages/vector_quantizer.h"
#include "util/unicode.h"

namespace quorvale {
namespace {

constexpr int kBusyTimeoutMilliseconds = 5000;

const char* const kPragmas =
    "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA temp_store=MEMORY; "
    "PRAGMA foreign_keys=ON;";

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS file(\n"
    "    id INTEGER PRIMARY KEY, path TEXT UNIQUE NOT NULL, mtime REAL NOT NULL, size INTEGER NOT "
    "NULL,\n"
    "    chunker_version INTEGER NOT NULL, chunk_count INTEGER NOT NULL, truncated INTEGER NOT "
    "NULL DEFAULT 0);\n"
    "CREATE TABLE IF NOT EXISTS chunk(\n"
    "    id INTEGER PRIMARY KEY, file_id INTEGER NOT NULL REFERENCES file(id) ON DELETE CASCADE, "
    "seq INTEGER NOT NULL,\n"
    "    start INTEGER NOT NULL, \"end\" INTEGER NOT NULL, page INTEGER, heading TEXT, snippet "
    "TEXT NOT NULL);\n"
    "CREATE INDEX IF NOT EXISTS chunk_file ON chunk(file_id);\n"
    "CREATE VIRTUAL TABLE IF NOT EXISTS chunk_fts USING fts5(content, tokenize='porter unicode61 "
    "remove_diacritics 2');\n"
    "CREATE TRIGGER IF NOT EXISTS chunk_gone AFTER DELETE ON chunk BEGIN DELETE FROM chunk_fts "
    "WHERE rowid = old.id; END;\n"
    "CREATE TABLE IF NOT EXISTS vec(\n"
    "    chunk_id INTEGER PRIMARY KEY REFERENCES chunk(id) ON DELETE CASCADE, model TEXT NOT "
    "NULL, scale REAL NOT NULL, v BLOB NOT NULL);\n";

int bindOne(sqlite3_stmt* statement, int index, const PassageStore::Bind& value) {
  struct Binder {
    sqlite3_stmt* s;
    int i;
    int operator()(std::nullptr_t) const { return sqlite3_bind_null(s, i); }
    int operator()(const std::string& text) const {
      return sqlite3_bind_text64(s, i, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    }
    int operator()(int64_t number) const { return sqlite3_bind_int64(s, i, number); }
    int operator()(double number) const { return sqlite3_bind_double(s, i, number); }
    int operator()(const PassageStore::Blob& bytes) const {
      // A null pointer would bind NULL rather than an empty blob.
      if (bytes.empty()) return sqlite3_bind_zeroblob(s, i, 0);
      return sqlite3_bind_blob64(s, i, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
    }
  };
  return std::visit(Binder{statement, index}, value);
}

template <typename T>
PassageStore::Bind optionalBind(const std::optional<T>& value) {
  if (!value) return nullptr;
  return *value;
}

}  // namespace

PassageStore::PassageStore(std::optional<std::string> path) : filePath_(std::move(path)) {
  std::string message;
  db_ = sql::Connection::open(filePath_.value_or(":memory:"),
                              SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                              message);
  if (!db_) throw PassageError::open(message, SQLITE_CANTOPEN);
  sqlite3_extended_result_codes(db_.raw(), 1);
  sqlite3_busy_timeout(db_.raw(), kBusyTimeoutMilliseconds);
  if (db_.exec(kPragmas) != SQLITE_OK || db_.exec(kSchema) != SQLITE_OK) fail();
}

void PassageStore::fail() {
  throw PassageError::sql(db_.errorMessage(), sqlite3_extended_errcode(db_.raw()));
}

sql::Statement PassageStore::prepareBound(const std::string& sql, const std::vector<Bind>& values) {
  sql::Statement statement = db_.prepare(sql);
  if (!statement) return statement;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (bindOne(statement.raw(), static_cast<int>(i + 1), values[i]) != SQLITE_OK) {
      return sql::Statement();
    }
  }
  return statement;
}

void PassageStore::run(const std::string& sql, const std::vector<Bind>& values) {
  sql::Statement statement = prepareBound(sql, values);
  if (!statement) fail();
  int result = statement.step();
  if (result != SQLITE_ROW && result != SQLITE_DONE) fail();
}

void PassageStore::transaction(const std::function<void()>& body) {
  if (db_.exec("BEGIN IMMEDIATE") != SQLITE_OK) fail();
  try {
    body();
  } catch (...) {
    db_.exec("ROLLBACK");
    throw;
  }
  if (db_.exec("COMMIT") != SQLITE_OK) {
    PassageError error = PassageError::sql(db_.errorMessage(), sqlite3_extended_errcode(db_.raw()));
    db_.exec("ROLLBACK");
    throw error;
  }
}

// Emptied before a write, so that no search uses the old vectors once the write began, and again
// after it, so that a snapshot read while it ran is dropped.
void PassageStore::emptyDenseCache() {
  std::lock_guard lock(denseLock_);
  denseCache_.clear();
  ++denseGeneration_;
}

bool PassageStore::upsert(const std::string& path, double mtime, int64_t size,
                          const std::vector<PassageChunk>& chunks, bool truncated) {
  if (!needsIndexing(path, mtime, size)) return false;
  emptyDenseCache();
  transaction([&] {
    run("DELETE FROM file WHERE path = ?", {path});
    run("INSERT INTO file(path, mtime, size, chunker_version, chunk_count, truncated) "
        "VALUES(?,?,?,?,?,?)",
        {path, mtime, size, PassageChunker::kVersion, static_cast<int64_t>(chunks.size()),
         int64_t{truncated ? 1 : 0}});
    const int64_t fileID = db_.lastInsertRowid();
    for (const PassageChunk& chunk : chunks) {
      run("INSERT INTO chunk(file_id, seq, start, \"end\", page, heading, snippet) "
          "VALUES(?,?,?,?,?,?,?)",
          {fileID, chunk.seq, chunk.start, chunk.end, optionalBind(chunk.page),
           optionalBind(chunk.heading), chunk.snippet});
      run("INSERT INTO chunk_fts(rowid, content) VALUES(?,?)", {db_.lastInsertRowid(), chunk.text});
    }
  });
  emptyDenseCache();
  return true;
}

void PassageStore::remove(const std::string& path) {
  emptyDenseCache();
  run("DELETE FROM file WHERE path = ?", {path});
  emptyDenseCache();
}

void PassageStore::removeTree(const std::string& path) {
  emptyDenseCache();
  std::string folder = path;
  while (folder.size() > 1 && folder.ends_with('/')) folder.pop_back();
  std::string prefix = folder == "/" ? folder : folder + "/";
  run("DELETE FROM file WHERE path = ? OR substr(path, 1, ?) = ?",
      {folder, static_cast<int64_t>(unicode::scalarCount(prefix)), prefix});
  emptyDenseCache();
}

void PassageStore::clear() {
  emptyDenseCache();
  transaction([&] { run("DELETE FROM file", {}); });
  emptyDenseCache();
}

void PassageStore::storeVectors(const std::string& modelID, const std::vector<VectorItem>& items) {
  if (items.empty()) return;
  emptyDenseCache();
  transaction([&] {
    for (const VectorItem& item : items) {
      QuantizedVector quantized = VectorQuantizer::quantize(item.vector);
      run("INSERT OR REPLACE INTO vec(chunk_id, model, scale, v) SELECT id, ?, ?, ? FROM chunk "
          "WHERE id = ?",
          {modelID, static_cast<double>(quantized.scale), std::move(quantized.bytes),
           item.chunkID});
    }
  });
  emptyDenseCache();
}

void PassageStore::clearVectors() {
  emptyDenseCache();
  run("DELETE FROM vec", {});
  emptyDenseCache();
}

}  // namespace quorvale

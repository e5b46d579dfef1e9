// The files database ("index.db"): one row per indexed file, a full-text table over names,
// paths and the first 6000 characters of each file's text, a trigram table over names for
// substring search, and the learning tables `usage` and `choices`.
//
// Schema (the scripts in file_index.cpp are the source of truth):
//   files(id INTEGER PRIMARY KEY, path TEXT UNIQUE, name, ext, kind, size INTEGER, mtime REAL)
//       `id` is also the rowid of the file's rows in fts and names_tri; `kind` is a FileKind raw
//       value; `mtime` is seconds since 1970.
//   fts(name, path, content)   FTS5, unicode61 without diacritics, prefix indexes of 2 and 3.
//       name: the spaced name then the spaced alternate names; path: the spaced path;
//       content: at most the first 6000 characters of the text. Contentless (the text is never
//       stored) on SQLite 3.43.0 or later; older libraries keep a copy of the text.
//   fts_vocab, fts_vocab_col   fts5vocab views of fts (row and column granularity).
//   names_tri(name)            FTS5 trigram over the lower-cased name and alternate names.
//   usage(path PRIMARY KEY, count, last)          how often and when a file was opened.
//   choices(q, path, count, last; PRIMARY KEY(q, path))  which file was chosen for which words.
//
// Threads: the connection is opened in serialized mode and WAL journal mode, so readers on other
// connections never wait for the writer. The object itself is not locked: its owner calls it
// from one thread at a time (the engine's index queue for the writer).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "index/file_record.h"
#include "util/sqlite.h"

namespace quorvale {

// A failure of the files database. The message is SQLite's own for the connection at the time.
class IndexError : public std::runtime_error {
 public:
  enum class Kind { open, sql };

  static IndexError open(const std::string& message, int code = 0) {
    return IndexError(Kind::open, message, code);
  }
  static IndexError sql(const std::string& message, int code = 0) {
    return IndexError(Kind::sql, message, code);
  }

  Kind kind() const { return kind_; }
  // SQLite's extended result code when known, else 0; lets the opener tell damage from
  // circumstance (a malformed file versus a folder it may not write).
  int code() const { return code_; }

 private:
  IndexError(Kind kind, const std::string& message, int code)
      : std::runtime_error(message), kind_(kind), code_(code) {}
  Kind kind_;
  int code_;
};

struct FileIndexOptions {
  // The SQLite version number the schema is chosen for; tests pass an older one to exercise the
  // full-text-copy schema on a modern library.
  int libraryVersion = sqlite3_libversion_number();
};

class FileIndex {
 public:
  using Bind = sql::Value;

  // The first SQLite release with contentless-delete full-text tables.
  static constexpr int kContentlessDeleteVersion = 3043000;
  // Text beyond this many characters of a file is not indexed.
  static constexpr std::size_t kMaxContentCharacters = 6000;
  static constexpr std::size_t kStatementCacheSize = 32;
  static constexpr int kBusyTimeoutMilliseconds = 5000;

  using Options = FileIndexOptions;

  // Opens or creates the database; no path opens a private in-memory database.
  // Throws IndexError::open when the file cannot be opened, IndexError::sql when the schema fails.
  explicit FileIndex(std::optional<std::string> path, Options options = {});
  ~FileIndex();
  FileIndex(const FileIndex&) = delete;
  FileIndex& operator=(const FileIndex&) = delete;

  // Writes. Each runs in its own transaction, or inside the open batch; a failure throws
  // IndexError::sql and rolls back, so a record's three rows always change together.
  void upsert(const FileRecord& record, const std::optional<std::string>& content,
              const std::vector<std::string>& alternateNames);
  // True when a record was there to remove.
  bool remove(const std::string& path);
  // Removes the record at `path` and every record below it, but not /a/bc beside /a/b.
  void removeTree(const std::string& path);

  // A long transaction for scans; begin is a no-op while one is open, commit without one too.
  void beginBatch();
  void commitBatch();
  bool batchOpen() const { return batchOpen_; }

  // Reads never throw: a failed read gives false, 0 or nothing.
  bool contains(const std::string& path);
  int64_t count();
  // "PRAGMA quick_check(1)" reports "ok".
  bool quickCheck();
  // Every stored path at or below `root` (compared as `root` + "/") with its modification time.
  std::unordered_map<std::string, Date> modifiedTimes(const std::string& root);

  // True when this opening replaced a full-text table that kept a copy of the text; `files` is
  // then empty and everything must be scanned again.
  bool migratedFromFullTextCopy() const { return migratedFromFullTextCopy_; }

  // Splits camel case (myFile -> my File) and turns "_", "-", "." and "/" into spaces.
  static std::string spaced(std::string_view text);

  // Building blocks for the query side, all on the owner's thread.
  // A cached prepared statement (up to 32 are kept; the 33rd flushes the cache). Callers hold the
  // returned pointer only for the duration of one use.
  std::shared_ptr<sql::Statement> prepared(const std::string& sql);
  // Runs the body inside a transaction (or inside the open batch).
  void transaction(const std::function<void()>& body);
  // Steps a write statement once with the values bound; throws IndexError::sql on failure.
  void write(const std::string& sql, const std::vector<Bind>& values);
  // Reads columns 0-5 as path, name, ext, kind, size, mtime.
  static FileRecord record(const sql::Statement& statement);
  sql::Connection& connection() { return db_; }
  [[noreturn]] void fail();

 private:
  void execOrThrow(const std::string& script);
  void migrateFromFullTextCopy();
  void backfillTrigrams();
  void flushStatements() { statements_.clear(); }
  std::optional<int64_t> idFor(const std::string& path);
  void deleteRows(int64_t id);

  sql::Connection db_;
  Options options_;
  bool migratedFromFullTextCopy_ = false;
  bool batchOpen_ = false;
  std::unordered_map<std::string, std::shared_ptr<sql::Statement>> statements_;
};

}  // namespace quorvale

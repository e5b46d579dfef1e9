// Opening the files database so that damage never stops the program and never loses the user's
// learning. A file that SQLite reports as not a database or as damaged (at opening, or later in
// use, or by the thorough check) is renamed aside ("index.db.damaged-<time>", with its -wal and
// -shm beside it), a fresh database is created in its place, and the `usage` and `choices` rows
// that can still be read from the damaged copy are carried over. Nothing is deleted.
//
// Opening itself only reads the schema, so it costs the same for ten files or a million; the
// thorough check (`FileIndex::quickCheck`) belongs to the owner's background queue. Called by the
// engine on creation (main thread) and after finding damage (its index queue).
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "index/file_index.h"

namespace quorvale {

struct OpenedIndex {
  std::unique_ptr<FileIndex> index;
  // Where the damaged database was moved, when it was.
  std::optional<std::string> setAside;
  int64_t carriedUsage = 0;
  int64_t carriedChoices = 0;
};

// Throws IndexError when even a fresh database cannot be created (an unwritable folder), or when
// the database cannot be opened for reasons that are not damage (it is then left untouched).
OpenedIndex openFileIndex(const std::string& path, FileIndex::Options options = {});

// Sets the damaged database at `path` aside and opens a fresh one with the learning carried
// over. The caller must have closed its own connections to the file first. Throws IndexError as
// `openFileIndex` does.
OpenedIndex replaceDamagedIndex(const std::string& path, FileIndex::Options options = {});

// Whether the failure means the file itself is damaged (SQLITE_NOTADB or SQLITE_CORRUPT), as
// opposed to a circumstance such as a full disk or a lock.
bool isDamage(const IndexError& error);

// Renames a damaged database file aside as "<path>.damaged-<time>" (a counter is added when that
// name is taken), its -wal, -shm and -journal files with it, and returns the new name. Shared by
// every database of the data folder. Throws IndexError::open when the file cannot be moved.
std::string setDatabaseAside(const std::string& path);

}  // namespace quorvale

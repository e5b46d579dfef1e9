#include "index/file_index.h"

#include <algorithm>

#include "index/change_recorder.h"
#include "index/search_state.h"
#include "index/stored_search_data.h"
#include "util/unicode.h"

namespace quorvale {
namespace {

const std::string kPragmas =
    "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA temp_store=MEMORY;";

const std::string kFilesSchema =
    "CREATE TABLE IF NOT EXISTS files(\n"
    "    id INTEGER PRIMARY KEY, path TEXT UNIQUE NOT NULL, name TEXT NOT NULL, ext TEXT NOT NULL, "
    "kind TEXT NOT NULL,\n"
    "    size INTEGER NOT NULL, mtime REAL NOT NULL);\n"
    "CREATE INDEX IF NOT EXISTS files_kind ON files(kind);\n"
    "CREATE INDEX IF NOT EXISTS files_mtime ON files(mtime);\n"
    "CREATE TABLE IF NOT EXISTS usage(path TEXT PRIMARY KEY, count INTEGER NOT NULL, last REAL "
    "NOT NULL);";

const std::string kFullTextHead =
    "CREATE VIRTUAL TABLE IF NOT EXISTS fts USING fts5(name, path, content";
const std::string kContentlessClause = ", content='', contentless_delete=1";
const std::string kFullTextTail =
    ", tokenize='unicode61 remove_diacritics 2', prefix='2 3');\n"
    "CREATE VIRTUAL TABLE IF NOT EXISTS fts_vocab USING fts5vocab(fts, 'row');\n"
    "CREATE VIRTUAL TABLE IF NOT EXISTS fts_vocab_col USING fts5vocab(fts, 'col');\n"
    "CREATE TABLE IF NOT EXISTS choices(q TEXT NOT NULL, path TEXT NOT NULL, count INTEGER NOT "
    "NULL, last REAL NOT NULL, PRIMARY KEY(q, path));\n"
    "CREATE VIRTUAL TABLE IF NOT EXISTS names_tri USING fts5(name, tokenize='trigram');";

// Extension and size filters read every passing file through these. An index made before they
// existed gets them at its first opening; best effort, like the generation counter: while
// another connection holds the file, or on a read-only file, searches work without them.
const std::string kFilterIndexes =
    "CREATE INDEX IF NOT EXISTS files_ext ON files(ext);\n"
    "CREATE INDEX IF NOT EXISTS files_size ON files(size);";
// Files of a kind, newest first (a kind word typed alone: "photos"), read in order from this
// instead of sorting every file of the kind.
const std::string kKindByTimeIndex =
    "CREATE INDEX IF NOT EXISTS files_kind_mtime ON files(kind, mtime);";

// A counter every change of `files` raises (and every full-text change goes with one), so that
// all connections read the same number for the same data: the key of the search data they
// share (SharedSearchData).
const std::string kGenerationSchema =
    "CREATE TABLE IF NOT EXISTS generation(n INTEGER NOT NULL);\n"
    "INSERT INTO generation(n) SELECT 0 WHERE NOT EXISTS (SELECT 1 FROM generation);\n"
    "CREATE TRIGGER IF NOT EXISTS files_inserted AFTER INSERT ON files BEGIN UPDATE generation "
    "SET n = n + 1; END;\n"
    "CREATE TRIGGER IF NOT EXISTS files_updated AFTER UPDATE ON files BEGIN UPDATE generation "
    "SET n = n + 1; END;\n"
    "CREATE TRIGGER IF NOT EXISTS files_deleted AFTER DELETE ON files BEGIN UPDATE generation "
    "SET n = n + 1; END;";

std::string joined(const std::vector<std::string>& parts) {
  std::string out;
  for (const auto& part : parts) {
    if (!out.empty()) out += ' ';
    out += part;
  }
  return out;
}

}  // namespace

FileIndex::FileIndex(std::optional<std::string> path, Options options) : options_(options) {
  std::string message;
  db_ = sql::Connection::open(path.value_or(":memory:"),
                              SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                              message);
  if (!db_) throw IndexError::open(message, SQLITE_CANTOPEN);
  sqlite3_extended_result_codes(db_.raw(), 1);
  // The writer and the reader share the file: a connection that finds the other one holding a
  // lock for a moment (a checkpoint, a schema check at opening) waits instead of failing.
  sqlite3_busy_timeout(db_.raw(), kBusyTimeoutMilliseconds);
  execOrThrow(kPragmas);
  execOrThrow(kFilesSchema);
  migrateFromFullTextCopy();
  bool contentless = options_.libraryVersion >= kContentlessDeleteVersion;
  execOrThrow(kFullTextHead + (contentless ? kContentlessClause : "") + kFullTextTail);
  backfillTrigrams();
  addOnce("files_deleted", kGenerationSchema);  // without it, no shared search data
  addOnce("files_size", kFilterIndexes);
  addOnce("files_kind_mtime", kKindByTimeIndex);
  StoredSearchData::createTable(db_);
  changes_ = std::make_unique<ChangeRecorder>(db_, options_.fastRanking);
}

// Best effort: a database opened read-only, or held by another connection for longer than the
// busy timeout, keeps working without what `script` adds (it is tried again at the next opening).
void FileIndex::addOnce(const char* lastMade, const std::string& script) {
  sql::Statement made = db_.prepare("SELECT COUNT(*) FROM sqlite_master WHERE name=?");
  if (!made || made.bind(1, std::string(lastMade)) != SQLITE_OK || made.step() != SQLITE_ROW ||
      made.columnInt(0) > 0) {
    return;
  }
  made = sql::Statement();
  db_.exec("BEGIN IMMEDIATE");
  if (db_.exec(script) == SQLITE_OK) {
    db_.exec("COMMIT");
  } else {
    db_.exec("ROLLBACK");
  }
}

FileIndex::~FileIndex() {
  statements_.clear();
}

void FileIndex::fail() {
  int code = sqlite3_extended_errcode(db_.raw());
  noteFailure(code);
  throw IndexError::sql(db_.errorMessage(), code);
}

void FileIndex::execOrThrow(const std::string& script) {
  if (db_.exec(script) != SQLITE_OK) fail();
}

void FileIndex::migrateFromFullTextCopy() {
  if (options_.libraryVersion < kContentlessDeleteVersion) return;
  sql::Statement lookup =
      db_.prepare("SELECT sql FROM sqlite_master WHERE type='table' AND name='fts'");
  if (!lookup || lookup.step() != SQLITE_ROW) return;
  if (lookup.columnText(0).find("contentless_delete") != std::string::npos) return;
  lookup = sql::Statement();

  transaction([&] {
    for (const char* table : {"fts_vocab", "fts_vocab_col", "fts"}) {
      execOrThrow(std::string("DROP TABLE IF EXISTS ") + table);
    }
    execOrThrow("DELETE FROM files");
    // The trigram rows belong to the records just deleted; left behind, their rowids would
    // collide with the ids the rescan hands out and every such insert would fail.
    if (db_.queryInt("SELECT COUNT(*) FROM sqlite_master WHERE name='names_tri'").value_or(0) > 0) {
      execOrThrow("DELETE FROM names_tri");
    }
  });
  flushStatements();
  migratedFromFullTextCopy_ = true;
  db_.exec("PRAGMA wal_checkpoint(TRUNCATE); VACUUM;");
}

void FileIndex::backfillTrigrams() {
  // Whether each table has a row, not how many: counting would read every row of both tables
  // on every opening.
  auto trigrams = db_.queryInt("SELECT EXISTS(SELECT 1 FROM names_tri)");
  auto files = db_.queryInt("SELECT EXISTS(SELECT 1 FROM files)");
  if (!trigrams || !files || *trigrams != 0 || *files == 0) return;
  execOrThrow("INSERT INTO names_tri(rowid, name) SELECT id, lower(name) FROM files");
}

std::shared_ptr<sql::Statement> FileIndex::prepared(const std::string& sql) {
  if (auto found = statements_.find(sql); found != statements_.end()) return found->second;
  auto statement = std::make_shared<sql::Statement>(db_.prepare(sql));
  if (!*statement) fail();
  if (statements_.size() >= kStatementCacheSize) flushStatements();
  statements_.emplace(sql, statement);
  return statement;
}

void FileIndex::write(const std::string& sql, const std::vector<Bind>& values) {
  auto statement = prepared(sql);
  sql::StatementUse use(*statement);
  if (statement->bind(values) != SQLITE_OK) fail();
  int rc = statement->step();
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) fail();
}

void FileIndex::transaction(const std::function<void()>& body) {
  if (batchOpen_) {
    // Inside a batch each record's writes still succeed or fail together: a failure rolls back
    // to the savepoint, so the batch's commit never keeps half a record.
    execOrThrow("SAVEPOINT record");
    try {
      body();
      execOrThrow("RELEASE record");
    } catch (...) {
      db_.exec("ROLLBACK TO record");
      db_.exec("RELEASE record");
      throw;
    }
    return;
  }
  execOrThrow("BEGIN IMMEDIATE");
  if (changes_) changes_->begin();
  try {
    body();
    if (changes_) changes_->finish();
    execOrThrow("COMMIT");
  } catch (...) {
    db_.exec("ROLLBACK");
    if (changes_) changes_->discard();
    throw;
  }
  if (changes_) changes_->publish();
}

void FileIndex::beginBatch() {
  if (batchOpen_) return;
  execOrThrow("BEGIN IMMEDIATE");
  batchOpen_ = true;
  if (changes_) changes_->begin();
}

void FileIndex::commitBatch() {
  if (!batchOpen_) return;
  batchOpen_ = false;
  if (changes_) changes_->finish();
  std::shared_ptr<const SharedSearchData::Published> prepared = prepareShared({});
  if (db_.exec("COMMIT") != SQLITE_OK) {
    if (changes_) changes_->discard();
    if (searchState_) searchState_->forget();
    IndexError error = IndexError::sql(db_.errorMessage(), sqlite3_extended_errcode(db_.raw()));
    // A failed COMMIT can leave the transaction open; end it so the next write starts clean.
    if (!sqlite3_get_autocommit(db_.raw())) db_.exec("ROLLBACK");
    throw error;
  }
  if (changes_) changes_->publish();
  if (prepared) searchState().shared->publish(std::move(prepared));
}

std::optional<int64_t> FileIndex::idFor(const std::string& path) {
  auto statement = prepared("SELECT id FROM files WHERE path = ?");
  sql::StatementUse use(*statement);
  statement->bind(1, path);
  int rc = statement->step();
  if (rc == SQLITE_ROW) return statement->columnInt(0);
  if (rc != SQLITE_DONE) fail();
  return std::nullopt;
}

void FileIndex::deleteRows(int64_t id) {
  write("DELETE FROM fts WHERE rowid = ?", {id});
  write("DELETE FROM names_tri WHERE rowid = ?", {id});
  write("DELETE FROM files WHERE id = ?", {id});
}

void FileIndex::upsert(const FileRecord& record, const std::optional<std::string>& content,
                       const std::vector<std::string>& alternateNames) {
  transaction([&] {
    int64_t id;
    if (auto existing = idFor(record.path)) {
      id = *existing;
      write("UPDATE files SET name=?, ext=?, kind=?, size=?, mtime=? WHERE id=?",
            {record.name, record.ext, std::string(rawValue(record.kind)), record.size,
             record.modified, id});
      write("DELETE FROM fts WHERE rowid = ?", {id});
      write("DELETE FROM names_tri WHERE rowid = ?", {id});
    } else {
      write("INSERT INTO files(path,name,ext,kind,size,mtime) VALUES(?,?,?,?,?,?)",
            {record.path, record.name, record.ext, std::string(rawValue(record.kind)), record.size,
             record.modified});
      id = db_.lastInsertRowid();
    }

    std::vector<std::string> names{unicode::spaced(record.name)};
    for (const auto& alternate : alternateNames) names.push_back(unicode::spaced(alternate));
    std::string text =
        content ? unicode::prefixCharacters(*content, kMaxContentCharacters) : std::string();
    std::string nameText = joined(names);
    if (changes_) changes_->noteName(nameText);
    write("INSERT INTO fts(rowid,name,path,content) VALUES(?,?,?,?)",
          {id, std::move(nameText), unicode::spaced(record.path), std::move(text)});

    std::string trigramNames =
        unicode::lowercased(record.name) + " " + unicode::lowercased(joined(alternateNames));
    write("INSERT INTO names_tri(rowid,name) VALUES(?,?)", {id, std::move(trigramNames)});
  });
}

bool FileIndex::remove(const std::string& path) {
  bool removed = false;
  transaction([&] {
    if (auto id = idFor(path)) {
      deleteRows(*id);
      removed = true;
    }
  });
  return removed;
}

void FileIndex::removeTree(const std::string& path) {
  // "/a/b/" names the same tree as "/a/b": the record of the folder itself goes too.
  std::string folder = path;
  while (folder.size() > 1 && folder.ends_with('/')) folder.pop_back();
  std::string prefix = folder == "/" ? folder : folder + "/";
  // substr() counts characters (code points), so the length must be counted the same way.
  auto length = static_cast<int64_t>(unicode::scalarCount(prefix));
  std::vector<Bind> values{folder, length, prefix};
  transaction([&] {
    write(
        "DELETE FROM fts WHERE rowid IN (SELECT id FROM files WHERE path = ? OR "
        "substr(path,1,?) = ?)",
        values);
    write(
        "DELETE FROM names_tri WHERE rowid IN (SELECT id FROM files WHERE path = ? OR "
        "substr(path,1,?) = ?)",
        values);
    write("DELETE FROM files WHERE path = ? OR substr(path,1,?) = ?", values);
  });
}

bool FileIndex::contains(const std::string& path) {
  try {
    auto statement = prepared("SELECT 1 FROM files WHERE path = ?");
    sql::StatementUse use(*statement);
    statement->bind(1, path);
    return statement->step() == SQLITE_ROW;
  } catch (const IndexError&) {
    return false;
  }
}

std::optional<std::string> FileIndex::name(const std::string& path) {
  try {
    auto statement = prepared("SELECT name FROM files WHERE path = ?");
    sql::StatementUse use(*statement);
    statement->bind(1, path);
    if (statement->step() != SQLITE_ROW) return std::nullopt;
    return statement->columnText(0);
  } catch (const IndexError&) {
    return std::nullopt;
  }
}

std::optional<FileRecord> FileIndex::recordAt(const std::string& path) {
  try {
    auto statement =
        prepared("SELECT path, name, ext, kind, size, mtime FROM files WHERE path = ?");
    sql::StatementUse use(*statement);
    statement->bind(1, path);
    if (statement->step() != SQLITE_ROW) return std::nullopt;
    return record(*statement);
  } catch (const IndexError&) {
    return std::nullopt;
  }
}

int64_t FileIndex::count() {
  try {
    auto statement = prepared("SELECT COUNT(*) FROM files");
    sql::StatementUse use(*statement);
    int rc = statement->step();
    if (rc == SQLITE_ROW) return statement->columnInt(0);
    noteFailure(rc);
    return 0;
  } catch (const IndexError&) {
    return 0;
  }
}

void FileIndex::keepJournalOnClose() {
  int keep = 1;
  sqlite3_file_control(db_.raw(), "main", SQLITE_FCNTL_PERSIST_WAL, &keep);
}

bool FileIndex::quickCheck() {
  // FTS5's part of the check trusts what the connection cached when it last checked or read the
  // full-text tables: once another connection has written since, it reports a checksum mismatch
  // on sound tables. So the check runs on a connection of its own, opened for this one check.
  sql::Connection own;
  const char* file = sqlite3_db_filename(db_.raw(), "main");
  if (file != nullptr && *file != '\0') {
    std::string message;
    own = sql::Connection::open(file, SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX, message);
    if (own) sqlite3_busy_timeout(own.raw(), kBusyTimeoutMilliseconds);
  }
  sql::Connection& db = own ? own : db_;  // a private in-memory database has no other writer
  sql::Statement statement = db.prepare("PRAGMA quick_check(1)");
  if (!statement) return false;
  std::optional<std::string> last;
  while (statement.step() == SQLITE_ROW) last = statement.columnText(0);
  return last == "ok";
}

std::unordered_map<std::string, Date> FileIndex::modifiedTimes(const std::string& root) {
  std::unordered_map<std::string, Date> times;
  forEachModifiedTime(root, [&](std::string_view path, Date modified) {
    times.emplace(std::string(path), modified);
  });
  return times;
}

void FileIndex::forEachModifiedTime(const std::string& root,
                                    const std::function<void(std::string_view, Date)>& visit) {
  std::string prefix = root.ends_with('/') ? root : root + "/";
  try {
    // Every row, in the order they were written (which a rescan meets again in its walk), and
    // the prefix compared here: one comparison a row, cheaper than the statement's own.
    auto statement = prepared("SELECT path, mtime FROM files");
    sql::StatementUse use(*statement);
    int rc;
    while ((rc = statement->step()) == SQLITE_ROW) {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement->raw(), 0));
      const auto length = static_cast<std::size_t>(sqlite3_column_bytes(statement->raw(), 0));
      const std::string_view path(text ? text : "", text ? length : 0);
      if (path.starts_with(prefix)) visit(path, statement->columnDouble(1));
    }
    noteFailure(rc);
  } catch (const IndexError&) {
  }
}

FileRecord FileIndex::record(const sql::Statement& statement) {
  return FileRecord{
      .path = statement.columnText(0),
      .name = statement.columnText(1),
      .ext = statement.columnText(2),
      .kind = fileKindFromRaw(statement.columnText(3)),
      .size = statement.columnInt(4),
      .modified = statement.columnDouble(5),
  };
}

}  // namespace quorvale

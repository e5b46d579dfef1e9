// A thin RAII layer over the sqlite3 C API: a connection and a prepared statement that close and
// finalize themselves, typed binding, and a scope guard that resets a statement after use.
//
// Nothing here throws: calls return SQLite's result codes, and each database type turns failures
// into its own error type with `Connection::errorMessage()`. A Connection may be shared between
// threads only when opened in serialized (full-mutex) mode; a Statement belongs to one thread at a
// time.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace quorvale::sql {

// A value bound to a "?" placeholder.
using Value = std::variant<std::string, int64_t, double>;

class Statement {
 public:
  Statement() = default;
  explicit Statement(sqlite3_stmt* statement) : statement_(statement) {}

  explicit operator bool() const { return statement_ != nullptr; }
  sqlite3_stmt* raw() const { return statement_.get(); }

  // Binds values to placeholders 1, 2, ... in order; text is copied by SQLite.
  int bind(std::span<const Value> values);
  int bind(int index, const Value& value);

  // SQLITE_ROW, SQLITE_DONE or an error code.
  int step() { return sqlite3_step(statement_.get()); }
  void reset() {
    sqlite3_reset(statement_.get());
    sqlite3_clear_bindings(statement_.get());
  }

  std::string columnText(int column) const;
  int64_t columnInt(int column) const { return sqlite3_column_int64(statement_.get(), column); }
  double columnDouble(int column) const { return sqlite3_column_double(statement_.get(), column); }
  bool columnIsNull(int column) const {
    return sqlite3_column_type(statement_.get(), column) == SQLITE_NULL;
  }

 private:
  struct Finalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
  };
  std::unique_ptr<sqlite3_stmt, Finalizer> statement_;
};

// Resets a statement and clears its bindings when the scope ends, whatever happened.
class StatementUse {
 public:
  explicit StatementUse(Statement& statement) : statement_(statement) {}
  ~StatementUse() { statement_.reset(); }
  StatementUse(const StatementUse&) = delete;
  StatementUse& operator=(const StatementUse&) = delete;

 private:
  Statement& statement_;
};

class Connection {
 public:
  Connection() = default;

  // sqlite3_open_v2 with the given flags. On failure the returned connection is empty and
  // `message` holds SQLite's reason.
  static Connection open(const std::string& path, int flags, std::string& message);

  explicit operator bool() const { return db_ != nullptr; }
  sqlite3* raw() const { return db_.get(); }

  // Runs a script of one or more statements; SQLITE_OK on success.
  int exec(const std::string& script);
  // Prepares the whole string as one statement; an empty Statement on failure.
  Statement prepare(std::string_view sql);
  // The first column of the first row of a query with no parameters, if any.
  std::optional<int64_t> queryInt(std::string_view sql);

  std::string errorMessage() const;
  int64_t lastInsertRowid() const { return sqlite3_last_insert_rowid(db_.get()); }

 private:
  struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
  };
  std::unique_ptr<sqlite3, Closer> db_;
};

// The connection's full-text (FTS5) extension interface, through which tokenizers and ranking
// functions are reached; nullptr when the library has no FTS5.
fts5_api* fts5Api(Connection& db);

}  // namespace quorvale::sql

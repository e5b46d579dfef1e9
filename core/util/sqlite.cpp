#include "util/sqlite.h"

namespace quorvale::sql {

int Statement::bind(int index, const Value& value) {
  sqlite3_stmt* s = statement_.get();
  if (const auto* text = std::get_if<std::string>(&value)) {
    return sqlite3_bind_text64(s, index, text->data(), text->size(), SQLITE_TRANSIENT, SQLITE_UTF8);
  }
  if (const auto* integer = std::get_if<int64_t>(&value)) {
    return sqlite3_bind_int64(s, index, *integer);
  }
  return sqlite3_bind_double(s, index, std::get<double>(value));
}

int Statement::bind(std::span<const Value> values) {
  int index = 1;
  for (const Value& value : values) {
    int rc = bind(index++, value);
    if (rc != SQLITE_OK) return rc;
  }
  return SQLITE_OK;
}

std::string Statement::columnText(int column) const {
  const auto* text = sqlite3_column_text(statement_.get(), column);
  if (text == nullptr) return {};
  return std::string(reinterpret_cast<const char*>(text),
                     static_cast<std::size_t>(sqlite3_column_bytes(statement_.get(), column)));
}

Connection Connection::open(const std::string& path, int flags, std::string& message) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
  Connection connection;
  connection.db_.reset(db);
  if (rc != SQLITE_OK) {
    message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    return Connection();
  }
  return connection;
}

int Connection::exec(const std::string& script) {
  return sqlite3_exec(db_.get(), script.c_str(), nullptr, nullptr, nullptr);
}

Statement Connection::prepare(std::string_view sql) {
  sqlite3_stmt* statement = nullptr;
  int rc =
      sqlite3_prepare_v2(db_.get(), sql.data(), static_cast<int>(sql.size()), &statement, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(statement);
    return Statement();
  }
  return Statement(statement);
}

std::optional<int64_t> Connection::queryInt(std::string_view sql) {
  Statement statement = prepare(sql);
  if (!statement || statement.step() != SQLITE_ROW) return std::nullopt;
  return statement.columnInt(0);
}

std::string Connection::errorMessage() const {
  return db_ ? sqlite3_errmsg(db_.get()) : "out of memory";
}

fts5_api* fts5Api(Connection& db) {
  fts5_api* api = nullptr;
  Statement statement = db.prepare("SELECT fts5(?1)");
  if (!statement) return nullptr;
  sqlite3_bind_pointer(statement.raw(), 1, static_cast<void*>(&api), "fts5_api_ptr", nullptr);
  statement.step();
  return api;
}

}  // namespace quorvale::sql

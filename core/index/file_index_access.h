// The SQL building blocks of a FileIndex (its connection, its statement cache, its write and
// failure helpers), kept out of the class's public interface. For the index's own parts that
// run statements of their own on the index's connection (SearchState, the recovery of a damaged
// file), and for tests and benchmarks that prepare or inspect the database file directly. The
// application goes through FileIndex's public operations only. Same thread rules as the index.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "index/file_index.h"

namespace quorvale {

struct FileIndexAccess {
  static sql::Connection& connection(FileIndex& index) { return index.db_; }
  // A cached prepared statement; throws IndexError::sql when it cannot be prepared.
  static std::shared_ptr<sql::Statement> prepared(FileIndex& index, const std::string& sql) {
    return index.prepared(sql);
  }
  // Steps a write statement once; throws IndexError::sql on failure.
  static void write(FileIndex& index, const std::string& sql,
                    const std::vector<FileIndex::Bind>& values) {
    index.write(sql, values);
  }
  // Columns 0-5 as path, name, ext, kind, size, mtime.
  static FileRecord record(const sql::Statement& statement) { return FileIndex::record(statement); }
};

}  // namespace quorvale

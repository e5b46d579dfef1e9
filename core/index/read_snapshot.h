// Holds one read transaction open for a scope, so that several statements (and a cache's
// version check) see the same snapshot of the database even while a writer on another
// connection commits. Inside a transaction the caller already holds, it does nothing.
#pragma once

#include "util/sqlite.h"

namespace quorvale {

class ReadSnapshot {
 public:
  explicit ReadSnapshot(sql::Connection& db) : db_(db) {
    began_ = sqlite3_get_autocommit(db_.raw()) != 0 && db_.exec("BEGIN") == SQLITE_OK;
  }
  ~ReadSnapshot() {
    if (began_) db_.exec("COMMIT");
  }
  ReadSnapshot(const ReadSnapshot&) = delete;
  ReadSnapshot& operator=(const ReadSnapshot&) = delete;

  // True when the statements in this scope share one snapshot.
  bool held() const { return sqlite3_get_autocommit(db_.raw()) == 0; }

 private:
  sql::Connection& db_;
  bool began_ = false;
};

}  // namespace quorvale

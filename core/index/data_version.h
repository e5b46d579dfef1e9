// Tells whether a connection's database may have changed since a cache was filled: another
// connection committed (PRAGMA data_version moved) or this one changed rows (its change
// counter moved). Read it inside the read transaction whose data the cache describes. Belongs
// to the connection's thread.
#pragma once

#include <cstdint>

#include "util/sqlite.h"

namespace quorvale {

class DataVersion {
 public:
  struct Stamp {
    int64_t version = -1;
    int64_t changes = -1;
    bool operator==(const Stamp&) const = default;
  };

  explicit DataVersion(sql::Connection& db) : db_(db) {}

  // The current stamp; an unreadable version gives a stamp that equals no other.
  Stamp current() {
    if (!statement_) statement_ = db_.prepare("PRAGMA data_version");
    int64_t version = -1;
    if (statement_) {
      sql::StatementUse use(statement_);
      if (statement_.step() == SQLITE_ROW) version = statement_.columnInt(0);
    }
    if (version < 0) return Stamp{-1, --unreadable_};
    return Stamp{version, sqlite3_total_changes64(db_.raw())};
  }

 private:
  sql::Connection& db_;
  sql::Statement statement_;
  int64_t unreadable_ = -1;
};

}  // namespace quorvale

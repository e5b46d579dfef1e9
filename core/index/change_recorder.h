// Records what each write transaction of one connection changed (the ids of the `files` rows
// it inserted, updated or deleted, and the words of the names it wrote to the full-text table)
// and, once the transaction committed, hands it with the generations before and after to the
// searching connections of the same file (SharedSearchData::record), so that they can keep the
// cached values the write did not touch. Owned by a FileIndex, used on its thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "index/shared_search_data.h"
#include "util/sqlite.h"

namespace quorvale {

class ChangeRecorder {
 public:
  // `share`: publish to the file's shared data (nothing is recorded otherwise).
  ChangeRecorder(sql::Connection& db, bool share);
  ~ChangeRecorder();
  ChangeRecorder(const ChangeRecorder&) = delete;
  ChangeRecorder& operator=(const ChangeRecorder&) = delete;

  // Right after a write transaction began.
  void begin();
  // A text written to the full-text table's name column inside the transaction.
  void noteName(const std::string& text);
  // Right before COMMIT, inside the transaction: records the change for the generation it
  // leaves.
  void finish();
  // After the COMMIT succeeded.
  void publish();
  // After a rollback (or a failed commit): takes back a change recorded for it.
  void discard();

  // More rows than this in one transaction are not worth patching caches for.
  static constexpr std::size_t kMaxRows = 1 << 20;

 private:
  static void onUpdate(void* self, int operation, const char* database, const char* table,
                       sqlite3_int64 rowid);
  std::optional<int64_t> readGeneration();
  // The recorded rows whose first write was an insert, sorted.
  std::vector<int64_t> newRows() const;
  // The words of the names, as the full-text table's tokenizer splits them; nothing when the
  // tokenizer is not available.
  std::optional<std::vector<std::string>> nameWords() const;

  sql::Connection& db_;
  std::shared_ptr<SharedSearchData> shared_;
  bool recording_ = false;
  bool overflow_ = false;
  bool recorded_ = false;
  int64_t from_ = -1;
  int64_t to_ = -1;
  std::vector<int64_t> rows_;
  std::vector<bool> inserts_;  // by write, alongside rows_: whether it was an insert
  std::vector<std::string> names_;
};

}  // namespace quorvale

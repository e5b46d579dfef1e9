// Row sizes for bm25: the number of tokens a full-text row holds over all its columns, as
// FTS5 records it in fts_docsize, read without a lookup statement per row. Used by the
// ranking function on the searching connection's thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "index/data_version.h"
#include "util/sqlite.h"

namespace quorvale {

// Reads row sizes in ascending rowid order with one forward scan of fts_docsize, seeking anew
// only across gaps, which costs a fraction of a lookup per row.
class SizeScan {
 public:
  explicit SizeScan(sql::Connection& db) : db_(db) {}

  // Ends the scan (releases the statement's hold on the snapshot).
  void restart();
  // The total token count of the row, or nothing when its size record is missing or damaged.
  std::optional<int> tokens(int64_t rowid, int columns);

 private:
  bool prepare();
  void seek(int64_t rowid);
  void advance();

  sql::Connection& db_;
  sql::Statement statement_;
  bool failed_ = false;
  bool onRow_ = false;
  int64_t id_ = 0;
};

// Tables by file id (row sizes, file attributes, letter matches, filter answers) hold a slot for
// every id up to the largest: ids are dense from 1 unless most files went. Past this many, a slot
// each is not worth it and the table is not made.
constexpr int64_t kMostIdSlots = int64_t{1} << 24;

// Every row's size by rowid, as one scan of fts_docsize reads them for one version of the data;
// kUnknownSize where a row has no size record or an unreadable one (or one too large to hold).
using AllSizes = std::vector<uint16_t>;
constexpr uint16_t kUnknownSize = UINT16_MAX;
// Nothing when the table cannot be read, or when its ids run too high to be worth a slot each.
std::optional<AllSizes> readAllSizes(sql::Connection& db, int columns);

// Row sizes already read, by rowid; valid while the database is unchanged. Rows are read into it
// as searches meet them, or come all at once from another connection (adopt).
class SizeCache {
 public:
  explicit SizeCache(sql::Connection& db) : version_(db) {}

  // Empties the cache when the data changed since it was filled. Call inside the read
  // transaction the search runs in, so that the version is the one the search sees.
  void check();
  std::optional<int> find(int64_t rowid) const;
  void store(int64_t rowid, int tokens);
  // The data changed from the version `from` (the stamp of an earlier snapshot) to the one now
  // only in `rows` (sorted): keeps the sizes of the other rows for the version now, when the
  // cache was filled for `from`, and empties it otherwise. Call inside the read transaction.
  void keepThrough(const DataVersion::Stamp& from, const std::vector<int64_t>& rows);
  // Takes every row's size, read for the data as this connection now sees it (shared, never
  // changed; rows that change later are masked). Call inside the read transaction.
  void adopt(std::shared_ptr<const AllSizes> all);

 private:
  // Rowids are file ids, dense from 1; a stray huge one is simply not cached.
  static constexpr int64_t kMaxRowid = int64_t{1} << 26;

  void clear();

  DataVersion version_;
  DataVersion::Stamp stamp_;
  std::vector<int32_t> tokens_;
  std::shared_ptr<const AllSizes> all_;
  std::vector<bool> changed_;  // rows of `all_` written since it was read
};

// The total token count from a size record: one SQLite varint per column and nothing after.
std::optional<int> totalTokens(const unsigned char* blob, int bytes, int columns);

}  // namespace quorvale

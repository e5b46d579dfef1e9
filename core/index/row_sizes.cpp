#include "index/row_sizes.h"

#include <algorithm>

namespace quorvale {
namespace {

// SQLite's variable-length integer (the b-tree format FTS5 writes its size records in).
// Returns the bytes read, or 0 when the record ends first.
std::size_t readVarint(const unsigned char* p, const unsigned char* end, uint64_t& value) {
  value = 0;
  for (std::size_t i = 0; i < 9; ++i) {
    if (p + i >= end) return 0;
    if (i == 8) {
      value = (value << 8) | p[i];
      return 9;
    }
    value = (value << 7) | (p[i] & 0x7f);
    if ((p[i] & 0x80) == 0) return i + 1;
  }
  return 0;
}

// The total token count in the size record of the statement's column 1.
std::optional<int> recordTokens(sql::Statement& statement, int columns) {
  const auto* blob = static_cast<const unsigned char*>(sqlite3_column_blob(statement.raw(), 1));
  if (blob == nullptr) return std::nullopt;
  return totalTokens(blob, sqlite3_column_bytes(statement.raw(), 1), columns);
}

}  // namespace

std::optional<int> totalTokens(const unsigned char* blob, int bytes, int columns) {
  const unsigned char* end = blob + bytes;
  int total = 0;
  for (int column = 0; column < columns; ++column) {
    uint64_t value = 0;
    std::size_t used = readVarint(blob, end, value);
    if (used == 0) return std::nullopt;
    blob += used;
    // FTS5 keeps each column size in 32 bits and adds them up as int.
    total += static_cast<int>(static_cast<uint32_t>(value));
  }
  if (blob != end) return std::nullopt;
  return total;
}

void SizeScan::restart() {
  if (statement_) statement_.reset();
  onRow_ = false;
}

std::optional<int> SizeScan::tokens(int64_t rowid, int columns) {
  if (!prepare()) return std::nullopt;
  constexpr int64_t kSeekGap = 16;
  if (!onRow_ || rowid < id_ || rowid - id_ > kSeekGap) seek(rowid);
  while (onRow_ && id_ < rowid) advance();
  if (!onRow_ || id_ != rowid) return std::nullopt;
  return recordTokens(statement_, columns);
}

bool SizeScan::prepare() {
  if (!statement_ && !failed_) {
    statement_ = db_.prepare("SELECT id, sz FROM fts_docsize WHERE id >= ?");
    failed_ = !statement_;
  }
  return !failed_;
}

void SizeScan::seek(int64_t rowid) {
  statement_.reset();
  statement_.bind(1, rowid);
  advance();
}

void SizeScan::advance() {
  onRow_ = statement_.step() == SQLITE_ROW;
  if (onRow_) id_ = statement_.columnInt(0);
}

std::optional<AllSizes> readAllSizes(sql::Connection& db, int columns) {
  std::optional<int64_t> largest = db.queryInt("SELECT max(id) FROM fts_docsize");
  if (!largest || *largest >= kMostIdSlots) return std::nullopt;
  AllSizes all(static_cast<std::size_t>(std::max<int64_t>(*largest, 0) + 1), kUnknownSize);
  sql::Statement statement = db.prepare("SELECT id, sz FROM fts_docsize");
  if (!statement) return std::nullopt;
  int rc;
  while ((rc = statement.step()) == SQLITE_ROW) {
    int64_t id = statement.columnInt(0);
    if (id < 0 || static_cast<uint64_t>(id) >= all.size()) continue;
    std::optional<int> tokens = recordTokens(statement, columns);
    if (tokens && *tokens >= 0 && *tokens < kUnknownSize) {
      all[static_cast<std::size_t>(id)] = static_cast<uint16_t>(*tokens);
    }
  }
  if (rc != SQLITE_DONE) return std::nullopt;
  return all;
}

void SizeCache::clear() {
  tokens_.clear();
  all_.reset();
  changed_.clear();
}

void SizeCache::check() {
  DataVersion::Stamp stamp = version_.current();
  if (stamp.version < 0 || !(stamp == stamp_)) clear();
  stamp_ = stamp;
}

void SizeCache::keepThrough(const DataVersion::Stamp& from, const std::vector<int64_t>& rows) {
  if (from.version < 0 || !(from == stamp_)) {
    clear();
    stamp_ = {};
    return;
  }
  if (all_ && !rows.empty() && changed_.empty()) changed_.resize(all_->size());
  for (int64_t rowid : rows) {
    if (rowid < 0) continue;
    auto index = static_cast<uint64_t>(rowid);
    if (index < tokens_.size()) tokens_[index] = -1;
    if (index < changed_.size()) changed_[index] = true;
  }
  stamp_ = version_.current();
}

void SizeCache::adopt(std::shared_ptr<const AllSizes> all) {
  DataVersion::Stamp stamp = version_.current();
  if (stamp.version < 0 || !all) return;
  if (!(stamp == stamp_)) clear();
  stamp_ = stamp;
  changed_.clear();
  all_ = std::move(all);
}

std::optional<int> SizeCache::find(int64_t rowid) const {
  if (rowid < 0) return std::nullopt;
  auto index = static_cast<uint64_t>(rowid);
  if (index < tokens_.size() && tokens_[index] >= 0) return tokens_[index];
  if (!all_ || index >= all_->size() || (index < changed_.size() && changed_[index])) {
    return std::nullopt;
  }
  uint16_t tokens = (*all_)[index];
  if (tokens == kUnknownSize) return std::nullopt;
  return tokens;
}

void SizeCache::store(int64_t rowid, int tokens) {
  if (rowid < 0 || rowid >= kMaxRowid || tokens < 0) return;
  auto index = static_cast<std::size_t>(rowid);
  if (index >= tokens_.size()) tokens_.resize(std::max(index + 1, tokens_.size() * 2), -1);
  tokens_[index] = tokens;
}

}  // namespace quorvale

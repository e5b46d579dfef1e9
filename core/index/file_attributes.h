// What a search's filters ask of every file (its kind, extension, modification time and size),
// held in memory for one version of the data. A filter beside words must know which of the
// words' best matches pass; reading that from the files table costs a lookup per row, and on a
// large index a common kind or extension is tens of thousands of rows. Read once (a scan of the
// table) by the warm-up at a fresh start and shared with the searching connections, which take
// every answer these columns give from here; a folder condition is still read from the table,
// for the rows that pass the rest. Never changed once read; safe to read on any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "index/query.h"
#include "util/sqlite.h"

namespace quorvale {

class FileAttributes {
 public:
  // Every row of `files`, in the data the connection sees; nothing when the table cannot be read
  // or its ids run too high to be worth a slot each.
  static std::optional<FileAttributes> read(sql::Connection& db);

  // What the files table answers for the query's filters, by id (the form of a search's filter
  // answers): 1 passes, 2 fails (no such row, or a filter on these columns fails) and 0 where
  // the table must still be asked: the query's folder, and rows whose values these columns do not
  // hold exactly (a size past 4 GB, a time that is not a number).
  std::vector<uint8_t> answers(const Query& query) const;

  std::size_t ids() const { return kind_.size(); }

 private:
  static constexpr uint8_t kNoRow = 0;
  static constexpr uint8_t kInexact = UINT8_MAX;  // the row is asked of the table
  static constexpr uint16_t kOtherExtension = UINT16_MAX;
  static constexpr uint32_t kLargeSize = UINT32_MAX;

  // Code n stands for kinds_[n - 1]; or kNoRow, or kInexact.
  std::vector<uint8_t> kind_;
  std::vector<uint16_t> extension_;  // likewise into extensions_; or kOtherExtension
  std::vector<double> modified_;
  std::vector<uint32_t> size_;  // or kLargeSize
  std::vector<std::string> kinds_;
  std::vector<std::string> extensions_;
};

}  // namespace quorvale

// What a search's filters ask of every file (its kind, extension, modification time and size),
// held in memory for one version of the data. A filter beside words must know which of the
// words' best matches pass; reading that from the files table costs a lookup per row, and on a
// large index a common kind or extension is tens of thousands of rows. Read once (a scan of the
// table) by the warm-up at a fresh start and shared with the searching connections, which take
// every answer these columns give from here while they see that same data; a folder condition
// is still read from the table, for the rows that pass the rest. Never changed once read; safe to
// read on any thread.
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

  // A query's filters on these columns, prepared for answering row after row.
  struct Filter {
    std::optional<uint8_t> kind;      // the wanted kind's code (0: no row has it)
    std::vector<uint8_t> extensions;  // by code: wanted; empty when any extension will do
    std::optional<Date> modifiedAfter, modifiedBefore;
    std::optional<int64_t> minSize, maxSize;
  };
  Filter filter(const Query& query) const;
  // Whether the file passes the filter (a file that does not exist fails); nothing where these
  // columns do not hold its values exactly (a size past 4 GB, a time that is not a number) and
  // the table must be asked. A folder condition is not the filter's: ask the table for it.
  std::optional<bool> passes(const Filter& filter, int64_t id) const;

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

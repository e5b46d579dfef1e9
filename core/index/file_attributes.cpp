#include "index/file_attributes.h"

#include <algorithm>
#include <unordered_map>

#include "index/row_sizes.h"

namespace quorvale {
namespace {

// The code of `text` in `names` (from 1), adding it while there is room below `full`; `full`
// once there is none.
template <class Code>
Code codeOf(std::string text, std::vector<std::string>& names,
            std::unordered_map<std::string, Code>& codes, Code full) {
  if (auto found = codes.find(text); found != codes.end()) return found->second;
  if (names.size() + 1 >= full) return full;
  names.push_back(text);
  auto code = static_cast<Code>(names.size());
  codes.emplace(std::move(text), code);
  return code;
}

bool isNumber(int type) {
  return type == SQLITE_INTEGER || type == SQLITE_FLOAT;
}

}  // namespace

std::optional<FileAttributes> FileAttributes::read(sql::Connection& db) {
  std::optional<int64_t> largest = db.queryInt("SELECT max(id) FROM files");
  std::optional<int64_t> smallest = db.queryInt("SELECT min(id) FROM files");
  if (!largest || !smallest || *largest >= kMostIdSlots || *smallest < 0) return std::nullopt;
  sql::Statement statement = db.prepare("SELECT id, kind, ext, mtime, size FROM files");
  if (!statement) return std::nullopt;
  auto slots = static_cast<std::size_t>(*largest + 1);
  FileAttributes out;
  out.kind_.assign(slots, kNoRow);
  out.extension_.assign(slots, kOtherExtension);
  out.modified_.assign(slots, 0);
  out.size_.assign(slots, kLargeSize);
  std::unordered_map<std::string, uint8_t> kindCodes;
  std::unordered_map<std::string, uint16_t> extensionCodes;
  sqlite3_stmt* row = statement.raw();
  int rc;
  while ((rc = statement.step()) == SQLITE_ROW) {
    auto id = static_cast<std::size_t>(statement.columnInt(0));
    if (id >= slots) return std::nullopt;  // a row written past the snapshot's largest id
    if (sqlite3_column_type(row, 1) != SQLITE_TEXT || !isNumber(sqlite3_column_type(row, 3))) {
      out.kind_[id] = kInexact;
      continue;
    }
    out.kind_[id] = codeOf(statement.columnText(1), out.kinds_, kindCodes, kInexact);
    if (sqlite3_column_type(row, 2) == SQLITE_TEXT) {
      out.extension_[id] =
          codeOf(statement.columnText(2), out.extensions_, extensionCodes, kOtherExtension);
    }
    out.modified_[id] = statement.columnDouble(3);
    if (sqlite3_column_type(row, 4) == SQLITE_INTEGER) {
      int64_t size = statement.columnInt(4);
      if (size >= 0 && size < kLargeSize) out.size_[id] = static_cast<uint32_t>(size);
    }
  }
  if (rc != SQLITE_DONE) return std::nullopt;
  return out;
}

FileAttributes::Filter FileAttributes::filter(const Query& query) const {
  Filter filter{.kind = std::nullopt,
                .extensions = {},
                .modifiedAfter = query.modifiedAfter,
                .modifiedBefore = query.modifiedBefore,
                .minSize = query.minSize,
                .maxSize = query.maxSize};
  if (query.kind) {
    auto found = std::find(kinds_.begin(), kinds_.end(), rawValue(*query.kind));
    filter.kind = found == kinds_.end() ? 0 : static_cast<uint8_t>(found - kinds_.begin() + 1);
  }
  if (!query.extensions.empty()) {
    filter.extensions.assign(extensions_.size() + 1, 0);
    for (std::size_t code = 1; code <= extensions_.size(); ++code) {
      filter.extensions[code] = query.extensions.contains(extensions_[code - 1]);
    }
  }
  return filter;
}

std::optional<bool> FileAttributes::passes(const Filter& filter, int64_t id) const {
  if (id < 0 || static_cast<uint64_t>(id) >= kind_.size()) return false;
  auto at = static_cast<std::size_t>(id);
  uint8_t kind = kind_[at];
  if (kind == kNoRow) return false;
  if (kind == kInexact) return std::nullopt;
  bool unknown = false;
  if (filter.kind && kind != *filter.kind) return false;
  if (!filter.extensions.empty()) {
    if (extension_[at] == kOtherExtension) {
      unknown = true;
    } else if (!filter.extensions[extension_[at]]) {
      return false;
    }
  }
  if (filter.modifiedAfter && !(modified_[at] >= *filter.modifiedAfter)) return false;
  if (filter.modifiedBefore && !(modified_[at] < *filter.modifiedBefore)) return false;
  if (filter.minSize || filter.maxSize) {
    uint32_t size = size_[at];
    if (size == kLargeSize) {
      unknown = true;
    } else if ((filter.minSize && size < *filter.minSize) ||
               (filter.maxSize && size > *filter.maxSize)) {
      return false;
    }
  }
  if (unknown) return std::nullopt;
  return true;
}

}  // namespace quorvale

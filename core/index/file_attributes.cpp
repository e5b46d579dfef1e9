#include "index/file_attributes.h"

#include <algorithm>
#include <unordered_map>

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
  // One slot per id up to the largest, as the filter answers hold them.
  constexpr int64_t kMostIds = int64_t{1} << 24;
  std::optional<int64_t> largest = db.queryInt("SELECT max(id) FROM files");
  std::optional<int64_t> smallest = db.queryInt("SELECT min(id) FROM files");
  if (!largest || !smallest || *largest >= kMostIds || *smallest < 0) return std::nullopt;
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

std::vector<uint8_t> FileAttributes::answers(const Query& query) const {
  constexpr uint8_t kUnknown = 0, kPasses = 1, kFails = 2;
  std::optional<uint8_t> kind;
  if (query.kind) {
    auto found = std::find(kinds_.begin(), kinds_.end(), rawValue(*query.kind));
    // A kind no row has: code 0 is no row's.
    kind = found == kinds_.end() ? 0 : static_cast<uint8_t>(found - kinds_.begin() + 1);
  }
  std::vector<uint8_t> wanted(extensions_.size() + 1, 0);
  for (std::size_t code = 1; code <= extensions_.size(); ++code) {
    wanted[code] = query.extensions.contains(extensions_[code - 1]);
  }
  std::vector<uint8_t> out(kind_.size(), kFails);
  for (std::size_t id = 0; id < kind_.size(); ++id) {
    uint8_t rowKind = kind_[id];
    if (rowKind == kNoRow) continue;
    if (rowKind == kInexact) {
      out[id] = kUnknown;
      continue;
    }
    bool unknown = query.folder.has_value();
    if (kind && rowKind != *kind) continue;
    if (!query.extensions.empty()) {
      if (extension_[id] == kOtherExtension) {
        unknown = true;
      } else if (!wanted[extension_[id]]) {
        continue;
      }
    }
    if (query.modifiedAfter && !(modified_[id] >= *query.modifiedAfter)) continue;
    if (query.modifiedBefore && !(modified_[id] < *query.modifiedBefore)) continue;
    if (query.minSize || query.maxSize) {
      uint32_t size = size_[id];
      if (size == kLargeSize) {
        unknown = true;
      } else if ((query.minSize && size < *query.minSize) ||
                 (query.maxSize && size > *query.maxSize)) {
        continue;
      }
    }
    out[id] = unknown ? kUnknown : kPasses;
  }
  return out;
}

}  // namespace quorvale

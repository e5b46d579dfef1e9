// One indexed file. The path is the record's key everywhere (database, hits, rows, learning).
// A plain value, copied freely.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "index/file_kind.h"

namespace quorvale {

// Dates are seconds since 1970 as doubles, as the databases store them.
using Date = double;
// The date of a file that reports none (0001-01-01T00:00:00Z), older than any real file.
inline constexpr Date kDistantPast = -62135596800.0;

// The system clock's time as a Date.
Date currentDate();

struct FileRecord {
  std::string path;  // absolute
  std::string name;  // display name, usually the last path component
  std::string ext;   // the path's extension, lower-cased; empty when there is none
  FileKind kind = FileKind::other;
  int64_t size = 0;
  Date modified = 0;

  // What a record is made from. A missing name becomes the path's last component and a missing
  // kind follows the extension (a folder's kind when `isDirectory`).
  struct Fields {
    std::string path = {};
    std::optional<std::string> name = std::nullopt;
    std::optional<FileKind> kind = std::nullopt;
    int64_t size = 0;
    Date modified = 0;
    bool isDirectory = false;
  };
  static FileRecord make(Fields fields);

  bool operator==(const FileRecord&) const = default;
};

// The last component of a path ("/a/b.txt" -> "b.txt"); trailing slashes are ignored.
std::string lastPathComponent(std::string_view path);
// The path without its last component ("/a/b.txt" -> "/a"; "/a" -> "/").
std::string deletingLastPathComponent(std::string_view path);
// The path lexically cleaned ("/a/./b/../c/" -> "/a/c"), without a trailing slash; links are not
// resolved. The spelling roots, excluded folders and records are compared in. Empty stays empty.
std::string standardizedPath(std::string_view path);
// Whether the path is the folder or lies below it (as spelled; an empty folder holds nothing).
bool isBelowOrAt(std::string_view path, std::string_view folder);
// The names along a path ("/a/b/c.txt" -> "a", "b", "c.txt"), without empty pieces.
std::vector<std::string> pathComponents(std::string_view path);
// The extension of a path's last component as written: the text after its last ".", empty when
// there is none, when the name ends in ".", or when the only "." starts the name (".bashrc").
std::string pathExtension(std::string_view path);

}  // namespace quorvale

// A depth-first walk of one folder tree in pre-order (a folder, then what it holds), with each
// entry's attributes read while its folder is listed. Symbolic links are reported, never
// followed, so link loops cannot trap the walk; ".app" bundles are reported but not entered.
// Entries of one folder come in byte order of their names. Used by the scanner on its thread.
#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "index/file_record.h"

namespace quorvale {

struct WalkEntry {
  std::string name;
  std::string path;
  int level = 0;  // 1 for a direct child of the root
  bool hasAttributes = false;
  bool isDirectory = false;
  bool isPackage = false;  // a directory walked as one item (an ".app" bundle)
  bool isSymbolicLink = false;
  bool isRegularFile = false;
  // A FIFO, socket or device: never opened.
  bool isSpecialFile = false;
  std::optional<Date> modified;
  std::optional<int64_t> size;
};

// Attributes of one path without following a final symbolic link; nothing when it is gone.
std::optional<WalkEntry> readEntry(const std::string& path, int level);

class DirectoryWalk {
 public:
  using ErrorHandler = std::function<void(const std::string& path)>;

  // Nothing when the root cannot be listed. `onError` receives every folder that cannot be read.
  static std::optional<DirectoryWalk> open(const std::string& root, ErrorHandler onError);

  // The next entry, or nothing at the end. A folder returned here is entered on the next call
  // unless `skipDescendants` is called first.
  std::optional<WalkEntry> next();
  void skipDescendants() { descend_.reset(); }

 private:
  struct Frame {
    std::vector<WalkEntry> entries;
    std::size_t index = 0;
  };
  DirectoryWalk(ErrorHandler onError) : onError_(std::move(onError)) {}
  std::optional<Frame> list(const std::string& path, int level);

  ErrorHandler onError_;
  std::vector<Frame> stack_;
  // The folder returned last, to be listed on the next call: its path and level.
  std::optional<std::pair<std::string, int>> descend_;
};

}  // namespace quorvale

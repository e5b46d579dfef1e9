// Opening a file whose contents are about to be read, on the terms every reader of untrusted
// files here follows: only regular files are opened for reading (a FIFO would block, a device
// may act on being opened, /dev/zero never ends), a symbolic link in the last position is not
// followed, and the file that was checked is the file that is read, even if the name is pointed
// elsewhere in between. Called on the extracting thread; a `RegularFile` belongs to one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "util/unique_fd.h"

namespace quorvale {

class RegularFile {
 public:
  // Nothing when the path is missing, unreadable, a symbolic link or anything but a regular file.
  static std::optional<RegularFile> open(const std::string& path);

  int fd() const { return fd_.get(); }
  // The size when the file was opened, which may differ from what the directory listing said.
  int64_t size() const { return size_; }
  // A path that names this very open file ("/proc/self/fd/N"), for libraries that only take
  // paths; the original path on a system without /proc.
  std::string pathForLibraries() const;
  // A path by which a child process that has `fd()` as its standard input reaches this file
  // ("/proc/self/fd/0"); the original path on a system without /proc.
  std::string pathForTools() const;
  // Up to `limit` bytes from the start, of at most the size at opening; fewer when it shrank.
  std::string readPrefix(std::size_t limit) const;

 private:
  RegularFile(UniqueFd fd, int64_t size, std::string path)
      : fd_(std::move(fd)), size_(size), path_(std::move(path)) {}

  UniqueFd fd_;
  int64_t size_;
  std::string path_;
};

}  // namespace quorvale

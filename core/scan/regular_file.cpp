#include "scan/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace quorvale {
namespace {

std::string procPath(int fd) {
  return "/proc/self/fd/" + std::to_string(fd);
}

bool hasProc() {
  static const bool found = ::access("/proc/self/fd", F_OK) == 0;
  return found;
}

bool sameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Without /proc: open the name again, refusing to follow a link or to block, and make sure it
// still names the file that was checked.
UniqueFd reopenByName(const std::string& path, const struct stat& checked) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
  struct stat now {};
  if (!fd || ::fstat(fd.get(), &now) != 0 || !S_ISREG(now.st_mode) || !sameFile(now, checked)) {
    return UniqueFd();
  }
  return fd;
}

}  // namespace

std::optional<RegularFile> RegularFile::open(const std::string& path) {
  // An O_PATH descriptor pins the inode without opening it, so a device's open routine never
  // runs; the checked inode is then opened for reading through its /proc link.
  UniqueFd handle(::open(path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
  struct stat checked {};
  if (!handle || ::fstat(handle.get(), &checked) != 0 || !S_ISREG(checked.st_mode)) {
    return std::nullopt;
  }
  UniqueFd fd =
      hasProc()
          ? UniqueFd(::open(procPath(handle.get()).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC))
          : reopenByName(path, checked);
  struct stat opened {};
  if (!fd || ::fstat(fd.get(), &opened) != 0 || !S_ISREG(opened.st_mode) ||
      !sameFile(opened, checked)) {
    return std::nullopt;
  }
  return RegularFile(std::move(fd), static_cast<int64_t>(opened.st_size), path);
}

std::string RegularFile::pathForLibraries() const {
  return hasProc() ? procPath(fd_.get()) : path_;
}

std::string RegularFile::pathForTools() const {
  return hasProc() ? procPath(STDIN_FILENO) : path_;
}

std::string RegularFile::readPrefix(std::size_t limit) const {
  // Bytes appended after opening are not wanted; the size at opening also bounds the buffer.
  limit = std::min(limit, static_cast<std::size_t>(std::max<int64_t>(size_, 0)));
  std::string bytes(limit, '\0');
  std::size_t filled = 0;
  while (filled < limit) {
    ssize_t got =
        ::pread(fd_.get(), bytes.data() + filled, limit - filled, static_cast<off_t>(filled));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    filled += static_cast<std::size_t>(got);
  }
  bytes.resize(filled);
  return bytes;
}

}  // namespace quorvale

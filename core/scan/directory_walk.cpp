#include "scan/directory_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string_view>

#include "util/unicode.h"

namespace quorvale {
namespace {

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

bool endsWithApp(const std::string& name) {
  return name.size() >= 4 && unicode::asciiLowercased(name.substr(name.size() - 4)) == ".app";
}

void fill(WalkEntry& entry, const struct stat& info) {
  entry.hasAttributes = true;
  entry.isSymbolicLink = S_ISLNK(info.st_mode);
  entry.isDirectory = S_ISDIR(info.st_mode);
  entry.isRegularFile = S_ISREG(info.st_mode);
  entry.isSpecialFile = S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode) || S_ISCHR(info.st_mode) ||
                        S_ISBLK(info.st_mode);
  entry.isPackage = entry.isDirectory && endsWithApp(entry.name);
  entry.modified =
      static_cast<double>(info.st_mtim.tv_sec) + static_cast<double>(info.st_mtim.tv_nsec) / 1e9;
  entry.size = static_cast<int64_t>(info.st_size);
}

WalkEntry named(std::string name, std::string path, int level) {
  WalkEntry entry;
  entry.name = std::move(name);
  entry.path = std::move(path);
  entry.level = level;
  return entry;
}

}  // namespace

std::optional<WalkEntry> readEntry(const std::string& path, int level) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
    return named(lastPathComponent(path), path, level);
  }
  WalkEntry entry = named(lastPathComponent(path), path, level);
  fill(entry, info);
  return entry;
}

std::optional<DirectoryWalk> DirectoryWalk::open(const std::string& root, ErrorHandler onError) {
  DirectoryWalk walk(std::move(onError));
  // The root itself may be a symbolic link the user chose; it is followed.
  int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  ::close(fd);
  auto frame = walk.list(root, 1);
  if (!frame) return std::nullopt;
  walk.stack_.push_back(std::move(*frame));
  return walk;
}

std::optional<DirectoryWalk::Frame> DirectoryWalk::list(const std::string& path, int level) {
  // O_NOFOLLOW below the root: a folder swapped for a link after it was listed is not entered.
  int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (level > 1 ? O_NOFOLLOW : 0);
  int fd = ::open(path.c_str(), flags);
  if (fd < 0) {
    if (errno != ENOENT) onError_(path);
    return std::nullopt;
  }
  std::unique_ptr<DIR, DirCloser> dir(fdopendir(fd));
  if (!dir) {
    ::close(fd);
    onError_(path);
    return std::nullopt;
  }
  Frame frame;
  std::string prefix = path == "/" ? "/" : path + "/";
  errno = 0;
  while (dirent* item = readdir(dir.get())) {
    std::string_view name = item->d_name;
    if (name == "." || name == "..") continue;
    std::string entryPath;
    entryPath.reserve(prefix.size() + name.size());
    entryPath.append(prefix).append(name);
    WalkEntry entry = named(std::string(name), std::move(entryPath), level);
    struct stat info;
    if (fstatat(dirfd(dir.get()), item->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
      fill(entry, info);
    } else if (errno == ENOENT) {
      errno = 0;
      continue;  // gone between listing and reading
    }
    frame.entries.push_back(std::move(entry));
    errno = 0;
  }
  if (errno != 0) onError_(path);
  std::sort(frame.entries.begin(), frame.entries.end(),
            [](const WalkEntry& a, const WalkEntry& b) { return a.name < b.name; });
  return frame;
}

std::optional<WalkEntry> DirectoryWalk::next() {
  if (descend_) {
    auto [path, level] = std::move(*descend_);
    descend_.reset();
    if (auto frame = list(path, level + 1)) stack_.push_back(std::move(*frame));
  }
  while (!stack_.empty() && stack_.back().index == stack_.back().entries.size()) stack_.pop_back();
  if (stack_.empty()) return std::nullopt;
  WalkEntry entry = std::move(stack_.back().entries[stack_.back().index++]);
  if (entry.isDirectory && !entry.isPackage && !entry.isSymbolicLink) {
    descend_.emplace(entry.path, entry.level);
  }
  return entry;
}

}  // namespace quorvale

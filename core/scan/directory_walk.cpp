#include "scan/directory_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string_view>

#include "util/unicode.h"

namespace quorvale {
namespace {

// Large enough for a few hundred names per system call.
constexpr std::size_t kListingBufferBytes = 32 * 1024;

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
  entry.device = static_cast<uint64_t>(info.st_dev);
}

// File systems whose getdents64 stops only when the buffer is full or the folder has ended.
bool fillsListings(int folder) {
  struct statfs system;
  if (fstatfs(folder, &system) != 0) return false;
  switch (static_cast<uint64_t>(system.f_type)) {
    case EXT4_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case XFS_SUPER_MAGIC:
    case TMPFS_MAGIC:
      return true;
    default:
      return false;
  }
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
  walk.buffer_.resize(kListingBufferBytes);
  auto frame = walk.list({.name = lastPathComponent(root), .path = root, .level = 0}, nullptr);
  if (!frame) return std::nullopt;
  walk.stack_.push_back(std::move(*frame));
  return walk;
}

UniqueFd DirectoryWalk::openFolder(const Pending& pending, const Frame* parent) const {
  // The root itself may be a symbolic link the user chose; it is followed. Below it O_NOFOLLOW:
  // a folder swapped for a link after it was listed is not entered.
  const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (pending.level > 0 ? O_NOFOLLOW : 0);
  if (parent != nullptr && parent->folder.valid()) {
    return UniqueFd(::openat(parent->folder.get(), pending.name.c_str(), flags));
  }
  return UniqueFd(::open(pending.path.c_str(), flags));
}

std::optional<DirectoryWalk::Frame> DirectoryWalk::list(const Pending& pending,
                                                        const Frame* parent) {
  UniqueFd folder = openFolder(pending, parent);
  if (!folder) {
    // A root that cannot be opened is the caller's to report.
    if (errno != ENOENT && pending.level > 0) onError_(pending.path);
    return std::nullopt;
  }
  if (pending.level == 0) noteRoot(folder.get());
  Frame frame;
  if (!spare_.empty()) {
    frame.entries = std::move(spare_.back());
    spare_.pop_back();
  }
  if (!readEntries(folder.get(), pending, frame.entries)) onError_(pending.path);
  if (pending.level < kHeldLevels) frame.folder = std::move(folder);
  return frame;
}

void DirectoryWalk::noteRoot(int folder) {
  struct stat info;
  rootFillsListings_ = fstat(folder, &info) == 0 && fillsListings(folder);
  rootDevice_ = rootFillsListings_ ? static_cast<uint64_t>(info.st_dev) : 0;
}

bool DirectoryWalk::readNames(int folder, bool fillingListings) {
  names_.clear();
  listed_.clear();
  for (bool more = true; more;) {
    const ssize_t bytes = getdents64(folder, buffer_.data(), buffer_.size());
    if (bytes == 0) break;
    if (bytes < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    // Room left for the longest record: the file system stopped because the folder ended.
    more = !fillingListings || buffer_.size() - static_cast<std::size_t>(bytes) < sizeof(dirent64);
    for (ssize_t at = 0; at < bytes;) {
      const auto* item = reinterpret_cast<const dirent64*>(buffer_.data() + at);
      at += item->d_reclen;
      const std::string_view name = item->d_name;
      if (name == "." || name == "..") continue;
      listed_.push_back({.offset = static_cast<uint32_t>(names_.size()),
                         .length = static_cast<uint32_t>(name.size())});
      names_.append(name).push_back('\0');
    }
  }
  const char* text = names_.data();
  std::sort(listed_.begin(), listed_.end(), [text](const Listed& a, const Listed& b) {
    return std::string_view(text + a.offset, a.length) <
           std::string_view(text + b.offset, b.length);
  });
  return true;
}

bool DirectoryWalk::readEntries(int folder, const Pending& pending,
                                std::vector<WalkEntry>& entries) {
  // Names first, then attributes in byte order: entries are built once, in their place.
  const bool complete =
      readNames(folder, pending.level == 0 ? rootFillsListings_ : pending.fillingListings);
  const std::string prefix = pending.path == "/" ? "/" : pending.path + "/";
  const int level = pending.level + 1;
  entries.reserve(listed_.size());
  for (const Listed& listed : listed_) {
    const char* name = names_.data() + listed.offset;
    struct stat info;
    const bool read = fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) == 0;
    if (!read && errno == ENOENT) continue;  // gone between listing and reading
    WalkEntry& entry = entries.emplace_back();
    entry.name.assign(name, listed.length);
    entry.path.reserve(prefix.size() + listed.length);
    entry.path.append(prefix).append(name, listed.length);
    entry.level = level;
    if (read) fill(entry, info);
  }
  return complete;
}

void DirectoryWalk::pop() {
  std::vector<WalkEntry> entries = std::move(stack_.back().entries);
  stack_.pop_back();
  entries.clear();
  spare_.push_back(std::move(entries));
}

std::optional<WalkEntry> DirectoryWalk::next() {
  if (descend_) {
    Pending pending = std::move(*descend_);
    descend_.reset();
    // The folder came from the frame on top, which is therefore still there: its parent.
    if (auto frame = list(pending, &stack_.back())) stack_.push_back(std::move(*frame));
  }
  while (!stack_.empty() && stack_.back().index == stack_.back().entries.size()) pop();
  if (stack_.empty()) return std::nullopt;
  WalkEntry entry = std::move(stack_.back().entries[stack_.back().index++]);
  if (entry.isDirectory && !entry.isPackage && !entry.isSymbolicLink) {
    descend_.emplace(Pending{.name = entry.name,
                             .path = entry.path,
                             .level = entry.level,
                             .fillingListings = rootFillsListings_ && entry.device == rootDevice_});
  }
  return entry;
}

}  // namespace quorvale

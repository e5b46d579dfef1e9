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
#include <utility>

#include "util/unicode.h"

namespace quorvale {
namespace {

// Large enough for a few hundred names per system call.
constexpr std::size_t kListingBufferBytes = 32 * 1024;
// Finished folders kept open until they are closed together: few beside the held levels.
constexpr std::size_t kClosingTogether = 64;

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
  const std::string name = lastPathComponent(root);
  auto frame = walk.list({.name = name, .path = root, .level = 0}, nullptr);
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
  if (!readEntries(folder.get(), pending, frame)) onError_(pending.path);
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
  bool complete = true;
  for (bool more = true; more;) {
    const ssize_t bytes = getdents64(folder, buffer_.data(), buffer_.size());
    if (bytes == 0) break;
    if (bytes < 0) {
      if (errno == EINTR) continue;
      complete = false;  // what was listed so far is still walked
      break;
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
  return complete;
}

bool DirectoryWalk::readEntries(int folder, const Pending& pending, Frame& frame) {
  // Names first, then attributes in byte order: entries are built once, in their place.
  const bool complete =
      readNames(folder, pending.level == 0 ? rootFillsListings_ : pending.fillingListings);
  const std::string prefix = pending.path == "/" ? "/" : pending.path + "/";
  const int level = pending.level + 1;
  std::vector<WalkEntry>& entries = frame.entries;
  for (const Listed& listed : listed_) {
    const char* name = names_.data() + listed.offset;
    struct stat info;
    const bool read = fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) == 0;
    if (!read && errno == ENOENT) continue;  // gone between listing and reading
    if (frame.count == entries.size()) entries.emplace_back();
    WalkEntry& entry = entries[frame.count++];
    // A reused entry keeps its strings' buffers; everything else starts afresh.
    entry = WalkEntry{.name = std::move(entry.name), .path = std::move(entry.path)};
    entry.name.assign(name, listed.length);
    entry.path.assign(prefix).append(name, listed.length);
    entry.level = level;
    if (read) fill(entry, info);
  }
  return complete;
}

void DirectoryWalk::pop() {
  spare_.push_back(std::move(stack_.back().entries));
  closing_.add(std::move(stack_.back().folder));
  stack_.pop_back();
}

DirectoryWalk::Closing& DirectoryWalk::Closing::operator=(Closing&& other) noexcept {
  if (this != &other) {
    flush();
    fds_ = std::exchange(other.fds_, {});
  }
  return *this;
}

void DirectoryWalk::Closing::add(UniqueFd fd) {
  if (!fd) return;
  fds_.push_back(fd.release());
  if (fds_.size() >= kClosingTogether) flush();
}

void DirectoryWalk::Closing::flush() {
  std::sort(fds_.begin(), fds_.end());
  for (std::size_t first = 0; first < fds_.size();) {
    std::size_t last = first;
    while (last + 1 < fds_.size() && fds_[last + 1] == fds_[last] + 1) ++last;
    // Every number in the run is ours and still open, so no other descriptor is in it.
    const auto low = static_cast<unsigned>(fds_[first]);
    const auto high = static_cast<unsigned>(fds_[last]);
    if (low == high || close_range(low, high, 0) != 0) {
      for (std::size_t i = first; i <= last; ++i) ::close(fds_[i]);
    }
    first = last + 1;
  }
  fds_.clear();
}

const WalkEntry* DirectoryWalk::next() {
  if (std::exchange(descend_, false)) {
    // The folder is the entry returned last, from the frame on top: its parent.
    const Frame& parent = stack_.back();
    const WalkEntry& folder = parent.entries[parent.index - 1];
    auto frame = list({.name = folder.name,
                       .path = folder.path,
                       .level = folder.level,
                       .fillingListings = rootFillsListings_ && folder.device == rootDevice_},
                      &parent);
    if (frame) stack_.push_back(std::move(*frame));
  }
  while (!stack_.empty() && stack_.back().index == stack_.back().count) pop();
  if (stack_.empty()) return nullptr;
  const WalkEntry& entry = stack_.back().entries[stack_.back().index++];
  descend_ = entry.isDirectory && !entry.isPackage && !entry.isSymbolicLink;
  return &entry;
}

}  // namespace quorvale

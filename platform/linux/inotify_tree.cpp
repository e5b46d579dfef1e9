#include "inotify_tree.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <memory>
#include <optional>

namespace quorvale {
namespace {

constexpr uint32_t kEvents = IN_CREATE | IN_DELETE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_FROM |
                             IN_MOVED_TO | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;
// Only folders; no events for files that were unlinked but are still open somewhere.
constexpr uint32_t kOptions = IN_ONLYDIR | IN_EXCL_UNLINK;

std::string childPath(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

std::optional<bool> isDirectory(const std::string& path, const dirent& entry) {
  if (entry.d_type != DT_UNKNOWN) return entry.d_type == DT_DIR;
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) return std::nullopt;
  return S_ISDIR(info.st_mode);
}

}  // namespace

InotifyTree::InotifyTree(int inotifyFd, WatchScope scope, Sink sink, std::size_t maxWatches,
                         Stopping stopping)
    : fd_(inotifyFd),
      scope_(std::move(scope)),
      sink_(std::move(sink)),
      maxWatches_(maxWatches),
      stopping_(std::move(stopping)) {}

void InotifyTree::watchRoots() {
  for (std::size_t root = 0; root < scope_.roots().size(); ++root) {
    addTree({.path = scope_.roots()[root].real, .root = root, .level = 0}, false);
  }
}

std::vector<std::string> InotifyTree::watchedFolders() const {
  std::lock_guard lock(mutex_);
  std::vector<std::string> paths;
  for (const auto& [path, wd] : byPath_) paths.push_back(path);
  return paths;
}

// Depth first, each folder's watch added before it is listed, so that an entry created
// meanwhile is either listed or reported by the watch (or both).
void InotifyTree::addTree(const Folder& top, bool reportContents) {
  std::vector<Folder> pending{top};
  while (!pending.empty()) {
    if (stopping_ && stopping_()) return;
    Folder folder = std::move(pending.back());
    pending.pop_back();
    switch (addWatch(folder)) {
      case Added::watched:
        listChildren(folder, reportContents, pending);
        break;
      case Added::skipped:
        break;
      case Added::limitReached:
        sink_.lost();
        return;
    }
  }
}

InotifyTree::Added InotifyTree::addWatch(const Folder& folder) {
  {
    std::lock_guard lock(mutex_);
    if (byPath_.contains(folder.path)) return Added::skipped;  // roots that overlap
    if (maxWatches_ > 0 && folders_.size() >= maxWatches_) return Added::limitReached;
  }
  // The root is the resolved path already; below it a symbolic link is never followed.
  uint32_t mask = kEvents | kOptions | (folder.level > 0 ? IN_DONT_FOLLOW : 0);
  int wd = inotify_add_watch(fd_, folder.path.c_str(), mask);
  if (wd < 0) {
    if (errno == ENOSPC || errno == ENOMEM) return Added::limitReached;
    return Added::skipped;  // gone, replaced by a file or a link, or not readable
  }
  std::lock_guard lock(mutex_);
  auto known = folders_.find(wd);
  if (known != folders_.end()) byPath_.erase(known->second.path);  // the same folder, renamed
  folders_[wd] = folder;
  byPath_[folder.path] = wd;
  return Added::watched;
}

void InotifyTree::listChildren(const Folder& folder, bool reportContents,
                               std::vector<Folder>& pending) {
  std::unique_ptr<DIR, DirCloser> dir(opendir(folder.path.c_str()));
  if (!dir) return;
  while (const dirent* entry = readdir(dir.get())) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    std::string path = childPath(folder.path, name);
    std::optional<bool> directory = isDirectory(path, *entry);
    if (!directory) continue;
    if (reportContents && scope_.reports(folder.root, path, name, *directory)) sink_.changed(path);
    if (*directory && scope_.enters(folder.root, path, name, folder.level + 1)) {
      pending.push_back({.path = path, .root = folder.root, .level = folder.level + 1});
    }
  }
}

void InotifyTree::forgetTree(const std::string& path) {
  std::vector<int> gone;
  {
    std::lock_guard lock(mutex_);
    if (auto exact = byPath_.find(path); exact != byPath_.end()) gone.push_back(exact->second);
    std::string prefix = path == "/" ? path : path + "/";
    for (auto it = byPath_.lower_bound(prefix);
         it != byPath_.end() && it->first.starts_with(prefix); ++it) {
      gone.push_back(it->second);
    }
  }
  for (int wd : gone) {
    inotify_rm_watch(fd_, wd);  // fails harmlessly when the kernel dropped it already
    forgetWatch(wd);
  }
}

void InotifyTree::forgetWatch(int wd) {
  std::lock_guard lock(mutex_);
  auto found = folders_.find(wd);
  if (found == folders_.end()) return;
  byPath_.erase(found->second.path);
  folders_.erase(found);
}

void InotifyTree::handle(const inotify_event& event) {
  if (event.mask & IN_Q_OVERFLOW) {
    sink_.lost();
    return;
  }
  if (event.mask & IN_IGNORED) {  // the kernel dropped the watch
    forgetWatch(event.wd);
    return;
  }
  std::optional<Folder> folder;
  {
    std::lock_guard lock(mutex_);
    auto found = folders_.find(event.wd);
    if (found != folders_.end()) folder = found->second;
  }
  if (!folder) return;  // a watch forgotten while its events were queued
  // The name is padded with NULs up to `len`.
  std::string name = event.len > 0 ? std::string(event.name) : std::string();
  if (name.empty()) {
    handleSelf(*folder, event.mask);
  } else {
    handleChild(*folder, event.mask, name);
  }
}

void InotifyTree::handleSelf(const Folder& folder, uint32_t mask) {
  // Below a root, the parent's watch reports the folder itself.
  if (folder.level > 0 || !(mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT))) return;
  sink_.changed(folder.path);
  forgetTree(folder.path);
}

void InotifyTree::handleChild(const Folder& folder, uint32_t mask, const std::string& name) {
  std::string path = childPath(folder.path, name);
  bool directory = mask & IN_ISDIR;
  if (directory && (mask & (IN_DELETE | IN_MOVED_FROM))) forgetTree(path);
  if (!scope_.reports(folder.root, path, name, directory)) return;
  sink_.changed(path);
  if (directory && (mask & (IN_CREATE | IN_MOVED_TO)) &&
      scope_.enters(folder.root, path, name, folder.level + 1)) {
    addTree({.path = path, .root = folder.root, .level = folder.level + 1}, true);
  }
}

}  // namespace quorvale

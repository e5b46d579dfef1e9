// The folders one inotify instance watches below the roots, and what its events mean for them.
//
// Every folder that the `WatchScope` enters gets a watch (the root as resolved, the folders
// below without following symbolic links). Events become changed paths for the `Sink`: the
// entry an event names, both names of a move, a folder that appears together with everything
// already inside it (files can land in a new folder before its watch exists), and a root that
// is deleted or moved away. A folder that disappears or moves takes its watches with it; one
// that moves in gets new ones. A queue overflow, or a folder that cannot be watched because the
// watch limit is reached, goes to the sink as lost changes: only a full scan helps then.
//
// Thread rule: the watcher's reading thread alone calls `watchRoots` and `handle` (the sink
// runs on it); `watchedFolders` may be called from any thread.
#pragma once

#include <sys/inotify.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "watch_scope.h"

namespace quorvale {

class InotifyTree {
 public:
  struct Sink {
    std::function<void(const std::string& path)> changed;
    std::function<void()> lost;
  };
  using Stopping = std::function<bool()>;

  // `maxWatches` caps the watches held (0: only the kernel's per-user limit); reaching the cap
  // counts as reaching the limit. `stopping` is polled between folders of a long walk.
  InotifyTree(int inotifyFd, WatchScope scope, Sink sink, std::size_t maxWatches,
              Stopping stopping);
  InotifyTree(const InotifyTree&) = delete;
  InotifyTree& operator=(const InotifyTree&) = delete;

  // Watches the roots and every folder below them that the scope enters.
  void watchRoots();
  // Handles one event read from the instance (`event.len` bytes of name follow it).
  void handle(const inotify_event& event);

  // The watched folders, sorted.
  std::vector<std::string> watchedFolders() const;

 private:
  struct Folder {
    std::string path;
    std::size_t root = 0;
    int level = 0;  // 0 for a root
  };
  enum class Added { watched, skipped, limitReached };

  void addTree(const Folder& top, bool reportContents);
  Added addWatch(const Folder& folder);
  void listChildren(const Folder& folder, bool reportContents, std::vector<Folder>& pending);
  void forgetTree(const std::string& path);
  void forgetWatch(int wd);
  void handleSelf(const Folder& folder, uint32_t mask);
  void handleChild(const Folder& folder, uint32_t mask, const std::string& name);

  int fd_;
  WatchScope scope_;
  Sink sink_;
  std::size_t maxWatches_;
  Stopping stopping_;

  // Written only by the reading thread; the lock serves readers on other threads.
  mutable std::mutex mutex_;
  std::unordered_map<int, Folder> folders_;  // guarded by mutex_: watch descriptor -> folder
  std::map<std::string, int> byPath_;        // guarded by mutex_: folder path -> descriptor
};

}  // namespace quorvale

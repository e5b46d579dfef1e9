// The file watcher on Linux: one inotify instance over every folder below the roots (see
// `InotifyTree` for what is watched and reported), read by a thread of its own, with changes
// gathered into batches. The first change after a delivery opens a window of `latency` (2 s by
// default); at its end the batch goes to the handler on the watcher's serial queue, each path
// once, with the must-rescan flag when changes were lost.
//
// Threads: `start`, `stop` and the test helpers from the main thread (one caller at a time,
// never from inside the handler); the handler on the watcher queue; the reading thread is
// internal. `start` returns at once: the folders present at that moment are watched shortly
// after, on the reading thread (`waitUntilWatching` tells when). `stop` wakes the reading thread
// through an eventfd, joins it, cancels a pending delivery and waits for a running one, so no
// handler call comes after it returns. Destruction stops.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include "inotify_tree.h"
#include "platform/file_watcher.h"
#include "util/serial_executor.h"
#include "util/unique_fd.h"

namespace quorvale {

class InotifyWatcher final : public FileWatcher {
 public:
  struct Options {
    // How long changes gather before a delivery.
    std::chrono::milliseconds latency = std::chrono::seconds(2);
    // The most watches to hold; 0 leaves it to the kernel's per-user limit
    // (fs.inotify.max_user_watches). Reaching either limit sets the must-rescan flag.
    std::size_t maxWatches = 0;
  };

  InotifyWatcher() : InotifyWatcher(Options{}) {}
  explicit InotifyWatcher(Options options);
  ~InotifyWatcher() override;

  bool start(const ScanConfig& config, Handler handler) override;
  void stop() override;
  bool isRunning() const override { return running_; }

  // Waits until the folders that existed at `start` are watched; false at the timeout or when
  // the watcher is not running. For tests and benchmarks, which change files only after this.
  bool waitUntilWatching(std::chrono::milliseconds timeout);
  // The folders watched now, sorted; empty when stopped.
  std::vector<std::string> watchedFolders() const;

 private:
  void readEvents();  // the reading thread
  // Reading thread; false when the instance cannot be read any more.
  bool drainEvents(std::vector<char>& buffer);
  void changed(const std::string& path);  // reading thread
  void lost();                            // reading thread
  void scheduleDelivery();                // needs batchMutex_
  void deliver();                         // watcher queue

  const Options options_;
  SerialExecutor queue_{"watcher"};

  mutable std::mutex controlMutex_;  // serialises start, stop and the test helpers
  std::atomic<bool> running_ = false;
  std::atomic<bool> stopping_ = false;
  // Guarded by controlMutex_; set before the reading thread starts and reset after it ended, so
  // that thread uses them without the lock.
  UniqueFd inotify_;
  UniqueFd wake_;  // an eventfd that ends the reading thread's poll
  std::unique_ptr<InotifyTree> tree_;
  std::thread reader_;

  std::mutex batchMutex_;
  Handler handler_;                       // guarded by batchMutex_
  std::vector<std::string> paths_;        // guarded by batchMutex_: in the order first seen
  std::unordered_set<std::string> seen_;  // guarded by batchMutex_: the members of paths_
  bool mustRescan_ = false;               // guarded by batchMutex_
  WorkHandle delivery_;                   // guarded by batchMutex_: set while one is scheduled

  std::mutex readyMutex_;
  std::condition_variable readyChanged_;
  bool watching_ = false;  // guarded by readyMutex_
};

}  // namespace quorvale

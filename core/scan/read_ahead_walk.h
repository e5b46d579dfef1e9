// A directory walk run ahead on a thread of its own. The reader thread lists folders, reads the
// attributes of their entries and applies the caller's decision (hand the entry on or not, walk
// what lies below it or not) while the scan thread compares what it was handed with the index,
// so the system calls of the walk overlap the loading of the stored times and the comparisons.
// Entries come in the order DirectoryWalk gives them. With `ahead` off the same walk runs inline
// on the scan thread: on a machine whose processors are all busy the second thread only adds
// hand-over costs, so the scanner leaves it off unless asked (ScanConfig::readAhead).
//
// Constructed, consumed and destroyed on the scan thread. `decide` and `onError` run on the
// reader thread only (or inline), one call at a time; whatever they write may be read on the
// scan thread once `next` has returned nothing or the walk is destroyed. The destructor stops
// the reader and waits for it.
//
// Items are copied into the items of batches the scan thread has finished with, so their strings
// reuse buffers instead of being allocated on one thread and freed on the other.
#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "scan/desktop_entry.h"
#include "scan/directory_walk.h"

namespace quorvale {

class ReadAheadWalk {
 public:
  struct Decision {
    bool handOn = false;
    bool skipDescendants = false;
    // Travels with the entry: what the decision read of an application entry. Held apart, so
    // that the items of ordinary files stay small on their way between the threads.
    std::unique_ptr<DesktopEntry> application;
  };
  struct Item {
    WalkEntry entry;
    std::unique_ptr<DesktopEntry> application;
  };
  using Decide = std::function<Decision(const WalkEntry&)>;
  struct Options {
    bool ahead = true;  // walk on a reader thread of its own
  };

  ReadAheadWalk(std::string root, DirectoryWalk::ErrorHandler onError, Decide decide,
                Options options);
  ~ReadAheadWalk();
  ReadAheadWalk(const ReadAheadWalk&) = delete;
  ReadAheadWalk& operator=(const ReadAheadWalk&) = delete;

  // Whether the root could be listed; waits until the reader knows.
  bool opened();
  // The next entry handed on, or null at the end; valid (and the caller's to move from) until
  // the next call. Rethrows what the reader thread threw.
  Item* next();

 private:
  // Items travel in batches, so the two threads meet once per batch rather than per entry.
  static constexpr std::size_t kBatchItems = 256;
  // The reader waits when this many batches are queued: memory stays bounded.
  static constexpr std::size_t kQueuedBatches = 128;

  void read(const std::string& root, const DirectoryWalk::ErrorHandler& onError,
            const Decide& decide);
  // A run of items; those past `count` are kept for reuse.
  struct Batch {
    std::vector<Item> items;
    std::size_t count = 0;
  };
  // Copies the next entry the walk hands on into `into` (on whichever thread walks); false at
  // the end.
  static bool walked(DirectoryWalk& walk, const Decide& decide, Item& into);
  // Queues the batch and replaces it with a finished one. False when the scan thread asked the
  // reader to stop.
  bool publish(Batch& batch);
  void finish(std::exception_ptr failure);

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Batch> queue_;      // guarded by mutex_
  std::vector<Batch> finished_;  // guarded by mutex_: for the reader to fill again
  std::optional<bool> opened_;   // guarded by mutex_
  bool done_ = false;            // guarded by mutex_
  bool stopping_ = false;        // guarded by mutex_
  std::exception_ptr failure_;   // guarded by mutex_
  // The batch the scan thread is taking items from.
  Batch current_;
  std::size_t currentIndex_ = 0;
  // Without a reader thread: the walk and the decision, used on the scan thread.
  std::optional<DirectoryWalk> inline_;
  Decide inlineDecide_;
  Item inlineItem_;
  std::thread reader_;  // last: starts once the state above exists
};

}  // namespace quorvale

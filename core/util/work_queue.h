// The timetable shared by the executors: work items ordered by the moment they are due on a
// `Clock`, then by the order they were posted. Producers push from any thread; one consumer
// thread at a time takes due items, runs them and reports back, which lets others wait until
// the queue is idle. Safe on any thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <queue>
#include <vector>

#include "util/clock.h"
#include "util/executor.h"

namespace quorvale {

class WorkQueue {
 public:
  explicit WorkQueue(std::shared_ptr<Clock> clock);
  ~WorkQueue();
  WorkQueue(const WorkQueue&) = delete;
  WorkQueue& operator=(const WorkQueue&) = delete;

  // Once the queue is closed the item is cancelled instead.
  void push(Clock::Duration delay, std::shared_ptr<WorkItem> item);

  // The next due item, waiting for one until `wakeBy` (steady time; none = no limit). Nothing
  // when the queue is closed or at `wakeBy`.
  std::shared_ptr<WorkItem> take(std::optional<std::chrono::steady_clock::time_point> wakeBy);
  // Runs an item that `take` returned; exceptions from the work pass through.
  void run(WorkItem& item);
  // Blocks until nothing is running and nothing is due. Work due later does not count.
  void waitUntilIdle();
  // Drops every waiting item (cancelling it, so its closure is released) and refuses new ones.
  void close();

 private:
  struct Entry {
    Clock::TimePoint due;
    uint64_t sequence;
    std::shared_ptr<WorkItem> item;
  };
  struct Later {
    bool operator()(const Entry& a, const Entry& b) const {
      return a.due != b.due ? a.due > b.due : a.sequence > b.sequence;
    }
  };
  bool hasDue() const;  // needs mutex_
  void wake();
  void done();

  std::shared_ptr<Clock> clock_;
  uint64_t subscription_ = 0;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::priority_queue<Entry, std::vector<Entry>, Later> entries_;  // guarded by mutex_
  uint64_t nextSequence_ = 0;                                      // guarded by mutex_
  bool running_ = false;                                           // guarded by mutex_
  bool closed_ = false;                                            // guarded by mutex_
};

}  // namespace quorvale

// Where work runs. An `Executor` runs posted work one item at a time, in order, on a thread of
// its own choosing: a `SerialExecutor` on its worker thread (the engine's index and passage
// queues, the watcher's queue), the main executor on the main thread (a `MainExecutor` in
// headless runs and tests, the Qt event loop in the desktop shell). `post` and `postDelayed` may
// be called from any thread.
//
// Delayed work comes back as a `WorkHandle`. Cancelling it is final: once `cancel` returns, the
// work is not running and never starts, unless `cancel` was called from inside that very work
// (which then simply finishes). Work items run in the order they are due; items due at the same
// moment run in the order they were posted.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "util/clock.h"

namespace quorvale {

// One piece of work that runs at most once and can be cancelled until it has finished. Shared
// between the executor that will run it and the handle that may cancel it; safe on any thread.
class WorkItem {
 public:
  explicit WorkItem(std::function<void()> work) : work_(std::move(work)) {}
  WorkItem(const WorkItem&) = delete;
  WorkItem& operator=(const WorkItem&) = delete;

  // Runs the work unless it was cancelled or has already run. Executors call this once. The
  // work's closure is released before the item counts as finished.
  void run();
  // True when the work had not started, so it never will. When the work is running on another
  // thread, waits for it to finish (so the caller must not hold a lock that the work needs).
  bool cancel();
  // Neither started nor cancelled.
  bool isPending() const;

 private:
  enum class State { pending, running, finished, cancelled };
  void finish();

  mutable std::mutex mutex_;
  std::condition_variable finished_;
  State state_ = State::pending;  // guarded by mutex_
  std::thread::id runner_;        // guarded by mutex_
  std::function<void()> work_;    // guarded by mutex_ until the item leaves `pending`
};

// The caller's hold on delayed work. Copyable; an empty handle cancels nothing.
class WorkHandle {
 public:
  WorkHandle() = default;
  explicit WorkHandle(std::shared_ptr<WorkItem> item) : item_(std::move(item)) {}

  // See `WorkItem::cancel`; false for an empty handle.
  bool cancel() { return item_ && item_->cancel(); }
  bool isPending() const { return item_ && item_->isPending(); }
  explicit operator bool() const { return item_ != nullptr; }

 private:
  std::shared_ptr<WorkItem> item_;
};

class Executor {
 public:
  using Work = std::function<void()>;
  using Duration = Clock::Duration;

  virtual ~Executor() = default;

  virtual void post(Work work) = 0;
  // Runs the work once `delay` has passed on the executor's clock (a negative delay counts as
  // none).
  virtual WorkHandle postDelayed(Duration delay, Work work) = 0;
  // Whether the calling thread is the one this executor runs its work on.
  virtual bool isCurrent() const = 0;
};

}  // namespace quorvale

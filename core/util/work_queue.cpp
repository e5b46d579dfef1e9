#include "util/work_queue.h"

namespace quorvale {
namespace {

// now + delay without overflowing for "practically never" delays.
Clock::TimePoint dueAt(Clock::TimePoint now, Clock::Duration delay) {
  if (delay < Clock::Duration::zero()) delay = Clock::Duration::zero();
  if (delay > Clock::TimePoint::max() - now) return Clock::TimePoint::max();
  return now + delay;
}

}  // namespace

WorkQueue::WorkQueue(std::shared_ptr<Clock> clock) : clock_(std::move(clock)) {
  if (clock_->isManual()) subscription_ = clock_->subscribe([this] { wake(); });
}

WorkQueue::~WorkQueue() {
  if (clock_->isManual()) clock_->unsubscribe(subscription_);
  close();
}

void WorkQueue::push(Clock::Duration delay, std::shared_ptr<WorkItem> item) {
  bool accepted = false;
  {
    std::lock_guard lock(mutex_);
    if (!closed_) {
      entries_.push({dueAt(clock_->now(), delay), nextSequence_++, item});
      accepted = true;
    }
  }
  if (!accepted) {
    item->cancel();
    return;
  }
  changed_.notify_all();
}

bool WorkQueue::hasDue() const {
  return !entries_.empty() && entries_.top().due <= clock_->now();
}

std::shared_ptr<WorkItem> WorkQueue::take(
    std::optional<std::chrono::steady_clock::time_point> wakeBy) {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (closed_) return nullptr;
    if (hasDue()) {
      std::shared_ptr<WorkItem> item = entries_.top().item;
      entries_.pop();
      running_ = true;
      return item;
    }
    changed_.notify_all();  // idle: wake `waitUntilIdle`
    // A manual clock's due times mean nothing to a real timer: sleep until it moves.
    std::optional<std::chrono::steady_clock::time_point> until = wakeBy;
    if (!entries_.empty() && !clock_->isManual()) {
      until = until ? std::min(*until, entries_.top().due) : entries_.top().due;
    }
    if (until) {
      if (changed_.wait_until(lock, *until) == std::cv_status::timeout && wakeBy &&
          std::chrono::steady_clock::now() >= *wakeBy && !hasDue()) {
        return nullptr;
      }
    } else {
      changed_.wait(lock);
    }
  }
}

void WorkQueue::run(WorkItem& item) {
  struct Done {
    WorkQueue& queue;
    ~Done() { queue.done(); }
  } done{*this};
  item.run();
}

void WorkQueue::done() {
  {
    std::lock_guard lock(mutex_);
    running_ = false;
  }
  changed_.notify_all();
}

void WorkQueue::waitUntilIdle() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return closed_ || (!running_ && !hasDue()); });
}

void WorkQueue::close() {
  std::vector<std::shared_ptr<WorkItem>> dropped;
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    while (!entries_.empty()) {
      dropped.push_back(entries_.top().item);
      entries_.pop();
    }
  }
  changed_.notify_all();
  for (auto& item : dropped) item->cancel();
}

void WorkQueue::wake() {
  // Taking the lock orders the wake-up after a consumer's check, so it cannot be lost.
  { std::lock_guard lock(mutex_); }
  changed_.notify_all();
}

}  // namespace quorvale

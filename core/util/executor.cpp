#include "util/executor.h"

namespace quorvale {

void WorkItem::run() {
  std::function<void()> work;
  {
    std::lock_guard lock(mutex_);
    if (state_ != State::pending) return;
    state_ = State::running;
    runner_ = std::this_thread::get_id();
    work = std::move(work_);
  }
  try {
    work();
  } catch (...) {
    work = nullptr;
    finish();
    throw;
  }
  work = nullptr;
  finish();
}

void WorkItem::finish() {
  std::lock_guard lock(mutex_);
  state_ = State::finished;
  finished_.notify_all();
}

bool WorkItem::cancel() {
  std::function<void()> dropped;
  std::unique_lock lock(mutex_);
  switch (state_) {
    case State::pending:
      state_ = State::cancelled;
      dropped = std::move(work_);
      lock.unlock();  // the closure's captures may take locks of their own when destroyed
      return true;
    case State::running:
      if (runner_ != std::this_thread::get_id()) {
        finished_.wait(lock, [&] { return state_ == State::finished; });
      }
      return false;
    case State::finished:
    case State::cancelled:
      return false;
  }
  return false;
}

bool WorkItem::isPending() const {
  std::lock_guard lock(mutex_);
  return state_ == State::pending;
}

}  // namespace quorvale

#include "util/main_executor.h"

#include <cassert>

namespace quorvale {

MainExecutor::MainExecutor(std::shared_ptr<Clock> clock)
    : owner_(std::this_thread::get_id()), queue_(std::move(clock)) {}

void MainExecutor::post(Work work) {
  queue_.push(Duration::zero(), std::make_shared<WorkItem>(std::move(work)));
}

WorkHandle MainExecutor::postDelayed(Duration delay, Work work) {
  auto item = std::make_shared<WorkItem>(std::move(work));
  queue_.push(delay, item);
  return WorkHandle(std::move(item));
}

bool MainExecutor::isCurrent() const {
  return std::this_thread::get_id() == owner_;
}

bool MainExecutor::runUntil(const std::function<bool()>& done,
                            std::chrono::steady_clock::duration timeout) {
  assert(isCurrent());
  auto now = std::chrono::steady_clock::now();
  auto wakeBy = timeout > std::chrono::steady_clock::time_point::max() - now
                    ? std::chrono::steady_clock::time_point::max()
                    : now + timeout;
  while (!done()) {
    std::shared_ptr<WorkItem> item = queue_.take(wakeBy);
    if (!item) return done();
    queue_.run(*item);
  }
  return true;
}

std::size_t MainExecutor::runPending() {
  assert(isCurrent());
  std::size_t count = 0;
  // A deadline already reached makes `take` hand out due items only, never wait.
  auto now = std::chrono::steady_clock::now();
  while (std::shared_ptr<WorkItem> item = queue_.take(now)) {
    queue_.run(*item);
    ++count;
  }
  return count;
}

}  // namespace quorvale

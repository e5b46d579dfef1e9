#include "util/serial_executor.h"

#include <cassert>

namespace quorvale {

SerialExecutor::SerialExecutor(std::string name, std::shared_ptr<Clock> clock)
    : name_(std::move(name)), queue_(std::move(clock)), thread_([this] { loop(); }) {}

SerialExecutor::~SerialExecutor() {
  assert(!isCurrent() && "a serial executor cannot be destroyed from its own work");
  queue_.close();
  thread_.join();
}

void SerialExecutor::post(Work work) {
  queue_.push(Duration::zero(), std::make_shared<WorkItem>(std::move(work)));
}

WorkHandle SerialExecutor::postDelayed(Duration delay, Work work) {
  auto item = std::make_shared<WorkItem>(std::move(work));
  queue_.push(delay, item);
  return WorkHandle(std::move(item));
}

bool SerialExecutor::isCurrent() const {
  return std::this_thread::get_id() == thread_.get_id();
}

void SerialExecutor::waitUntilIdle() {
  assert(!isCurrent() && "waiting for a serial executor from its own work never ends");
  queue_.waitUntilIdle();
}

void SerialExecutor::loop() {
  while (std::shared_ptr<WorkItem> item = queue_.take(std::nullopt)) {
    try {
      queue_.run(*item);
    } catch (...) {
      // Dropped on purpose (see the header): one failing item must not stop the queue.
    }
  }
}

}  // namespace quorvale

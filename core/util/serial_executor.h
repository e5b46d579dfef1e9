// A serial queue on one worker thread of its own: the engine's index and passage queues and the
// file watcher's queue. Work runs one item at a time in the order it is due (see `Executor`).
//
// Any thread may post. Destroying the executor stops the worker after the item it is running,
// if any, and discards pending and delayed work without running it (their handles then report
// them cancelled); callers that must see queued work done call `waitUntilIdle` first. An
// executor must not be destroyed, nor waited for, from its own work. An exception escaping a
// work item is dropped and the queue goes on: work reports its own failures.
#pragma once

#include <memory>
#include <string>
#include <thread>

#include "util/clock.h"
#include "util/executor.h"
#include "util/work_queue.h"

namespace quorvale {

class SerialExecutor final : public Executor {
 public:
  explicit SerialExecutor(std::string name, std::shared_ptr<Clock> clock = Clock::steady());
  ~SerialExecutor() override;
  SerialExecutor(const SerialExecutor&) = delete;
  SerialExecutor& operator=(const SerialExecutor&) = delete;

  void post(Work work) override;
  WorkHandle postDelayed(Duration delay, Work work) override;
  bool isCurrent() const override;

  // Blocks until nothing runs and nothing is due now; delayed work that is not yet due does not
  // count (with a manual clock, advance it first).
  void waitUntilIdle();
  // For debuggers and logs: "index", "passages", "watcher".
  const std::string& name() const { return name_; }

 private:
  void loop();

  std::string name_;
  WorkQueue queue_;
  std::thread thread_;  // last: starts after the queue exists
};

}  // namespace quorvale

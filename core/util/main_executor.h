// The main executor of headless runs: the command line, the tests and the benchmarks. Work
// posted from any thread runs on the thread that created the executor, while that thread drives
// the loop with `runUntil` or `runPending`; between those calls work waits. The desktop shell
// uses the Qt event loop behind the same `Executor` interface instead.
//
// Destroying the executor discards the work still waiting, without running it.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <thread>

#include "util/clock.h"
#include "util/executor.h"
#include "util/work_queue.h"

namespace quorvale {

class MainExecutor final : public Executor {
 public:
  explicit MainExecutor(std::shared_ptr<Clock> clock = Clock::steady());
  MainExecutor(const MainExecutor&) = delete;
  MainExecutor& operator=(const MainExecutor&) = delete;

  void post(Work work) override;
  WorkHandle postDelayed(Duration delay, Work work) override;
  bool isCurrent() const override;

  // Runs work as it comes due until `done` holds or `timeout` of real time has passed; returns
  // `done()`. `done` is checked first and after every work item, so whatever decides it should
  // change inside posted work (or post after changing it). Owner thread only.
  bool runUntil(const std::function<bool()>& done,
                std::chrono::steady_clock::duration timeout = std::chrono::hours(24 * 365));
  // Runs every item that is due now (and items they post that are due at once); returns how
  // many ran. Owner thread only.
  std::size_t runPending();

 private:
  std::thread::id owner_;
  WorkQueue queue_;
};

}  // namespace quorvale

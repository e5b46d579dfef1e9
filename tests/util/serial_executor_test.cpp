#include "util/serial_executor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <stdexcept>
#include <thread>

namespace quorvale {
namespace {

using std::chrono::hours;

TEST(SerialExecutor, CancelWaitsForWorkThatIsRunning) {
  SerialExecutor executor("test");
  std::promise<void> started;
  std::promise<void> release;
  std::atomic<bool> finished = false;
  WorkHandle handle = executor.postDelayed(Executor::Duration::zero(), [&] {
    started.set_value();
    release.get_future().wait();
    finished = true;
  });
  started.get_future().wait();
  std::thread releaser([&] { release.set_value(); });
  EXPECT_FALSE(handle.cancel()) << "it had started";
  EXPECT_TRUE(finished) << "cancel returned while the work was still running";
  releaser.join();
}

TEST(SerialExecutor, DestructionFinishesTheRunningItemAndDiscardsTheRest) {
  auto executor = std::make_unique<SerialExecutor>("test");
  std::promise<void> started;
  std::promise<void> release;
  std::atomic<bool> firstFinished = false;
  std::atomic<bool> queuedRan = false;
  auto captured = std::make_shared<int>(0);
  std::weak_ptr<int> watched = captured;

  executor->post([&] {
    started.set_value();
    release.get_future().wait();
    firstFinished = true;
  });
  executor->post([&, c = std::move(captured)] { queuedRan = true; });
  WorkHandle delayed = executor->postDelayed(hours(1), [] {});
  started.get_future().wait();

  // Release the running item only once the executor has begun shutting down, which shows in
  // the delayed work being discarded.
  std::thread releaser([&] {
    while (delayed.isPending()) std::this_thread::yield();
    release.set_value();
  });
  executor.reset();
  releaser.join();

  EXPECT_TRUE(firstFinished);
  EXPECT_FALSE(queuedRan);
  EXPECT_TRUE(watched.expired()) << "discarded work releases what it captured";
  EXPECT_FALSE(delayed.cancel()) << "discarded work counts as cancelled";
}

TEST(SerialExecutor, AnEscapingExceptionDoesNotStopTheQueue) {
  SerialExecutor executor("test");
  bool after = false;
  executor.post([] { throw std::runtime_error("failed work"); });
  executor.post([&] { after = true; });
  executor.waitUntilIdle();
  EXPECT_TRUE(after);
}

TEST(SerialExecutor, WaitingForIdleIgnoresWorkThatIsNotDueYet) {
  SerialExecutor executor("index");
  bool ran = false;
  WorkHandle later = executor.postDelayed(hours(1), [&] { ran = true; });
  executor.waitUntilIdle();  // would hang for an hour if delayed work counted
  EXPECT_FALSE(ran);
  EXPECT_TRUE(later.cancel());
}

}  // namespace
}  // namespace quorvale

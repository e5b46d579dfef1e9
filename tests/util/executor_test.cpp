// The contract both executors share (order, delays on an injected clock, cancellation), then what
// each adds: the main loop's wake-ups, the serial queue's shutdown.
#include "util/executor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "util/main_executor.h"
#include "util/serial_executor.h"

namespace quorvale {
namespace {

using namespace std::chrono_literals;
using std::chrono::hours;
using std::chrono::seconds;

// Runs whatever is due on either kind of executor, from the test's thread.
void drain(SerialExecutor& executor) {
  executor.waitUntilIdle();
}
void drain(MainExecutor& executor) {
  executor.runPending();
}

std::unique_ptr<SerialExecutor> make(std::shared_ptr<Clock> clock, SerialExecutor*) {
  return std::make_unique<SerialExecutor>("test", std::move(clock));
}
std::unique_ptr<MainExecutor> make(std::shared_ptr<Clock> clock, MainExecutor*) {
  return std::make_unique<MainExecutor>(std::move(clock));
}

template <typename E>
class ExecutorContract : public ::testing::Test {
 protected:
  ExecutorContract() : executor(make(clock, static_cast<E*>(nullptr))) {}

  Executor::Work record(std::string what) {
    return [this, what] {
      std::lock_guard lock(mutex);
      ran.push_back(what);
    };
  }
  std::vector<std::string> runSoFar() {
    drain(*executor);
    std::lock_guard lock(mutex);
    return ran;
  }

  std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
  std::unique_ptr<E> executor;
  std::mutex mutex;
  std::vector<std::string> ran;  // guarded by mutex
};

using Executors = ::testing::Types<SerialExecutor, MainExecutor>;
TYPED_TEST_SUITE(ExecutorContract, Executors);

TYPED_TEST(ExecutorContract, DelayedWorkRunsWhenDueInDueOrderThenPostOrder) {
  WorkHandle three = this->executor->postDelayed(seconds(3), this->record("three"));
  this->executor->postDelayed(seconds(1), this->record("one-a"));
  this->executor->postDelayed(seconds(1), this->record("one-b"));
  this->executor->postDelayed(seconds(-5), this->record("negative"));
  EXPECT_EQ(this->runSoFar(), (std::vector<std::string>{"negative"}));

  this->clock->advance(seconds(1));
  const std::vector<std::string> dueAtOne = {"negative", "one-a", "one-b"};
  EXPECT_EQ(this->runSoFar(), dueAtOne);
  this->clock->advance(seconds(1));
  EXPECT_EQ(this->runSoFar(), dueAtOne) << "a second early";
  EXPECT_TRUE(three.isPending());
  this->clock->advance(seconds(1));
  EXPECT_EQ(this->runSoFar(), (std::vector<std::string>{"negative", "one-a", "one-b", "three"}));
  EXPECT_FALSE(three.isPending());
  EXPECT_FALSE(three.cancel()) << "work that ran cannot be cancelled";
}

TYPED_TEST(ExecutorContract, CancelledWorkNeverRunsAndIsReleased) {
  auto resource = std::make_shared<int>(1);
  std::weak_ptr<int> watched = resource;
  WorkHandle first = this->executor->postDelayed(
      seconds(10), [this, r = std::move(resource)] { this->record("first")(); });
  WorkHandle second = this->executor->postDelayed(seconds(10), this->record("second"));

  EXPECT_TRUE(first.cancel());
  EXPECT_TRUE(watched.expired()) << "the closure is released at once";
  EXPECT_FALSE(first.cancel()) << "cancelling twice";
  EXPECT_FALSE(first.isPending());

  this->clock->advance(seconds(10));
  EXPECT_EQ(this->runSoFar(), (std::vector<std::string>{"second"}));
  EXPECT_FALSE(WorkHandle().cancel());
}

TYPED_TEST(ExecutorContract, WorkMayCancelLaterWorkAndItself) {
  WorkHandle later = this->executor->postDelayed(seconds(5), this->record("later"));
  auto self = std::make_shared<WorkHandle>();
  bool cancelledSelf = true;
  *self = this->executor->postDelayed(seconds(1), [&, self] {
    later.cancel();
    cancelledSelf = self->cancel();  // must not wait for itself
  });
  this->clock->advance(seconds(10));
  EXPECT_TRUE(this->runSoFar().empty());
  EXPECT_FALSE(cancelledSelf);
}

TEST(MainExecutor, WorkFromOtherThreadsRunsOnTheOwnerInsideTheLoop) {
  MainExecutor main;
  int delivered = 0;  // touched only on the owner thread
  bool allOnOwner = true;
  std::thread worker([&] {
    EXPECT_FALSE(main.isCurrent());
    for (int i = 0; i < 20; ++i) {
      main.post([&] {
        allOnOwner = allOnOwner && main.isCurrent();
        ++delivered;
      });
    }
  });
  EXPECT_TRUE(main.runUntil([&] { return delivered == 20; }, 60s));
  worker.join();
  EXPECT_TRUE(allOnOwner);
  EXPECT_FALSE(main.runUntil([] { return false; }, 10ms));  // gives up at its timeout
}

TEST(MainExecutor, AManualClockMovedFromAnotherThreadWakesTheLoop) {
  auto clock = std::make_shared<ManualClock>();
  MainExecutor main(clock);
  bool fired = false;
  main.postDelayed(600s, [&] { fired = true; });
  std::thread mover([&] { clock->advance(600s); });
  EXPECT_TRUE(main.runUntil([&] { return fired; }, 60s));
  mover.join();
}

TEST(MainExecutor, DestructionDiscardsWaitingWork) {
  WorkHandle handle;
  {
    MainExecutor main;
    handle = main.postDelayed(0s, [] { FAIL() << "ran after the loop was gone"; });
  }
  EXPECT_FALSE(handle.isPending());
  EXPECT_FALSE(handle.cancel());
}

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

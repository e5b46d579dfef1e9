// The contract both executors share: order, delays on an injected clock, cancellation.
#include "util/executor.h"

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "util/main_executor.h"
#include "util/serial_executor.h"

namespace quorvale {
namespace {

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

}  // namespace
}  // namespace quorvale

#include "util/main_executor.h"

#include <gtest/gtest.h>

#include <thread>

namespace quorvale {
namespace {

using namespace std::chrono_literals;

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

}  // namespace
}  // namespace quorvale

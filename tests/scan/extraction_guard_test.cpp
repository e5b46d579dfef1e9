#include "scan/extraction_guard.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <latch>
#include <thread>

#include "support/test_support.h"

namespace quorvale {
namespace {

using namespace std::chrono_literals;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;

constexpr double kGenerous = 30.0;  // seconds; never reached by work that finishes

class ExtractionGuardTest : public ::testing::Test {
 protected:
  std::string inflight() const { return readFile(dir / "inflight.txt"); }
  std::string poison() const { return readFile(dir / "poison.txt"); }

  TempDir dir;
};

TEST_F(ExtractionGuardTest, RunsWorkAndRecordsThePathOnlyWhileReading) {
  ExtractionGuard guard(dir.path());
  std::string seen;
  std::string inflightPath = dir / "inflight.txt";
  auto result =
      guard.run("/docs/a.txt", kGenerous, [inflightPath, &seen]() -> std::optional<std::string> {
        seen = readFile(inflightPath);  // the caller waits, so its stack is alive here
        return "text of a";
      });
  EXPECT_EQ(result, "text of a");
  EXPECT_EQ(seen, "/docs/a.txt\n\n");
  EXPECT_EQ(inflight(), "");
  EXPECT_EQ(guard.poisonedCount(), 0u);
}

TEST_F(ExtractionGuardTest, APathLeftInFlightByACrashIsPoisonedAtTheNextStart) {
  writeFile(dir / "inflight.txt", "/docs/crasher.pdf\n");
  {
    ExtractionGuard guard(dir.path());
    EXPECT_TRUE(guard.isPoisoned("/docs/crasher.pdf"));
    EXPECT_EQ(poison(), "/docs/crasher.pdf\n");
    EXPECT_EQ(inflight(), "");
    bool ran = false;
    EXPECT_FALSE(guard.run("/docs/crasher.pdf", kGenerous, [&ran] {
      ran = true;
      return std::optional<std::string>("never");
    }));
    EXPECT_FALSE(ran);
  }
  ExtractionGuard reopened(dir.path());
  EXPECT_TRUE(reopened.isPoisoned("/docs/crasher.pdf"));
  EXPECT_EQ(reopened.poisonedCount(), 1u);
}

TEST_F(ExtractionGuardTest, BytesLeftAfterTheEndOfTheInflightListAreIgnored) {
  // A crash between writing a shorter list and cutting the file leaves the old list's tail.
  writeFile(dir / "inflight.txt", "/docs/new\n\ns/old-longer-name\n");
  ExtractionGuard guard(dir.path());
  EXPECT_TRUE(guard.isPoisoned("/docs/new"));
  EXPECT_EQ(guard.poisonedCount(), 1u);
}

TEST_F(ExtractionGuardTest, WorkThatOverrunsTheLimitPoisonsThePath) {
  ExtractionGuard guard(dir.path());
  auto result = guard.run("/docs/slow.pdf", 0.05, [] {
    std::this_thread::sleep_for(300ms);
    return std::optional<std::string>("too late");
  });
  EXPECT_FALSE(result);
  EXPECT_TRUE(guard.isPoisoned("/docs/slow.pdf"));
  EXPECT_EQ(poison(), "/docs/slow.pdf\n");
  EXPECT_EQ(inflight(), "");
  EXPECT_TRUE(ExtractionGuard(dir.path()).isPoisoned("/docs/slow.pdf"));
  // Other files are still read, on a fresh worker.
  EXPECT_EQ(guard.run("/docs/fast.txt", kGenerous, [] { return std::optional<std::string>("ok"); }),
            "ok");
}

TEST_F(ExtractionGuardTest, LateWorkOutlivesTheCallAndTheGuard) {
  auto finished = std::make_shared<std::atomic<bool>>(false);
  {
    ExtractionGuard guard(dir.path());
    auto result = guard.runValue("/docs/late.bin", 0.02, [finished] {
      std::this_thread::sleep_for(200ms);
      std::optional<std::string> big(std::string(1 << 20, 'x'));  // written into the result slot
      finished->store(true);
      return big;
    });
    EXPECT_FALSE(result);
  }
  // The guard is gone; the worker still finishes, writes its slot and leaves without touching
  // freed memory (run under the sanitizer configuration to see a violation).
  for (int i = 0; i < 500 && !finished->load(); ++i) std::this_thread::sleep_for(10ms);
  EXPECT_TRUE(finished->load());
  std::this_thread::sleep_for(50ms);
}

TEST_F(ExtractionGuardTest, RunValueCarriesAnyResultAndThrowingWorkGivesNothing) {
  ExtractionGuard guard;
  EXPECT_EQ(guard.runValue("/a", kGenerous, [] { return std::optional<int>(42); }), 42);
  EXPECT_FALSE(guard.runValue(
      "/b", kGenerous, []() -> std::optional<int> { throw std::runtime_error("reader failed"); }));
  EXPECT_FALSE(guard.isPoisoned("/b"));
}

TEST_F(ExtractionGuardTest, WithoutAFolderPoisonStaysInMemory) {
  ExtractionGuard guard;
  guard.addPoison("/x");
  EXPECT_TRUE(guard.isPoisoned("/x"));
  EXPECT_FALSE(guard.run("/slow", 0.01, [] {
    std::this_thread::sleep_for(100ms);
    return std::optional<std::string>("late");
  }));
  EXPECT_TRUE(guard.isPoisoned("/slow"));
  EXPECT_EQ(guard.poisonedCount(), 2u);
}

TEST_F(ExtractionGuardTest, AddPoisonRewritesTheList) {
  ExtractionGuard guard(dir.path());
  guard.addPoison("/b");
  guard.addPoison("/a");
  guard.addPoison("/a");
  EXPECT_EQ(poison(), "/a\n/b\n");
  EXPECT_EQ(guard.poisonedCount(), 2u);
}

TEST_F(ExtractionGuardTest, ConcurrentReadsAreAllRecordedInFlight) {
  // With only the last path on record, a crash in the first reader would go unnoticed and
  // crash every later start again.
  ExtractionGuard guard(dir.path());
  std::latch bothStarted(2);
  std::latch checked(1);
  std::string seen;
  std::string inflightPath = dir / "inflight.txt";
  std::thread other([&] {
    guard.run("/docs/one", kGenerous, [&] {
      bothStarted.count_down();
      checked.wait();
      return std::optional<std::string>("1");
    });
  });
  guard.run("/docs/two", kGenerous, [&] {
    bothStarted.arrive_and_wait();
    seen = readFile(inflightPath);
    checked.count_down();
    return std::optional<std::string>("2");
  });
  other.join();
  EXPECT_EQ(seen, "/docs/one\n/docs/two\n\n");
  EXPECT_EQ(inflight(), "");
}

TEST_F(ExtractionGuardTest, PathsWithLineBreaksAreNeverRead) {
  ExtractionGuard guard(dir.path());
  bool ran = false;
  EXPECT_FALSE(guard.run("/docs/two\nlines.txt", kGenerous, [&ran] {
    ran = true;
    return std::optional<std::string>("x");
  }));
  EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace quorvale

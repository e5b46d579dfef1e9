#include "scan/extraction_guard.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <latch>
#include <thread>
#include <tuple>

#include "support/test_support.h"

namespace quorvale {
namespace {

using namespace std::chrono_literals;
using testing::readFile;
using testing::TempDir;
using testing::writeFile;

constexpr double kGenerous = 30.0;  // seconds; never reached by work that finishes

// Work that reads a file at once.
std::optional<std::string> readsOk() {
  return "ok";
}

std::string reading(const std::string& owner, const std::string& path) {
  return "reading " + owner + " " + path + "\n";
}

class ExtractionGuardTest : public ::testing::Test {
 protected:
  std::string inflight() const { return readFile(dir / "inflight.txt"); }
  std::string poison() const { return readFile(dir / "poison.txt"); }

  TempDir dir;
};

TEST_F(ExtractionGuardTest, AFileReadToTheEndAfterAStopStartsAfresh) {
  // This process's id with another start time, as when the system hands a stopped reader's id
  // to a new process: an owner that is gone.
  ProcessIdentity gone = ProcessIdentity::current();
  ++gone.startTicks;
  writeFile(dir / "inflight.txt", "stopped /docs/once.pdf\n" + reading(gone.text(), "/docs/b"));
  ExtractionGuard guard(dir.path());
  EXPECT_EQ(guard.run("/docs/once.pdf", kGenerous, readsOk), "ok");
  EXPECT_EQ(inflight(), "stopped /docs/b\n\n");
}

// What a starting guard makes of the in-flight list it finds: the entry of a reader that still
// runs stays, the entry of one that is gone counts as a stop.
TEST_F(ExtractionGuardTest, OnlyEntriesOfProcessesThatAreGoneCountAsStops) {
  ProcessIdentity self = ProcessIdentity::current();
  ProcessIdentity otherBoot = self;
  otherBoot.bootId = "00000000-0000-0000-0000-000000000000";
  ProcessIdentity parent = ProcessIdentity::of(getppid()).value_or(self);
  const std::string big = "/docs/big.pdf";
  const std::string stopped = "stopped " + big + "\n\n";
  // What the list holds, and what the guard leaves in it.
  const std::tuple<const char*, std::string, std::string> cases[] = {
      {"a reader that still runs", reading(parent.text(), big), reading(parent.text(), big) + "\n"},
      {"an entry from before a restart", reading(otherBoot.text(), big), stopped},
      // A stop between writing a shorter list and cutting the file leaves an old tail; a bare
      // path is an entry of an earlier version, without owner.
      {"a bare path and an old tail", big + "\n\ns/old-longer-name\n", stopped},
  };
  for (const auto& [what, before, after] : cases) {
    TempDir folder;
    writeFile(folder / "inflight.txt", before);
    ExtractionGuard guard(folder.path());
    EXPECT_FALSE(guard.isPoisoned(big)) << what;
    EXPECT_EQ(readFile(folder / "inflight.txt"), after) << what;
  }
}

// Work that overruns its limit poisons the path, and finishes later without touching the memory
// of the call or of the guard, both gone by then (see the sanitizer build).
TEST_F(ExtractionGuardTest, WorkThatOverrunsTheLimitPoisonsThePathAndOutlivesTheGuard) {
  auto finished = std::make_shared<std::atomic<bool>>(false);
  {
    ExtractionGuard guard(dir.path());
    auto result = guard.run("/docs/slow.pdf", 0.05, [finished] {
      std::this_thread::sleep_for(300ms);
      std::optional<std::string> big(std::string(1 << 20, 'x'));  // written into the result slot
      finished->store(true);
      return big;
    });
    EXPECT_FALSE(result);
    EXPECT_TRUE(guard.isPoisoned("/docs/slow.pdf"));
    EXPECT_EQ(poison(), "/docs/slow.pdf\n");
    EXPECT_EQ(inflight(), "");
    // Other files are still read, on a fresh worker.
    EXPECT_EQ(guard.run("/docs/fast.txt", kGenerous, readsOk), "ok");
  }
  EXPECT_TRUE(ExtractionGuard(dir.path()).isPoisoned("/docs/slow.pdf"));
  for (int i = 0; i < 500 && !finished->load(); ++i) std::this_thread::sleep_for(10ms);
  EXPECT_TRUE(finished->load());
  std::this_thread::sleep_for(50ms);
}

TEST_F(ExtractionGuardTest, RunValueCarriesAnyResultAndFailingOrUnsafeWorkGivesNothing) {
  ExtractionGuard guard;
  EXPECT_EQ(guard.runValue("/a", kGenerous, [] { return std::optional<int>(42); }), 42);
  EXPECT_FALSE(guard.runValue(
      "/b", kGenerous, []() -> std::optional<int> { throw std::runtime_error("reader failed"); }));
  EXPECT_FALSE(guard.isPoisoned("/b"));
  bool ran = false;  // a path with a line break would corrupt the in-flight list
  EXPECT_FALSE(guard.run("/docs/two\nlines.txt", kGenerous, [&ran] {
    ran = true;
    return std::optional<std::string>("x");
  }));
  EXPECT_FALSE(ran);
}

// Every read is on record while it runs, and only then. With only the last path on record, a
// crash in the first reader would go unnoticed and crash every later start again.
TEST_F(ExtractionGuardTest, ConcurrentReadsAreAllRecordedInFlightWhileTheyRun) {
  ExtractionGuard guard(dir.path());
  std::latch bothStarted(2);
  std::latch checked(1);
  std::string seen;
  std::string inflightPath = dir / "inflight.txt";
  std::optional<std::string> first;
  std::thread other([&] {
    first = guard.run("/docs/one", kGenerous, [&] {
      bothStarted.count_down();
      checked.wait();
      return std::optional<std::string>("1");
    });
  });
  auto second = guard.run("/docs/two", kGenerous, [&] {
    bothStarted.arrive_and_wait();
    seen = readFile(inflightPath);
    checked.count_down();
    return std::optional<std::string>("2");
  });
  other.join();
  std::string self = ProcessIdentity::current().text();
  EXPECT_EQ(seen, reading(self, "/docs/one") + reading(self, "/docs/two") + "\n");
  EXPECT_EQ(inflight(), "");
  EXPECT_EQ(first, "1");
  EXPECT_EQ(second, "2");
  EXPECT_EQ(guard.poisonedCount(), 0u);
}

// A process that reads a path behind a guard and never finishes, until it is killed.
class ReaderProcess {
 public:
  // A child that ends before its reading begins (a thread it could not start on a loaded
  // machine) closes the pipe; it is started again, twice at most, instead of the test hanging.
  ReaderProcess(const std::string& folder, const std::string& path) {
    for (int attempt = 0; attempt < 3 && !started_; ++attempt) {
      kill();
      start(folder, path);
    }
  }
  ~ReaderProcess() { kill(); }
  ReaderProcess(const ReaderProcess&) = delete;
  ReaderProcess& operator=(const ReaderProcess&) = delete;
  bool started() const { return started_; }
  void kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = 0;
  }

 private:
  void start(const std::string& folder, const std::string& path) {
    if (pipe(fds_) != 0) throw std::runtime_error("pipe failed");
    pid_ = fork();
    if (pid_ == 0) {
      close(fds_[0]);
      ExtractionGuard(folder).run(path, kGenerous, [this]() -> std::optional<std::string> {
        if (write(fds_[1], "r", 1) != 1) _exit(2);
        for (;;) pause();
      });
      _exit(0);
    }
    close(fds_[1]);
    char byte = 0;
    started_ = read(fds_[0], &byte, 1) == 1;
    close(fds_[0]);
  }

  int fds_[2] = {-1, -1};  // the pipe the child reports its start on
  pid_t pid_ = 0;
  bool started_ = false;
};

TEST_F(ExtractionGuardTest, ASecondProcessLeavesTheFirstOnesReadingAloneAndJudgesItOnlyOnceGone) {
  const std::string slow = "/docs/slow.pdf";
  {
    ReaderProcess first(dir.path(), slow);
    ASSERT_TRUE(first.started());
    ExtractionGuard second(dir.path());
    EXPECT_FALSE(second.isPoisoned(slow));
    EXPECT_EQ(second.run("/docs/quick.pdf", kGenerous, readsOk), "ok");
    EXPECT_NE(inflight().find(" " + slow + "\n"), std::string::npos);
    EXPECT_EQ(inflight().find("stopped"), std::string::npos);

    first.kill();
    ExtractionGuard afterOneStop(dir.path());
    EXPECT_FALSE(afterOneStop.isPoisoned(slow));
    EXPECT_EQ(inflight(), "stopped " + slow + "\n\n");
  }
  {
    ReaderProcess retry(dir.path(), slow);
    ASSERT_TRUE(retry.started());
    retry.kill();
  }
  ExtractionGuard afterTwoStops(dir.path());
  EXPECT_TRUE(afterTwoStops.isPoisoned(slow));
  EXPECT_EQ(poison(), slow + "\n");
  EXPECT_EQ(inflight(), "");
  EXPECT_FALSE(afterTwoStops.isPoisoned("/docs/quick.pdf"));
  bool ran = false;  // a poisoned file is never read again
  EXPECT_FALSE(afterTwoStops.run(slow, kGenerous, [&ran] {
    ran = true;
    return std::optional<std::string>("never");
  }));
  EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace quorvale

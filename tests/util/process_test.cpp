#include "util/process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>

#include "support/test_support.h"
#include "util/unique_fd.h"

namespace quorvale {
namespace {

using namespace std::chrono_literals;
using testing::TempDir;

// True when the process is gone or only a zombie waiting for a parent other than us. A killed
// process takes a moment to die on a loaded machine: this polls for a while.
bool isGone(pid_t pid) {
  for (int i = 0; i < 100; ++i) {
    if (kill(pid, 0) != 0) return errno == ESRCH;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string pidField, name, state;
    if (stat >> pidField >> name >> state && state == "Z") return true;
    usleep(50'000);
  }
  return false;
}

pid_t readPid(const std::string& path) {
  std::ifstream in(path);
  pid_t pid = 0;
  in >> pid;
  return pid;
}

TEST(Process, CapturesStandardOutputButNotStandardErrorNorAShell) {
  auto result = runProcess("/bin/sh", {"-c", "echo out; echo err >&2; exit 3"});
  ASSERT_TRUE(result);
  EXPECT_EQ(result->output, "out\n");
  EXPECT_EQ(result->exitCode, 3);
  EXPECT_FALSE(result->stoppedAtLimit);
  EXPECT_EQ(runProcess("/bin/echo", {"$HOME", "a;b", "*"})->output, "$HOME a;b *\n");  // no shell
}

TEST(Process, StopsTheToolAtTheOutputCap) {
  TempDir dir;
  std::string pidFile = dir / "pid";
  auto result = runProcess("/bin/sh", {"-c", "echo $$ > " + pidFile + "; exec yes"},
                           {.outputLimit = 200'000});
  ASSERT_TRUE(result);
  EXPECT_EQ(result->output.size(), 200'000u);
  EXPECT_TRUE(result->stoppedAtLimit);
  EXPECT_FALSE(result->exitCode);
  EXPECT_TRUE(isGone(readPid(pidFile)));
}

TEST(Process, ATimeoutKillsTheToolAndItsChildren) {
  TempDir dir;
  std::string pidFile = dir / "pid";
  auto start = std::chrono::steady_clock::now();
  // Long enough for a loaded machine to start the shell and its child.
  auto result =
      runProcess("/bin/sh", {"-c", "sleep 30 & echo $! > " + pidFile + "; wait"}, {.timeout = 2s});
  EXPECT_FALSE(result);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
  pid_t child = readPid(pidFile);
  ASSERT_GT(child, 0) << "the shell did not start its child in time";
  EXPECT_TRUE(isGone(child));
  // A tool that closes its output but hangs times out too.
  EXPECT_FALSE(runProcess("/bin/sh", {"-c", "exec >&-; sleep 30"}, {.timeout = 300ms}));
}

// A missing or not executable program yields nothing.
TEST(Process, RunsOnlyExecutablesAndReadsAGivenStandardInput) {
  EXPECT_FALSE(runProcess("/nonexistent/catdoc", {"x"}));
  TempDir dir;
  testing::writeFile(dir / "not-executable", "#!/bin/sh\necho hi\n");
  EXPECT_FALSE(runProcess(dir / "not-executable", {}));

  testing::writeFile(dir / "input.txt", "from a file\n");
  UniqueFd fd(open((dir / "input.txt").c_str(), O_RDONLY | O_CLOEXEC));
  ASSERT_TRUE(fd);
  auto result = runProcess("/bin/cat", {}, {.standardInput = fd.get()});
  ASSERT_TRUE(result);
  EXPECT_EQ(result->output, "from a file\n");
  // Without one the tool reads /dev/null rather than waiting on ours.
  EXPECT_EQ(runProcess("/bin/cat", {})->output, "");
}

}  // namespace
}  // namespace quorvale

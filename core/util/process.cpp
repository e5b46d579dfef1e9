#include "util/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "util/unique_fd.h"

extern char** environ;

namespace quorvale {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kChunkSize = 65'536;

// Keeps the pipe off descriptors 0-2, so the child's redirections cannot clobber it.
UniqueFd aboveStandardStreams(UniqueFd fd) {
  if (fd.get() > 2) return fd;
  return UniqueFd(fcntl(fd.get(), F_DUPFD_CLOEXEC, 3));
}

class SpawnSetup {
 public:
  SpawnSetup() {
    posix_spawn_file_actions_init(&actions_);
    posix_spawnattr_init(&attributes_);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions_);
    posix_spawnattr_destroy(&attributes_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  void redirect(int outputFd, int inputFd) {
    posix_spawn_file_actions_adddup2(&actions_, outputFd, STDOUT_FILENO);
    if (inputFd >= 0) {
      posix_spawn_file_actions_adddup2(&actions_, inputFd, STDIN_FILENO);
    } else {
      posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    posix_spawn_file_actions_addopen(&actions_, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // Descriptors the program opened without O_CLOEXEC must not leak into the tool.
    posix_spawn_file_actions_addclosefrom_np(&actions_, 3);
#endif
  }

  // A group of its own, so that a kill also reaches the tool's children; default signal
  // dispositions and an empty mask, whatever the calling thread has set.
  void isolate() {
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setpgroup(&attributes_, 0);
    posix_spawnattr_setsigdefault(&attributes_, &all);
    posix_spawnattr_setsigmask(&attributes_, &none);
    posix_spawnattr_setflags(
        &attributes_, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  }

  std::optional<pid_t> spawn(const std::string& executable,
                             const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 2);
    argv.push_back(const_cast<char*>(executable.c_str()));
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, executable.c_str(), &actions_, &attributes_, argv.data(), environ) != 0) {
      return std::nullopt;
    }
    return pid;
  }

 private:
  posix_spawn_file_actions_t actions_;
  posix_spawnattr_t attributes_;
};

struct Reaping {
  bool ended = false;
  std::optional<int> exitCode;  // when it ended by exiting
};

// Reaps the child if it ends before the deadline.
Reaping reapUntil(pid_t pid, Clock::time_point deadline) {
  for (;;) {
    int status = 0;
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      return {.ended = true,
              .exitCode = WIFEXITED(status) ? std::optional(WEXITSTATUS(status)) : std::nullopt};
    }
    if (done < 0 && errno != EINTR)
      return {.ended = true, .exitCode = std::nullopt};  // reaped elsewhere (SIGCHLD ignored)
    if (Clock::now() >= deadline) return {};
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

// SIGKILL normally ends the group at once; a child stuck in an uninterruptible read (a hung
// network mount) is left to a detached reaper instead of stalling the caller.
void killAndReap(pid_t pid) {
  kill(-pid, SIGKILL);
  kill(pid, SIGKILL);
  if (reapUntil(pid, Clock::now() + std::chrono::seconds(1)).ended) return;
  std::thread([pid] {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
}

enum class ReadEnd { endOfOutput, limitReached, timedOut };

struct Reading {
  ReadEnd end = ReadEnd::endOfOutput;
  std::string output;
};

Reading readOutput(int fd, std::size_t limit, Clock::time_point deadline) {
  Reading reading;
  std::string chunk(kChunkSize, '\0');
  while (reading.output.size() < limit) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return {.end = ReadEnd::timedOut, .output = {}};
    pollfd entry{.fd = fd, .events = POLLIN, .revents = 0};
    int ready = poll(&entry, 1, static_cast<int>(std::min<long long>(left.count() + 1, 60'000)));
    if (ready < 0 && errno != EINTR) return reading;
    if (ready <= 0) continue;
    ssize_t got = read(fd, chunk.data(), std::min(kChunkSize, limit - reading.output.size()));
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got <= 0) return reading;
    reading.output.append(chunk.data(), static_cast<std::size_t>(got));
  }
  reading.end = ReadEnd::limitReached;
  return reading;
}

// A limit that is not a positive number allows nothing; an absurdly long one is held to a day,
// which the clock's arithmetic cannot overflow.
Clock::time_point deadlineAfter(std::chrono::duration<double> timeout) {
  constexpr double kLongest = 86'400;
  double seconds = timeout.count() > 0 ? std::min(timeout.count(), kLongest) : 0;
  return Clock::now() +
         std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

}  // namespace

std::optional<ProcessOutput> runProcess(const std::string& executable,
                                        const std::vector<std::string>& arguments,
                                        const ProcessOptions& options) {
  const Clock::time_point deadline = deadlineAfter(options.timeout);
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return std::nullopt;
  UniqueFd readEnd = aboveStandardStreams(UniqueFd(ends[0]));
  UniqueFd writeEnd = aboveStandardStreams(UniqueFd(ends[1]));
  if (!readEnd || !writeEnd) return std::nullopt;

  SpawnSetup setup;
  setup.redirect(writeEnd.get(), options.standardInput);
  setup.isolate();
  std::optional<pid_t> pid = setup.spawn(executable, arguments);
  writeEnd.reset();
  if (!pid) return std::nullopt;

  Reading reading = readOutput(readEnd.get(), options.outputLimit, deadline);
  readEnd.reset();
  if (reading.end == ReadEnd::timedOut) {
    killAndReap(*pid);
    return std::nullopt;
  }
  if (reading.end == ReadEnd::limitReached) {
    killAndReap(*pid);
    return ProcessOutput{
        .output = std::move(reading.output), .exitCode = std::nullopt, .stoppedAtLimit = true};
  }
  Reaping reaping = reapUntil(*pid, deadline);
  if (!reaping.ended) {
    killAndReap(*pid);
    return std::nullopt;
  }
  return ProcessOutput{
      .output = std::move(reading.output), .exitCode = reaping.exitCode, .stoppedAtLimit = false};
}

}  // namespace quorvale

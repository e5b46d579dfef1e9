// One process as it was when it was seen: its id and the time it started (in clock ticks after
// boot, from /proc/PID/stat). Work done later, such as a signal sent after a grace period, checks
// the stamp first, so that a process id the system has since given to a new process is left
// alone. Safe on any thread.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>

namespace quorvale {

struct ProcessStamp {
  pid_t pid = 0;
  std::uint64_t startTicks = 0;

  // Nothing when the process is gone or its stat file cannot be read.
  static std::optional<ProcessStamp> of(pid_t pid, const std::string& procRoot = "/proc");
  // Whether the same process still runs (a zombie does not).
  bool running(const std::string& procRoot = "/proc") const;

  bool operator==(const ProcessStamp&) const = default;
};

}  // namespace quorvale

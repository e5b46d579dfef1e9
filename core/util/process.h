// Runs an external tool and captures what it prints, with a cap on the bytes taken and a time
// limit. Used for converters of old document formats and by anything else that shells out.
//
// The tool is started directly (no shell) in a process group of its own, with its standard error
// sent to /dev/null and its standard input from /dev/null or a given descriptor. Standard output
// is read in 65,536-byte chunks. When the time limit passes, the whole group is killed and reaped,
// and the run yields nothing. Safe to call from any thread; each call owns its child.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace quorvale {

struct ProcessOptions {
  // The most bytes of standard output kept; once reached the tool is stopped.
  std::size_t outputLimit = 3'000'000;
  std::chrono::duration<double> timeout = std::chrono::seconds(5);
  // A descriptor the tool reads as its standard input; -1 gives it /dev/null.
  int standardInput = -1;
};

struct ProcessOutput {
  std::string output;
  // The tool's exit status; nothing when it was stopped at the output cap or died of a signal.
  std::optional<int> exitCode;
  // The output reached the cap and the tool was stopped there.
  bool stoppedAtLimit = false;

  bool operator==(const ProcessOutput&) const = default;
};

// Nothing when the executable cannot be started or the time limit passes.
std::optional<ProcessOutput> runProcess(const std::string& executable,
                                        const std::vector<std::string>& arguments,
                                        const ProcessOptions& options = {});

}  // namespace quorvale

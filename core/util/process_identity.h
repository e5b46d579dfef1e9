// Who a process is, in a form that outlives it on disk: its id, when it started (so that a later
// process given the same id by the system is not taken for it) and the boot it ran in. The
// extraction guard records one with every file it is reading, so that a second process can tell
// a reader that still runs from one that stopped while reading. Read from /proc; plain values,
// any thread.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvale {

struct ProcessIdentity {
  pid_t pid = 0;
  // Clock ticks from boot to the process's start (/proc/<pid>/stat); 0 when unknown.
  std::uint64_t startTicks = 0;
  // /proc/sys/kernel/random/boot_id; empty when unknown.
  std::string bootId;

  bool operator==(const ProcessIdentity&) const = default;

  // The calling process. Not cached: a forked child is a new process.
  static ProcessIdentity current();
  // The running process with this id; nothing when there is none (or /proc does not show it).
  static std::optional<ProcessIdentity> of(pid_t pid);

  // Whether this process still runs: the same boot, and its id held by a process that started at
  // the same tick. Without a start time, any process with the id counts.
  bool isRunning() const;
  // The same, given the current boot's id (a caller that asks often reads it once).
  bool isRunning(const std::string& currentBoot) const;

  // "<pid> <start ticks> <boot id>" ("-" for an unknown boot id), and back; nothing when the
  // text is not of that form.
  std::string text() const;
  static std::optional<ProcessIdentity> parse(std::string_view text);
};

}  // namespace quorvale

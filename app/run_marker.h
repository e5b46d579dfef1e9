// Tells whether the last process that used a data folder stopped cleanly. Each engine leaves a
// small file "running-<pid>" in the data folder (holding the process's start time, so that a
// reused process id is not taken for the old process) for as long as it lives, and removes it
// when it is destroyed. A marker whose process is gone was left by a kill, a crash or a power
// cut: the index is then checked thoroughly in the background before the first scan, and only
// then are those markers removed (a `--status` in between does not use them up).
//
// Created and destroyed by the engine on the main thread.
#pragma once

#include <string>
#include <vector>

namespace quorvale {

class RunMarker {
 public:
  // Leaves this process's marker in `folder` and notes the markers of processes that are gone.
  explicit RunMarker(std::string folder);
  ~RunMarker();
  RunMarker(const RunMarker&) = delete;
  RunMarker& operator=(const RunMarker&) = delete;

  // Whether a marker of a process that is gone was found.
  bool followsUncleanStop() const { return !stale_.empty(); }
  // Removes the markers of processes that are gone, once the index has been checked. Any
  // thread, but not at the same time as the other members.
  void forgetUncleanStop();

 private:
  std::string path_;
  std::vector<std::string> stale_;
};

}  // namespace quorvale

// The running applications on Linux, for the quit and force-quit commands: the processes of this
// user whose program is the one an installed, shown application entry starts. Each entry counts
// once, under its Name, with its desktop-entry id ("firefox", "org.gnome.Nautilus") standing for
// the bundle identifier.
//
// Read from /proc and the application folders on every call (the engine asks only when a typed
// command could name an application). Without the display server it cannot tell which processes
// own windows, so a background process started from a shown entry counts too. Safe on any thread.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "quick/system_commands.h"

namespace quorvale {

class ProcRunningApps {
 public:
  struct Options {
    std::string procRoot = "/proc";
    // Folders of application entries in precedence order; empty: the XDG ones.
    std::vector<std::string> applicationFolders;
    uid_t user = static_cast<uid_t>(-1);  // -1: the calling process's user
  };

  ProcRunningApps() : ProcRunningApps(Options{}) {}
  explicit ProcRunningApps(Options options);

  // Sorted by name; empty when nothing can be read.
  std::vector<RunningApp> list() const;

  // The program an Exec line starts, as a file name ("firefox" for "env A=1 /usr/bin/firefox %u").
  static std::string programName(std::string_view exec);

 private:
  Options options_;
};

}  // namespace quorvale

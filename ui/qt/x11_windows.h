// The top-level windows of other processes on X11, found by their _NET_WM_PID: whether a
// process shows any, and asking them to close the way a window's close button does (through the
// window manager's _NET_CLOSE_WINDOW when it offers it, else WM_DELETE_WINDOW sent to the window
// itself, for windows that take it). Nothing happens without an X11 display. Main thread only
// (Qt's X connection).
#pragma once

#include <sys/types.h>

#include <set>
#include <vector>

namespace quorvale::X11Windows {

// The processes among `pids` that have a top-level window.
std::set<pid_t> withWindows(const std::vector<pid_t>& pids);
// Asks every top-level window of the processes to close; returns how many were asked.
int close(const std::vector<pid_t>& pids);

}  // namespace quorvale::X11Windows

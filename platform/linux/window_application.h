// Which installed application a window belongs to, from what the window says about itself: the
// program of its process (_NET_WM_PID) and its WM_CLASS instance and class names. The clipboard
// history records this as the source of a copy, so that copies from password managers can be
// left out by their desktop-entry id.
//
// Pure functions over values; safe on any thread.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "scan/desktop_entry.h"

namespace quorvale::WindowApplication {

struct Window {
  std::string program;       // the file name of the process's executable; empty: unknown
  std::string instanceName;  // WM_CLASS, first part
  std::string className;     // WM_CLASS, second part
};

// Application entries with their ids, in precedence order (the first of two with one id wins).
using Entries = std::vector<std::pair<std::string, DesktopEntry>>;

// The id of the entry the window belongs to, best evidence first: the entry's StartupWMClass
// names the window's class (or instance), then the entry's Exec program is the window's program,
// then the entry's id is the class name (or ends with "." and it: "org.gnome.Nautilus" for
// "Nautilus"), letter case aside. With no entry matching, the class name itself (the best name
// there is); nothing for a window that tells nothing.
std::optional<std::string> match(const Window& window, const Entries& entries);

}  // namespace quorvale::WindowApplication

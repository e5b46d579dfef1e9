// Which application the user is working in, on X11: the window named by the root window's
// _NET_ACTIVE_WINDOW, matched to a desktop entry by its process (_NET_WM_PID, the program the
// entry's Exec line starts) and its WM_CLASS (the entry's StartupWMClass or file name).
// Nothing elsewhere (Wayland, off screen) or when no entry matches. Main thread only.
#pragma once

#include <optional>
#include <string>

namespace quorvale::X11ActiveWindow {

std::optional<std::string> applicationId();

}  // namespace quorvale::X11ActiveWindow

// Starting Quorvale when the user logs in, through an XDG autostart entry:
// `$XDG_CONFIG_HOME/autostart/quorvale.desktop` (~/.config/autostart/quorvale.desktop). The
// entry counts as enabled while it exists and does not say `Hidden=true` (the desktop's own way
// of switching an autostart entry off). Main thread; reads and writes only that file.
#pragma once

#include <string>

namespace quorvale::LoginItem {

// Where the entry lives; empty when the user has no configuration folder.
std::string entryPath();

bool isEnabled();

// Writes the entry (starting `executable`) or removes it, then reads the state back and returns
// whether starting at login is enabled now. A failure is logged as "Quorvale login item: " and
// its description on standard error; the state read afterwards is still returned.
bool setEnabled(bool enabled, const std::string& executable);

}  // namespace quorvale::LoginItem

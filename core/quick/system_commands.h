// System commands typed into the panel: sleep, lock the screen, start the screen saver, quit or
// force-quit a running application by name, and open a page of the desktop's settings.
//
// Only matches text against constant tables and builds records: the suggester makes rows of
// them and the application shell carries out the chosen command by its `id` ("sleep",
// "displaysleep", "screensaver", "quit:" or "forcequit:" + the application's id) or opens the
// chosen page's `url`. The caller supplies the running applications, fetching them only when
// `needsRunningApps` says the text could name one. Pure functions, any thread.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvale {

// An application with windows. On Linux `bundleID` is its desktop-entry id ("org.gnome.Nautilus").
struct RunningApp {
  std::string name;  // display name
  std::string bundleID;

  bool operator==(const RunningApp&) const = default;
};

namespace SystemCommands {

struct Command {
  std::string id;
  std::string title;
  std::string subtitle;

  bool operator==(const Command&) const = default;
};

// A settings page. `url` is "settings:" + a page name the shell maps onto the desktop's
// settings tool (wifi, bluetooth, displays, sound, keyboard, power, notifications, privacy,
// startup, storage, general).
struct Pane {
  std::string title;
  std::string url;

  bool operator==(const Pane&) const = default;
};

// At most this many running applications are offered for one quit command.
inline constexpr std::size_t kMostApps = 4;

// True when the text, after leading spaces and lower-cased, starts with "force quit ", "kill "
// or "quit ": the only texts whose commands depend on the running applications. "quit " with
// nothing yet after it counts, so the list is at hand when the name is typed.
bool needsRunningApps(std::string_view query);

// The quit commands for "quit", "force quit" or "kill" and a name (running apps whose name
// begins with it, then those with a word that does), else the power and screen actions whose
// keyword the text is (or begins, from 4 characters on).
std::vector<Command> commands(std::string_view query, std::span<const RunningApp> running);

// The settings pages whose title or keyword begins with the text, after an optional leading
// "settings ", "system settings " or "preferences "; nothing below 4 characters.
std::vector<Pane> panes(std::string_view query);

}  // namespace SystemCommands

}  // namespace quorvale

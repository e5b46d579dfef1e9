// Freedesktop desktop entries (".desktop" files): the Linux form of an installed application.
// The scanner indexes shown application entries as applications and finds them by their Name
// as well as by their file name; the shell later launches them from their Exec line.
// Pure functions; safe on any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvale {

struct DesktopEntry {
  std::string type;  // "Application", "Link", "Directory"
  std::string name;  // the untranslated Name
  std::string exec;
  std::string icon;       // an icon theme name or an absolute path
  std::string path;       // the working folder of the program; empty: inherit
  bool terminal = false;  // the program runs in a terminal
  bool noDisplay = false;
  bool hidden = false;
  std::vector<std::string> onlyShowIn;
  std::vector<std::string> notShowIn;

  // Whether a menu on the given desktops (XDG_CURRENT_DESKTOP, split at ":") lists this entry.
  bool shownIn(const std::vector<std::string>& desktops) const;
  bool isApplication() const { return type == "Application"; }

  bool operator==(const DesktopEntry&) const = default;
};

// Reads the [Desktop Entry] group; nothing when the text has no such group.
std::optional<DesktopEntry> parseDesktopEntry(std::string_view text);
// Reads a regular file of at most 64 kB (following a symbolic link); nothing otherwise.
std::optional<DesktopEntry> readDesktopEntry(const std::string& path);
// The desktops named by XDG_CURRENT_DESKTOP.
std::vector<std::string> currentDesktops();

}  // namespace quorvale

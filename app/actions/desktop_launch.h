// Turns a desktop entry's Exec line into the program and arguments to start, the way the Desktop
// Entry Specification says: arguments split at spaces, double-quoted arguments with "\"", "\`",
// "\$" and "\\" escapes, and the field codes filled or removed (%f %F %u %U take the given
// files, %i the icon, %c the name, %k the entry's own path, %% a percent sign; the deprecated
// %d %D %n %N %v %m vanish). `Terminal=true` runs the program in the given terminal, and `Path=`
// becomes the working folder. Pure functions; any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scan/desktop_entry.h"

namespace quorvale {

struct LaunchCommand {
  std::vector<std::string> arguments;  // the program first
  std::string workingFolder;           // empty: the launcher's own

  bool operator==(const LaunchCommand&) const = default;
};

namespace DesktopLaunch {

// The Exec line's arguments before field codes are filled; nothing when a quote is left open or
// the line is empty.
std::optional<std::vector<std::string>> split(std::string_view exec);

struct Options {
  std::string entryPath;           // for %k
  std::vector<std::string> files;  // for %f %F %u %U; usually none
  // The terminal's command that runs the rest of the line ("x-terminal-emulator", "-e"); an
  // entry that needs a terminal cannot be launched without one.
  std::vector<std::string> terminal;
};

// Nothing when the line cannot be used: broken quoting, no program, or a terminal needed and
// none known.
std::optional<LaunchCommand> command(const DesktopEntry& entry, const Options& options);

}  // namespace DesktopLaunch
}  // namespace quorvale

// The folders a new settings record indexes, as this platform lays out a user's files: the
// desktop, documents and downloads in the home folder, then the folders that hold application
// entries (`$XDG_DATA_HOME/applications`, then each `$XDG_DATA_DIRS` folder's `applications`, then
// the Flatpak and Snap export folders that exist but are not on that list).
//
// Read from the environment on every call (tests set XDG_DATA_HOME and XDG_DATA_DIRS); safe on
// any thread as long as nobody changes the environment meanwhile.
#pragma once

#include <string>
#include <vector>

namespace quorvale::DefaultFolders {

// "~/Desktop", "~/Documents", "~/Downloads" (a leading "~" is the home folder, expanded by the
// scanner), then `applicationFolders()`.
std::vector<std::string> roots();

// The absolute paths of the application-entry folders, each once, in XDG search order (an entry
// in an earlier folder overrides one with the same id in a later folder). The engine indexes only
// applications in them.
std::vector<std::string> applicationFolders();

}  // namespace quorvale::DefaultFolders

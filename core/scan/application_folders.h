// The application folders of a scan (its application-only roots) in precedence order, and the
// desktop-file ids that tie their entries together.
//
// An entry's id is its path below its application folder with "/" turned into "-"
// (kde/foo.desktop in a folder has the id kde-foo.desktop). Among entries with one id, the one in
// the folder listed first in the scan's roots wins and the others are not applications at all: a
// user's copy in ~/.local/share/applications replaces the system's, and a copy with Hidden=true
// removes the application. The engine lists the application folders among the roots in XDG
// order ($XDG_DATA_HOME, then each of $XDG_DATA_DIRS, then the Flatpak and Snap folders).
//
// Built for one scan or one batch of updates on the scanner's thread; it reads the disk only
// when asked about an id.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvale {

struct ScanConfig;

class ApplicationFolders {
 public:
  // In application folders, entries deeper than this many levels are not looked at.
  static constexpr int kDepth = 3;

  explicit ApplicationFolders(const ScanConfig& config);

  // The application folder holding the path (the first when folders nest); nothing for a path
  // in none of them.
  std::optional<std::string> folderOf(std::string_view path) const;
  // The id of the entry at `path` below `folder`.
  static std::string desktopFileId(std::string_view folder, std::string_view path);
  // Every path in the folders whose entry has this id and parses as a desktop entry, the
  // winning one first (earlier folders first; in one folder, fewer subfolders first).
  std::vector<std::string> entriesWithId(std::string_view id) const;
  // Whether an entry with the same id comes first: in an earlier folder, or in the same folder
  // spelled with fewer subfolders.
  bool overridden(std::string_view path) const;

 private:
  std::vector<std::string> candidates(std::string_view folder, std::string_view id) const;

  std::vector<std::string> folders_;
};

}  // namespace quorvale

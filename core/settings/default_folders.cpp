#include "settings/default_folders.h"

#include <sys/stat.h>

#include <algorithm>

#include "util/xdg_paths.h"

namespace quorvale::DefaultFolders {

std::vector<std::string> applicationFolders() {
  std::vector<std::string> folders;
  auto add = [&](std::string base) {
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    std::string folder = (base == "/" ? "" : base) + "/applications";
    if (std::find(folders.begin(), folders.end(), folder) == folders.end())
      folders.push_back(folder);
  };
  auto dataHome = xdg::dataHome();
  if (dataHome) add(*dataHome);
  for (const std::string& dir : xdg::dataDirs()) add(dir);
  // Flatpak and Snap export their applications here; a session whose XDG_DATA_DIRS lacks them
  // (a shell that did not read their profile scripts) still has them installed.
  std::vector<std::string> exports;
  if (dataHome) exports.push_back(*dataHome + "/flatpak/exports/share");
  exports.push_back("/var/lib/flatpak/exports/share");
  exports.push_back("/var/lib/snapd/desktop");
  for (const std::string& base : exports) {
    struct stat info {};
    if (::stat((base + "/applications").c_str(), &info) == 0 && S_ISDIR(info.st_mode)) add(base);
  }
  return folders;
}

std::vector<std::string> roots() {
  std::vector<std::string> folders{"~/Desktop", "~/Documents", "~/Downloads"};
  for (std::string& folder : applicationFolders()) folders.push_back(std::move(folder));
  return folders;
}

}  // namespace quorvale::DefaultFolders

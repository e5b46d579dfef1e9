#include "settings/default_folders.h"

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
  if (auto dataHome = xdg::dataHome()) add(*dataHome);
  for (const std::string& dir : xdg::dataDirs()) add(dir);
  return folders;
}

std::vector<std::string> roots() {
  std::vector<std::string> folders{"~/Desktop", "~/Documents", "~/Downloads"};
  for (std::string& folder : applicationFolders()) folders.push_back(std::move(folder));
  return folders;
}

}  // namespace quorvale::DefaultFolders

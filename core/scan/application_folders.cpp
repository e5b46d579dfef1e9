#include "scan/application_folders.h"

#include <algorithm>

#include "index/file_record.h"
#include "scan/desktop_entry.h"
#include "scan/scanner.h"

namespace quorvale {
namespace {

bool holdsDesktopEntry(const std::string& path) {
  return readDesktopEntry(path).has_value();
}

// A subfolder name the walk would enter: not hidden, not "." or "..".
bool walkable(std::string_view component) {
  return !component.empty() && !component.starts_with(".");
}

}  // namespace

ApplicationFolders::ApplicationFolders(const ScanConfig& config) {
  for (const std::string& root : config.roots) {
    std::string folder = standardizedPath(root);
    if (config.appOnlyRoots.contains(folder) &&
        std::find(folders_.begin(), folders_.end(), folder) == folders_.end()) {
      folders_.push_back(std::move(folder));
    }
  }
}

std::optional<std::string> ApplicationFolders::folderOf(std::string_view path) const {
  for (const std::string& folder : folders_) {
    if (path != folder && isBelowOrAt(path, folder)) return folder;
  }
  return std::nullopt;
}

std::string ApplicationFolders::desktopFileId(std::string_view folder, std::string_view path) {
  std::string id(path.substr(std::min(path.size(), folder.size() + 1)));
  std::replace(id.begin(), id.end(), '/', '-');
  return id;
}

// The paths in `folder` that would carry the id: the id itself, and the id with one or two of
// its dashes read as folder separators (entries lie at most kDepth levels down).
std::vector<std::string> ApplicationFolders::candidates(std::string_view folder,
                                                        std::string_view id) const {
  std::vector<std::size_t> dashes;
  for (std::size_t i = 0; i < id.size(); ++i) {
    if (id[i] == '-') dashes.push_back(i);
  }
  std::vector<std::string> paths;
  auto add = [&](std::vector<std::size_t> cuts) {
    std::string relative(id);
    std::size_t start = 0;
    for (std::size_t cut : cuts) {
      if (!walkable(std::string_view(relative).substr(start, cut - start))) return;
      relative[cut] = '/';
      start = cut + 1;
    }
    if (!walkable(std::string_view(relative).substr(start))) return;
    paths.push_back(std::string(folder) + "/" + relative);
  };
  add({});
  for (std::size_t a = 0; a < dashes.size(); ++a) {
    add({dashes[a]});
    for (std::size_t b = a + 1; b < dashes.size() && kDepth > 2; ++b) add({dashes[a], dashes[b]});
  }
  return paths;
}

std::vector<std::string> ApplicationFolders::entriesWithId(std::string_view id) const {
  std::vector<std::string> entries;
  if (id.empty() || id.find('/') != std::string_view::npos) return entries;
  for (const std::string& folder : folders_) {
    for (std::string& path : candidates(folder, id)) {
      if (holdsDesktopEntry(path)) entries.push_back(std::move(path));
    }
  }
  return entries;
}

bool ApplicationFolders::overridden(std::string_view path) const {
  auto own = folderOf(path);
  if (!own) return false;
  std::string id = desktopFileId(*own, path);
  for (const std::string& folder : folders_) {
    for (const std::string& candidate : candidates(folder, id)) {
      // Within one folder, kde-foo.desktop comes before kde/foo.desktop.
      if (candidate == path) return false;
      if (holdsDesktopEntry(candidate)) return true;
    }
  }
  return false;
}

}  // namespace quorvale

#include "watch_scope.h"

#include <algorithm>
#include <filesystem>

#include "util/unicode.h"

namespace quorvale {
namespace {

// In application-only roots a scan does not enter folders this deep.
constexpr int kAppFolderDepth = 3;

bool isBelowOrAt(const std::string& path, const std::string& folder) {
  if (path == folder) return true;
  return path.starts_with(folder.ends_with('/') ? folder : folder + "/");
}

bool isBundleName(const std::string& name) {
  if (name.size() < 4) return false;
  return unicode::lowercased(std::string_view(name).substr(name.size() - 4)) == ".app";
}

std::string parentOf(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

WatchScope::WatchScope(const ScanConfig& config) : config_(config) {
  for (const RootMapping& mapping : Scanner::rootMapping(config.roots)) {
    std::error_code error;
    if (!std::filesystem::is_directory(mapping.real, error)) continue;
    bool known = std::any_of(roots_.begin(), roots_.end(),
                             [&](const WatchRoot& root) { return root.real == mapping.real; });
    if (known) continue;
    roots_.push_back({.chosen = mapping.chosen,
                      .real = mapping.real,
                      .appOnly = config.appOnlyRoots.contains(mapping.chosen)});
  }
}

std::string WatchScope::chosenSpelling(std::size_t root, const std::string& path) const {
  const WatchRoot& watchRoot = roots_[root];
  if (path.size() <= watchRoot.real.size()) return watchRoot.chosen;
  std::string rest = path.substr(watchRoot.real == "/" ? 1 : watchRoot.real.size() + 1);
  return watchRoot.chosen + (watchRoot.chosen.ends_with('/') ? "" : "/") + rest;
}

bool WatchScope::reports(std::size_t root, const std::string& path, const std::string& name,
                         bool isDirectory) const {
  if (!unicode::isValidUtf8(name)) return false;
  if (!config_.includeHidden && name.starts_with(".")) return false;
  if (config_.excludedNames.contains(name)) return false;
  std::string chosen = chosenSpelling(root, path);
  for (const std::string& excluded : config_.excludedPaths) {
    if (isBelowOrAt(chosen, excluded)) return false;
  }
  if (isDirectory && config_.buildOutputNames.contains(name) &&
      Scanner::insideProject(parentOf(path))) {
    return false;
  }
  return true;
}

bool WatchScope::enters(std::size_t root, const std::string& path, const std::string& name,
                        int level) const {
  if (isBundleName(name)) return false;
  if (roots_[root].appOnly && level >= kAppFolderDepth) return false;
  return reports(root, path, name, true);
}

}  // namespace quorvale

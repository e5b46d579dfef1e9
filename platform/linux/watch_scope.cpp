#include "watch_scope.h"

#include <algorithm>
#include <filesystem>

namespace quorvale {
namespace {

std::string_view parentOf(std::string_view path) {
  auto slash = path.rfind('/');
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

WatchScope::WatchScope(const ScanConfig& config) : rules_(config) {
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
  std::string chosen = chosenSpelling(root, path);
  return !rules_.named(
      {.name = name, .path = chosen, .parent = parentOf(path), .isDirectory = isDirectory});
}

bool WatchScope::enters(std::size_t root, const std::string& path, const std::string& name,
                        int level) const {
  std::string chosen = chosenSpelling(root, path);
  return !rules_.entered(
      {.name = name, .path = chosen, .parent = parentOf(path), .isDirectory = true}, level,
      roots_[root].appOnly);
}

}  // namespace quorvale

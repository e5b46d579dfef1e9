#include "util/xdg_paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace quorvale::xdg {
namespace {

std::optional<std::string> absoluteVariable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || value[0] != '/') return std::nullopt;
  return std::string(value);
}

std::optional<std::string> underHome(const char* variable, const char* fallback) {
  if (auto value = absoluteVariable(variable)) return value;
  if (auto base = home()) return *base + fallback;
  return std::nullopt;
}

}  // namespace

std::optional<std::string> home() {
  if (auto value = absoluteVariable("HOME")) return value;
  if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
    return std::string(entry->pw_dir);
  }
  return std::nullopt;
}

std::optional<std::string> dataHome() { return underHome("XDG_DATA_HOME", "/.local/share"); }

std::optional<std::string> configHome() { return underHome("XDG_CONFIG_HOME", "/.config"); }

std::vector<std::string> dataDirs() {
  std::vector<std::string> dirs;
  const char* value = std::getenv("XDG_DATA_DIRS");
  std::string list = value != nullptr && value[0] != '\0' ? value : "/usr/local/share:/usr/share";
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    std::string dir = list.substr(start, end - start);
    if (!dir.empty() && dir.front() == '/') dirs.push_back(dir);
    start = end + 1;
  }
  return dirs;
}

}  // namespace quorvale::xdg

#include "window_application.h"

#include <cctype>

#include "proc_running_apps.h"

namespace quorvale::WindowApplication {
namespace {

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool sameName(const std::string& a, const std::string& b) {
  return !a.empty() && lower(a) == lower(b);
}

template <typename Test>
std::optional<std::string> first(const Entries& entries, Test accepts) {
  for (const auto& [id, entry] : entries) {
    if (accepts(id, entry)) return id;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> match(const Window& window, const Entries& entries) {
  auto byClass = first(entries, [&](const std::string&, const DesktopEntry& entry) {
    return sameName(entry.startupWMClass, window.className) ||
           sameName(entry.startupWMClass, window.instanceName);
  });
  if (byClass) return byClass;
  if (!window.program.empty()) {
    auto byProgram = first(entries, [&](const std::string&, const DesktopEntry& entry) {
      return ProcRunningApps::programName(entry.exec) == window.program;
    });
    if (byProgram) return byProgram;
  }
  if (window.className.empty()) return std::nullopt;
  std::string wanted = lower(window.className);
  auto byId = first(entries, [&](const std::string& id, const DesktopEntry&) {
    std::string name = lower(id);
    return name == wanted || name.ends_with("." + wanted);
  });
  return byId ? byId : std::optional<std::string>(window.className);
}

}  // namespace quorvale::WindowApplication

#include "window_application.h"

#include "proc_running_apps.h"
#include "util/unicode.h"

namespace quorvale::WindowApplication {
namespace {

bool sameName(const std::string& a, const std::string& b) {
  return !a.empty() && unicode::lowercased(a) == unicode::lowercased(b);
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
  std::string wanted = unicode::lowercased(window.className);
  auto byId = first(entries, [&](const std::string& id, const DesktopEntry&) {
    std::string name = unicode::lowercased(id);
    return name == wanted || name.ends_with("." + wanted);
  });
  return byId ? byId : std::optional<std::string>(window.className);
}

}  // namespace quorvale::WindowApplication

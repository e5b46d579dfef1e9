#include "x11_active_window.h"

#include <unistd.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "proc_running_apps.h"
#include "scan/desktop_entry.h"
#include "util/xdg_paths.h"

namespace quorvale::X11ActiveWindow {
namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
  Reply<xcb_intern_atom_reply_t> reply(
      xcb_intern_atom_reply(
          connection, xcb_intern_atom(connection, 1, static_cast<uint16_t>(strlen(name)), name),
          nullptr),
      &std::free);
  return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The property's bytes; empty when the window lacks it.
std::string property(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t name,
                     xcb_atom_t type) {
  if (name == XCB_ATOM_NONE) return {};
  Reply<xcb_get_property_reply_t> reply(
      xcb_get_property_reply(connection,
                             xcb_get_property(connection, 0, window, name, type, 0, 256), nullptr),
      &std::free);
  if (!reply) return {};
  auto length = xcb_get_property_value_length(reply.get());
  return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                     static_cast<std::size_t>(length));
}

std::vector<std::string> applicationFolders() {
  std::vector<std::string> folders;
  if (auto home = xdg::dataHome()) folders.push_back(*home + "/applications");
  for (const auto& dir : xdg::dataDirs()) folders.push_back(dir + "/applications");
  return folders;
}

// The id of the first entry (in precedence order) that the test accepts.
template <typename Test>
std::optional<std::string> findEntry(Test accepts) {
  std::error_code error;
  for (const auto& folder : applicationFolders()) {
    for (const auto& file : std::filesystem::directory_iterator(folder, error)) {
      if (file.path().extension() != ".desktop") continue;
      auto entry = readDesktopEntry(file.path().string());
      std::string id = file.path().stem().string();
      if (entry && entry->isApplication() && accepts(id, *entry)) return id;
    }
  }
  return std::nullopt;
}

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

std::optional<std::string> applicationId() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
  if (!connection) return std::nullopt;
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
  if (!screen) return std::nullopt;
  std::string active =
      property(connection, screen->root, atom(connection, "_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW);
  if (active.size() < sizeof(xcb_window_t)) return std::nullopt;
  xcb_window_t window = *reinterpret_cast<const xcb_window_t*>(active.data());
  if (window == XCB_WINDOW_NONE) return std::nullopt;

  std::string pid =
      property(connection, window, atom(connection, "_NET_WM_PID"), XCB_ATOM_CARDINAL);
  if (pid.size() >= sizeof(std::uint32_t)) {
    std::uint32_t number = *reinterpret_cast<const std::uint32_t*>(pid.data());
    char target[4096];
    std::string link = "/proc/" + std::to_string(number) + "/exe";
    ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
    if (length > 0) {
      std::string program = std::filesystem::path(std::string(target, length)).filename();
      auto found = findEntry([&](const std::string&, const DesktopEntry& entry) {
        return ProcRunningApps::programName(entry.exec) == program;
      });
      if (found) return found;
    }
  }
  // WM_CLASS holds the instance and the class name, each ending in a NUL.
  std::string wmClass = property(connection, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING);
  auto split = wmClass.find('\0');
  if (split == std::string::npos) return std::nullopt;
  std::string className = wmClass.substr(split + 1);
  className = className.substr(0, className.find('\0'));
  if (className.empty()) return std::nullopt;
  std::string wanted = lower(className);
  auto found = findEntry([&](const std::string& id, const DesktopEntry&) {
    std::string name = lower(id);
    return name == wanted || name.ends_with("." + wanted);
  });
  return found ? found : std::optional<std::string>(className);
}

}  // namespace quorvale::X11ActiveWindow

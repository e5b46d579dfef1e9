#include "x11_active_window.h"

#include <unistd.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "scan/desktop_entry.h"
#include "util/xdg_paths.h"
#include "window_application.h"

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

WindowApplication::Entries applicationEntries() {
  WindowApplication::Entries entries;
  std::error_code error;
  for (const auto& folder : applicationFolders()) {
    for (const auto& file : std::filesystem::directory_iterator(folder, error)) {
      if (file.path().extension() != ".desktop") continue;
      auto entry = readDesktopEntry(file.path().string());
      if (entry && entry->isApplication()) {
        entries.emplace_back(file.path().stem().string(), std::move(*entry));
      }
    }
  }
  return entries;
}

std::string programOf(std::uint32_t pid) {
  char target[4096];
  std::string link = "/proc/" + std::to_string(pid) + "/exe";
  ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
  if (length <= 0) return {};
  return std::filesystem::path(std::string(target, static_cast<std::size_t>(length))).filename();
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

  WindowApplication::Window facts;
  std::string pid =
      property(connection, window, atom(connection, "_NET_WM_PID"), XCB_ATOM_CARDINAL);
  if (pid.size() >= sizeof(std::uint32_t)) {
    facts.program = programOf(*reinterpret_cast<const std::uint32_t*>(pid.data()));
  }
  // WM_CLASS holds the instance and the class name, each ending in a NUL.
  std::string wmClass = property(connection, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING);
  auto split = wmClass.find('\0');
  if (split != std::string::npos) {
    facts.instanceName = wmClass.substr(0, split);
    std::string rest = wmClass.substr(split + 1);
    facts.className = rest.substr(0, rest.find('\0'));
  }
  return WindowApplication::match(facts, applicationEntries());
}

}  // namespace quorvale::X11ActiveWindow

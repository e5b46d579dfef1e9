#include "x11_windows.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

namespace quorvale::X11Windows {
namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

struct Display {
  xcb_connection_t* connection = nullptr;
  xcb_window_t root = XCB_WINDOW_NONE;

  xcb_atom_t atom(const char* name) const {
    Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(
            connection,
            xcb_intern_atom(connection, 1, static_cast<uint16_t>(std::strlen(name)), name),
            nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  }

  // A property as 32-bit values (windows, atoms, cardinals); empty when missing.
  std::vector<std::uint32_t> values(xcb_window_t window, xcb_atom_t name, xcb_atom_t type) const {
    if (name == XCB_ATOM_NONE) return {};
    Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, window, name, type, 0, 4096), nullptr),
        &std::free);
    if (!reply || reply->format != 32) return {};
    const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    auto count = static_cast<std::size_t>(xcb_get_property_value_length(reply.get())) / 4;
    return {data, data + count};
  }

  // The managed windows (_NET_CLIENT_LIST); without a window manager, the root's children.
  std::vector<xcb_window_t> topLevels() const {
    auto clients = values(root, atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW);
    if (!clients.empty()) return {clients.begin(), clients.end()};
    Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr), &std::free);
    if (!tree) return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    return {children, children + xcb_query_tree_children_length(tree.get())};
  }

  std::vector<xcb_window_t> windowsOf(const std::vector<pid_t>& pids) const {
    std::vector<xcb_window_t> found;
    xcb_atom_t pidAtom = atom("_NET_WM_PID");
    for (xcb_window_t window : topLevels()) {
      auto pid = values(window, pidAtom, XCB_ATOM_CARDINAL);
      if (!pid.empty() &&
          std::find(pids.begin(), pids.end(), static_cast<pid_t>(pid.front())) != pids.end()) {
        found.push_back(window);
      }
    }
    return found;
  }

  void send(xcb_window_t to, xcb_window_t about, xcb_atom_t type, std::uint32_t mask,
            std::initializer_list<std::uint32_t> data) const {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = about;
    event.type = type;
    std::copy(data.begin(), data.end(), event.data.data32);
    xcb_send_event(connection, 0, to, mask, reinterpret_cast<const char*>(&event));
  }
};

std::optional<Display> display() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
  if (!connection) return std::nullopt;
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
  if (!screen) return std::nullopt;
  return Display{.connection = connection, .root = screen->root};
}

bool contains(const std::vector<std::uint32_t>& list, xcb_atom_t atom) {
  return atom != XCB_ATOM_NONE && std::find(list.begin(), list.end(), atom) != list.end();
}

}  // namespace

std::set<pid_t> withWindows(const std::vector<pid_t>& pids) {
  std::set<pid_t> result;
  auto x = display();
  if (!x) return result;
  xcb_atom_t pidAtom = x->atom("_NET_WM_PID");
  for (xcb_window_t window : x->windowsOf(pids)) {
    auto pid = x->values(window, pidAtom, XCB_ATOM_CARDINAL);
    if (!pid.empty()) result.insert(static_cast<pid_t>(pid.front()));
  }
  return result;
}

int close(const std::vector<pid_t>& pids) {
  auto x = display();
  if (!x) return 0;
  xcb_atom_t netClose = x->atom("_NET_CLOSE_WINDOW");
  bool managerCloses =
      contains(x->values(x->root, x->atom("_NET_SUPPORTED"), XCB_ATOM_ATOM), netClose);
  xcb_atom_t protocols = x->atom("WM_PROTOCOLS");
  xcb_atom_t deleteWindow = x->atom("WM_DELETE_WINDOW");
  int asked = 0;
  for (xcb_window_t window : x->windowsOf(pids)) {
    if (managerCloses) {
      // Source indication 2: a pager or taskbar acting for the user.
      x->send(x->root, window, netClose,
              XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
              {XCB_CURRENT_TIME, 2});
    } else if (contains(x->values(window, protocols, XCB_ATOM_ATOM), deleteWindow)) {
      x->send(window, window, protocols, XCB_EVENT_MASK_NO_EVENT, {deleteWindow, XCB_CURRENT_TIME});
    } else {
      continue;
    }
    ++asked;
  }
  xcb_flush(x->connection);
  return asked;
}

}  // namespace quorvale::X11Windows

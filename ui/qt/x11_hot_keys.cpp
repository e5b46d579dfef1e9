#include "x11_hot_keys.h"

#include <xcb/xcb_keysyms.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <cstdlib>
#include <memory>

#include "platform/x11_key_symbols.h"

namespace quorvale {
namespace {

using namespace X11KeySymbols;

constexpr std::uint16_t kLockVariants[] = {0, kLockMask, kMod2Mask, kLockMask | kMod2Mask};

}  // namespace

X11HotKeys::X11HotKeys(xcb_connection_t* connection) : connection_(connection) {
  if (!connection_ && qGuiApp) {
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
      connection_ = x11->connection();
    }
  }
  if (!connection_) return;
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
  if (!screen) {
    connection_ = nullptr;
    return;
  }
  root_ = screen->root;
}

X11HotKeys::~X11HotKeys() {
  ungrabAll();
  if (filtering_ && QCoreApplication::instance()) {
    QCoreApplication::instance()->removeNativeEventFilter(this);
  }
}

void X11HotKeys::ungrabAll() {
  for (const Grab& grab : grabs_) ungrab(grab.keyCode, grab.modifiers);
  grabs_.clear();
  if (connection_) xcb_flush(connection_);
}

bool X11HotKeys::grab(xcb_keycode_t keyCode, std::uint16_t modifiers) {
  std::vector<std::uint16_t> done;
  bool refused = false;
  for (std::uint16_t variant : kLockVariants) {
    auto cookie = xcb_grab_key_checked(connection_, 1, root_, modifiers | variant, keyCode,
                                       XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(
        xcb_request_check(connection_, cookie), &std::free);
    // BadAccess (another client holds the key) is the usual refusal; any error counts.
    if (error) {
      refused = true;
      break;
    }
    done.push_back(variant);
  }
  if (!refused) return true;
  for (std::uint16_t variant : done) {
    xcb_ungrab_key(connection_, keyCode, root_, modifiers | variant);
  }
  xcb_flush(connection_);
  return false;
}

void X11HotKeys::ungrab(xcb_keycode_t keyCode, std::uint16_t modifiers) {
  for (std::uint16_t variant : kLockVariants) {
    xcb_ungrab_key(connection_, keyCode, root_, modifiers | variant);
  }
}

std::set<int> X11HotKeys::registerKeys(const std::vector<HotKeyBinding>& bindings) {
  std::set<int> failed;
  if (!connection_) {
    for (std::size_t i = 0; i < bindings.size(); ++i) failed.insert(static_cast<int>(i));
    return failed;
  }
  ungrabAll();
  if (!filtering_ && QCoreApplication::instance()) {
    QCoreApplication::instance()->installNativeEventFilter(this);
    filtering_ = true;
  }
  std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)> symbols(
      xcb_key_symbols_alloc(connection_), &xcb_key_symbols_free);
  for (std::size_t i = 0; i < bindings.size(); ++i) {
    const HotKeyBinding& binding = bindings[i];
    auto symbol = keySymbol(binding.hotKey.keyCode);
    std::unique_ptr<xcb_keycode_t, decltype(&std::free)> codes(
        symbol ? xcb_key_symbols_get_keycode(symbols.get(), *symbol) : nullptr, &std::free);
    std::uint16_t modifiers = modifierMask(binding.hotKey.modifiers);
    if (!codes || codes.get()[0] == XCB_NO_SYMBOL || !grab(codes.get()[0], modifiers)) {
      failed.insert(static_cast<int>(i));
      continue;
    }
    grabs_.push_back({.keyCode = codes.get()[0], .modifiers = modifiers, .action = binding.action});
  }
  // A round trip: when this returns, the server has applied every grab and release, so other
  // clients see the keys as they are now.
  std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
  return failed;
}

bool X11HotKeys::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
  if (type != "xcb_generic_event_t") return false;
  auto* event = static_cast<xcb_generic_event_t*>(message);
  if ((event->response_type & 0x7f) != XCB_KEY_PRESS) return false;
  auto* press = reinterpret_cast<xcb_key_press_event_t*>(event);
  std::uint16_t held = press->state & ~(kLockMask | kMod2Mask) & 0xff;
  for (const Grab& grab : grabs_) {
    if (grab.keyCode == press->detail && grab.modifiers == held) {
      // Run after the event is handled, so that an action that changes the grabs is safe.
      QTimer::singleShot(0, qApp, grab.action);
      return true;
    }
  }
  return false;
}

}  // namespace quorvale

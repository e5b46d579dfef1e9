// Global shortcuts on X11: passive key grabs on the root window through xcb, each grabbed with
// and without CapsLock and NumLock so that those locks do not disable it. A grab another client
// holds is refused (BadAccess): that list position is reported as failed, whatever part of it
// did succeed is released, and the other shortcut still works. Presses arrive through Qt's
// native event filter and run their action on the main thread.
//
// `available()` is false where there is no X11 connection (Wayland, off screen); shortcuts are
// then bound in the desktop's keyboard settings to `quorvale --toggle` and `quorvale --clip`.
// Main thread only.
#pragma once

#include <xcb/xcb.h>

#include <QAbstractNativeEventFilter>

#include "platform/desktop_services.h"

namespace quorvale {

class X11HotKeys : public HotKeyCenter, public QAbstractNativeEventFilter {
 public:
  // Uses Qt's X11 connection, or the given one (tests).
  explicit X11HotKeys(xcb_connection_t* connection = nullptr);
  ~X11HotKeys() override;

  bool available() const { return connection_ != nullptr; }
  std::set<int> registerKeys(const std::vector<HotKeyBinding>& bindings) override;

  bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

 private:
  struct Grab {
    xcb_keycode_t keyCode;
    std::uint16_t modifiers;  // without the lock variants
    std::function<void()> action;
  };

  void ungrabAll();
  // Grabs every variant of the key; false (with nothing left grabbed) when any was refused.
  bool grab(xcb_keycode_t keyCode, std::uint16_t modifiers);
  void ungrab(xcb_keycode_t keyCode, std::uint16_t modifiers);

  xcb_connection_t* connection_ = nullptr;
  xcb_window_t root_ = 0;
  std::vector<Grab> grabs_;
  bool filtering_ = false;
};

}  // namespace quorvale

#include "x11_hot_keys.h"

#include <gtest/gtest.h>
#include <xcb/xcb_keysyms.h>

#include <QCoreApplication>
#include <cstdlib>
#include <memory>

#include "platform/x11_key_symbols.h"
#include "private_bus.h"

namespace quorvale {
namespace {

using namespace X11KeySymbols;

using Connection = std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)>;

class X11HotKeysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (server.line().empty()) GTEST_SKIP() << "Xvfb is not installed";
  }

  Connection connect() {
    return Connection(xcb_connect((":" + server.line()).c_str(), nullptr), &xcb_disconnect);
  }
  static xcb_window_t root(xcb_connection_t* c) {
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  }
  static xcb_keycode_t keyCode(xcb_connection_t* c, std::uint32_t symbol) {
    std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)> symbols(
        xcb_key_symbols_alloc(c), &xcb_key_symbols_free);
    std::unique_ptr<xcb_keycode_t, decltype(&std::free)> codes(
        xcb_key_symbols_get_keycode(symbols.get(), symbol), &std::free);
    return codes ? codes.get()[0] : 0;
  }
  // Whether this client may grab the key: false when another holds it.
  static bool grab(xcb_connection_t* c, std::uint32_t symbol, std::uint16_t modifiers) {
    auto cookie = xcb_grab_key_checked(c, 1, root(c), modifiers, keyCode(c, symbol),
                                       XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(xcb_request_check(c, cookie),
                                                                     &std::free);
    return !error;
  }

  // An Xvfb server of the test's own, on the display number it picks itself.
  testing::ChildServer server{{"Xvfb", "-displayfd", "{fd}", "-nolisten", "tcp"}};
  const HotKey panelKey = {.keyCode = 49, .modifiers = HotKey::option};                // ⌥Space
  const HotKey clipKey = {.keyCode = 9, .modifiers = HotKey::option | HotKey::shift};  // ⌥⇧V
};

TEST_F(X11HotKeysTest, AKeyHeldByAnotherClientFailsOnlyItsPosition) {
  Connection other = connect(), ours = connect(), third = connect();
  // The other client holds ⌥⇧V with CapsLock on only: our plain grab works, the CapsLock one
  // is refused, and the plain one must be released again.
  ASSERT_TRUE(grab(other.get(), 'v', kMod1Mask | kShiftMask | kLockMask));

  X11HotKeys hotKeys(ours.get());
  int pressed = 0;
  auto failed = hotKeys.registerKeys(
      {{.hotKey = panelKey, .action = [&] { ++pressed; }}, {.hotKey = clipKey, .action = [] {}}});
  EXPECT_EQ(failed, std::set<int>{1});
  EXPECT_TRUE(grab(third.get(), 'v', kMod1Mask | kShiftMask));  // nothing of ours left there
  for (int lock : {0, 2, 16, 18}) {                             // none, CapsLock, NumLock, both
    EXPECT_FALSE(grab(third.get(), ' ', static_cast<std::uint16_t>(kMod1Mask | lock))) << lock;
  }

  // A press of ⌥Space with NumLock on runs the action.
  xcb_key_press_event_t press{};
  press.response_type = XCB_KEY_PRESS;
  press.detail = keyCode(ours.get(), ' ');
  press.state = kMod1Mask | kMod2Mask;
  EXPECT_TRUE(hotKeys.nativeEventFilter("xcb_generic_event_t", &press, nullptr));
  QCoreApplication::processEvents();
  EXPECT_EQ(pressed, 1);

  // Registering nothing releases everything.
  EXPECT_TRUE(hotKeys.registerKeys({}).empty());
  EXPECT_TRUE(grab(third.get(), ' ', kMod1Mask));
}

}  // namespace
}  // namespace quorvale

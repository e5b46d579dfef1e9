#include "platform/x11_key_symbols.h"

#include <gtest/gtest.h>

namespace quorvale {
namespace {

TEST(X11KeySymbolsTest, KeyCodesBecomeKeySymbols) {
  struct Case {
    std::uint32_t keyCode;
    std::optional<std::uint32_t> symbol;
  };
  // Space, V, "/", F1, left arrow, an unnamed code.
  for (Case c : {Case{49, 0x20}, Case{9, 'v'}, Case{44, '/'}, Case{122, 0xffbe}, Case{123, 0xff51},
                 Case{200, std::nullopt}}) {
    EXPECT_EQ(X11KeySymbols::keySymbol(c.keyCode), c.symbol) << c.keyCode;
  }
}

TEST(X11KeySymbolsTest, CommandIsSuperAndOptionIsAlt) {
  using namespace X11KeySymbols;
  EXPECT_EQ(modifierMask(HotKey::option), kMod1Mask);
  EXPECT_EQ(modifierMask(HotKey::option | HotKey::shift), kMod1Mask | kShiftMask);
  EXPECT_EQ(modifierMask(HotKey::cmd | HotKey::control), kMod4Mask | kControlMask);
}

}  // namespace
}  // namespace quorvale

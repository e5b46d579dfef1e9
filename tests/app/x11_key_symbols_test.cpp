#include "platform/x11_key_symbols.h"

#include <gtest/gtest.h>

namespace quorvale {
namespace {

TEST(X11KeySymbolsTest, KeyCodesBecomeKeySymbols) {
  using Symbol = std::optional<std::uint32_t>;
  // Space, V, "/", F1, left arrow, an unnamed code.
  for (auto [keyCode, symbol] : {std::pair<std::uint32_t, Symbol>{49, 0x20},
                                 {9, 'v'},
                                 {44, '/'},
                                 {122, 0xffbe},
                                 {123, 0xff51},
                                 {200, std::nullopt}}) {
    EXPECT_EQ(X11KeySymbols::keySymbol(keyCode), symbol) << keyCode;
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

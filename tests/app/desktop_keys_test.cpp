// How a shortcut is named to the desktop: X11 key symbols and modifier masks, and the trigger
// text of the global-shortcuts portal.
#include <gtest/gtest.h>

#include "platform/shortcut_trigger.h"
#include "platform/x11_key_symbols.h"

namespace quorvale {
namespace {

TEST(X11KeySymbolsTest, KeyCodesAndModifiersBecomeKeySymbolsAndMasks) {
  using Symbol = std::optional<std::uint32_t>;
  // Space, V, "/", F1, left arrow, an unnamed code.
  const std::pair<std::uint32_t, Symbol> cases[] = {
      {49, 0x20}, {9, 'v'}, {44, '/'}, {122, 0xffbe}, {123, 0xff51}, {200, std::nullopt}};
  for (auto [keyCode, symbol] : cases) {
    EXPECT_EQ(X11KeySymbols::keySymbol(keyCode), symbol) << keyCode;
  }
  // Command is Super, and Option is Alt.
  using namespace X11KeySymbols;
  EXPECT_EQ(modifierMask(HotKey::option), kMod1Mask);
  EXPECT_EQ(modifierMask(HotKey::option | HotKey::shift), kMod1Mask | kShiftMask);
  EXPECT_EQ(modifierMask(HotKey::cmd | HotKey::control), kMod4Mask | kControlMask);
}

TEST(ShortcutTriggerTest, ModifiersThenTheKeySymbolName) {
  const std::pair<HotKey, std::optional<std::string>> cases[] = {
      {{.keyCode = 49, .modifiers = HotKey::option}, "ALT+space"},
      {{.keyCode = 9, .modifiers = HotKey::cmd | HotKey::shift | HotKey::control},
       "CTRL+SHIFT+LOGO+v"},
      {{.keyCode = 43, .modifiers = HotKey::control}, "CTRL+comma"},
      {{.keyCode = 116, .modifiers = HotKey::option}, "ALT+Prior"},
      {{.keyCode = 999, .modifiers = HotKey::option}, std::nullopt},
  };
  for (const auto& [hotKey, trigger] : cases) {
    EXPECT_EQ(ShortcutTrigger::of(hotKey), trigger) << hotKey.keyCode;
  }
}

}  // namespace
}  // namespace quorvale

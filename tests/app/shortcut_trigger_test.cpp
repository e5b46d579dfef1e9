#include "platform/shortcut_trigger.h"

#include <gtest/gtest.h>

namespace quorvale {
namespace {

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

#include "platform/shortcut_trigger.h"

#include <gtest/gtest.h>

namespace quorvale {
namespace {

TEST(ShortcutTriggerTest, ModifiersThenTheKeySymbolName) {
  struct Case {
    HotKey hotKey;
    std::optional<std::string> trigger;
  };
  const Case cases[] = {
      {{.keyCode = 49, .modifiers = HotKey::option}, "ALT+space"},
      {{.keyCode = 9, .modifiers = HotKey::cmd | HotKey::shift | HotKey::control},
       "CTRL+SHIFT+LOGO+v"},
      {{.keyCode = 43, .modifiers = HotKey::control}, "CTRL+comma"},
      {{.keyCode = 116, .modifiers = HotKey::option}, "ALT+Prior"},
      {{.keyCode = 999, .modifiers = HotKey::option}, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ShortcutTrigger::of(c.hotKey), c.trigger) << c.hotKey.keyCode;
  }
}

}  // namespace
}  // namespace quorvale

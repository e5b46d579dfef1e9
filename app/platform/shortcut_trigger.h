// A stored shortcut in the words of the XDG shortcut trigger format that the desktop portal's
// GlobalShortcuts interface takes as a preferred trigger: the modifiers (CTRL, ALT, SHIFT, LOGO)
// and the key's XKB key-symbol name joined by "+", such as "ALT+space" or "CTRL+SHIFT+v".
// Command is LOGO (the Super key) and Option is ALT, as for the X11 grabs. Pure; any thread.
#pragma once

#include <optional>
#include <string>

#include "settings/hot_key.h"

namespace quorvale::ShortcutTrigger {

// Nothing for a key the key table does not name.
std::optional<std::string> of(const HotKey& hotKey);

}  // namespace quorvale::ShortcutTrigger

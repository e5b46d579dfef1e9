// The stored shortcuts in X11's terms: the settings' hardware key codes become key symbols (by
// the key's name, so the table of named keys stays the one in settings/key_names.h), and the
// modifier mask becomes X11's (Command is Super = Mod4, Option is Alt = Mod1). Pure; any thread.
#pragma once

#include <cstdint>
#include <optional>

#include "settings/hot_key.h"

namespace quorvale::X11KeySymbols {

inline constexpr std::uint16_t kShiftMask = 1;
inline constexpr std::uint16_t kLockMask = 2;  // CapsLock
inline constexpr std::uint16_t kControlMask = 4;
inline constexpr std::uint16_t kMod1Mask = 8;   // Alt
inline constexpr std::uint16_t kMod2Mask = 16;  // NumLock
inline constexpr std::uint16_t kMod4Mask = 64;  // Super

// The key symbol of a key code; nothing for a code the key table does not name.
std::optional<std::uint32_t> keySymbol(std::uint32_t keyCode);

std::uint16_t modifierMask(std::uint32_t modifiers);

}  // namespace quorvale::X11KeySymbols

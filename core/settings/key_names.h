// The text shown for a shortcut: the modifiers' names in the platform's words followed by the
// key's name, such as "Alt+Space" ("⌥Space" on a Mac). Key codes are the hardware virtual key codes
// of the US ANSI layout that the settings store. Pure functions over a constant table; safe on any
// thread.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "settings/hot_key.h"
#include "util/platform_profile.h"

namespace quorvale::KeyNames {

// The 73 named keys: the US ANSI character keys by the character they type (letters in upper
// case), the editing and arrow keys by their symbols or words, and F1 to F12.
const std::map<std::uint32_t, std::string>& table();

// The table's name, or "Key " and the decimal code for a key it lacks.
std::string name(std::uint32_t keyCode);

// The profile's names for the modifiers held, in the order Control, Option, Shift, Command, then
// the key's name, joined by the profile's `keyJoiner`.
std::string describe(const HotKey& hotKey, const PlatformProfile& profile = platformProfile());

}  // namespace quorvale::KeyNames

// The checks a newly recorded shortcut must pass before the settings store it: it needs a
// modifier, must not be one of the desktop's own shortcuts, must not shadow ordinary application
// shortcuts, and must differ from the other slot's. Also the texts the settings window shows.
//
// Called by `QuorvaleSettings::assign` and by the settings window on the main thread; pure
// functions, safe on any thread. The texts that name the platform come from a platform profile
// (the running platform's unless one is given).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "settings/hot_key.h"
#include "util/platform_profile.h"

namespace quorvale {

struct QuorvaleSettings;

namespace HotKeyRules {

// The first problem in this order: no Command, Option or Control on an ordinary key
// (`needsModifier`); a reserved shortcut (`reservedBySystem`); an ordinary key other than Space
// without Option or Control (`needsControlOrOption`); the other slot's shortcut (`sameAsOther`).
// Function keys need no modifier.
std::optional<HotKeyProblem> problem(const HotKey& hotKey, HotKeySlot slot,
                                     const QuorvaleSettings& settings);

std::string message(const HotKeyProblem& problem,
                    const PlatformProfile& profile = platformProfile());

// A warning that does not block storing: Space with Command, Command-Option or Control.
std::optional<std::string> note(const HotKey& hotKey,
                                const PlatformProfile& profile = platformProfile());

// Shown for a slot whose shortcut could not be registered.
inline constexpr std::string_view kUnavailableMessage =
    "Another app already uses this shortcut, so it does not work. Choose a different one.";

// "the Quorvale hotkey" or "the clipboard history hotkey".
std::string_view slotName(HotKeySlot slot);

bool isFunctionKey(std::uint32_t keyCode);

}  // namespace HotKeyRules
}  // namespace quorvale

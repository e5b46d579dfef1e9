// The few user-facing words that name the platform or its hardware. Every text that says "Mac",
// "macOS", "System Settings" or "iCloud" takes the word from here, so the Linux build names Linux
// things while the macOS profile keeps the original sentences (and tests pin both).
#pragma once

#include <string_view>

namespace quorvale {

struct PlatformProfile {
  std::string_view machine;          // "Mac" / "computer": "the Mac is hot", "made on this Mac"
  std::string_view system;           // "macOS" / "the desktop": "macOS uses this for ..."
  std::string_view systemCapitalized;  // "macOS" / "The desktop", at the start of a sentence
  std::string_view settingsApp;      // "System Settings" / "Settings"
  std::string_view quitShortcut;     // "Command-Q" / "Ctrl+Q": "Asks the app to quit, like ..."
  bool hasCloudPlaceholders;         // files may be cloud placeholders not yet on the disk

  bool operator==(const PlatformProfile&) const = default;
};

inline constexpr PlatformProfile kMacProfile{
    .machine = "Mac",
    .system = "macOS",
    .systemCapitalized = "macOS",
    .settingsApp = "System Settings",
    .quitShortcut = "Command-Q",
    .hasCloudPlaceholders = true,
};

inline constexpr PlatformProfile kLinuxProfile{
    .machine = "computer",
    .system = "the desktop",
    .systemCapitalized = "The desktop",
    .settingsApp = "Settings",
    .quitShortcut = "Ctrl+Q",
    .hasCloudPlaceholders = false,
};

// The profile of the platform this build runs on.
inline constexpr const PlatformProfile& platformProfile() { return kLinuxProfile; }

}  // namespace quorvale

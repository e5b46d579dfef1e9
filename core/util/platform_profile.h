// The few user-facing words that name the platform or its hardware. Every text that says "Mac",
// "macOS", "System Settings" or "iCloud" takes the word from here, so the Linux build names Linux
// things while the macOS profile keeps the original sentences (and tests pin both).
#pragma once

#include <string_view>

namespace quorvale {

struct PlatformProfile {
  std::string_view machine;            // "Mac" / "computer": "the Mac is hot", "made on this Mac"
  std::string_view system;             // "macOS" / "the desktop": "macOS uses this for ..."
  std::string_view systemCapitalized;  // "macOS" / "The desktop", at the start of a sentence
  std::string_view settingsApp;        // "System Settings" / "Settings"
  std::string_view quitShortcut;       // "Command-Q" / "Ctrl+Q": "Asks the app to quit, like ..."
  // The modifier keys as a shortcut shows them, written in this order before the key, with
  // `keyJoiner` between every two parts: "⌃⌥⇧⌘Q" / "Ctrl+Alt+Shift+Super+Q".
  std::string_view controlKey;  // "⌃" / "Ctrl"
  std::string_view optionKey;   // "⌥" / "Alt"
  std::string_view shiftKey;    // "⇧" / "Shift"
  std::string_view commandKey;  // "⌘" / "Super"
  std::string_view keyJoiner;   // "" / "+"
  // The name ending of application bundles: folders indexed as one application and never
  // entered.
  std::string_view bundleSuffix;  // ".app" / ".app"
  bool hasCloudPlaceholders;      // files may be cloud placeholders not yet on the disk
  // Why a cloud placeholder's contents are not searchable (shown only where placeholders exist).
  std::string_view cloudPlaceholderNote;
  // Warnings shown beside a hot key that the desktop may take for itself: Command-Space or
  // Command-Option-Space (the desktop's search), and Control-Space (input sources).
  std::string_view commandSpaceNote;
  std::string_view controlSpaceNote;
  // Why starting at login could not be turned on, after "login item not enabled: ".
  std::string_view loginItemRefused;

  bool operator==(const PlatformProfile&) const = default;
};

inline constexpr PlatformProfile kMacProfile{
    .machine = "Mac",
    .system = "macOS",
    .systemCapitalized = "macOS",
    .settingsApp = "System Settings",
    .quitShortcut = "Command-Q",
    .controlKey = "⌃",
    .optionKey = "⌥",
    .shiftKey = "⇧",
    .commandKey = "⌘",
    .keyJoiner = "",
    .bundleSuffix = ".app",
    .hasCloudPlaceholders = true,
    .cloudPlaceholderNote =
        "The file is in iCloud and not downloaded to this Mac, so its "
        "contents cannot be read. Its name is still searchable.",
    .commandSpaceNote =
        "Spotlight uses this unless you turn its shortcut off in System Settings, "
        "Keyboard, Keyboard Shortcuts, Spotlight.",
    .controlSpaceNote = "macOS may use Control-Space to switch input sources.",
    .loginItemRefused =
        "macOS did not turn this on. Move the app to the Applications folder and try again.",
};

inline constexpr PlatformProfile kLinuxProfile{
    .machine = "computer",
    .system = "the desktop",
    .systemCapitalized = "The desktop",
    .settingsApp = "Settings",
    .quitShortcut = "Ctrl+Q",
    // The settings' Command modifier is the Super key here, Option is Alt.
    .controlKey = "Ctrl",
    .optionKey = "Alt",
    .shiftKey = "Shift",
    .commandKey = "Super",
    .keyJoiner = "+",
    // A bundle copied over from a Mac stays one item rather than its inner files.
    .bundleSuffix = ".app",
    .hasCloudPlaceholders = false,
    .cloudPlaceholderNote =
        "The file is stored online and not downloaded to this computer, so "
        "its contents cannot be read. Its name is still searchable.",
    // Command is the Super key here; desktops bind Super-Space to switching input sources or to
    // their own search.
    .commandSpaceNote =
        "The desktop may use this to switch input sources or to search unless "
        "you turn its shortcut off in Settings, Keyboard, Keyboard Shortcuts.",
    .controlSpaceNote = "The desktop may use Control-Space to switch input sources.",
    .loginItemRefused =
        "The desktop did not turn this on. Check that ~/.config/autostart can be "
        "written to and try again.",
};

// The profile of the platform this build runs on.
inline constexpr const PlatformProfile& platformProfile() {
  return kLinuxProfile;
}

}  // namespace quorvale

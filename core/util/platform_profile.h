// The few user-facing words that name the platform or its hardware. Every text that says "Mac",
// "macOS", "System Settings" or "iCloud" takes the word from here, so the Linux build names Linux
// things while the macOS profile keeps the original sentences (and tests pin both).
#pragma once

#include <algorithm>
#include <array>
#include <span>
#include <string_view>

namespace quorvale {

// Password managers whose copies the clipboard history never records, by the identifier the
// desktop reports for the application copying: bundle identifiers on macOS; on Linux desktop-entry
// ids (native packages and Flatpak) and the X11 window classes that stand for them. Compared
// without regard to case.
inline constexpr std::array<std::string_view, 12> kMacPasswordManagers{
    "com.1password.1password",  "com.agilebits.onepassword7",      "com.agilebits.onepassword-osx",
    "com.1password.1password7", "org.keepassxc.keepassxc",         "com.bitwarden.desktop",
    "com.lastpass.lastpass",    "com.dashlane.dashlanephonefinal", "com.apple.keychainaccess",
    "com.apple.Passwords",      "in.sinew.Enpass-Desktop",         "com.nordsec.nordpass",
};
inline constexpr std::array<std::string_view, 17> kLinuxPasswordManagers{
    "org.keepassxc.KeePassXC",
    "keepassxc",
    "keepass2",
    "keeweb",
    "bitwarden",
    "com.bitwarden.desktop",
    "1password",
    "org.kde.kwalletmanager5",
    "org.kde.kwalletmanager",
    "kwalletmanager5",
    "org.gnome.seahorse.Application",
    "seahorse",
    "org.gnome.World.Secrets",
    "org.gnome.PasswordSafe",
    "enpass",
    "qtpass",
    "nordpass",
};

// A fixed list of names that compares by its contents.
struct NameList {
  std::span<const std::string_view> names;

  auto begin() const { return names.begin(); }
  auto end() const { return names.end(); }
  bool operator==(const NameList& other) const { return std::ranges::equal(names, other.names); }
};

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
  NameList passwordManagers;

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
    .passwordManagers = {kMacPasswordManagers},
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
    .passwordManagers = {kLinuxPasswordManagers},
};

// The profile of the platform this build runs on.
inline constexpr const PlatformProfile& platformProfile() {
  return kLinuxProfile;
}

}  // namespace quorvale

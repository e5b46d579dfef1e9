#include "util/platform_profile.h"

#include <gtest/gtest.h>

#include <string_view>
#include <utility>

#include "scan/energy_policy.h"
#include "settings/key_names.h"
#include "settings/quorvale_settings.h"

namespace quorvale {
namespace {

using Thermal = EnergyState::Thermal;

// The macOS profile keeps the sentences and key symbols the program was written with; a word
// changed for Linux must not leak into them.
TEST(PlatformProfile, MacProfileKeepsTheOriginalTexts) {
  const PlatformProfile& mac = kMacProfile;
  const std::pair<std::string_view, std::string_view> words[] = {
      {mac.machine, "Mac"},
      {mac.system, "macOS"},
      {mac.systemCapitalized, "macOS"},
      {mac.settingsApp, "System Settings"},
      {mac.quitShortcut, "Command-Q"},
      {mac.cloudPlaceholderNote,
       "The file is in iCloud and not downloaded to this Mac, so its contents cannot be read. Its "
       "name is still searchable."},
      {mac.commandSpaceNote,
       "Spotlight uses this unless you turn its shortcut off in System Settings, Keyboard, "
       "Keyboard Shortcuts, Spotlight."},
      {mac.controlSpaceNote, "macOS may use Control-Space to switch input sources."},
      {mac.loginItemRefused,
       "macOS did not turn this on. Move the app to the Applications folder and try again."},
  };
  for (const auto& [word, text] : words) EXPECT_EQ(word, text);
  EXPECT_TRUE(mac.hasCloudPlaceholders);

  using EnergyPolicy::AppsOnly;
  using EnergyPolicy::Pause;
  const std::pair<EnergyState, EnergyPolicy::Verdict> energy[] = {
      {{.thermal = Thermal::serious}, AppsOnly{"Indexing slowed: the Mac is hot."}},
      {{.thermal = Thermal::critical}, Pause{"Indexing paused: the Mac is running very hot."}},
      {{.lowPowerMode = true}, AppsOnly{"Indexing paused to save battery: Low Power Mode is on."}},
      {{.onBattery = true, .batteryPercent = 5},
       AppsOnly{"Indexing paused to save battery: below 20 percent."}},
  };
  for (const auto& [state, verdict] : energy) EXPECT_EQ(EnergyPolicy::verdict(state, mac), verdict);

  EXPECT_EQ(KeyNames::describe(QuorvaleSettings::kDefaultHotKey, mac), "⌥Space");
  EXPECT_EQ(KeyNames::describe(QuorvaleSettings::kDefaultClipboardHotKey, mac), "⌥⇧V");
  EXPECT_EQ(KeyNames::describe({12, 256 | 512 | 2048 | 4096}, mac), "⌃⌥⇧⌘Q");
  EXPECT_EQ(KeyNames::describe({96, 0}, mac), "F5");
}

TEST(PlatformProfile, LinuxSpellsTheModifierKeysOut) {
  const PlatformProfile& desktop = kLinuxProfile;
  EXPECT_EQ(KeyNames::describe(QuorvaleSettings::kDefaultClipboardHotKey, desktop), "Alt+Shift+V");
  EXPECT_EQ(KeyNames::describe({12, 256 | 512 | 2048 | 4096}, desktop), "Ctrl+Alt+Shift+Super+Q");
  EXPECT_EQ(KeyNames::describe({49, 256}, desktop), "Super+Space");
}

}  // namespace
}  // namespace quorvale

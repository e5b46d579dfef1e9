#include "settings/hot_key_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "settings/default_folders.h"
#include "settings/key_names.h"
#include "settings/quorvale_settings.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

using Kind = HotKeyProblem::Kind;

struct Check {
  const char* name;
  HotKey hotKey;
  HotKeySlot slot;
  std::optional<HotKeyProblem> problem;
};

TEST(HotKeyRules, ChecksInOrder) {
  const auto same = [](const char* other) { return HotKeyProblem{Kind::sameAsOther, other}; };
  const HotKeySlot panel = HotKeySlot::panel;
  const std::vector<Check> cases{
      {"Shift-A", {0, 512}, panel, HotKeyProblem{Kind::needsModifier, ""}},
      {"F5 alone", {96, 0}, panel, std::nullopt},
      {"Command-Q", {12, 256}, panel, HotKeyProblem{Kind::reservedBySystem, "Quit (Command-Q)"}},
      {"Command-Shift-Q", {12, 768}, panel, HotKeyProblem{Kind::needsControlOrOption, ""}},
      {"Command-Space", {49, 256}, panel, std::nullopt},
      {"clipboard set to the panel's",
       {49, 2048},
       HotKeySlot::clipboard,
       same("the Quorvale hotkey")},
      {"panel set to the clipboard's", {9, 2560}, panel, same("the clipboard history hotkey")},
      {"panel set to its own", {49, 2048}, panel, std::nullopt},
      {"all 32 bits", {0xFFFFFFFFu, 0xFFFFFFFFu}, panel, std::nullopt},
  };
  const QuorvaleSettings settings;
  for (const Check& c : cases) {
    EXPECT_EQ(HotKeyRules::problem(c.hotKey, c.slot, settings), c.problem) << c.name;
  }
}

// The notes' texts are the platform profile's, pinned with it.
TEST(HotKeyRules, MessagesNotesAndKeyNamesUseThePlatformWords) {
  const HotKeyProblem reserved{Kind::reservedBySystem, "Quit (Command-Q)"};
  EXPECT_EQ(HotKeyRules::message(reserved, kMacProfile), "macOS uses this for Quit (Command-Q).");
  EXPECT_EQ(HotKeyRules::message(reserved, kLinuxProfile),
            "The desktop uses this for Quit (Command-Q).");
  EXPECT_EQ(HotKeyRules::note({49, 256}, kMacProfile), kMacProfile.commandSpaceNote);
  EXPECT_EQ(HotKeyRules::note({49, 4096}, kLinuxProfile), kLinuxProfile.controlSpaceNote);
  EXPECT_EQ(HotKeyRules::note({49, 2048}), std::nullopt);
  EXPECT_EQ(HotKeyRules::note({0, 256}), std::nullopt);
  // The names of keys without a symbol.
  EXPECT_EQ(KeyNames::name(42), "\\");
  EXPECT_EQ(KeyNames::name(121), "Page Down");
  EXPECT_EQ(KeyNames::name(4294967295u), "Key 4294967295");
}

TEST(DefaultFolders, HomeFoldersThenApplicationFoldersWithInstalledFlatpakExports) {
  setenv("XDG_DATA_HOME", "/home/u/.local/share/", 1);
  setenv("XDG_DATA_DIRS", "/usr/share:relative/ignored:/usr/local/share:/usr/share/", 1);
  EXPECT_EQ(DefaultFolders::roots(),
            (std::vector<std::string>{"~/Desktop", "~/Documents", "~/Downloads",
                                      "/home/u/.local/share/applications",
                                      "/usr/share/applications", "/usr/local/share/applications"}));
  EXPECT_EQ(QuorvaleSettings().roots, DefaultFolders::roots());

  // Flatpak's exports count when installed but not on the data path.
  testing::TempDir dir;
  std::string exports = dir / "flatpak/exports/share";
  setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
  setenv("XDG_DATA_DIRS", "/usr/share", 1);
  auto folders = DefaultFolders::applicationFolders();
  EXPECT_EQ(std::count(folders.begin(), folders.end(), exports + "/applications"), 0);
  testing::makeDirs(exports + "/applications");
  folders = DefaultFolders::applicationFolders();
  ASSERT_GE(folders.size(), 3u);
  EXPECT_EQ(folders[2], exports + "/applications");  // after the data path's own folders
  // On the data path it keeps its place there, once.
  setenv("XDG_DATA_DIRS", (exports + ":/usr/share").c_str(), 1);
  folders = DefaultFolders::applicationFolders();
  EXPECT_EQ(folders[1], exports + "/applications");
  EXPECT_EQ(std::count(folders.begin(), folders.end(), exports + "/applications"), 1);
  unsetenv("XDG_DATA_HOME");
  unsetenv("XDG_DATA_DIRS");
}

}  // namespace
}  // namespace quorvale

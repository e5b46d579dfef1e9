#include "quick/system_commands.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/test_support.h"

namespace quorvale {
namespace {

using Command = SystemCommands::Command;

const std::vector<RunningApp> kRunning{
    {"Safari", "com.apple.Safari"},     {"Visual Studio Code", "code.desktop"},
    {"Files", "org.gnome.Nautilus"},    {"Firefox", "firefox.desktop"},
    {"Fira Viewer", "fira.desktop"},    {"Terminal Fish", "terminal.desktop"},
    {"Filezilla", "filezilla.desktop"},
};

struct CommandCase {
  std::string query;
  std::vector<std::string> ids;
};

class Commands : public ::testing::TestWithParam<CommandCase> {};

TEST_P(Commands, Ids) {
  EXPECT_EQ(testing::mapped(SystemCommands::commands(GetParam().query, kRunning), &Command::id),
            GetParam().ids)
      << GetParam().query;
}

// Names beginning with the typed text come first, in the given order, then word matches; four
// at most. "sleep display" begins with "sleep" too.
INSTANTIATE_TEST_SUITE_P(
    Table, Commands,
    ::testing::Values(CommandCase{"sleep", {"sleep", "displaysleep"}}, CommandCase{"sle", {}},
                      CommandCase{"lock", {"displaysleep"}}, CommandCase{"screen", {"screensaver"}},
                      CommandCase{"quit saf", {"quit:com.apple.Safari"}}, CommandCase{"kill s", {}},
                      CommandCase{"kill saf", {"forcequit:com.apple.Safari"}},
                      CommandCase{"force quit code", {"forcequit:code.desktop"}},
                      CommandCase{"quit fi",
                                  {"quit:org.gnome.Nautilus", "quit:firefox.desktop",
                                   "quit:fira.desktop", "quit:filezilla.desktop"}},
                      CommandCase{"quit", {}}));

TEST(SystemCommands, QuitRowTexts) {
  EXPECT_EQ(SystemCommands::commands("quit saf", kRunning),
            (std::vector<Command>{
                {"quit:com.apple.Safari", "Quit Safari", "Asks the app to quit, like Ctrl+Q"}}));
  EXPECT_EQ(SystemCommands::commands("force quit visual", kRunning),
            (std::vector<Command>{{"forcequit:code.desktop", "Force quit Visual Studio Code",
                                   "Ends it at once; unsaved work is lost"}}));
}

TEST(SystemCommands, NeedsRunningApps) {
  for (const char* text : {"quit ", "  Quit saf", "kill x"}) {
    EXPECT_TRUE(SystemCommands::needsRunningApps(text)) << text;
  }
  for (const char* text : {"quitting", "quit", "force", "sleep"}) {
    EXPECT_FALSE(SystemCommands::needsRunningApps(text)) << text;
  }
}

struct PaneCase {
  std::string query;
  std::vector<std::string> titles;
};

class Panes : public ::testing::TestWithParam<PaneCase> {};

TEST_P(Panes, Titles) {
  EXPECT_EQ(testing::mapped(SystemCommands::panes(GetParam().query), &SystemCommands::Pane::title),
            GetParam().titles)
      << GetParam().query;
}

INSTANTIATE_TEST_SUITE_P(Table, Panes,
                         ::testing::Values(PaneCase{"wifi", {"Wi-Fi"}}, PaneCase{"wi-f", {"Wi-Fi"}},
                                           PaneCase{"system settings wireless", {"Wi-Fi"}},
                                           PaneCase{"settings", {"General"}},
                                           PaneCase{"blue", {"Bluetooth"}}, PaneCase{"sou", {}},
                                           PaneCase{"powe", {"Battery"}}, PaneCase{"s", {}},
                                           PaneCase{"zzzz", {}}));

}  // namespace
}  // namespace quorvale

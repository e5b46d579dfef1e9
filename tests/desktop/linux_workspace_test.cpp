#include "linux_workspace.h"

#include <gtest/gtest.h>

namespace quorvale {
namespace {

using Command = std::vector<std::string>;

TEST(LinuxWorkspaceTest, SettingsPagesOpenInTheInstalledSettingsTool) {
  auto only = [](std::string program) {
    return [program](const std::string& name) { return name == program; };
  };
  EXPECT_EQ(LinuxWorkspace::settingsCommand("displays", only("gnome-control-center")),
            (Command{"gnome-control-center", "display"}));
  EXPECT_EQ(LinuxWorkspace::settingsCommand("sound", only("systemsettings")),
            (Command{"systemsettings", "kcm_pulseaudio"}));
  EXPECT_EQ(LinuxWorkspace::settingsCommand("unknown-page", only("systemsettings")),
            (Command{"systemsettings"}));
  EXPECT_TRUE(LinuxWorkspace::settingsCommand("wifi", only("nothing")).empty());
}

}  // namespace
}  // namespace quorvale

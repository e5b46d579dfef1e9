#include "actions/desktop_launch.h"

#include <gtest/gtest.h>

namespace quorvale {
namespace {

using Arguments = std::vector<std::string>;

TEST(DesktopLaunchTest, FieldCodesAreFilledOrRemoved) {
  DesktopEntry entry;
  entry.name = "Text Editor";
  entry.icon = "editor";
  struct Case {
    std::string exec;
    Arguments files;
    Arguments expected;
  };
  const Case cases[] = {
      {"gedit %U", {}, {"gedit"}},
      {"gedit %U", {"/a b", "/c"}, {"gedit", "/a b", "/c"}},
      {"vlc --started-from-file %f", {"/m.mkv", "/n"}, {"vlc", "--started-from-file", "/m.mkv"}},
      {"app %i --name=%c %k", {}, {"app", "--icon", "editor", "--name=Text Editor", "/e.desktop"}},
      {"app --file=%f --x %d %D %n %N %v %m", {}, {"app", "--file=", "--x"}},
      {"app 100%%", {}, {"app", "100%"}},
      {"\"/opt/My App/run\" --flag", {}, {"/opt/My App/run", "--flag"}},
      {"sh -c \"echo \\\"\\$HOME\\\" \\\\ done\"", {}, {"sh", "-c", "echo \"$HOME\" \\ done"}},
      {"  spaced\t  out  ", {}, {"spaced", "out"}},
  };
  for (const Case& c : cases) {
    entry.exec = c.exec;
    DesktopLaunch::Options options;
    options.entryPath = "/e.desktop";
    options.files = c.files;
    auto command = DesktopLaunch::command(entry, options);
    ASSERT_TRUE(command) << c.exec;
    EXPECT_EQ(command->arguments, c.expected) << c.exec;
  }
}

TEST(DesktopLaunchTest, UnusableLinesLaunchNothing) {
  for (std::string exec : {"", "   ", "\"unclosed --x", "%U", "%f %F"}) {
    DesktopEntry entry;
    entry.exec = exec;
    EXPECT_FALSE(DesktopLaunch::command(entry, {})) << exec;
  }
}

TEST(DesktopLaunchTest, TerminalAndWorkingFolderAreHonoured) {
  DesktopEntry entry;
  entry.exec = "htop";
  entry.path = "/srv";
  entry.terminal = true;
  EXPECT_FALSE(DesktopLaunch::command(entry, {}));  // no terminal known
  DesktopLaunch::Options options;
  options.terminal = {"xterm", "-e"};
  auto command = DesktopLaunch::command(entry, options);
  ASSERT_TRUE(command);
  EXPECT_EQ(command->arguments, (Arguments{"xterm", "-e", "htop"}));
  EXPECT_EQ(command->workingFolder, "/srv");
}

}  // namespace
}  // namespace quorvale

#include "window_application.h"

#include <gtest/gtest.h>

namespace quorvale {
namespace {

using WindowApplication::Window;

DesktopEntry entry(std::string exec, std::string wmClass = "") {
  DesktopEntry result;
  result.type = "Application";
  result.exec = std::move(exec);
  result.startupWMClass = std::move(wmClass);
  return result;
}

TEST(WindowApplicationTest, MatchesByTheBestEvidence) {
  const WindowApplication::Entries entries{
      {"libreoffice-writer", entry("libreoffice --writer %U", "libreoffice-writer")},
      {"libreoffice-calc", entry("libreoffice --calc %U", "libreoffice-calc")},
      {"org.keepassxc.KeePassXC", entry("keepassxc %f")},
      {"org.gnome.Nautilus", entry("nautilus --new-window %U")},
      {"code", entry("/usr/share/code/code %F", "Code")},
  };
  struct Case {
    const char* name;
    Window window;
    std::optional<std::string> id;
  };
  const Case cases[] = {
      // Two entries start one program: only the window class tells them apart.
      {"class before program",
       {"soffice.bin", "libreoffice", "libreoffice-calc"},
       "libreoffice-calc"},
      {"class letter case", {"", "code", "code"}, "code"},
      {"program", {"keepassxc", "keepassxc", "KeePassXC"}, "org.keepassxc.KeePassXC"},
      {"id ends with the class", {"", "org.gnome.Nautilus", "Nautilus"}, "org.gnome.Nautilus"},
      {"unknown: the class itself", {"xterm", "xterm", "XTerm"}, "XTerm"},
      {"a window that tells nothing", {"", "", ""}, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WindowApplication::match(c.window, entries), c.id) << c.name;
  }
}

}  // namespace
}  // namespace quorvale

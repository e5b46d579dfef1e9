// Which desktop entries are running: the programs of this user, and the entry of a window.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "proc_running_apps.h"
#include "support/test_support.h"
#include "window_application.h"

namespace quorvale {
namespace {

using testing::TempDir;
using testing::writeFile;

TEST(ProcRunningAppsTest, ListsShownEntriesWhoseProgramRunsForThisUser) {
  TempDir dir;
  std::string apps = dir / "applications";
  auto entry = [&](const std::string& id, const std::string& name, const std::string& exec,
                   const std::string& extra = "") {
    writeFile(apps + "/" + id + ".desktop",
              "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=" + exec + "\n" + extra);
  };
  entry("firefox", "Firefox", "/usr/lib/firefox/firefox %u");
  entry("org.gnome.TextEditor", "Text Editor", "gnome-text-editor %U");
  entry("daemon", "Daemon", "helperd", "NoDisplay=true\n");
  entry("idle", "Idle App", "idle-app");

  // Firefox by its executable, the editor by its cut command name, a hidden entry's program,
  // and a firefox of another user.
  auto process = [&](const std::string& pid, const std::string& exe, const std::string& comm) {
    std::string folder = dir / ("proc/" + pid);
    std::filesystem::create_directories(folder);
    if (!exe.empty()) std::filesystem::create_symlink(exe, folder + "/exe");
    writeFile(folder + "/comm", comm + "\n");
  };
  process("100", "/usr/lib/firefox/firefox", "firefox");
  process("101", "/usr/lib/firefox/firefox", "firefox");
  process("200", "", "gnome-text-edit");
  process("300", "/usr/bin/helperd", "helperd");
  process("400", "/usr/lib/firefox/firefox", "firefox");
  ASSERT_EQ(::chown((dir / "proc/400").c_str(), 65534, 65534), 0);

  ProcRunningApps running(
      {.procRoot = dir / "proc", .applicationFolders = {apps}, .user = ::getuid()});
  EXPECT_EQ(running.list(), (std::vector<RunningApp>{{"Firefox", "firefox"},
                                                     {"Text Editor", "org.gnome.TextEditor"}}));
}

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

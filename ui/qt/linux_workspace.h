// The workspace on a Linux desktop: files and addresses open with the default handler
// (QDesktopServices, which goes through the desktop portal inside a sandbox), files are revealed
// through the org.freedesktop.FileManager1 service (else their folder opens), programs start
// detached, power and screen actions go to logind and org.freedesktop.ScreenSaver over D-Bus,
// settings pages open in GNOME Settings or KDE System Settings, and running applications are
// found in /proc by the program their desktop entry starts; quitting one closes its windows and
// then ends what runs on without one (SIGTERM), force quitting kills it. Main thread only.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <map>

#include "platform/desktop_services.h"

namespace quorvale {

class LinuxWorkspace : public Workspace {
 public:
  // How long quitting applications have to close their windows before SIGTERM.
  static constexpr std::chrono::milliseconds kQuitGrace{2000};

  bool openFile(const std::string& path) override;
  bool openURL(const std::string& url) override;
  bool reveal(const std::string& path) override;
  bool launch(const LaunchCommand& command) override;
  std::vector<std::string> terminal() const override;
  bool openSettingsPage(const std::string& page) override;
  bool suspend() override;
  bool lockScreen() override;
  bool startScreenSaver() override;
  std::optional<std::string> runningName(const std::string& id) override;
  void quit(const std::string& id, bool force) override;
  void activateSelf() override {}

  // The settings tool's command for the page: GNOME Settings' panel or KDE's module, for the
  // tool that is installed (`installed` says which programs exist). Empty when none fits.
  static std::vector<std::string> settingsCommand(
      const std::string& page, const std::function<bool(const std::string&)>& installed);

  // The processes of this user that run the program the entry with the id starts.
  static std::vector<pid_t> processesOf(const std::string& id, const std::string& procRoot);
};

}  // namespace quorvale

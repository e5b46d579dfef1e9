#include "linux_workspace.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "index/file_record.h"
#include "proc_running_apps.h"
#include "process_stamp.h"
#include "scan/desktop_entry.h"
#include "util/xdg_paths.h"
#include "x11_windows.h"

namespace quorvale {
namespace {

constexpr int kBusTimeoutMilliseconds = 3000;

bool installed(const std::string& program) {
  return !QStandardPaths::findExecutable(QString::fromStdString(program)).isEmpty();
}

// Calls a D-Bus method and waits for the answer; false on an error reply.
bool call(const QDBusConnection& bus, const QString& service, const QString& path,
          const QString& interface, const QString& method, const QVariantList& arguments = {}) {
  if (!bus.isConnected()) return false;
  QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
  message.setArguments(arguments);
  QDBusMessage reply = bus.call(message, QDBus::Block, kBusTimeoutMilliseconds);
  return reply.type() == QDBusMessage::ReplyMessage;
}

std::optional<std::string> entryPath(const std::string& id) {
  std::vector<std::string> folders;
  if (auto home = xdg::dataHome()) folders.push_back(*home + "/applications");
  for (const auto& dir : xdg::dataDirs()) folders.push_back(dir + "/applications");
  for (const auto& folder : folders) {
    std::string path = folder + "/" + id + ".desktop";
    if (std::filesystem::is_regular_file(path)) return path;
  }
  return std::nullopt;
}

}  // namespace

bool LinuxWorkspace::openFile(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

bool LinuxWorkspace::openURL(const std::string& url) {
  return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

bool LinuxWorkspace::reveal(const std::string& path) {
  QString uri = QUrl::fromLocalFile(QString::fromStdString(path)).toString();
  if (call(QDBusConnection::sessionBus(), "org.freedesktop.FileManager1",
           "/org/freedesktop/FileManager1", "org.freedesktop.FileManager1", "ShowItems",
           {QStringList{uri}, QString()})) {
    return true;
  }
  return openFile(deletingLastPathComponent(path));
}

bool LinuxWorkspace::launch(const LaunchCommand& command) {
  if (command.arguments.empty()) return false;
  QStringList arguments;
  for (std::size_t i = 1; i < command.arguments.size(); ++i) {
    arguments << QString::fromStdString(command.arguments[i]);
  }
  return QProcess::startDetached(QString::fromStdString(command.arguments.front()), arguments,
                                 QString::fromStdString(command.workingFolder));
}

std::vector<std::string> LinuxWorkspace::terminal() const {
  if (const char* chosen = std::getenv("TERMINAL"); chosen && installed(chosen)) {
    return {chosen, "-e"};
  }
  const std::vector<std::vector<std::string>> known{
      {"x-terminal-emulator", "-e"},
      {"gnome-terminal", "--"},
      {"konsole", "-e"},
      {"xfce4-terminal", "-x"},
      {"kgx", "--"},
      {"xterm", "-e"},
  };
  for (const auto& command : known) {
    if (installed(command.front())) return command;
  }
  return {};
}

std::vector<std::string> LinuxWorkspace::settingsCommand(
    const std::string& page, const std::function<bool(const std::string&)>& installed) {
  // page -> GNOME Settings panel, KDE System Settings module
  static const std::map<std::string, std::pair<std::string, std::string>> pages{
      {"wifi", {"wifi", "kcm_networkmanagement"}},
      {"bluetooth", {"bluetooth", "kcm_bluetooth"}},
      {"displays", {"display", "kcm_kscreen"}},
      {"sound", {"sound", "kcm_pulseaudio"}},
      {"keyboard", {"keyboard", "kcm_keyboard"}},
      {"power", {"power", "kcm_powerdevilprofilesconfig"}},
      {"notifications", {"notifications", "kcm_notifications"}},
      {"privacy", {"privacy", "kcm_users"}},
      {"startup", {"applications", "kcm_autostart"}},
      {"storage", {"info-overview", "kcm_about-distro"}},
      {"general", {"info-overview", "kcm_about-distro"}},
  };
  auto found = pages.find(page);
  if (installed("gnome-control-center")) {
    if (found == pages.end()) return {"gnome-control-center"};
    return {"gnome-control-center", found->second.first};
  }
  if (installed("systemsettings")) {
    if (found == pages.end()) return {"systemsettings"};
    return {"systemsettings", found->second.second};
  }
  return {};
}

bool LinuxWorkspace::openSettingsPage(const std::string& page) {
  auto command = settingsCommand(page, installed);
  if (command.empty()) return false;
  return launch({.arguments = command, .workingFolder = ""});
}

bool LinuxWorkspace::suspend() {
  return call(QDBusConnection::systemBus(), "org.freedesktop.login1", "/org/freedesktop/login1",
              "org.freedesktop.login1.Manager", "Suspend", {false});
}

bool LinuxWorkspace::lockScreen() {
  bool locked =
      call(QDBusConnection::systemBus(), "org.freedesktop.login1",
           "/org/freedesktop/login1/session/auto", "org.freedesktop.login1.Session", "Lock") ||
      call(QDBusConnection::sessionBus(), "org.freedesktop.ScreenSaver",
           "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver", "Lock");
  // The display goes dark as well on X11 (DPMS); elsewhere the desktop's locker does it.
  if (QGuiApplication::platformName() == "xcb" && installed("xset")) {
    QProcess::startDetached("xset", {"dpms", "force", "off"});
  }
  return locked;
}

bool LinuxWorkspace::startScreenSaver() {
  return call(QDBusConnection::sessionBus(), "org.freedesktop.ScreenSaver",
              "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver", "SetActive", {true});
}

std::optional<std::string> LinuxWorkspace::runningName(const std::string& id) {
  for (const RunningApp& app : ProcRunningApps().list()) {
    if (app.bundleID == id) return app.name;
  }
  return std::nullopt;
}

std::vector<pid_t> LinuxWorkspace::processesOf(const std::string& id, const std::string& procRoot) {
  std::vector<pid_t> pids;
  auto path = entryPath(id);
  auto entry = path ? readDesktopEntry(*path) : std::nullopt;
  if (!entry) return pids;
  std::string program = ProcRunningApps::programName(entry->exec);
  if (program.empty()) return pids;
  std::error_code error;
  for (const auto& process : std::filesystem::directory_iterator(procRoot, error)) {
    std::string name = process.path().filename();
    if (name.empty() || !std::all_of(name.begin(), name.end(), ::isdigit)) continue;
    struct stat info;
    if (stat(process.path().c_str(), &info) != 0 || info.st_uid != getuid()) continue;
    std::error_code linkError;
    auto exe = std::filesystem::read_symlink(process.path() / "exe", linkError);
    if (linkError || exe.filename() != program) continue;
    pid_t pid = static_cast<pid_t>(std::stol(name));
    if (pid != getpid()) pids.push_back(pid);
  }
  return pids;
}

void LinuxWorkspace::quit(const std::string& id, bool force) {
  std::vector<pid_t> pids = processesOf(id, "/proc");
  std::vector<ProcessStamp> stamps;
  for (pid_t pid : pids) {
    if (auto stamp = ProcessStamp::of(pid)) stamps.push_back(*stamp);
  }
  if (force) {
    for (const ProcessStamp& stamp : stamps) ::kill(stamp.pid, SIGKILL);
    return;
  }
  // As the windows' close buttons would; whatever still runs without a window a moment later
  // (a process that keeps running in the background) is asked to end. One that still shows a
  // window is asking the user something, such as whether to save: force quit is for that.
  X11Windows::close(pids);
  QTimer::singleShot(kQuitGrace, qGuiApp, [stamps] {
    std::vector<pid_t> left;
    for (const ProcessStamp& stamp : stamps) {
      if (stamp.running()) left.push_back(stamp.pid);
    }
    std::set<pid_t> showing = X11Windows::withWindows(left);
    for (pid_t pid : left) {
      if (!showing.contains(pid)) ::kill(pid, SIGTERM);
    }
  });
}

}  // namespace quorvale

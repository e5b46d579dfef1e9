#include "desktop_app.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <cstdio>

#include "app_delegate.h"
#include "data_folder.h"
#include "linux_workspace.h"
#include "model_setup.h"
#include "portal_hot_keys.h"
#include "qt_alerts.h"
#include "qt_clipboard.h"
#include "qt_executor.h"
#include "qt_screens.h"
#include "settings/key_names.h"
#include "settings_file_watch.h"
#include "settings_windows.h"
#include "single_instance.h"
#include "tray_item.h"
#include "util/xdg_paths.h"
#include "wayland_clipboard.h"
#include "x11_hot_keys.h"

namespace quorvale {
namespace {

int signalPipe[2] = {-1, -1};

// SIGTERM (the session ending) and SIGINT quit through the event loop, so that the engine
// shuts down as at a quit from the menu.
void quitOnSignals(QApplication& app) {
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, &app);
  QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
    char byte;
    if (read(signalPipe[1], &byte, 1) > 0) QApplication::quit();
  });
  struct sigaction action {};
  action.sa_handler = [](int) {
    char byte = 1;
    [[maybe_unused]] auto written = write(signalPipe[0], &byte, 1);
  };
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

void handle(AppDelegate& app, LaunchMode::Request request) {
  switch (request) {
    case LaunchMode::Request::toggle:
      app.openPanel(std::nullopt);
      break;
    case LaunchMode::Request::clip:
      app.openPanel(std::string("clip "));
      break;
    case LaunchMode::Request::settings:
      app.showSettings();
      break;
    case LaunchMode::Request::modelChanged:
      app.modelFilesChanged();
      break;
    case LaunchMode::Request::start:
      // Opening the running launcher again shows the panel.
      if (!app.panel().isVisible()) app.openPanel(std::nullopt);
      break;
  }
}

}  // namespace

int runDesktop(int& argc, char** argv, LaunchMode::Request request,
               const PlatformServices& platform) {
  QApplication qt(argc, argv);
  QApplication::setApplicationName("Quorvale");
  QApplication::setDesktopFileName("io.quorvale.Quorvale");
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setWindowIcon(TrayItem::glyph(QApplication::palette().color(QPalette::Highlight)));

  if (SingleInstance::forward(request)) return 0;
  SingleInstance instance;

  QtExecutor main;
  UserDefaults defaults(UserDefaults::standardPath());
  // On Wayland a program without the focus reads the clipboard only through data-control.
  std::unique_ptr<SystemClipboard> clipboard;
  if (QGuiApplication::platformName().startsWith("wayland")) {
    clipboard = std::make_unique<WaylandClipboard>();
  } else {
    clipboard = std::make_unique<QtClipboard>();
  }
  LinuxWorkspace workspace;
  QtAlerts alerts;
  X11HotKeys hotKeys;

  SettingsWindows windows({
      .sizeFile = QFileInfo(QString::fromStdString(defaults.path())).dir().filePath("windows.ini"),
      .globalShortcuts = hotKeys.available(),
      .loginExecutable = (QCoreApplication::applicationDirPath() + "/quorvale").toStdString(),
  });

  AppServices services;
  services.defaults = &defaults;
  services.main = &main;
  services.makeEngine = [&](const ClipPolicy& policy) {
    EngineServices engine;
    engine.defaults = &defaults;
    engine.main = &main;
    engine.makeWatcher = platform.makeWatcher;
    engine.energy = platform.energy;
    engine.runningApps = platform.runningApps;
    return std::make_unique<SearchEngine>(policy, std::move(engine));
  };
  services.panel = qtPanelEnvironment();
  services.clipboard = clipboard.get();
  services.workspace = &workspace;
  services.alerts = &alerts;
  // Without X11 (Wayland) the desktop portal binds the shortcuts where it offers that.
  std::unique_ptr<PortalHotKeys> portalKeys;
  if (!hotKeys.available() && PortalHotKeys::offered(QDBusConnection::sessionBus())) {
    portalKeys = std::make_unique<PortalHotKeys>(QDBusConnection::sessionBus());
  }
  services.hotKeys = hotKeys.available() ? static_cast<HotKeyCenter*>(&hotKeys) : portalKeys.get();
  services.makeStatusItem = [](AppDelegate& app) { return std::make_unique<TrayItem>(app); };
  services.terminate = [] { QApplication::quit(); };
  services.showSetup = [&windows] { windows.showSetup(); };
  services.showSettings = [&windows] { windows.showSettings(); };
  services.makeModelController = [&main, &defaults] {
    return model_setup::controller(main, defaults);
  };
  // The folder the alert names when the data folder cannot be had: where it belongs.
  services.dataFolder =
      dataFolder().value_or(xdg::dataHome().value_or("~/.local/share") + "/Quorvale");
  services.searchInBackground = true;

  bool globalShortcuts = services.hotKeys != nullptr;
  AppDelegate app(std::move(services));
  windows.attach(app, alerts);
  if (!app.start()) return 1;
  // Until the settings window shows them, shortcuts another program holds are named here.
  for (int position : app.store().unavailable()) {
    const QuorvaleSettings& settings = app.store().settings();
    HotKey taken = position == 0 ? settings.hotKey : settings.clipboardHotKey;
    std::fprintf(stderr, "quorvale: another program holds the shortcut %s\n",
                 KeyNames::describe(taken).c_str());
  }
  if (!globalShortcuts) {
    std::fprintf(stderr,
                 "quorvale: no X11 display for global shortcuts; bind quorvale --toggle and "
                 "quorvale --clip in the desktop's keyboard settings\n");
  }
  instance.listen([&app](LaunchMode::Request forwarded) { handle(app, forwarded); });
  SettingsFileWatch watch(QString::fromStdString(defaults.path()),
                          [&app] { app.settingsFileChanged(); });
  QObject::connect(&qt, &QApplication::aboutToQuit, [&app] { app.shutdown(); });
  quitOnSignals(qt);
  if (request != LaunchMode::Request::start) handle(app, request);
  int code = QApplication::exec();
  windows.closeAll();  // before the controller and its settings store go
  return code;
}

}  // namespace quorvale

// The two windows of the settings: the first-run setup window and the settings window, made when
// first asked for and kept (hidden, not destroyed, when closed) until the program ends. Owns the
// settings editor they share and the file dialogs. The desktop run creates it before the
// application controller, attaches the controller before starting it, and closes it before the
// controller goes (the windows watch its settings store). Main thread only.
#pragma once

#include <QString>
#include <memory>

#include "app_delegate.h"
#include "qt_file_chooser.h"
#include "settings_ui/settings_editor.h"
#include "settings_ui/setup_flow.h"

namespace quorvale {

class SettingsWindow;
class SetupWindow;

class SettingsWindows {
 public:
  struct Options {
    QString sizeFile;             // where the settings window keeps its size
    bool globalShortcuts = true;  // false: shortcuts are bound in the desktop (Wayland)
    std::string loginExecutable;  // what the login item starts
  };

  explicit SettingsWindows(Options options);
  ~SettingsWindows();

  void attach(AppDelegate& app, Alerts& alerts);

  void showSetup();
  void showSettings();
  // Closes both windows and lets go of the application controller; called before it goes.
  void closeAll();

  SettingsWindow* settingsWindow() { return settings_.get(); }
  SetupWindow* setupWindow() { return setup_.get(); }

 private:
  void finishSetup();

  Options options_;
  AppDelegate* app_ = nullptr;
  QtFileChooser chooser_;
  std::unique_ptr<SettingsEditor> editor_;
  std::unique_ptr<SetupFlow> flow_;
  std::unique_ptr<SetupWindow> setup_;
  std::unique_ptr<SettingsWindow> settings_;
};

}  // namespace quorvale

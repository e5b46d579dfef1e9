#include "settings_windows.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include "login_item.h"
#include "settings_window.h"
#include "setup_window.h"

namespace quorvale {
namespace {

void bringForward(QWidget& window) {
  window.show();
  window.raise();
  window.activateWindow();
}

}  // namespace

SettingsWindows::SettingsWindows(Options options) : options_(std::move(options)) {}

SettingsWindows::~SettingsWindows() = default;

void SettingsWindows::attach(AppDelegate& app, Alerts& alerts) {
  app_ = &app;
  SettingsEditorServices services;
  services.store = &app.store();
  services.chooser = &chooser_;
  services.alerts = &alerts;
  services.engine = [&app] { return app.engine(); };
  services.models = [&app] { return app.models(); };
  services.status = [&app] { return app.lastStatus(); };
  services.shortcutRecording = [&app](bool recording) { app.shortcutRecording(recording); };
  services.loginItemEnabled = [] { return LoginItem::isEnabled(); };
  services.setLoginItem = [executable = options_.loginExecutable](bool enabled) {
    return LoginItem::setEnabled(enabled, executable);
  };
  services.globalShortcuts = options_.globalShortcuts;
  editor_ = std::make_unique<SettingsEditor>(std::move(services));
  flow_ = std::make_unique<SetupFlow>(*editor_, [this] { finishSetup(); });
  app.setModelObserver([this] {
    if (settings_) settings_->refreshModel();
  });
}

void SettingsWindows::showSetup() {
  if (!editor_) return;
  if (!setup_) {
    setup_ = std::make_unique<SetupWindow>(*editor_, app_->store(), *flow_);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      QRect frame = setup_->frameGeometry();
      frame.moveCenter(screen->availableGeometry().center());
      setup_->move(frame.topLeft());
    }
  }
  chooser_.setParent(setup_.get());
  bringForward(*setup_);
}

void SettingsWindows::finishSetup() {
  app_->finishSetup();
  if (!setup_) return;
  setup_->close();
  // The window goes once its Finish button's click is over.
  QTimer::singleShot(0, [this] { setup_.reset(); });
}

void SettingsWindows::closeAll() {
  if (app_) app_->setModelObserver(nullptr);
  settings_.reset();
  setup_.reset();
  flow_.reset();
  editor_.reset();
  app_ = nullptr;
}

void SettingsWindows::showSettings() {
  if (!editor_) return;
  if (!settings_) {
    settings_ = std::make_unique<SettingsWindow>(*editor_, app_->store(), options_.sizeFile);
  }
  settings_->refresh();
  // Whether the model is installed, or offered, is looked at again each time the window opens.
  if (ModelController* models = app_->models()) models->refresh();
  chooser_.setParent(settings_.get());
  bringForward(*settings_);
}

}  // namespace quorvale

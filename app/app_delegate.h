// The running launcher: owns the settings store, the search engine, the panel, the clipboard
// monitor, the hot keys, the tray item and the text model's controller for the life of the
// process. It starts them in order,
// wires the panel's and the clipboard's callbacks to the engine, builds the tray menu, carries
// out what a chosen row means (open, reveal, copy, launch, run a system command), applies
// settings changes 0.6 seconds after they settle (also changes another process makes to the
// settings file), and shuts the engine down at quit.
//
// The desktop is reached only through the interfaces of platform/desktop_services.h, so the
// whole controller runs headless in tests. Main thread only.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model_controller.h"
#include "monitors/clipboard_monitor.h"
#include "panel/panel_controller.h"
#include "panel/panel_search.h"
#include "platform/desktop_services.h"
#include "search_engine.h"
#include "settings/settings_store.h"
#include "util/executor.h"

namespace quorvale {

class AppDelegate;

struct AppServices {
  UserDefaults* defaults = nullptr;  // must outlive the application
  Executor* main = nullptr;          // the main thread's executor; must outlive it
  // Opens the engine; throws (IndexError) when the data folder cannot be used.
  std::function<std::unique_ptr<SearchEngine>(const ClipPolicy& policy)> makeEngine;
  PanelEnvironment panel;
  // The desktop; each must outlive the application.
  SystemClipboard* clipboard = nullptr;
  Workspace* workspace = nullptr;
  Alerts* alerts = nullptr;
  HotKeyCenter* hotKeys = nullptr;  // none: no global shortcuts (they are bound outside)
  std::function<std::unique_ptr<StatusItem>(AppDelegate& app)> makeStatusItem;
  // Ends the event loop.
  std::function<void()> terminate;
  // The first-run setup window; none: setup finishes at once with the default folders.
  std::function<void()> showSetup;
  // The settings window; none: the settings file opens in the default editor.
  std::function<void()> showSettings;
  // Makes the text model's controller at start-up; none, or none made: no model is offered.
  std::function<std::unique_ptr<ModelController>()> makeModelController;
  // Where the data folder is, for the start-up alert.
  std::string dataFolder;
  // The panel searches on a thread of its own (the desktop); off: on the main thread, as
  // headless tests drive it.
  bool searchInBackground = false;
  std::function<std::chrono::system_clock::time_point()> now = [] {
    return std::chrono::system_clock::now();
  };
};

struct MenuItem {
  std::string title;  // empty for a separator
  bool enabled = true;
  std::function<void()> action;

  bool isSeparator() const { return title.empty(); }
};

class AppDelegate {
 public:
  static constexpr std::chrono::milliseconds kSettingsSettle{600};
  static constexpr std::chrono::seconds kConcealedClear{60};

  explicit AppDelegate(AppServices services);
  ~AppDelegate();
  AppDelegate(const AppDelegate&) = delete;
  AppDelegate& operator=(const AppDelegate&) = delete;

  // The launch sequence. False when the engine could not be opened: the alert was shown and
  // `terminate` called.
  bool start();

  // Toggles the panel: hides it when it shows, else shows it with the prefill.
  void openPanel(const std::optional<std::string>& prefill);
  // The tray menu, built anew each time it opens.
  std::vector<MenuItem> menuItems();

  // Runs a row by its payload and the modifiers held.
  void activate(const Suggestion& row, Modifiers modifiers);
  // Puts the text on the clipboard (not recorded in the history); a concealed copy carries the
  // password-manager hint and is cleared after 60 seconds unless something else was copied.
  void copy(const std::string& text, bool concealed);
  void runSystem(const std::string& id);

  // Registers the hot keys, shows or hides the tray item, starts or stops the clipboard monitor.
  void applySettings();
  // The settings file changed on disk (perhaps by another process).
  void settingsFileChanged();
  // Setup is done: marks it so, applies the settings and starts the engine once.
  void finishSetup();
  // A shortcut field of the settings window started (true) or stopped (false) recording: the
  // global shortcuts are released meanwhile, so that the keys reach the field.
  void shortcutRecording(bool recording);
  // The settings window (`quorvale --settings`, the tray's "Settings…").
  void showSettings();

  // The text model was installed or removed (the controller's `onChange`).
  void modelInstallChanged();
  // Another process (`quorvale --install-model`) changed the model store: read it again, and
  // tell the engine when that installed or removed the model.
  void modelFilesChanged();
  // Told after every change of the model controller's state (the settings window redraws its
  // model controls); none: nobody is told.
  void setModelObserver(std::function<void()> observer) { modelObserver_ = std::move(observer); }

  // Shuts the engine down (cancel the scan, stop the watcher, write the clipboard history), then
  // ends the program. `shutdown` alone is what happens when the program is ended from outside.
  void quit();
  void shutdown();

  SettingsStore& store() { return store_; }
  SearchEngine* engine() { return engine_.get(); }
  PanelController& panel() { return panel_; }
  ClipboardMonitor& clipboard() { return clipboard_; }
  // None before `start`, or when the data folder has no room for models.
  ModelController* models() { return models_.get(); }
  const std::string& lastStatus() const { return lastStatus_; }
  const std::optional<QuorvaleSettings>& lastApplied() const { return lastApplied_; }

 private:
  void installPanelCallbacks();
  void installClipboardCallbacks();
  void startModels();
  void settingsObserved();
  void settled();
  void hidePanel();
  void openFileRow(const FileRecord& record, Modifiers modifiers);
  void launchEntry(const std::string& path);
  void openAddress(const std::string& url);
  void saveSettings(QuorvaleSettings settings);
  std::vector<Suggestion> search(const std::string& query);
  // The search of the text as a job for the panel's search thread, with what it reads from the
  // main thread's state copied.
  LatestSearch::Job searchJob(const std::string& query);
  std::string explain(const Suggestion& row, const std::string& query);

  AppServices services_;
  SettingsStore store_;
  std::unique_ptr<SearchEngine> engine_;
  PanelController panel_;
  // Destroyed before the panel and the engine its jobs use.
  std::unique_ptr<PanelSearch> panelSearch_;
  // The clip history as the last background search was handed it (main thread).
  std::shared_ptr<const ClipStore> clipsCopy_;
  ClipboardMonitor clipboard_;
  std::unique_ptr<StatusItem> statusItem_;
  std::unique_ptr<ModelController> models_;
  std::function<void()> modelObserver_;
  std::string lastStatus_ = "Starting";
  std::optional<QuorvaleSettings> lastApplied_;
  QuorvaleSettings observed_;
  int observerToken_ = -1;
  WorkHandle settle_;
  WorkHandle concealedClear_;
  bool shutDown_ = false;
  // The engine was started (setup was finished): settled changes reach it from then on.
  bool engineStarted_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace quorvale

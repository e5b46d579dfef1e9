// What the settings window's controls do, without the widgets: each control changes its one
// field of the settings record through the settings store (which saves it, and the application
// applies it after the 0.6-second settle), shortcuts are checked by the hot-key rules before they
// are stored, folders are chosen in the desktop's dialog, and the maintenance buttons reach the
// search engine. The texts the window shows beside the controls come from here too.
//
// Created by the settings and setup windows, which it outlives no longer than the application
// controller. Main thread only.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/desktop_services.h"
#include "settings/settings_store.h"
#include "settings_ui/file_chooser.h"
#include "settings_ui/model_view.h"
#include "settings_ui/settings_fields.h"

namespace quorvale {

class SearchEngine;

struct SettingsEditorServices {
  SettingsStore* store = nullptr;  // must outlive the editor
  FileChooser* chooser = nullptr;  // must outlive the editor
  Alerts* alerts = nullptr;        // must outlive the editor
  // The running engine; none, or none returned: the maintenance buttons do nothing.
  std::function<SearchEngine*()> engine;
  // The application's model controller; none, or none returned: the text model is not shown.
  std::function<ModelController*()> models;
  // The engine's last status line.
  std::function<std::string()> status;
  // Told true when a shortcut field starts recording (the global shortcuts are released, so the
  // keys reach the field) and false when it ends (they are registered again).
  std::function<void(bool recording)> shortcutRecording;
  // Starting at login: whether it is on, and turning it on or off (the state afterwards).
  std::function<bool()> loginItemEnabled;
  std::function<bool(bool enabled)> setLoginItem;
  // False where global shortcuts cannot be grabbed (Wayland): they are bound in the desktop.
  bool globalShortcuts = true;
};

// The line under a shortcut field.
struct HotKeyLine {
  std::string shortcut;  // the shortcut as text, "Alt+Space"
  std::string message;   // the rule's problem, the unavailable text or the rule's note; or empty
  bool problem = false;  // the message says why the shortcut is not in force

  bool operator==(const HotKeyLine&) const = default;
};

// The alert answering "why is this file (not) found?".
struct DiagnosisAlert {
  std::string title;
  std::string text;

  bool operator==(const DiagnosisAlert&) const = default;
};

class SettingsEditor {
 public:
  static constexpr std::string_view kAddFoldersMessage = "Choose folders for Quorvale to index";
  static constexpr std::string_view kExcludeFoldersMessage =
      "Choose folders for Quorvale to leave out of its index";
  static constexpr std::string_view kHideFilesMessage =
      "Choose files for Quorvale to leave out of its results";
  static constexpr std::string_view kDiagnoseMessage =
      "Choose the file you expected Quorvale to find";
  static constexpr std::string_view kForgetLearningTitle =
      "Forget what Quorvale has learned from my choices";
  static constexpr std::string_view kSnippetTextMissing = "Write the text the snippet pastes.";
  static constexpr std::string_view kLoginItemStillOn =
      "Quorvale still starts at login. Check that ~/.config/autostart can be written to.";

  explicit SettingsEditor(SettingsEditorServices services);

  const QuorvaleSettings& settings() const { return services_.store->settings(); }

  void setSwitch(SettingsFields::Switch id, bool on);
  void setNumber(SettingsFields::Number id, std::int64_t value);

  // Opens the dialog for the list (folders for the roots and the excluded folders, files for the
  // hidden results) and appends what was chosen and is not there yet, saving once. Returns how
  // many were added. Not for the ignored applications, which are typed (`addItems`).
  std::size_t chooseAndAdd(SettingsFields::List id);
  std::size_t addItems(SettingsFields::List id, std::span<const std::string> texts);
  void removeItem(SettingsFields::List id, std::size_t index);

  // Shortcuts. A recording in progress has released the global shortcuts; ending it with a key
  // checks and stores the key, ending it without (cancelled) keeps the old one.
  void startRecording(HotKeySlot slot);
  void endRecording(HotKeySlot slot, const std::optional<HotKey>& recorded);
  bool recording() const { return recording_.has_value(); }
  void resetHotKey(HotKeySlot slot);
  HotKeyLine hotKeyLine(HotKeySlot slot) const;
  // How to bind the shortcuts where they cannot be grabbed; nothing where they can.
  std::optional<std::string> shortcutHelp() const;

  // Web searches: the add form (the problem to show, or nothing when the entry was added), removal,
  // and whether an entry is offered as a fallback row when nothing else answers.
  std::optional<std::string> addWebSearch(std::string_view keyword, std::string name,
                                          std::string url, bool ask);
  void removeWebSearch(std::size_t index);
  bool isFallback(std::size_t index) const;
  void setFallback(std::size_t index, bool fallback);

  // Snippets: a new one (no index) or a changed one; the problem to show, or nothing when saved.
  std::optional<std::string> saveSnippet(std::optional<std::size_t> index, std::string_view keyword,
                                         std::string_view name, std::string text);
  void removeSnippet(std::size_t index);

  // Starting at login; the note to show after a change that did not take (else empty).
  bool openAtLogin() const;
  std::string setOpenAtLogin(bool enabled);

  // The text model: what to show (nothing without a model controller), the button the state
  // allows, and installing from files the user already has.
  std::optional<ModelControls> modelControls() const;
  void runModelAction();
  // Asks for the folder and installs the model from it; false when cancelled or not offered.
  bool installModelFromFolder();

  // Maintenance.
  std::string status() const;
  void rebuildIndex();
  void forgetLearning();
  void checkIndex();
  // Asks for a file, explains whether and why it is (not) found, and shows the alert. Returns
  // the alert shown; nothing when the dialog was cancelled or no engine runs.
  std::optional<DiagnosisAlert> diagnoseFile();
  // The alert for one path, without dialogs.
  std::optional<DiagnosisAlert> diagnosis(const std::string& path);

 private:
  void save(QuorvaleSettings settings);
  SearchEngine* engine() const;
  ModelController* models() const;

  SettingsEditorServices services_;
  std::optional<HotKeySlot> recording_;
  // The last installation started here copies files from disk (it cannot be cancelled).
  bool installingFromFolder_ = false;
  // The problem of the last shortcut refused in each slot, shown until the slot changes.
  std::array<std::optional<std::string>, 2> refused_;
};

}  // namespace quorvale

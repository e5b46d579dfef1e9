// The first-run setup window without the widgets: which of the standard folders are indexed,
// the other folders chosen with add and remove, starting at login, and the finish that marks
// setup done and starts the engine (once: the application controller's `finishSetup` starts the
// engine only when setup had not been finished before).
//
// Created by the setup window with the editor of its controls. Main thread only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "settings_ui/settings_editor.h"

namespace quorvale {

class SetupFlow {
 public:
  // `finishSetup` marks setup done and starts the engine.
  SetupFlow(SettingsEditor& editor, std::function<void()> finishSetup);

  // "~/Desktop", "~/Documents", "~/Downloads".
  static const std::vector<std::string>& standardFolders();

  // Whether the standard folder is among the roots, and putting it in or taking it out.
  bool includes(const std::string& folder) const;
  void setIncluded(const std::string& folder, bool included);

  // The roots besides the standard folders, in their order, and removing one of them.
  std::vector<std::string> otherFolders() const;
  void removeOther(std::size_t index);
  // Opens the folder dialog; returns how many folders were added.
  std::size_t addFolders();

  bool openAtLogin() const { return editor_.openAtLogin(); }
  // The note to show under the switch (empty when the change took).
  std::string setOpenAtLogin(bool enabled) { return editor_.setOpenAtLogin(enabled); }

  // Runs `finishSetup` the first time only.
  void finish();
  bool finished() const { return finished_; }

 private:
  bool isStandard(const std::string& root) const;

  SettingsEditor& editor_;
  std::function<void()> finishSetup_;
  bool finished_ = false;
};

}  // namespace quorvale

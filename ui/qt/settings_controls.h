// The building blocks of the settings and setup windows: each makes one standard widget bound to
// its field through the settings editor, and registers how to show the field's current value, so
// that the window can bring every control up to date when the settings change (from the window,
// the panel or another process). Main thread only.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QSpinBox>
#include <functional>
#include <vector>

#include "settings_ui/settings_editor.h"

namespace quorvale {

class SettingsControls {
 public:
  explicit SettingsControls(SettingsEditor& editor) : editor_(editor) {}

  SettingsEditor& editor() { return editor_; }

  // Shows every control's current value (signals blocked, so nothing is saved back).
  void refresh();
  // Adds a way to show the current value.
  void onRefresh(std::function<void()> refresh) { refreshers_.push_back(std::move(refresh)); }
  // The text model's controls alone, shown again at each change of the model's state (often,
  // while it downloads) without touching the other controls.
  void refreshModel();
  void onModelRefresh(std::function<void()> refresh) {
    modelRefreshers_.push_back(std::move(refresh));
  }

  // A check box for the switch, with its note (if any) under it, added to the layout.
  QCheckBox* addSwitch(QLayout* layout, SettingsFields::Switch id);
  // A spin box for the number, within its range.
  QSpinBox* number(SettingsFields::Number id);
  // The list with buttons to add (through the editor's dialog, or the `add` given) and remove.
  QWidget* list(SettingsFields::List id, std::function<void()> add = nullptr);

 private:
  SettingsEditor& editor_;
  std::vector<std::function<void()>> refreshers_;
  std::vector<std::function<void()>> modelRefreshers_;
};

// A word-wrapped line in the style's quieter text colour; in red for a problem.
QLabel* noteLabel(const QString& text = {}, bool problem = false);
void setNote(QLabel* label, const std::string& text, bool problem);
QString qs(std::string_view text);

}  // namespace quorvale

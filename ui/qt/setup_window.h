// The first-run window "Set up Quorvale": the standard folders to index, other folders with add
// and remove, starting at login with its note, the shortcut that opens the panel, and Finish,
// which ends setup through the setup flow (the engine then starts). Closing the window without
// finishing leaves setup for the next start. A dialog without modality, so that Return
// finishes and Escape closes. Main thread only.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>
#include <vector>

#include "settings_ui/setup_flow.h"

namespace quorvale {

class SetupWindow : public QDialog {
  Q_OBJECT
 public:
  SetupWindow(SettingsEditor& editor, SettingsStore& store, SetupFlow& flow);
  ~SetupWindow() override;

  QPushButton* finishButton() { return finish_; }
  void refresh();

 private:
  SettingsEditor& editor_;
  SettingsStore& store_;
  SetupFlow& flow_;
  std::vector<std::pair<std::string, QCheckBox*>> standard_;
  QListWidget* others_;
  QPushButton* remove_;
  QPushButton* finish_;
  int observer_ = -1;
};

}  // namespace quorvale

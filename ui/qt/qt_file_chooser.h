// The desktop's file dialog for the settings and setup windows (QFileDialog, which uses the
// desktop's own dialog through the platform theme or portal where there is one). Where Qt draws
// the dialog itself, several folders can be chosen at once. Main thread only.
#pragma once

#include <QWidget>

#include "settings_ui/file_chooser.h"

namespace quorvale {

class QtFileChooser : public FileChooser {
 public:
  std::vector<std::string> chooseFolders(std::string_view message) override;
  std::vector<std::string> chooseFiles(std::string_view message, bool several) override;

  // The window the dialogs belong to; none: they stand alone.
  void setParent(QWidget* parent) { parent_ = parent; }

 private:
  QWidget* parent_ = nullptr;
};

}  // namespace quorvale

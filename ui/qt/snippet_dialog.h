// The dialog that adds or edits one snippet: keyword, name and text, with the placeholders the
// text may hold. OK saves through the settings editor and stays open while the editor reports a
// problem. Main thread only.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <optional>

#include "settings_ui/settings_editor.h"

namespace quorvale {

class SnippetDialog : public QDialog {
  Q_OBJECT
 public:
  // `index` names the snippet to edit; none: a new one.
  SnippetDialog(SettingsEditor& editor, std::optional<std::size_t> index, QWidget* parent);

  void accept() override;

 private:
  SettingsEditor& editor_;
  std::optional<std::size_t> index_;
  QLineEdit* keyword_;
  QLineEdit* name_;
  QPlainTextEdit* text_;
  QLabel* problem_;
};

}  // namespace quorvale

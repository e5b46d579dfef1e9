#include "snippet_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QVBoxLayout>

#include "settings_controls.h"

namespace quorvale {

SnippetDialog::SnippetDialog(SettingsEditor& editor, std::optional<std::size_t> index,
                             QWidget* parent)
    : QDialog(parent),
      editor_(editor),
      index_(index),
      keyword_(new QLineEdit),
      name_(new QLineEdit),
      text_(new QPlainTextEdit),
      problem_(noteLabel({}, true)) {
  setWindowTitle(index ? "Edit Snippet" : "New Snippet");
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  keyword_->setPlaceholderText("sig");
  name_->setPlaceholderText("Email signature");
  form->addRow("Keyword:", keyword_);
  form->addRow("Name:", name_);
  form->addRow("Text:", text_);
  layout->addLayout(form);
  layout->addWidget(
      noteLabel("Type the keyword in the panel to copy the text. In the text, "
                "{date}, {time} and {datetime} become the current date and time, "
                "and {clipboard} the text on the clipboard."));
  layout->addWidget(problem_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &SnippetDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &SnippetDialog::reject);
  layout->addWidget(buttons);
  if (index && *index < editor.settings().snippets.size()) {
    const Snippet& snippet = editor.settings().snippets[*index];
    keyword_->setText(qs(snippet.keyword));
    name_->setText(qs(snippet.name));
    text_->setPlainText(qs(snippet.text));
  }
  resize(480, 360);
}

void SnippetDialog::accept() {
  auto problem =
      editor_.saveSnippet(index_, keyword_->text().toStdString(), name_->text().toStdString(),
                          text_->toPlainText().toStdString());
  if (problem) {
    setNote(problem_, *problem, true);
    return;
  }
  QDialog::accept();
}

}  // namespace quorvale

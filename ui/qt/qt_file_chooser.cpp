#include "qt_file_chooser.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFileDialog>

namespace quorvale {
namespace {

std::vector<std::string> run(QFileDialog& dialog) {
  dialog.setDirectory(QDir::homePath());
  std::vector<std::string> chosen;
  if (dialog.exec() != QDialog::Accepted) return chosen;
  for (const QString& path : dialog.selectedFiles()) chosen.push_back(path.toStdString());
  return chosen;
}

}  // namespace

std::vector<std::string> QtFileChooser::chooseFolders(std::string_view message) {
  QFileDialog dialog(parent_, QString::fromUtf8(message.data(), static_cast<int>(message.size())));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  dialog.setLabelText(QFileDialog::Accept, "Choose");
  // Qt's own dialog chooses one folder unless its views allow more; the desktop's dialogs decide
  // for themselves.
  for (auto* view : dialog.findChildren<QAbstractItemView*>()) {
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
  }
  return run(dialog);
}

std::vector<std::string> QtFileChooser::chooseFiles(std::string_view message, bool several) {
  QFileDialog dialog(parent_, QString::fromUtf8(message.data(), static_cast<int>(message.size())));
  dialog.setFileMode(several ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  dialog.setLabelText(QFileDialog::Accept, "Choose");
  return run(dialog);
}

}  // namespace quorvale

#include "qt_alerts.h"

#include <QMessageBox>
#include <QPushButton>

namespace quorvale {

int QtAlerts::show(const std::string& title, const std::string& text,
                   const std::vector<std::string>& buttons) {
  QMessageBox box;
  box.setIcon(QMessageBox::Warning);
  box.setWindowTitle("Quorvale");
  box.setText(QString::fromStdString(title));
  box.setInformativeText(QString::fromStdString(text));
  std::vector<QAbstractButton*> made;
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    auto role = i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole;
    made.push_back(box.addButton(QString::fromStdString(buttons[i]), role));
  }
  if (!made.empty()) box.setDefaultButton(static_cast<QPushButton*>(made.front()));
  box.setWindowFlag(Qt::WindowStaysOnTopHint);
  box.exec();
  for (std::size_t i = 0; i < made.size(); ++i) {
    if (box.clickedButton() == made[i]) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace quorvale

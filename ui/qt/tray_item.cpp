#include "tray_item.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <cstdio>

namespace quorvale {

TrayItem::TrayItem(AppDelegate& app) : app_(app) {
  icon_.setIcon(glyph(QApplication::palette().color(QPalette::WindowText)));
  icon_.setToolTip("Quorvale");
  icon_.setContextMenu(&menu_);
  connect(&menu_, &QMenu::aboutToShow, this, [this] { rebuildMenu(); });
  connect(&icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
    if (why == QSystemTrayIcon::Trigger) app_.openPanel(std::nullopt);
  });
  rebuildMenu();
}

void TrayItem::rebuildMenu() {
  menu_.clear();
  for (MenuItem& item : app_.menuItems()) {
    if (item.isSeparator()) {
      menu_.addSeparator();
      continue;
    }
    QAction* action = menu_.addAction(QString::fromStdString(item.title));
    action->setEnabled(item.enabled);
    if (item.action) connect(action, &QAction::triggered, this, item.action);
  }
}

void TrayItem::setVisible(bool visible) {
  if (visible && !hostAvailable() && !told_) {
    told_ = true;
    std::fprintf(stderr,
                 "quorvale: the desktop shows no tray items; open the panel with the hot key or "
                 "quorvale --toggle\n");
  }
  icon_.setVisible(visible);
}

bool TrayItem::hostAvailable() const {
  return QSystemTrayIcon::isSystemTrayAvailable();
}

QIcon TrayItem::glyph(const QColor& color) {
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(color, size / 10.0, Qt::SolidLine, Qt::RoundCap);
    painter.setPen(pen);
    double lens = size * 0.56;
    QRectF circle(size * 0.12, size * 0.12, lens, lens);
    painter.drawEllipse(circle);
    QPointF from = circle.center() + QPointF(lens * 0.36, lens * 0.36);
    painter.drawLine(from, QPointF(size * 0.88, size * 0.88));
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace quorvale

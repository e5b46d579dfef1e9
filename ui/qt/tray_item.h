// The tray item (StatusNotifierItem through QSystemTrayIcon): a monochrome magnifier drawn in
// the desktop's text colour, a click opens the panel, and the menu is built anew from the
// application's items each time it opens. Where the desktop has no tray, says so once on
// standard error; the panel stays reachable by hot key and `quorvale --toggle`. Main thread.
#pragma once

#include <QMenu>
#include <QSystemTrayIcon>

#include "app_delegate.h"

namespace quorvale {

class TrayItem : public QObject, public StatusItem {
  Q_OBJECT
 public:
  explicit TrayItem(AppDelegate& app);

  void setVisible(bool visible) override;
  bool hostAvailable() const override;

  // The glyph at the size, in the colour.
  static QIcon glyph(const QColor& color);

 private:
  void rebuildMenu();

  AppDelegate& app_;
  QMenu menu_;
  QSystemTrayIcon icon_;
  bool told_ = false;
};

}  // namespace quorvale

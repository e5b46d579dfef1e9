#include "qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "clipboard/clip_policy.h"
#include "x11_active_window.h"

namespace quorvale {

QtClipboard::QtClipboard() {
  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] {
    ++count_;
    if (onChange) onChange();
  });
  lockWatch_ = std::make_unique<SessionLockWatch>(
      QDBusConnection::systemBus(), QDBusConnection::sessionBus(), [this](bool locked) {
        if (onLockChange) onLockChange(locked);
      });
}

std::optional<std::string> QtClipboard::text() const {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (!data || !data->hasText()) return std::nullopt;
  return data->text().toStdString();
}

std::vector<std::string> QtClipboard::types() const {
  std::vector<std::string> types;
  if (const QMimeData* data = QGuiApplication::clipboard()->mimeData()) {
    for (const QString& format : data->formats()) types.push_back(format.toStdString());
  }
  return types;
}

void QtClipboard::write(const std::string& text, bool concealed) {
  auto* data = new QMimeData;
  data->setText(QString::fromStdString(text));
  if (concealed) data->setData(QString::fromUtf8(kKdePasswordManagerHint), "secret");
  QGuiApplication::clipboard()->setMimeData(data);
}

void QtClipboard::clear() {
  QGuiApplication::clipboard()->clear();
}

std::optional<std::string> QtClipboard::frontApplication() const {
  return X11ActiveWindow::applicationId();
}

}  // namespace quorvale

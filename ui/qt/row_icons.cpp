#include "row_icons.h"

#include <QFileInfo>
#include <QMimeDatabase>

#include "scan/desktop_entry.h"
#include "util/xdg_paths.h"

namespace quorvale {

RowIcons::RowIcons() {
  prepareTheme();
}

void RowIcons::prepareTheme() {
  static bool prepared = false;
  if (prepared) return;
  prepared = true;
  // Without a desktop session (or off screen) Qt knows neither the icon folders nor a theme: add
  // the XDG icon folders, and let the freedesktop themes that most systems carry stand in.
  QStringList paths = QIcon::themeSearchPaths();
  std::vector<std::string> folders = xdg::dataDirs();
  if (auto data = xdg::dataHome()) folders.insert(folders.begin(), *data);
  for (const auto& folder : folders) {
    QString icons = QString::fromStdString(folder) + "/icons";
    if (!paths.contains(icons)) paths.append(icons);
  }
  QIcon::setThemeSearchPaths(paths);
  if (QIcon::themeName().isEmpty() || QIcon::themeName() == "hicolor") {
    for (const char* name : {"breeze", "Adwaita"}) {
      QIcon::setThemeName(name);
      if (QIcon::hasThemeIcon("folder")) break;
    }
  }
  QIcon::setFallbackThemeName("hicolor");
}

QIcon RowIcons::themed(std::initializer_list<const char*> names) {
  QString key = QString("theme:") + *names.begin();
  if (auto found = cache_.constFind(key); found != cache_.constEnd()) return *found;
  QIcon icon;
  for (const char* name : names) {
    if (QIcon::hasThemeIcon(name)) {
      icon = QIcon::fromTheme(name);
      break;
    }
  }
  cache_.insert(key, icon);
  return icon;
}

QIcon RowIcons::fileIcon(const FileRecord& record) {
  QString path = QString::fromStdString(record.path);
  if (auto found = cache_.constFind(path); found != cache_.constEnd()) return *found;
  QIcon icon;
  if (record.kind == FileKind::app && record.ext == "desktop") {
    if (auto entry = readDesktopEntry(record.path); entry && !entry->icon.empty()) {
      QString name = QString::fromStdString(entry->icon);
      icon = QFileInfo(name).isAbsolute() ? QIcon(name) : QIcon::fromTheme(name);
    }
    if (icon.isNull()) icon = themed({"application-x-executable", "system-run"});
  } else if (record.kind == FileKind::folder) {
    icon = themed({"folder"});
  } else {
    static const QMimeDatabase database;
    QMimeType type = database.mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull()) icon = QIcon::fromTheme(type.genericIconName());
    if (icon.isNull()) icon = themed({"text-x-generic", "unknown"});
  }
  cache_.insert(path, icon);
  return icon;
}

QIcon RowIcons::icon(const Suggestion& row) {
  const Payload& payload = row.payload;
  if (const auto* record = payload.as<FileRecord>()) return fileIcon(*record);
  if (payload.as<Payload::Calculation>()) {
    return themed({"accessories-calculator", "accessories-calculator-symbolic"});
  }
  if (const auto* web = payload.as<Payload::WebSearchURL>()) {
    if (web->url.rfind("settings:", 0) == 0) {
      return themed({"preferences-system", "preferences-desktop", "emblem-system"});
    }
    return themed({"web-browser", "internet-web-browser", "applications-internet"});
  }
  if (payload.as<Payload::SnippetText>()) return themed({"insert-text", "accessories-text-editor"});
  if (payload.as<ClipItem>()) return themed({"edit-paste", "edit-copy"});
  if (payload.as<Payload::SystemCommandID>()) {
    return themed({"system-shutdown", "system-log-out", "preferences-system"});
  }
  return themed({"dialog-information", "help-about"});
}

}  // namespace quorvale

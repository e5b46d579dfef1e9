#include "settings_file_watch.h"

#include <QDir>
#include <QFileInfo>

namespace quorvale {

SettingsFileWatch::SettingsFileWatch(const QString& path, std::function<void()> changed)
    : path_(path), changed_(std::move(changed)) {
  QDir().mkpath(QFileInfo(path_).absolutePath());
  watcher_.addPath(QFileInfo(path_).absolutePath());
  rewatch();
  auto onChange = [this] {
    rewatch();
    changed_();
  };
  connect(&watcher_, &QFileSystemWatcher::fileChanged, this, onChange);
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, onChange);
}

void SettingsFileWatch::rewatch() {
  if (QFileInfo::exists(path_) && !watcher_.files().contains(path_)) watcher_.addPath(path_);
}

}  // namespace quorvale

// Tells when the settings file changed on disk. The file is replaced by rename on every save
// (ours and other programs'), so its folder is watched as well and the file is watched again
// whenever it reappears. Main thread only.
#pragma once

#include <QFileSystemWatcher>
#include <functional>

namespace quorvale {

class SettingsFileWatch : public QObject {
  Q_OBJECT
 public:
  SettingsFileWatch(const QString& path, std::function<void()> changed);

 private:
  void rewatch();

  QString path_;
  QFileSystemWatcher watcher_;
  std::function<void()> changed_;
};

}  // namespace quorvale

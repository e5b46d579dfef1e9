// Follows whether the user's session is locked, so that the clipboard history records nothing
// while it is. Two sources, whichever the desktop has: logind's Lock and Unlock signals and its
// LockedHint property on the session's own object (found with GetSession for XDG_SESSION_ID, else
// GetSessionByPID for this process: signals are never sent from the "auto" alias path), and the
// screen saver's ActiveChanged signal on the session bus (GNOME, KDE, Xfce).
//
// The session is looked up without blocking; `onChange` runs on the main thread with each
// change. The buses are given so that tests can use a private one. Main thread only.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <functional>
#include <optional>

namespace quorvale {

class SessionLockWatch : public QObject {
  Q_OBJECT
 public:
  SessionLockWatch(QDBusConnection systemBus, QDBusConnection sessionBus,
                   std::function<void(bool locked)> onChange);

  // The logind session object followed; empty until it is found (or when there is none).
  const QString& sessionPath() const { return sessionPath_; }
  bool locked() const { return locked_; }

 private slots:
  void sessionLocked();
  void sessionUnlocked();
  void screenSaverChanged(bool active);
  void propertiesChanged(const QString& interface, const QVariantMap& changed,
                         const QStringList& invalidated);

 private:
  void findSession();
  void follow(const QString& path);
  void set(bool locked);

  QDBusConnection system_;
  QDBusConnection session_;
  std::function<void(bool)> onChange_;
  QString sessionPath_;
  bool locked_ = false;
};

}  // namespace quorvale

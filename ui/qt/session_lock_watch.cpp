#include "session_lock_watch.h"

#include <unistd.h>

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <cstdlib>

namespace quorvale {
namespace {

const QString kLogin = "org.freedesktop.login1";
const QString kManagerPath = "/org/freedesktop/login1";
const QString kManager = "org.freedesktop.login1.Manager";
const QString kSession = "org.freedesktop.login1.Session";
const QString kProperties = "org.freedesktop.DBus.Properties";
const QString kScreenSaver = "org.freedesktop.ScreenSaver";

}  // namespace

SessionLockWatch::SessionLockWatch(QDBusConnection systemBus, QDBusConnection sessionBus,
                                   std::function<void(bool)> onChange)
    : system_(std::move(systemBus)),
      session_(std::move(sessionBus)),
      onChange_(std::move(onChange)) {
  if (session_.isConnected()) {
    // KDE and Xfce answer on both paths, GNOME on its own.
    for (const char* path : {"/org/freedesktop/ScreenSaver", "/ScreenSaver"}) {
      session_.connect({}, path, kScreenSaver, "ActiveChanged", this,
                       SLOT(screenSaverChanged(bool)));
    }
    session_.connect({}, "/org/gnome/ScreenSaver", "org.gnome.ScreenSaver", "ActiveChanged", this,
                     SLOT(screenSaverChanged(bool)));
  }
  findSession();
}

void SessionLockWatch::findSession() {
  if (!system_.isConnected()) return;
  const char* id = std::getenv("XDG_SESSION_ID");
  QDBusMessage question =
      id && *id ? QDBusMessage::createMethodCall(kLogin, kManagerPath, kManager, "GetSession")
                : QDBusMessage::createMethodCall(kLogin, kManagerPath, kManager, "GetSessionByPID");
  if (id && *id) {
    question << QString::fromUtf8(id);
  } else {
    question << static_cast<uint>(getpid());
  }
  auto* watcher = new QDBusPendingCallWatcher(system_.asyncCall(question), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
    QDBusPendingReply<QDBusObjectPath> reply = *call;
    call->deleteLater();
    // Without logind (or outside any session) the screen saver alone tells.
    if (reply.isValid()) follow(reply.value().path());
  });
}

void SessionLockWatch::follow(const QString& path) {
  if (path.isEmpty()) return;
  sessionPath_ = path;
  system_.connect(kLogin, path, kSession, "Lock", this, SLOT(sessionLocked()));
  system_.connect(kLogin, path, kSession, "Unlock", this, SLOT(sessionUnlocked()));
  system_.connect(kLogin, path, kProperties, "PropertiesChanged", this,
                  SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
  // A session locked already when the program starts.
  QDBusMessage question = QDBusMessage::createMethodCall(kLogin, path, kProperties, "Get");
  question << kSession << QString("LockedHint");
  auto* watcher = new QDBusPendingCallWatcher(system_.asyncCall(question), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
    QDBusPendingReply<QDBusVariant> reply = *call;
    call->deleteLater();
    if (reply.isValid() && reply.value().variant().toBool()) set(true);
  });
}

void SessionLockWatch::sessionLocked() {
  set(true);
}

void SessionLockWatch::sessionUnlocked() {
  set(false);
}

void SessionLockWatch::screenSaverChanged(bool active) {
  set(active);
}

void SessionLockWatch::propertiesChanged(const QString& interface, const QVariantMap& changed,
                                         const QStringList&) {
  if (interface != kSession) return;
  if (auto hint = changed.find("LockedHint"); hint != changed.end()) set(hint->toBool());
}

void SessionLockWatch::set(bool locked) {
  if (locked == locked_) return;
  locked_ = locked;
  if (onChange_) onChange_(locked);
}

}  // namespace quorvale

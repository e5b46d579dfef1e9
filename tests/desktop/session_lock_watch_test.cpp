#include "session_lock_watch.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <string>

#include "private_bus.h"

namespace quorvale {
namespace {

using testing::waitFor;

// logind's manager and one session, as far as the watch asks them.
class FakeLogin : public QDBusVirtualObject {
 public:
  static constexpr const char* kPath = "/org/freedesktop/login1/session/_31";

  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    QDBusMessage reply;
    if (message.member() == "GetSessionByPID" || message.member() == "GetSession") {
      asked = message.member();
      reply = message.createReply(QVariant::fromValue(QDBusObjectPath(kPath)));
    } else if (message.member() == "Get" && message.path() == kPath) {
      reply = message.createReply(QVariant::fromValue(QDBusVariant(lockedHint)));
    } else {
      return false;
    }
    connection.send(reply);
    return true;
  }

  bool lockedHint = false;
  QString asked;
};

class SessionLockWatchTest : public ::testing::Test {
 protected:
  SessionLockWatchTest() { unsetenv("XDG_SESSION_ID"); }

  void emitSignal(const QString& path, const QString& interface, const QString& name,
                  const QVariantList& arguments = {}) {
    QDBusMessage signal = QDBusMessage::createSignal(path, interface, name);
    signal.setArguments(arguments);
    bus.service.send(signal);
  }

  FakeLogin login;
  testing::FakeServiceBus bus{"/org/freedesktop/login1", &login, "org.freedesktop.login1"};
  std::vector<bool> changes;
};

TEST_F(SessionLockWatchTest, FollowsTheSessionsOwnObjectTheScreenSaverAndTheLockAtStart) {
  ASSERT_TRUE(bus.service.isConnected()) << "no dbus-daemon";
  SessionLockWatch watch(bus.client, bus.client,
                         [this](bool locked) { changes.push_back(locked); });
  ASSERT_TRUE(waitFor([&] { return !watch.sessionPath().isEmpty(); }));
  EXPECT_EQ(watch.sessionPath(), FakeLogin::kPath);
  EXPECT_EQ(login.asked, "GetSessionByPID");

  const QString session = "org.freedesktop.login1.Session";
  emitSignal(FakeLogin::kPath, session, "Lock");
  ASSERT_TRUE(waitFor([&] { return changes.size() == 1; }));
  // Another session's unlock is not ours: the lock that follows changes nothing.
  emitSignal("/org/freedesktop/login1/session/_99", session, "Unlock");
  emitSignal(FakeLogin::kPath, session, "Lock");
  emitSignal(FakeLogin::kPath, session, "Unlock");
  ASSERT_TRUE(waitFor([&] { return changes.size() >= 2; }));
  emitSignal("/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver", "ActiveChanged",
             {true});
  ASSERT_TRUE(waitFor([&] { return changes.size() >= 3; }));
  emitSignal(FakeLogin::kPath, "org.freedesktop.DBus.Properties", "PropertiesChanged",
             {session, QVariantMap{{"LockedHint", false}}, QStringList{}});
  ASSERT_TRUE(waitFor([&] { return changes.size() >= 4; }));
  EXPECT_EQ(changes, (std::vector<bool>{true, false, true, false}));

  // A session locked at start counts, and the session id is used when set.
  login.lockedHint = true;
  setenv("XDG_SESSION_ID", "31", 1);
  SessionLockWatch second(bus.client, bus.client, [](bool) {});
  EXPECT_TRUE(waitFor([&] { return second.locked(); }));
  EXPECT_EQ(login.asked, "GetSession");
  unsetenv("XDG_SESSION_ID");
}

}  // namespace
}  // namespace quorvale

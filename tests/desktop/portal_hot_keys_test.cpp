#include "portal_hot_keys.h"

#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>

#include "private_bus.h"

namespace quorvale {
namespace {

using testing::waitFor;

const QString kPath = "/org/freedesktop/portal/desktop";
const QString kShortcuts = "org.freedesktop.portal.GlobalShortcuts";

// The desktop portal's GlobalShortcuts, answering each request at once with its Response.
class FakePortal : public QDBusVirtualObject {
 public:
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    QString member = message.member();
    if (member == "Get") {
      connection.send(message.createReply(QVariant::fromValue(QDBusVariant(1u))));
      return true;
    }
    if (member == "Close") {
      closed.append(message.path());
      connection.send(message.createReply());
      return true;
    }
    if (member != "CreateSession" && member != "BindShortcuts") return false;
    QVariantMap options = qdbus_cast<QVariantMap>(message.arguments().last());
    QString sender = message.service().mid(1).replace('.', '_');
    QString request = kPath + "/request/" + sender + "/" + options["handle_token"].toString();
    connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
    QVariantMap results;
    if (member == "CreateSession") {
      session = kPath + "/session/" + sender + "/" + options["session_handle_token"].toString();
      results["session_handle"] = session;
    } else {
      bound = readShortcuts(message.arguments().at(1).value<QDBusArgument>());
    }
    QDBusMessage response =
        QDBusMessage::createSignal(request, "org.freedesktop.portal.Request", "Response");
    response << 0u << results;
    connection.send(response);
    return true;
  }

  static QStringList readShortcuts(const QDBusArgument& argument) {
    QStringList shortcuts;
    argument.beginArray();
    while (!argument.atEnd()) {
      QString id;
      QVariantMap properties;
      argument.beginStructure();
      argument >> id >> properties;
      argument.endStructure();
      shortcuts.append(id + "=" + properties["preferred_trigger"].toString());
    }
    argument.endArray();
    return shortcuts;
  }

  QString session;
  QStringList bound, closed;
};

class PortalHotKeysTest : public ::testing::Test {
 protected:
  void activate(const QString& session, const QString& id) {
    QDBusMessage signal = QDBusMessage::createSignal(kPath, kShortcuts, "Activated");
    signal << QVariant::fromValue(QDBusObjectPath(session)) << id << qulonglong(0) << QVariantMap{};
    bus.service.send(signal);
  }

  FakePortal portal;
  testing::FakeServiceBus bus{kPath, &portal, "org.freedesktop.portal.Desktop"};
};

TEST_F(PortalHotKeysTest, BindsTheShortcutsAndRunsTheActivatedOne) {
  ASSERT_TRUE(bus.service.isConnected()) << "no dbus-daemon";
  PortalHotKeys keys(bus.client);
  std::vector<std::string> ran;
  std::set<int> failed = keys.registerKeys({
      {.hotKey = {.keyCode = 49, .modifiers = HotKey::option},
       .action = [&] { ran.push_back("open"); }},
      // A key code no key has cannot become a trigger.
      {.hotKey = {.keyCode = 999, .modifiers = HotKey::cmd},
       .action = [&] { ran.push_back("clip"); }},
  });
  EXPECT_EQ(failed, std::set<int>{1});
  ASSERT_TRUE(waitFor([&] { return !portal.bound.isEmpty(); }));
  EXPECT_EQ(portal.bound, QStringList{"open-panel=ALT+space"});
  EXPECT_EQ(keys.sessionHandle(), portal.session);

  activate("/org/freedesktop/portal/desktop/session/other/x", "open-panel");
  activate(portal.session, "open-panel");
  ASSERT_TRUE(waitFor([&] { return !ran.empty(); }));
  EXPECT_EQ(ran, std::vector<std::string>{"open"});

  // Registering again replaces the session; an empty list only closes it.
  QString first = portal.session;
  keys.registerKeys({});
  EXPECT_TRUE(waitFor([&] { return portal.closed.contains(first); }));
  EXPECT_TRUE(keys.sessionHandle().isEmpty());
}

// (Whether the portal is offered is asked with a blocking call, which a fake portal living on this
// thread cannot answer; its absence is answered by the bus itself.)
TEST(PortalHotKeysWithoutPortal, IsNotOffered) {
  testing::PrivateBus bus;
  QDBusConnection client = QDBusConnection::connectToBus(bus.address(), "no-portal");
  EXPECT_FALSE(PortalHotKeys::offered(client));
  QDBusConnection::disconnectFromBus("no-portal");
}

}  // namespace
}  // namespace quorvale

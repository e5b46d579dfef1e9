#include "portal_hot_keys.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>

#include "platform/shortcut_trigger.h"

namespace quorvale {
namespace {

const QString kPortal = "org.freedesktop.portal.Desktop";
const QString kPortalPath = "/org/freedesktop/portal/desktop";
const QString kShortcuts = "org.freedesktop.portal.GlobalShortcuts";
const QString kRequest = "org.freedesktop.portal.Request";
const QString kSession = "org.freedesktop.portal.Session";
constexpr int kTimeoutMilliseconds = 2000;

// The ids the portal shows beside the descriptions, by list position.
const char* const kIds[] = {"open-panel", "clipboard-history"};
const char* const kDescriptions[] = {"Open Quorvale", "Clipboard History"};

// One shortcut as BindShortcuts takes it: (id, {description, preferred_trigger}).
struct Shortcut {
  QString id;
  QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const Shortcut& shortcut) {
  argument.beginStructure();
  argument << shortcut.id << shortcut.properties;
  argument.endStructure();
  return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, Shortcut& shortcut) {
  argument.beginStructure();
  argument >> shortcut.id >> shortcut.properties;
  argument.endStructure();
  return argument;
}

}  // namespace
}  // namespace quorvale

Q_DECLARE_METATYPE(quorvale::Shortcut)

namespace quorvale {

bool PortalHotKeys::offered(const QDBusConnection& bus) {
  if (!bus.isConnected()) return false;
  QDBusMessage question = QDBusMessage::createMethodCall(kPortal, kPortalPath,
                                                         "org.freedesktop.DBus.Properties", "Get");
  question << kShortcuts << QString("version");
  QDBusMessage reply = bus.call(question, QDBus::Block, kTimeoutMilliseconds);
  return reply.type() == QDBusMessage::ReplyMessage;
}

PortalHotKeys::PortalHotKeys(QDBusConnection bus) : bus_(std::move(bus)) {
  qDBusRegisterMetaType<Shortcut>();
  qDBusRegisterMetaType<QList<Shortcut>>();
  bus_.connect(kPortal, kPortalPath, kShortcuts, "Activated", this, SLOT(activated(QDBusMessage)));
}

PortalHotKeys::~PortalHotKeys() {
  closeSession();
}

std::set<int> PortalHotKeys::registerKeys(const std::vector<HotKeyBinding>& bindings) {
  std::set<int> failed;
  closeSession();
  ++generation_;
  actions_.clear();
  pending_.clear();
  QList<Shortcut> shortcuts;
  for (std::size_t i = 0; i < bindings.size() && i < std::size(kIds); ++i) {
    auto trigger = ShortcutTrigger::of(bindings[i].hotKey);
    if (!trigger) {
      failed.insert(static_cast<int>(i));
      continue;
    }
    actions_[kIds[i]] = bindings[i].action;
    shortcuts.append({kIds[i],
                      {{"description", QString(kDescriptions[i])},
                       {"preferred_trigger", QString::fromStdString(*trigger)}}});
  }
  if (shortcuts.isEmpty()) return failed;
  pending_ = {QVariant::fromValue(shortcuts)};
  int generation = generation_;
  request("CreateSession", {}, {{"session_handle_token", QString("quorvale%1").arg(++token_)}},
          [this, generation](uint code, const QVariantMap& results) {
            if (generation != generation_ || code != 0) return;
            session_ = results.value("session_handle").toString();
            bind();
          });
  return failed;
}

void PortalHotKeys::bind() {
  if (session_.isEmpty() || pending_.isEmpty()) return;
  QVariantList arguments{QVariant::fromValue(QDBusObjectPath(session_)), pending_.front(),
                         QString()};
  pending_.clear();
  request("BindShortcuts", arguments, {}, [](uint, const QVariantMap&) {});
}

void PortalHotKeys::request(const QString& method, QVariantList arguments, QVariantMap options,
                            Answer answer) {
  QString token = QString("quorvale%1").arg(++token_);
  options.insert("handle_token", token);
  // org.freedesktop.portal.Request: /org/freedesktop/portal/desktop/request/SENDER/TOKEN, with
  // SENDER our unique name without its ":" and with "." turned into "_".
  QString sender = bus_.baseService().mid(1).replace('.', '_');
  QString path = kPortalPath + "/request/" + sender + "/" + token;
  answers_[path] = std::move(answer);
  bus_.connect(kPortal, path, kRequest, "Response", this, SLOT(response(uint, QVariantMap)));
  QDBusMessage call = QDBusMessage::createMethodCall(kPortal, kPortalPath, kShortcuts, method);
  arguments.append(options);
  call.setArguments(arguments);
  bus_.asyncCall(call);
}

void PortalHotKeys::response(uint code, const QVariantMap& results) {
  QString path = message().path();
  auto found = answers_.find(path);
  if (found == answers_.end()) return;
  Answer answer = std::move(found->second);
  answers_.erase(found);
  bus_.disconnect(kPortal, path, kRequest, "Response", this, SLOT(response(uint, QVariantMap)));
  answer(code, results);
}

void PortalHotKeys::activated(const QDBusMessage& signal) {
  // Activated(o session_handle, s shortcut_id, t timestamp, a{sv} options)
  QVariantList arguments = signal.arguments();
  if (arguments.size() < 2) return;
  if (arguments[0].value<QDBusObjectPath>().path() != session_ || session_.isEmpty()) return;
  auto action = actions_.find(arguments[1].toString());
  if (action != actions_.end() && action->second) action->second();
}

void PortalHotKeys::closeSession() {
  if (session_.isEmpty()) return;
  bus_.asyncCall(QDBusMessage::createMethodCall(kPortal, session_, kSession, "Close"));
  session_.clear();
}

}  // namespace quorvale

// Global shortcuts through the XDG desktop portal's GlobalShortcuts interface, for Wayland
// sessions whose desktop offers it (where no client may grab keys itself). Each registration
// opens a new portal session (closing the last), binds the shortcuts with the stored keys as the
// preferred triggers, and runs an action when the portal reports its shortcut `Activated`. The
// desktop may ask the user to confirm or change the keys; the answer arrives later, so only
// shortcuts that cannot be put into the trigger format are reported as failed.
//
// Requests answer with a `Response` signal on a request object whose path follows from this
// connection's name and the handle token we choose; the watch is set before the call. The bus is
// given so that tests can use a private one. Main thread only.
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <functional>
#include <map>

#include "platform/desktop_services.h"

namespace quorvale {

class PortalHotKeys : public QObject, public HotKeyCenter, protected QDBusContext {
  Q_OBJECT
 public:
  // Whether the bus has a desktop portal with the GlobalShortcuts interface.
  static bool offered(const QDBusConnection& bus);

  explicit PortalHotKeys(QDBusConnection bus);
  ~PortalHotKeys() override;

  std::set<int> registerKeys(const std::vector<HotKeyBinding>& bindings) override;
  // The portal session the shortcuts are bound in; empty until the portal has made it.
  const QString& sessionHandle() const { return session_; }

 private slots:
  void response(uint code, const QVariantMap& results);
  void activated(const QDBusMessage& signal);

 private:
  using Answer = std::function<void(uint code, const QVariantMap& results)>;

  // Calls a portal method whose last argument is the options map; `answer` gets the Response.
  void request(const QString& method, QVariantList arguments, QVariantMap options, Answer answer);
  void closeSession();
  void bind();

  QDBusConnection bus_;
  QString session_;
  QVariantList pending_;  // the shortcuts to bind once the session exists
  std::map<QString, std::function<void()>> actions_;
  std::map<QString, Answer> answers_;  // by request path
  int token_ = 0;
  int generation_ = 0;  // drops the answers of a session replaced meanwhile
};

}  // namespace quorvale

#include "single_instance.h"

#include <QDir>
#include <QLocalSocket>

#include "instance_socket.h"

namespace quorvale {
namespace {

constexpr int kWaitMilliseconds = 1000;

QByteArray nameOf(LaunchMode::Request request) {
  switch (request) {
    case LaunchMode::Request::toggle:
      return "toggle";
    case LaunchMode::Request::clip:
      return "clip";
    case LaunchMode::Request::settings:
      return "settings";
    case LaunchMode::Request::modelChanged:
      return "model";
    case LaunchMode::Request::start:
      break;
  }
  return "start";
}

std::optional<LaunchMode::Request> requestNamed(const QByteArray& name) {
  if (name == "toggle") return LaunchMode::Request::toggle;
  if (name == "clip") return LaunchMode::Request::clip;
  if (name == "settings") return LaunchMode::Request::settings;
  if (name == "start") return LaunchMode::Request::start;
  if (name == "model") return LaunchMode::Request::modelChanged;
  return std::nullopt;
}

}  // namespace

QString SingleInstance::socketPath() {
  QString path = QString::fromStdString(InstanceSocket::path());
  const QString fallback = QString::fromStdString(InstanceSocket::fallbackFolder());
  if (path.startsWith(fallback + "/")) {
    QDir().mkpath(fallback);
    QFile::setPermissions(fallback, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
  return path;
}

bool SingleInstance::forward(LaunchMode::Request request, const QString& path) {
  QLocalSocket socket;
  socket.connectToServer(path);
  if (!socket.waitForConnected(kWaitMilliseconds)) return false;
  socket.write(nameOf(request) + "\n");
  if (!socket.waitForBytesWritten(kWaitMilliseconds)) return false;
  // The instance answers once it has taken the request.
  socket.waitForReadyRead(kWaitMilliseconds);
  return true;
}

bool SingleInstance::listen(Handler handler, const QString& path) {
  handler_ = std::move(handler);
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_.listen(path)) {
    // Nobody answered there (`forward` was tried first): a crashed instance's socket.
    QLocalServer::removeServer(path);
    if (!server_.listen(path)) return false;
  }
  connect(&server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* client = server_.nextPendingConnection()) {
      connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
      connect(client, &QLocalSocket::readyRead, this, [this, client] {
        if (!client->canReadLine()) return;
        auto request = requestNamed(client->readLine().trimmed());
        client->write("ok\n");
        client->flush();
        client->disconnectFromServer();
        if (request && handler_) handler_(*request);
      });
    }
  });
  return true;
}

}  // namespace quorvale

// One running launcher per user: the first instance listens on a local socket,
// `$XDG_RUNTIME_DIR/quorvale.socket`; a later start sends its request there ("start", "toggle",
// "clip", "settings", or "model" from `--install-model`, one line) and exits. A socket left behind
// by a crashed instance is replaced. Main thread only.
#pragma once

#include <QLocalServer>
#include <QString>
#include <functional>

#include "launch_mode.h"

namespace quorvale {

class SingleInstance : public QObject {
  Q_OBJECT
 public:
  using Handler = std::function<void(LaunchMode::Request)>;

  // $XDG_RUNTIME_DIR/quorvale.socket, else one in the temporary folder named after the user.
  static QString socketPath();

  // Hands the request to a running instance; false when none answers.
  static bool forward(LaunchMode::Request request, const QString& path = socketPath());

  // Starts listening; false when the socket cannot be made.
  bool listen(Handler handler, const QString& path = socketPath());

 private:
  QLocalServer server_;
  Handler handler_;
};

}  // namespace quorvale

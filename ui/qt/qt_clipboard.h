// The clipboard through QClipboard: a change counter fed by its change signal (X11 announces
// every change, so nothing is polled), the text, the offered MIME types, and writes with the
// KDE password-manager hint for concealed copies. Whether the session is locked comes from the
// session lock watch (logind and the screen saver). Main thread only.
#pragma once

#include <QObject>
#include <memory>

#include "platform/desktop_services.h"
#include "session_lock_watch.h"

namespace quorvale {

class QtClipboard : public QObject, public SystemClipboard {
  Q_OBJECT
 public:
  QtClipboard();

  std::optional<std::string> text() const override;
  std::vector<std::string> types() const override;
  void write(const std::string& text, bool concealed) override;
  void clear() override;
  std::uint64_t changeCount() const override { return count_; }
  std::optional<std::string> frontApplication() const override;

 private:
  std::uint64_t count_ = 0;
  std::unique_ptr<SessionLockWatch> lockWatch_;
};

}  // namespace quorvale

// The clipboard on Wayland, where a program without a focused window cannot read it through Qt:
// changes come from a `wl-paste --watch` process (one line each), the text and the offered types
// from short wl-paste runs, and writes go through QClipboard (the panel has the focus when the
// program copies). Where the watch cannot run, `unavailableNote` says that clipboard history
// needs the data-control protocol. Session locking as on X11. Main thread only.
#pragma once

#include <QObject>
#include <QProcess>
#include <memory>

#include "platform/desktop_services.h"
#include "session_lock_watch.h"

namespace quorvale {

class WaylandClipboard : public QObject, public SystemClipboard {
  Q_OBJECT
 public:
  WaylandClipboard();
  ~WaylandClipboard() override;

  std::optional<std::string> text() const override;
  std::vector<std::string> types() const override;
  void write(const std::string& text, bool concealed) override;
  void clear() override;
  std::uint64_t changeCount() const override { return count_; }
  std::optional<std::string> frontApplication() const override { return std::nullopt; }
  std::optional<std::string> unavailableNote() const override { return note_; }

 private:
  void watchEnded();

  QProcess watch_;
  std::uint64_t count_ = 0;
  std::optional<std::string> note_;
  bool stopping_ = false;
  // The text as last read, and the change it was read at.
  mutable std::optional<std::string> text_;
  mutable std::uint64_t textCount_ = 0;
  mutable bool textRead_ = false;
  std::unique_ptr<SessionLockWatch> lockWatch_;
};

}  // namespace quorvale

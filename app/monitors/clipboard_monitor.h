// Notices new clipboard text for the clipboard history. The desktop's clipboard reports each
// change (no polling); the monitor waits a moment for the change to settle, so that two quick
// copies record only the last, then hands the text, the application it came from and the
// offered types to `onClip`. Whether the copy is kept (concealed and transient types, password
// managers, secret-looking text, size) is the clip store's decision.
//
// Copies the program makes itself are announced first by raising `ignore`; the change they cause
// is then passed over. Nothing is recorded while the session is locked.
//
// Main thread only; the settle wait runs on the main executor.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "clipboard/clip_policy.h"
#include "platform/desktop_services.h"
#include "util/executor.h"

namespace quorvale {

class ClipboardMonitor {
 public:
  static constexpr std::chrono::milliseconds kSettle{250};

  using ClipHandler =
      std::function<void(const std::string& text, const std::optional<std::string>& source,
                         const std::vector<std::string>& types)>;

  ClipboardMonitor(SystemClipboard& clipboard, Executor& main);
  ~ClipboardMonitor();
  ClipboardMonitor(const ClipboardMonitor&) = delete;
  ClipboardMonitor& operator=(const ClipboardMonitor&) = delete;

  // Starts following changes; what is on the clipboard already is not recorded.
  void start();
  void stop();
  bool running() const { return running_; }

  // The next change is the program's own copy and is not recorded.
  void ignoreNextChange() { ++ignore_; }
  int ignore() const { return ignore_; }

  std::function<ClipPolicy()> policy = [] { return ClipPolicy{}; };
  ClipHandler onClip;

  // Reads the clipboard now if it changed since it was last read (the settle wait ends here).
  void tick();

 private:
  void changed();
  void lockChanged(bool locked);

  SystemClipboard& clipboard_;
  Executor& main_;
  std::uint64_t lastCount_ = 0;
  int ignore_ = 0;
  bool running_ = false;
  bool locked_ = false;
  WorkHandle settle_;
};

}  // namespace quorvale

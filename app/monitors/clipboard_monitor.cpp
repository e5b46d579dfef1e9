#include "monitors/clipboard_monitor.h"

namespace quorvale {

ClipboardMonitor::ClipboardMonitor(SystemClipboard& clipboard, Executor& main)
    : clipboard_(clipboard), main_(main) {
  clipboard_.onChange = [this] { changed(); };
  clipboard_.onLockChange = [this](bool locked) { lockChanged(locked); };
}

ClipboardMonitor::~ClipboardMonitor() {
  settle_.cancel();
  clipboard_.onChange = nullptr;
  clipboard_.onLockChange = nullptr;
}

void ClipboardMonitor::start() {
  if (running_) return;
  running_ = true;
  lastCount_ = clipboard_.changeCount();
}

void ClipboardMonitor::stop() {
  running_ = false;
  settle_.cancel();
}

void ClipboardMonitor::changed() {
  // The program's own copy announces itself right before it writes, so the change it causes is
  // the next one; passing it over here (not after the wait) keeps a copy the user makes just
  // after it from being swallowed.
  if (ignore_ > 0) {
    --ignore_;
    lastCount_ = clipboard_.changeCount();
    return;
  }
  if (!running_ || locked_) {
    lastCount_ = clipboard_.changeCount();
    return;
  }
  settle_.cancel();
  settle_ = main_.postDelayed(kSettle, [this] { tick(); });
}

void ClipboardMonitor::lockChanged(bool locked) {
  locked_ = locked;
  if (locked) settle_.cancel();
  lastCount_ = clipboard_.changeCount();
}

void ClipboardMonitor::tick() {
  std::uint64_t count = clipboard_.changeCount();
  if (count == lastCount_) return;
  lastCount_ = count;
  if (!running_ || locked_) return;
  if (!policy().enabled) return;
  auto text = clipboard_.text();
  if (!text || !onClip) return;
  onClip(*text, clipboard_.frontApplication(), clipboard_.types());
}

}  // namespace quorvale

// The field that records a global shortcut: it shows the shortcut as text; a click starts
// recording (the keyboard is grabbed, and the owner is told so that the global shortcuts are
// released), the next key with its modifiers ends it, and Escape or leaving the field cancels.
// Keys are turned into the stored form (US-layout key codes, Command = Super, Option = Alt) by
// `hotKeyFromQt`. Main thread only.
#pragma once

#include <QPushButton>
#include <functional>
#include <optional>

#include "settings/hot_key.h"

namespace quorvale {

// The shortcut for a key press; nothing for a key the stored form cannot name (a lone modifier,
// a key outside the US layout's table). Shifted symbols count as their unshifted key.
std::optional<HotKey> hotKeyFromQt(int key, Qt::KeyboardModifiers modifiers);

class ShortcutField : public QPushButton {
  Q_OBJECT
 public:
  explicit ShortcutField(QWidget* parent = nullptr);

  void setShortcutText(const QString& text);
  bool isRecording() const { return recording_; }

  // Told when recording starts, and when it ends with the key recorded or nothing (cancelled).
  std::function<void()> onRecordingStarted;
  std::function<void(std::optional<HotKey>)> onRecordingEnded;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void startRecording();
  void endRecording(std::optional<HotKey> recorded);

  QString shortcutText_;
  bool recording_ = false;
};

}  // namespace quorvale

#include "shortcut_field.h"

#include <QKeyEvent>
#include <map>
#include <string>

#include "settings/key_names.h"

namespace quorvale {
namespace {

// Characters typed with Shift on the US layout, by the key that types them.
constexpr std::string_view kShifted = "!1@2#3$4%5^6&7*8(9)0_-+={[}]|\\:;\"'<,>.?/~`";

std::optional<std::string> keyName(int key) {
  static const std::map<int, std::string> named{
      {Qt::Key_Space, "Space"}, {Qt::Key_Return, "↩"},       {Qt::Key_Enter, "↩"},
      {Qt::Key_Tab, "⇥"},       {Qt::Key_Backtab, "⇥"},      {Qt::Key_Backspace, "⌫"},
      {Qt::Key_Escape, "⎋"},    {Qt::Key_Delete, "⌦"},       {Qt::Key_Home, "Home"},
      {Qt::Key_End, "End"},     {Qt::Key_PageUp, "Page Up"}, {Qt::Key_PageDown, "Page Down"},
      {Qt::Key_Left, "←"},      {Qt::Key_Right, "→"},        {Qt::Key_Up, "↑"},
      {Qt::Key_Down, "↓"},
  };
  if (auto found = named.find(key); found != named.end()) return found->second;
  if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return "F" + std::to_string(key - Qt::Key_F1 + 1);
  if (key <= 0x20 || key >= 0x7f) return std::nullopt;
  char c = static_cast<char>(key);  // Qt's keys for printable ASCII are the characters
  if (auto at = kShifted.find(c); at != std::string_view::npos && at % 2 == 0) c = kShifted[at + 1];
  return std::string(1, c);
}

std::optional<std::uint32_t> keyCodeNamed(const std::string& name) {
  for (const auto& [code, known] : KeyNames::table()) {
    if (known == name) return code;
  }
  return std::nullopt;
}

}  // namespace

std::optional<HotKey> hotKeyFromQt(int key, Qt::KeyboardModifiers modifiers) {
  auto name = keyName(key);
  if (!name) return std::nullopt;
  auto code = keyCodeNamed(*name);
  if (!code) return std::nullopt;
  HotKey hotKey{.keyCode = *code, .modifiers = 0};
  if (modifiers & Qt::ControlModifier) hotKey.modifiers |= HotKey::control;
  if (modifiers & Qt::AltModifier) hotKey.modifiers |= HotKey::option;
  if (modifiers & Qt::ShiftModifier) hotKey.modifiers |= HotKey::shift;
  if (modifiers & Qt::MetaModifier) hotKey.modifiers |= HotKey::cmd;
  return hotKey;
}

ShortcutField::ShortcutField(QWidget* parent) : QPushButton(parent) {
  setMinimumWidth(200);
  setToolTip("Click, then press the new shortcut. Escape cancels.");
  connect(this, &QPushButton::clicked, this, [this] {
    if (!recording_) startRecording();
  });
}

void ShortcutField::setShortcutText(const QString& text) {
  shortcutText_ = text;
  if (!recording_) setText(text);
}

void ShortcutField::startRecording() {
  recording_ = true;
  setText("Press the new shortcut…");
  setDown(true);
  setFocus(Qt::OtherFocusReason);
  grabKeyboard();
  if (onRecordingStarted) onRecordingStarted();
}

void ShortcutField::endRecording(std::optional<HotKey> recorded) {
  if (!recording_) return;
  recording_ = false;
  releaseKeyboard();
  setDown(false);
  setText(shortcutText_);
  if (onRecordingEnded) onRecordingEnded(recorded);
}

void ShortcutField::keyPressEvent(QKeyEvent* event) {
  if (!recording_) {
    QPushButton::keyPressEvent(event);
    return;
  }
  Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  if (event->key() == Qt::Key_Escape && modifiers == Qt::NoModifier) {
    endRecording(std::nullopt);
    return;
  }
  // A lone modifier (or a key the stored form has no name for) keeps recording.
  if (auto hotKey = hotKeyFromQt(event->key(), modifiers)) endRecording(hotKey);
}

void ShortcutField::focusOutEvent(QFocusEvent* event) {
  endRecording(std::nullopt);
  QPushButton::focusOutEvent(event);
}

}  // namespace quorvale

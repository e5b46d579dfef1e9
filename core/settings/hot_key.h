// A global shortcut as the settings record stores it: a hardware virtual key code and a modifier
// mask, both in the classic keyboard-event convention (Space is 49; Command 256, Shift 512,
// Option 2048, Control 4096). The X11 hot-key layer maps codes to key symbols and Command to
// Super, Option to Alt. Plain values; safe on any thread.
#pragma once

#include <cstdint>
#include <string>

namespace quorvale {

struct HotKey {
  std::uint32_t keyCode = 0;
  std::uint32_t modifiers = 0;

  static constexpr std::uint32_t cmd = 256;
  static constexpr std::uint32_t shift = 512;
  static constexpr std::uint32_t option = 2048;
  static constexpr std::uint32_t control = 4096;

  bool operator==(const HotKey&) const = default;
};

// The two shortcuts of the settings, in this order: the panel's (`hotKey`) and the clipboard
// history's (`clipboardHotKey`). The order gives the positions of `SettingsStore::unavailable`.
enum class HotKeySlot { panel, clipboard };

// Why a recorded shortcut cannot be stored, in the order the checks run.
struct HotKeyProblem {
  enum class Kind { reservedBySystem, sameAsOther, needsModifier, needsControlOrOption };

  Kind kind = Kind::needsModifier;
  // What the system uses the shortcut for (`reservedBySystem`), or the other slot's name
  // (`sameAsOther`); empty otherwise.
  std::string text;

  bool operator==(const HotKeyProblem&) const = default;
};

}  // namespace quorvale

#include "platform/x11_key_symbols.h"

#include <map>
#include <string>

#include "settings/key_names.h"

namespace quorvale::X11KeySymbols {

std::optional<std::uint32_t> keySymbol(std::uint32_t keyCode) {
  // Named keys by their X11 key symbols (X11/keysymdef.h).
  static const std::map<std::string, std::uint32_t> named{
      {"Space", 0x20},     {"↩", 0xff0d},         {"⇥", 0xff09},    {"⌫", 0xff08},
      {"⎋", 0xff1b},       {"⌦", 0xffff},         {"Home", 0xff50}, {"End", 0xff57},
      {"Page Up", 0xff55}, {"Page Down", 0xff56}, {"←", 0xff51},    {"↑", 0xff52},
      {"→", 0xff53},       {"↓", 0xff54},
  };
  const auto& table = KeyNames::table();
  auto found = table.find(keyCode);
  if (found == table.end()) return std::nullopt;
  const std::string& name = found->second;
  if (auto key = named.find(name); key != named.end()) return key->second;
  if (name.size() > 1 && name[0] == 'F')
    return 0xffbe + static_cast<std::uint32_t>(std::stoi(name.substr(1))) - 1;
  if (name.size() != 1) return std::nullopt;
  // Printable ASCII keys: the symbol is the character, letters in lower case.
  char c = name[0];
  if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return static_cast<std::uint32_t>(static_cast<unsigned char>(c));
}

std::uint16_t modifierMask(std::uint32_t modifiers) {
  std::uint16_t mask = 0;
  if (modifiers & HotKey::cmd) mask |= kMod4Mask;
  if (modifiers & HotKey::shift) mask |= kShiftMask;
  if (modifiers & HotKey::option) mask |= kMod1Mask;
  if (modifiers & HotKey::control) mask |= kControlMask;
  return mask;
}

}  // namespace quorvale::X11KeySymbols

#include "platform/shortcut_trigger.h"

#include <map>

#include "settings/key_names.h"

namespace quorvale::ShortcutTrigger {
namespace {

// The key table's names that differ from the key-symbol names (xkbcommon-keysyms.h).
std::optional<std::string> keySymbolName(const std::string& name) {
  static const std::map<std::string, std::string> named{
      {"Space", "space"},    {"↩", "Return"},       {"⇥", "Tab"},        {"⌫", "BackSpace"},
      {"⎋", "Escape"},       {"⌦", "Delete"},       {"Home", "Home"},    {"End", "End"},
      {"Page Up", "Prior"},  {"Page Down", "Next"}, {"←", "Left"},       {"↑", "Up"},
      {"→", "Right"},        {"↓", "Down"},         {",", "comma"},      {".", "period"},
      {"/", "slash"},        {";", "semicolon"},    {"'", "apostrophe"}, {"[", "bracketleft"},
      {"]", "bracketright"}, {"\\", "backslash"},   {"-", "minus"},      {"=", "equal"},
      {"`", "grave"},
  };
  if (auto found = named.find(name); found != named.end()) return found->second;
  if (name.size() > 1 && name[0] == 'F') return name;  // F1 ... F12
  if (name.size() != 1) return std::nullopt;
  char c = name[0];
  if (c >= 'A' && c <= 'Z') return std::string(1, static_cast<char>(c - 'A' + 'a'));
  if (c >= '0' && c <= '9') return name;
  return std::nullopt;
}

}  // namespace

std::optional<std::string> of(const HotKey& hotKey) {
  const auto& table = KeyNames::table();
  auto found = table.find(hotKey.keyCode);
  if (found == table.end()) return std::nullopt;
  auto key = keySymbolName(found->second);
  if (!key) return std::nullopt;
  std::string trigger;
  if (hotKey.modifiers & HotKey::control) trigger += "CTRL+";
  if (hotKey.modifiers & HotKey::option) trigger += "ALT+";
  if (hotKey.modifiers & HotKey::shift) trigger += "SHIFT+";
  if (hotKey.modifiers & HotKey::cmd) trigger += "LOGO+";
  return trigger + *key;
}

}  // namespace quorvale::ShortcutTrigger

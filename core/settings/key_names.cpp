#include "settings/key_names.h"

namespace quorvale::KeyNames {

const std::map<std::uint32_t, std::string>& table() {
  // Grouped as the keys are listed: characters, named keys, function keys.
  // clang-format off
  static const std::map<std::uint32_t, std::string> names{
      {0, "A"},    {1, "S"},   {2, "D"},   {3, "F"},   {4, "H"},   {5, "G"},   {6, "Z"},
      {7, "X"},    {8, "C"},   {9, "V"},   {11, "B"},  {12, "Q"},  {13, "W"},  {14, "E"},
      {15, "R"},   {16, "Y"},  {17, "T"},  {18, "1"},  {19, "2"},  {20, "3"},  {21, "4"},
      {22, "6"},   {23, "5"},  {24, "="},  {25, "9"},  {26, "7"},  {27, "-"},  {28, "8"},
      {29, "0"},   {30, "]"},  {31, "O"},  {32, "U"},  {33, "["},  {34, "I"},  {35, "P"},
      {37, "L"},   {38, "J"},  {39, "'"},  {40, "K"},  {41, ";"},  {42, "\\"}, {43, ","},
      {44, "/"},   {45, "N"},  {46, "M"},  {47, "."},  {50, "`"},
      {36, "↩"},   {48, "⇥"},  {49, "Space"},          {51, "⌫"},  {53, "⎋"},  {117, "⌦"},
      {115, "Home"},           {119, "End"},           {116, "Page Up"},       {121, "Page Down"},
      {123, "←"},  {124, "→"}, {125, "↓"}, {126, "↑"},
      {122, "F1"}, {120, "F2"}, {99, "F3"}, {118, "F4"}, {96, "F5"},  {97, "F6"},
      {98, "F7"},  {100, "F8"}, {101, "F9"}, {109, "F10"}, {103, "F11"}, {111, "F12"},
  };
  // clang-format on
  return names;
}

std::string name(std::uint32_t keyCode) {
  auto found = table().find(keyCode);
  return found != table().end() ? found->second : "Key " + std::to_string(keyCode);
}

std::string describe(const HotKey& hotKey, const PlatformProfile& profile) {
  std::string text;
  auto add = [&](std::string_view part) {
    if (!text.empty()) text += profile.keyJoiner;
    text += part;
  };
  if (hotKey.modifiers & HotKey::control) add(profile.controlKey);
  if (hotKey.modifiers & HotKey::option) add(profile.optionKey);
  if (hotKey.modifiers & HotKey::shift) add(profile.shiftKey);
  if (hotKey.modifiers & HotKey::cmd) add(profile.commandKey);
  add(name(hotKey.keyCode));
  return text;
}

}  // namespace quorvale::KeyNames

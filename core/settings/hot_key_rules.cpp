#include "settings/hot_key_rules.h"

#include <algorithm>
#include <array>

#include "settings/quorvale_settings.h"

namespace quorvale::HotKeyRules {
namespace {

constexpr std::uint32_t kSpace = 49;
constexpr std::uint32_t kCommandControlOrOption = HotKey::cmd | HotKey::option | HotKey::control;
constexpr std::uint32_t kControlOrOption = HotKey::option | HotKey::control;

constexpr std::array<std::uint32_t, 12> kFunctionKeys{122, 120, 99,  118, 96,  97,
                                                      98,  100, 101, 109, 103, 111};

struct Reserved {
  std::uint32_t keyCode;
  std::uint32_t modifiers;
  std::string_view text;
};

constexpr std::array<Reserved, 11> kReserved{{
    {48, 256, "App switcher (Command-Tab)"},
    {50, 256, "Switch windows (Command-`)"},
    {12, 256, "Quit (Command-Q)"},
    {13, 256, "Close window (Command-W)"},
    {4, 256, "Hide (Command-H)"},
    {46, 256, "Minimize (Command-M)"},
    {53, 2304, "Force Quit (Command-Option-Escape)"},
    {12, 4352, "Lock screen (Control-Command-Q)"},
    {20, 768, "Screenshot (Command-Shift-3)"},
    {21, 768, "Screenshot (Command-Shift-4)"},
    {23, 768, "Screenshot (Command-Shift-5)"},
}};

HotKeySlot otherSlot(HotKeySlot slot) {
  return slot == HotKeySlot::panel ? HotKeySlot::clipboard : HotKeySlot::panel;
}

}  // namespace

bool isFunctionKey(std::uint32_t keyCode) {
  return std::find(kFunctionKeys.begin(), kFunctionKeys.end(), keyCode) != kFunctionKeys.end();
}

std::string_view slotName(HotKeySlot slot) {
  return slot == HotKeySlot::panel ? "the Quorvale hotkey" : "the clipboard history hotkey";
}

std::optional<HotKeyProblem> problem(const HotKey& hotKey, HotKeySlot slot,
                                     const QuorvaleSettings& settings) {
  using Kind = HotKeyProblem::Kind;
  const bool functionKey = isFunctionKey(hotKey.keyCode);
  if ((hotKey.modifiers & kCommandControlOrOption) == 0 && !functionKey) {
    return HotKeyProblem{Kind::needsModifier, {}};
  }
  for (const Reserved& reserved : kReserved) {
    if (reserved.keyCode == hotKey.keyCode && reserved.modifiers == hotKey.modifiers) {
      return HotKeyProblem{Kind::reservedBySystem, std::string(reserved.text)};
    }
  }
  if (hotKey.keyCode != kSpace && (hotKey.modifiers & kControlOrOption) == 0 && !functionKey) {
    return HotKeyProblem{Kind::needsControlOrOption, {}};
  }
  const HotKeySlot other = otherSlot(slot);
  if (settings.hotKeyFor(other) == hotKey) {
    return HotKeyProblem{Kind::sameAsOther, std::string(slotName(other))};
  }
  return std::nullopt;
}

std::string message(const HotKeyProblem& problem, const PlatformProfile& profile) {
  switch (problem.kind) {
    case HotKeyProblem::Kind::reservedBySystem:
      return std::string(profile.systemCapitalized) + " uses this for " + problem.text + ".";
    case HotKeyProblem::Kind::sameAsOther:
      return "That is already set for " + problem.text + ".";
    case HotKeyProblem::Kind::needsModifier:
      return "Hold Control, Option or Command with the key.";
    case HotKeyProblem::Kind::needsControlOrOption:
      return "Add Control or Option, so this does not replace a shortcut such as Command-C in "
             "every app.";
  }
  return {};
}

std::optional<std::string> note(const HotKey& hotKey, const PlatformProfile& profile) {
  if (hotKey.keyCode != kSpace) return std::nullopt;
  if (hotKey.modifiers == HotKey::cmd || hotKey.modifiers == (HotKey::cmd | HotKey::option)) {
    return std::string(profile.commandSpaceNote);
  }
  if (hotKey.modifiers == HotKey::control) return std::string(profile.controlSpaceNote);
  return std::nullopt;
}

}  // namespace quorvale::HotKeyRules

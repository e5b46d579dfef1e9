#include "settings/quorvale_settings.h"

#include <algorithm>

#include "settings/default_folders.h"
#include "settings/hot_key_rules.h"

namespace quorvale {

std::vector<std::string> QuorvaleSettings::defaultRoots() {
  return DefaultFolders::roots();
}

ClipPolicy QuorvaleSettings::defaultClipboard() {
  ClipPolicy policy;
  policy.enabled = false;
  return policy;
}

void QuorvaleSettings::clamp() {
  resultLimit = std::clamp(resultLimit, kMinResultLimit, kMaxResultLimit);
}

int QuorvaleSettings::shownResultLimit() const {
  return static_cast<int>(std::clamp(resultLimit, kMinResultLimit, kMaxResultLimit));
}

const HotKey& QuorvaleSettings::hotKeyFor(HotKeySlot slot) const {
  return slot == HotKeySlot::panel ? hotKey : clipboardHotKey;
}

std::optional<HotKeyProblem> QuorvaleSettings::assign(const HotKey& wanted, HotKeySlot slot) {
  if (auto problem = HotKeyRules::problem(wanted, slot, *this)) return problem;
  (slot == HotKeySlot::panel ? hotKey : clipboardHotKey) = wanted;
  return std::nullopt;
}

void QuorvaleSettings::resetHotKey(HotKeySlot slot) {
  if (slot == HotKeySlot::panel) {
    hotKey = kDefaultHotKey;
  } else {
    clipboardHotKey = kDefaultClipboardHotKey;
  }
}

}  // namespace quorvale

// Every choice the user makes, in one plain value: the shortcuts, the indexed folders, the
// clipboard-history policy, web searches, snippets and panel options. The settings store keeps the
// current record on the main thread and saves it whole on every change; every other reader holds a
// copy. Safe to copy and compare on any thread.
//
// Stored form (the member "quorvale.settings.v1" of the per-user defaults, see user_defaults.h):
// one JSON object whose keys are the field names, written in this order, always all seventeen:
//   "hotKey"                     {"keyCode": n, "modifiers": n}  opens the panel; ⌥Space
//   "clipboardHotKey"            {"keyCode": n, "modifiers": n}  opens the clipboard history; ⌥⇧V
//                                (both numbers unsigned 32-bit and required)
//   "roots"                      [string]  folders to index; "~/" means the home folder
//   "excludedPaths"              [string]  folders left out of the index
//   "hiddenResults"              [string]  files never shown as results
//   "indexContents"              boolean   index the words inside files; true
//   "semanticSearch"             boolean   also find files by meaning; false
//   "clipboard"                  object    the clipboard-history policy (clip_policy.h), off by
//   default "setupVersion"               integer   first-run setup done when >=
//   currentSetupVersion; 0 "questionSearch"             boolean   answer typed questions from
//   passages; false "modelAllowsExpensiveNetwork" boolean  the model download may use a metered
//   network; false "webSearches"                [object]  keyword web searches (web_search.h); the
//   default table "webSearchesVersion"         integer   version of the default table last merged
//   in; 2 "fallbackKeywords"           [string]  web searches offered when nothing matches; g,
//   claude, gpt "snippets"                   [object]  text snippets (snippets.h); none
//   "showMenuBarIcon"            boolean   show the tray item; true
//   "resultLimit"                integer   rows the panel shows; saved within 3...15; 8
// Integers are 64-bit. Decoding is lenient (see settings_codec.h): a missing or null key keeps its
// default, unknown keys are ignored.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "clipboard/clip_policy.h"
#include "quick/snippets.h"
#include "settings/hot_key.h"
#include "settings/web_search.h"

namespace quorvale {

struct QuorvaleSettings {
  static constexpr HotKey kDefaultHotKey{.keyCode = 49, .modifiers = HotKey::option};
  static constexpr HotKey kDefaultClipboardHotKey{.keyCode = 9,
                                                  .modifiers = HotKey::option | HotKey::shift};
  static constexpr std::int64_t currentSetupVersion = 1;
  static constexpr std::int64_t kMinResultLimit = 3;
  static constexpr std::int64_t kMaxResultLimit = 15;

  HotKey hotKey = kDefaultHotKey;
  HotKey clipboardHotKey = kDefaultClipboardHotKey;
  std::vector<std::string> roots = defaultRoots();
  std::vector<std::string> excludedPaths;
  std::vector<std::string> hiddenResults;
  bool indexContents = true;
  bool semanticSearch = false;
  ClipPolicy clipboard = defaultClipboard();
  std::int64_t setupVersion = 0;
  bool questionSearch = false;
  bool modelAllowsExpensiveNetwork = false;
  std::vector<WebSearch> webSearches = WebSearch::defaults();
  std::int64_t webSearchesVersion = WebSearch::defaultsVersion;
  std::vector<std::string> fallbackKeywords = WebSearch::defaultFallbackKeywords();
  std::vector<Snippet> snippets;
  bool showMenuBarIcon = true;
  std::int64_t resultLimit = 8;

  bool operator==(const QuorvaleSettings&) const = default;

  // Brings `resultLimit` within 3...15.
  void clamp();
  // The rows to show: `resultLimit` brought within 3...15. The record keeps whatever was loaded
  // (the saved copy is clamped), so every use of the limit goes through here.
  int shownResultLimit() const;

  // Stores the shortcut in the slot unless `HotKeyRules::problem` finds one, which is returned
  // with the settings left unchanged.
  std::optional<HotKeyProblem> assign(const HotKey& hotKey, HotKeySlot slot);
  // Option-Space for the panel, Option-Shift-V for the clipboard history.
  void resetHotKey(HotKeySlot slot);
  const HotKey& hotKeyFor(HotKeySlot slot) const;

  // The platform's default folders (default_folders.h).
  static std::vector<std::string> defaultRoots();
  // The clipboard policy of a new record: the policy's defaults with the history off, so nothing
  // is recorded until the user turns it on.
  static ClipPolicy defaultClipboard();
};

}  // namespace quorvale

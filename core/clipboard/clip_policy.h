// What the clipboard history may record: the user's clipboard-history choices (`ClipPolicy`, kept
// in the settings record under "clipboard") and the fixed lists of password-manager applications
// and of clipboard types that mark a copy as private or transient.
//
// Plain values and constant tables, read by the clip store on every copy the clipboard monitor
// reports and by the settings codec. Safe on any thread.
//
// JSON form (an object inside the settings record; every key optional, a missing or null key keeps
// its default, a present key of the wrong type fails the decode):
//   "enabled"          boolean   history is kept at all                              true
//   "maxItems"         integer   most unpinned entries kept                          200
//   "maxAgeDays"       integer   unpinned entries older than this are dropped        30
//   "maxBytesPerItem"  integer   larger copies (UTF-8 bytes) are not recorded        100000
//   "skipSensitive"    boolean   refuse texts that look like secrets                 true
//   "memoryOnly"       boolean   never write the history to disk                     false
//   "ignoredBundles"   [string]  applications whose copies are never recorded passwordManagers
// Integers are read as 64-bit numbers and not clamped; the store's arithmetic tolerates any value
// (a negative count keeps no unpinned entry, a huge age keeps everything).
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quorvale {

struct ClipPolicy {
  bool enabled = true;
  std::int64_t maxItems = 200;
  std::int64_t maxAgeDays = 30;
  std::int64_t maxBytesPerItem = 100000;
  bool skipSensitive = true;
  bool memoryOnly = false;
  std::set<std::string> ignoredBundles = passwordManagers();

  bool operator==(const ClipPolicy&) const = default;

  // Identifiers of password-manager applications on this platform (compared ignoring case): the
  // platform profile's list.
  static const std::set<std::string>& passwordManagers();
  // Clipboard types whose presence marks a copy as private or transient. Besides the seven
  // pasteboard conventions this holds the KDE password-manager hint, which password managers on
  // Linux desktops set on the secrets they copy.
  static const std::set<std::string>& ignoredTypes();
};

// The marker written beside a secret this program copies, and its Linux counterpart (whose value
// is "secret"); clipboard managers that honour either leave the copy out of their history.
inline constexpr std::string_view kConcealedType = "org.nspasteboard.ConcealedType";
inline constexpr std::string_view kKdePasswordManagerHint = "x-kde-passwordManagerHint";

class ClipPolicyError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

nlohmann::ordered_json encodeClipPolicy(const ClipPolicy& policy);
// Throws ClipPolicyError naming the key when the value is not an object or a key has the wrong
// type.
ClipPolicy decodeClipPolicy(const nlohmann::ordered_json& json);

}  // namespace quorvale

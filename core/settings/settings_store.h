// The application's one settings record in memory and on disk. The application object creates it
// at start (which loads the record), every change is assigned through it (which saves the whole
// record), and observers hear of each change. Main thread only.
//
// Loading never fails: a missing record gives the defaults, and so does one that cannot be used
// (a defaults file that cannot be read, is not JSON, or a record with a field of the wrong type).
// Such a record is not lost: the whole defaults file is copied aside at once
// ("defaults.json.unreadable-<UTC time>"; the same damage seen at every start is kept once), and
// a file that cannot be read at all is never written over. `loadProblem` says what happened and
// where the copy is, for standard error and the status line, and `fromUser` is false: the
// defaults then stand in for choices the user made, and nothing that acts on the user's data
// (pruning the clipboard history, say) may act on them until a save makes them the user's. When
// only the snippets could not be read, the file is copied aside before the first save, since the
// save would drop them from it.
//
// Saving writes a copy whose `resultLimit` is brought within 3...15; the record in memory keeps
// the value it was given until the next start.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "settings/quorvale_settings.h"
#include "settings/user_defaults.h"

namespace quorvale {

class SettingsStore {
 public:
  using Observer = std::function<void(const SettingsStore&)>;

  // Loads the record kept in `defaults`, which must outlive the store.
  explicit SettingsStore(UserDefaults& defaults);
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  const QuorvaleSettings& settings() const { return settings_; }

  // Makes the record current, tells the observers, then saves it, even when it equals the old
  // one. Throws DefaultsError when the record cannot be saved; it stays current in memory.
  void setSettings(QuorvaleSettings settings);

  // Reads the record again after another process changed the file. A record that decodes and
  // differs becomes current and the observers hear of it (nothing is saved); one that does not
  // decode leaves the current record in place and is set aside before the next save.
  // Returns whether the record changed.
  bool reload();

  // Checks the shortcut and, when there is no problem, stores it in the slot and saves (as
  // `setSettings`); otherwise returns the problem and changes nothing.
  std::optional<HotKeyProblem> assign(const HotKey& hotKey, HotKeySlot slot);
  // Puts the slot's default shortcut back and saves.
  void resetHotKey(HotKeySlot slot);

  // Positions (0 = `hotKey`, 1 = `clipboardHotKey`) of shortcuts that could not be registered
  // the last time the settings were applied.
  const std::set<int>& unavailable() const { return unavailable_; }
  void setUnavailable(std::set<int> positions);

  // Called after every change of `settings` or `unavailable`, on the main thread.
  int observe(Observer observer);
  void stopObserving(int token);

  // Why the stored record (or its snippets) could not be used at load, one sentence naming where
  // the unreadable copy was kept; nothing when it was fine.
  const std::optional<std::string>& loadProblem() const { return loadProblem_; }
  // Where the stored record that could not be read was copied at load; nothing when no copy was
  // made.
  const std::optional<std::string>& setAsidePath() const { return setAside_; }
  // False while the stored record could not be read and the defaults stand in for it; true again
  // once a save has stored the current record.
  bool fromUser() const { return fromUser_; }

 private:
  void notify() const;
  void save();
  // Falls back to the defaults for a stored record that cannot be used, keeping a copy of it.
  void refuseStored(const std::string& reason, bool readable);

  UserDefaults& defaults_;
  QuorvaleSettings settings_;
  std::set<int> unavailable_;
  std::map<int, Observer> observers_;
  int nextToken_ = 0;
  std::optional<std::string> loadProblem_;
  std::optional<std::string> setAside_;
  bool fromUser_ = true;
  // The stored record was not (fully) read: keep a copy of the file before writing over it.
  bool mustSetAside_ = false;
};

}  // namespace quorvale

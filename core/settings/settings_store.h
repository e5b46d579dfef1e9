// The application's one settings record in memory and on disk. The application object creates it
// at start (which loads the record), every change is assigned through it (which saves the whole
// record), and observers hear of each change. Main thread only.
//
// Loading never fails: a missing record gives the defaults, and so does one that does not decode,
// silently. Such a record is not lost: before the first save writes over it, the whole defaults
// file is copied aside ("defaults.json.unreadable-<UTC time>"). The same happens when only the
// snippets could not be read, since a save would drop them from the file.
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

  // Why the stored record (or its snippets) could not be used at load; nothing when it was fine.
  const std::optional<std::string>& loadProblem() const { return loadProblem_; }

 private:
  void notify() const;
  void save();

  UserDefaults& defaults_;
  QuorvaleSettings settings_;
  std::set<int> unavailable_;
  std::map<int, Observer> observers_;
  int nextToken_ = 0;
  std::optional<std::string> loadProblem_;
  // The stored record was not (fully) read: keep a copy of the file before writing over it.
  bool mustSetAside_ = false;
};

}  // namespace quorvale

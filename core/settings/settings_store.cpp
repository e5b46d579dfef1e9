#include "settings/settings_store.h"

#include <chrono>

#include "settings/settings_codec.h"

namespace quorvale {

SettingsStore::SettingsStore(UserDefaults& defaults) : defaults_(defaults) {
  UserDefaults::Stored stored = defaults_.read(UserDefaults::kSettingsKey);
  if (stored.problem) {
    // A file that cannot be read at all stays where it is: saving refuses to replace it.
    refuseStored(*stored.problem, !stored.unreadable);
    return;
  }
  if (!stored.value) return;
  try {
    DecodedSettings decoded = decodeSettings(*stored.value);
    settings_ = std::move(decoded.settings);
    if (decoded.droppedSnippets) {
      loadProblem_ = "The snippets could not be read: " + *decoded.droppedSnippets;
      mustSetAside_ = true;
    }
  } catch (const SettingsDecodeError& error) {
    refuseStored(error.what(), true);
  }
}

void SettingsStore::refuseStored(const std::string& reason, bool readable) {
  fromUser_ = false;
  mustSetAside_ = readable;
  std::string problem =
      "The settings could not be read (" + reason + "), so the defaults are in use";
  if (!readable) {
    loadProblem_ = problem + "; " + defaults_.path() + " is left as it is";
    return;
  }
  // Kept aside now, so the user hears where the copy is before anything could be lost.
  try {
    if (auto copy = defaults_.setAside(std::chrono::system_clock::now())) {
      mustSetAside_ = false;
      setAside_ = *copy;
      loadProblem_ = problem + "; the unreadable copy is kept at " + *copy;
      return;
    }
  } catch (const DefaultsError& error) {
    problem += std::string("; ") + error.what();
  }
  loadProblem_ = problem + "; " + defaults_.path() + " is left as it is";
}

bool SettingsStore::reload() {
  UserDefaults::Stored stored = defaults_.read(UserDefaults::kSettingsKey);
  if (stored.problem) {
    refuseStored(*stored.problem, !stored.unreadable);
    return false;
  }
  if (!stored.value) return false;
  try {
    DecodedSettings decoded = decodeSettings(*stored.value);
    fromUser_ = true;
    loadProblem_.reset();
    if (decoded.droppedSnippets) {
      loadProblem_ = "The snippets could not be read: " + *decoded.droppedSnippets;
      mustSetAside_ = true;
    }
    if (decoded.settings == settings_) return false;
    settings_ = std::move(decoded.settings);
  } catch (const SettingsDecodeError& error) {
    // The current record stays in place; the unreadable one is kept aside.
    refuseStored(error.what(), true);
    return false;
  }
  notify();
  return true;
}

void SettingsStore::setSettings(QuorvaleSettings settings) {
  settings_ = std::move(settings);
  notify();
  save();
}

std::optional<HotKeyProblem> SettingsStore::assign(const HotKey& hotKey, HotKeySlot slot) {
  QuorvaleSettings changed = settings_;
  if (auto problem = changed.assign(hotKey, slot)) return problem;
  setSettings(std::move(changed));
  return std::nullopt;
}

void SettingsStore::resetHotKey(HotKeySlot slot) {
  QuorvaleSettings changed = settings_;
  changed.resetHotKey(slot);
  setSettings(std::move(changed));
}

void SettingsStore::setUnavailable(std::set<int> positions) {
  unavailable_ = std::move(positions);
  notify();
}

int SettingsStore::observe(Observer observer) {
  observers_.emplace(nextToken_, std::move(observer));
  return nextToken_++;
}

void SettingsStore::stopObserving(int token) {
  observers_.erase(token);
}

void SettingsStore::notify() const {
  // A copy, so that an observer may stop observing while being called.
  auto observers = observers_;
  for (const auto& [token, observer] : observers) observer(*this);
}

void SettingsStore::save() {
  QuorvaleSettings saved = settings_;
  saved.clamp();
  nlohmann::ordered_json encoded = encodeSettings(saved);
  if (mustSetAside_) {
    defaults_.setAside(std::chrono::system_clock::now());
    mustSetAside_ = false;
  }
  defaults_.set(UserDefaults::kSettingsKey, std::move(encoded));
  fromUser_ = true;  // what is stored now is what the user was shown and changed
}

}  // namespace quorvale

#include "settings/settings_store.h"

#include <chrono>

#include "settings/settings_codec.h"

namespace quorvale {

SettingsStore::SettingsStore(UserDefaults& defaults) : defaults_(defaults) {
  auto stored = defaults_.value(UserDefaults::kSettingsKey);
  if (!stored) return;
  try {
    DecodedSettings decoded = decodeSettings(*stored);
    settings_ = std::move(decoded.settings);
    if (decoded.droppedSnippets) {
      loadProblem_ = "The snippets could not be read: " + *decoded.droppedSnippets;
      mustSetAside_ = true;
    }
  } catch (const SettingsDecodeError& error) {
    loadProblem_ = std::string("The settings could not be read: ") + error.what();
    mustSetAside_ = true;
  }
}

bool SettingsStore::reload() {
  auto stored = defaults_.value(UserDefaults::kSettingsKey);
  if (!stored) return false;
  try {
    DecodedSettings decoded = decodeSettings(*stored);
    if (decoded.droppedSnippets) {
      loadProblem_ = "The snippets could not be read: " + *decoded.droppedSnippets;
      mustSetAside_ = true;
    }
    if (decoded.settings == settings_) return false;
    settings_ = std::move(decoded.settings);
  } catch (const SettingsDecodeError& error) {
    loadProblem_ = std::string("The settings could not be read: ") + error.what();
    mustSetAside_ = true;
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
}

}  // namespace quorvale

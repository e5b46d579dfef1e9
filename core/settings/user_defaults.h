// The per-user defaults: one JSON file, `$XDG_CONFIG_HOME/quorvale/defaults.json`, holding a few
// values under fixed keys. Quorvale keeps two there: "quorvale.settings.v1", the settings record
// as a JSON object (see quorvale_settings.h), and "quorvale.contentVersion", an integer (the
// engine re-extracts all text when it is old). Whoever offers the encoder's model for download
// adds the deployment values "quorvale.models.manifestURL", "quorvale.models.publicKey" and
// "quorvale.models.allowedHosts" (see models/model_catalog.h); they are absent by default.
//
// defaults.json is one JSON object; each member is one stored value. Members this program does not
// know are kept as they are when a value is written. The file is replaced atomically with mode
// 0600 on every write, in a folder created with mode 0700.
//
// Damage is never written over: a file that is not a JSON object (truncated, say) reads as empty,
// and the first write copies it aside to "defaults.json.unreadable-<UTC time>" before it replaces
// it. A file that cannot be read at all (a folder in its place, no permission) also reads as
// empty, but writing then fails with DefaultsError rather than replacing what could not be read.
//
// One object per file and process, shared by the settings store (main thread) and the engine's
// index queue: each operation reads, changes and writes the file under the object's mutex.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quorvale {

class DefaultsError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class UserDefaults {
 public:
  static constexpr std::string_view kSettingsKey = "quorvale.settings.v1";
  static constexpr std::string_view kContentVersionKey = "quorvale.contentVersion";

  explicit UserDefaults(std::string path);
  UserDefaults(const UserDefaults&) = delete;
  UserDefaults& operator=(const UserDefaults&) = delete;

  // `$XDG_CONFIG_HOME/quorvale/defaults.json` (~/.config/quorvale/defaults.json), or under the
  // temporary folder when the user has no home.
  static std::string standardPath();

  const std::string& path() const { return path_; }

  struct Stored {
    std::optional<nlohmann::ordered_json> value;
    // Why the file could not be used: it exists but cannot be read, is not a regular file, or
    // is not a JSON object. Nothing when the file is fine or simply missing.
    std::optional<std::string> problem;
    // The problem is that the file's bytes could not be read at all.
    bool unreadable = false;
  };
  // The stored value (nothing when the key or the file is missing), and what kept it from being
  // read.
  Stored read(std::string_view key) const;
  // The stored value; nothing when the key or the file is missing or the file cannot be used.
  std::optional<nlohmann::ordered_json> value(std::string_view key) const;
  // The stored value when it is an integer.
  std::optional<std::int64_t> integer(std::string_view key) const;

  // Stores the value under the key, keeping every other member. Throws DefaultsError when the
  // file cannot be read or written; the file on disk is then as it was.
  void set(std::string_view key, nlohmann::ordered_json value);

  // Keeps a copy of the whole file aside as "<path>.unreadable-<UTC time>" and returns its path;
  // nothing when there is no file. Throws DefaultsError when the copy cannot be made.
  std::optional<std::string> setAside(std::chrono::system_clock::time_point now);

 private:
  std::string path_;
  mutable std::mutex mutex_;  // serializes the read-change-write of the file
};

}  // namespace quorvale

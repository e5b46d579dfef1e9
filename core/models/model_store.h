// The installed models, one folder per model inside "Models" in the data folder. The one owner
// of this layout; the model downloader writes it, the engine and the command line read it.
//
//   root/<id>/installed.json   the `Installed` record, written last (see below)
//   root/<id>/model/           the model's files: "config.json", "tokenizer.json",
//                              "model.safetensors" (the encoder loads from here)
//   root/.staging-<UUID>/      one installation's work folder, removed when it ends
//
// installed.json is one JSON object:
//   "id"           string, the model's identifier (the folder's name)
//   "version"      string, the version installed
//   "sizeBytes"    integer, the size of what was installed
//   "dimension"    integer, the model's vector length
//   "installedAt"  string, ISO 8601 date in UTC ("2026-12-06T19:04:12Z")
// A model counts as installed only when installed.json decodes, names the same id, and the
// model/ folder exists: files without the record, or a record without the files, are not a
// model.
//
// Stateless apart from the root's path: every call looks at the disk, so several processes (the
// launcher and `quorvale --install-model`) see each other's changes. Any thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace quorvale {

class ModelStore {
 public:
  struct Installed {
    std::string id;
    std::string version;
    std::int64_t sizeBytes = 0;
    std::int64_t dimension = 0;
    std::chrono::system_clock::time_point installedAt{};

    bool operator==(const Installed&) const = default;
  };

  explicit ModelStore(std::string root) : root_(std::move(root)) {}

  const std::string& root() const { return root_; }
  // root/id
  std::string folder(const std::string& id) const;
  // root/id/model
  std::string payload(const std::string& id) const;

  // The record of an installed model; nothing when installed.json is missing or undecodable,
  // names another id, or the model/ folder is missing.
  std::optional<Installed> installed(const std::string& id) const;
  // The folder to load an installed model from; nothing when it is not installed.
  std::optional<std::string> installedPayload(const std::string& id) const;

  // Writes root/<record.id>/installed.json atomically, with `installedAt` = now. Throws
  // std::system_error when it cannot be written.
  void record(Installed record, std::chrono::system_clock::time_point now) const;

  // Bytes of the regular files under root (links not followed).
  std::uint64_t diskUsage() const;

  // Deletes root/id. Throws std::filesystem::filesystem_error when it cannot.
  void remove(const std::string& id) const;

 private:
  std::string root_;
};

}  // namespace quorvale

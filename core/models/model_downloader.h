// Fetches the signed manifest of the offered model, checks it, and installs the model it
// describes into the model store: the download is verified against the manifest's size and
// SHA-256, unpacked into a staging folder, loaded once by the caller's check, and only then
// moved into place and recorded. `installFromDisk` takes the same path for files the user
// already has (a folder, or a zip archive, holding the three model files).
//
// Every failure leaves the store as it was: nothing is moved into root/<id>/ before all checks
// passed, an installation replacing an older one puts it back when the move fails, and the
// staging folder (with the download in it) is always deleted.
//
// The methods block; the model controller and the command line call them on a background
// thread. One object may serve several threads as long as `setAllowsExpensiveNetwork` is not
// called during a transfer.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>

#include "models/https_transfer.h"
#include "models/model_manifest.h"
#include "models/model_store.h"

namespace quorvale {

struct ModelDownloaderOptions {
  // Hosts the model file may come from (lower case).
  std::set<std::string> allowedHosts{};
  HttpsOptions https{};
  // Loads the model files in the folder before they are recorded and returns the model's vector
  // length; throws when they are not a usable model. None: the files are taken as they are.
  std::function<std::int64_t(const std::string& folder)> checkPayload{};
  // Free bytes for ordinary data on the volume of the path; none asks the file system.
  std::function<std::optional<std::uint64_t>(const std::string& path)> freeSpace{};
};

struct ModelInstallProgress {
  // Completed fraction, 0 ... 1, on the installing thread.
  std::function<void(double)> report{};
  // Once true, the installation stops at the next step with ModelInstallCancelled.
  const std::atomic<bool>* cancel = nullptr;
};

class ModelDownloader {
 public:
  // `publicKey` is the signing key's 32 raw bytes (anything else verifies nothing).
  ModelDownloader(ModelStore store, std::string publicKey, ModelDownloaderOptions options);

  const ModelStore& store() const { return store_; }
  bool allowsExpensiveNetwork() const { return options_.https.allowsExpensiveNetwork; }
  void setAllowsExpensiveNetwork(bool allowed) { options_.https.allowsExpensiveNetwork = allowed; }

  // GETs the manifest, decodes and validates it. Throws ModelError; failures that are not
  // ModelError come out as `network` with their description. ModelInstallCancelled once
  // `cancel` is set.
  ModelManifest fetchManifest(const std::string& url,
                              const std::atomic<bool>* cancel = nullptr) const;

  // In this order: the signature (notSigned), an https address (badManifest "the address is not
  // https"), an allowed host (wrongHost), then sizeBytes in 1 ... 1,999,999,999, a 64-character
  // digest and a well-formed id (badManifest "numbers or id out of range").
  void validate(const ModelManifest& manifest) const;

  // Downloads, checks, unpacks and records the model. Throws ModelError or
  // ModelInstallCancelled.
  ModelStore::Installed install(const ModelManifest& manifest,
                                const ModelInstallProgress& progress = {}) const;

  // Installs the model files found at `path` under the id: a folder holding config.json,
  // tokenizer.json and model.safetensors, or a zip archive of them (at its top or in one
  // folder). Throws ModelError (installFailed with the reason).
  ModelStore::Installed installFromDisk(const std::string& path, const std::string& id) const;

  // Throws ModelError (notEnoughDiskSpace) when the volume holding the store has less free
  // space than `needed`.
  void checkDiskSpace(std::uint64_t needed) const;

  // The three files a model folder holds.
  static constexpr const char* kModelFiles[] = {"config.json", "tokenizer.json",
                                                "model.safetensors"};

 private:
  class Staging;
  ModelStore::Installed commit(Staging& staging, const std::string& payload,
                               ModelStore::Installed record) const;

  ModelStore store_;
  std::string publicKey_;
  ModelDownloaderOptions options_;
};

}  // namespace quorvale

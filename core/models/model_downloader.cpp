#include "models/model_downloader.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <system_error>

#include "models/model_archive.h"
#include "models/model_crypto.h"
#include "models/model_error.h"
#include "util/file_lock.h"
#include "util/unicode.h"
#include "util/uuid.h"

namespace quorvale {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kLargestDownload = 1'999'999'999;
constexpr std::size_t kLargestManifest = 1 << 20;
constexpr const char* kOutOfRange = "numbers or id out of range";

bool isIdentifier(const std::string& id) {
  auto lowerOrDigit = [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); };
  if (id.empty() || id.size() > 61 || !lowerOrDigit(id.front())) return false;
  return std::all_of(id.begin() + 1, id.end(),
                     [&](char c) { return lowerOrDigit(c) || c == '.' || c == '_' || c == '-'; });
}

bool isDigest(const std::string& digest) {
  return digest.size() == 64 && std::all_of(digest.begin(), digest.end(),
                                            [](unsigned char c) { return std::isxdigit(c) != 0; });
}

std::optional<std::uint64_t> statvfsFreeSpace(const std::string& path) {
  struct statvfs info {};
  if (::statvfs(path.c_str(), &info) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
}

// The nearest folder at or above the path that exists (the store's root may not yet).
std::string existingAncestor(fs::path path) {
  std::error_code error;
  while (!path.empty() && !fs::exists(path, error) && path.has_relative_path()) {
    path = path.parent_path();
  }
  return path.empty() ? std::string(".") : path.string();
}

// The file name the address ends in, for the extension and the name of a single-file model.
std::string fileNameOf(const std::string& urlPath) {
  std::string name = fs::path(urlPath).filename().string();
  if (name.empty() || name == "." || name == "..") return "download";
  return name;
}

void throwIfCancelled(const ModelInstallProgress& progress) {
  if (progress.cancel != nullptr && progress.cancel->load()) throw ModelInstallCancelled();
}

std::uint64_t filesSize(const fs::path& folder) {
  std::uint64_t total = 0;
  for (const char* name : ModelDownloader::kModelFiles) total += fs::file_size(folder / name);
  return total;
}

bool holdsModelFiles(const fs::path& folder) {
  std::error_code error;
  return std::all_of(std::begin(ModelDownloader::kModelFiles),
                     std::end(ModelDownloader::kModelFiles),
                     [&](const char* name) { return fs::is_regular_file(folder / name, error); });
}

// The files may sit at the archive's top or in its one folder ("model-name/config.json").
fs::path payloadWithin(const fs::path& unpacked) {
  if (holdsModelFiles(unpacked)) return unpacked;
  std::vector<fs::path> entries;
  for (const auto& entry : fs::directory_iterator(unpacked)) entries.push_back(entry.path());
  if (entries.size() == 1 && !fs::is_symlink(entries.front()) &&
      fs::is_directory(entries.front()) && holdsModelFiles(entries.front())) {
    return entries.front();
  }
  throw ModelError::installFailed(
      "the model needs config.json, tokenizer.json and model.safetensors");
}

}  // namespace

// One installation's work folder, root/.staging-<UUID>, deleted with everything in it when the
// installation ends, whichever way. It holds a lock on its ".lock" file while it is in use, so
// that the folders of installations that died with their process (a crash, a kill) can be told
// from those of running ones, in this process or another, and removed by the next installation.
class ModelDownloader::Staging {
 public:
  explicit Staging(const ModelStore& store)
      : path_(fs::path(store.root()) / (".staging-" + uuid::random())) {
    fs::create_directories(store.root());
    removeAbandoned(store.root());
    fs::create_directory(path_);
    fs::permissions(path_, fs::perms::owner_all);
    if (FileLock::tryAcquire(path_ / ".lock", lock_) != FileLock::Outcome::acquired) {
      throw ModelError::installFailed("the staging folder could not be locked");
    }
  }
  ~Staging() {
    std::error_code error;
    fs::remove_all(path_, error);
  }
  Staging(const Staging&) = delete;
  Staging& operator=(const Staging&) = delete;

  const fs::path& path() const { return path_; }

 private:
  static void removeAbandoned(const fs::path& root) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(root, error)) {
      if (entry.path().filename().string().rfind(".staging-", 0) != 0) continue;
      std::optional<FileLock> lock;
      if (FileLock::tryAcquire(entry.path() / ".lock", lock) == FileLock::Outcome::acquired) {
        std::error_code removeError;
        fs::remove_all(entry.path(), removeError);
      }
    }
  }

  fs::path path_;
  std::optional<FileLock> lock_;
};

ModelDownloader::ModelDownloader(ModelStore store, std::string publicKey,
                                 ModelDownloaderOptions options)
    : store_(std::move(store)), publicKey_(std::move(publicKey)), options_(std::move(options)) {}

ModelManifest ModelDownloader::fetchManifest(const std::string& url,
                                             const std::atomic<bool>* cancel) const {
  try {
    ModelManifest manifest =
        ModelManifest::decode(https::get(url, options_.https, kLargestManifest, cancel));
    validate(manifest);
    return manifest;
  } catch (const ModelError&) {
    throw;
  } catch (const ModelInstallCancelled&) {
    throw;
  } catch (const std::exception& failure) {
    throw ModelError::network(failure.what());
  }
}

void ModelDownloader::validate(const ModelManifest& manifest) const {
  auto signature = model_crypto::decodeBase64(manifest.signature);
  if (!signature ||
      !model_crypto::verifyEd25519(publicKey_, manifest.signedMessage(), *signature)) {
    throw ModelError(ModelError::Kind::notSigned);
  }
  auto url = https::parseUrl(manifest.url);
  if (!url || url->scheme != "https") throw ModelError::badManifest("the address is not https");
  if (!options_.allowedHosts.contains(url->host)) throw ModelError(ModelError::Kind::wrongHost);
  if (manifest.sizeBytes < 1 || manifest.sizeBytes > kLargestDownload ||
      !isDigest(manifest.sha256) || !isIdentifier(manifest.id)) {
    throw ModelError::badManifest(kOutOfRange);
  }
}

void ModelDownloader::checkDiskSpace(std::uint64_t needed) const {
  std::string volume = existingAncestor(fs::path(store_.root()).parent_path());
  auto free = options_.freeSpace ? options_.freeSpace(volume) : statvfsFreeSpace(volume);
  if (!free || *free < needed) throw ModelError(ModelError::Kind::notEnoughDiskSpace);
}

ModelStore::Installed ModelDownloader::install(const ModelManifest& manifest,
                                               const ModelInstallProgress& progress) const {
  validate(manifest);
  auto size = static_cast<std::uint64_t>(manifest.sizeBytes);
  checkDiskSpace(3 * size);
  throwIfCancelled(progress);
  try {
    Staging staging(store_);
    std::string name = fileNameOf(https::parseUrl(manifest.url)->path);
    fs::path download = staging.path() / "download.part";
    HttpsProgress transfer{.report =
                               [&](std::uint64_t received, std::uint64_t) {
                                 if (progress.report) {
                                   progress.report(std::min(1.0, static_cast<double>(received) /
                                                                     static_cast<double>(size)));
                                 }
                               },
                           .cancel = progress.cancel};
    https::download(manifest.url, download, options_.https, transfer);
    if (fs::file_size(download) != size) throw ModelError(ModelError::Kind::sizeMismatch);
    if (model_crypto::sha256Hex(download) != unicode::asciiLowercased(manifest.sha256)) {
      throw ModelError(ModelError::Kind::hashMismatch);
    }
    throwIfCancelled(progress);
    fs::path model = staging.path() / "model";
    fs::create_directory(model);
    fs::path payload = model;
    if (unicode::asciiLowercased(fs::path(name).extension().string()) == ".zip") {
      // Model weights hardly compress: an archive that grows beyond twice its size is not one.
      model_archive::unzip(download, model, 2 * size + (1 << 20));
      if (!holdsModelFiles(model)) payload = payloadWithin(model);
    } else {
      fs::rename(download, model / name);
    }
    throwIfCancelled(progress);
    auto installed = commit(staging, payload,
                            {.id = manifest.id,
                             .version = manifest.version,
                             .sizeBytes = manifest.sizeBytes,
                             .dimension = manifest.dimension});
    if (progress.report) progress.report(1.0);
    return installed;
  } catch (const ModelError&) {
    throw;
  } catch (const ModelInstallCancelled&) {
    throw;
  } catch (const std::exception& failure) {
    throw ModelError::installFailed(failure.what());
  }
}

ModelStore::Installed ModelDownloader::installFromDisk(const std::string& path,
                                                       const std::string& id) const {
  if (!isIdentifier(id)) throw ModelError::badManifest(kOutOfRange);
  try {
    fs::path source = fs::absolute(path);
    if (!fs::exists(source)) throw ModelError::installFailed("nothing is at " + path);
    bool isFolder = fs::is_directory(source);
    std::uint64_t size = isFolder ? filesSize(payloadWithin(source)) : fs::file_size(source);
    checkDiskSpace((isFolder ? 2 : 3) * size);
    Staging staging(store_);
    fs::path model = staging.path() / "model";
    fs::create_directory(model);
    if (isFolder) {
      fs::path from = payloadWithin(source);
      for (const char* name : kModelFiles) fs::copy_file(from / name, model / name);
    } else {
      model_archive::unzip(source, model, 2 * size + (1 << 20));
    }
    fs::path payload = payloadWithin(model);
    return commit(
        staging, payload,
        {.id = id, .version = "local", .sizeBytes = static_cast<std::int64_t>(filesSize(payload))});
  } catch (const ModelError&) {
    throw;
  } catch (const std::exception& failure) {
    throw ModelError::installFailed(failure.what());
  }
}

ModelStore::Installed ModelDownloader::commit(Staging& staging, const std::string& payload,
                                              ModelStore::Installed record) const {
  if (options_.checkPayload) {
    std::int64_t dimension = 0;
    try {
      dimension = options_.checkPayload(payload);
    } catch (const std::exception& failure) {
      throw ModelError::installFailed(std::string("the model could not be loaded: ") +
                                      failure.what());
    }
    if (record.dimension != 0 && record.dimension != dimension) {
      throw ModelError::installFailed("the model's vector length differs from the manifest's");
    }
    record.dimension = dimension;
  }
  // An older installation steps aside into the staging folder, to come back if the move fails
  // and to go with the staging folder when it succeeds.
  fs::path target = store_.folder(record.id);
  fs::path previous = staging.path() / "previous";
  std::error_code error;
  bool replacing = fs::exists(fs::symlink_status(target, error));
  if (replacing) fs::rename(target, previous);
  try {
    fs::create_directory(target);
    fs::permissions(target, fs::perms::owner_all);
    fs::rename(payload, store_.payload(record.id));
    store_.record(record, std::chrono::system_clock::now());
    auto installed = store_.installed(record.id);
    if (!installed) throw ModelError::installFailed("the record could not be read back");
    return *installed;
  } catch (...) {
    fs::remove_all(target, error);
    if (replacing) fs::rename(previous, target, error);
    throw;
  }
}

}  // namespace quorvale

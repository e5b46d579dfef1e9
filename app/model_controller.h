// Drives the model's download and removal for the settings window, and tells the search engine
// when a model becomes available or goes away. Owned by the application object; created and
// used on the main thread (the one `main` runs on): `state` changes only there, and every
// callback runs there. The network and file work runs on a worker thread of the controller's
// own, one task at a time; destroying the controller cancels a running download and waits for
// the worker.
//
// States: checking -> notInstalled | unavailable | installed; notInstalled -> downloading ->
// installed | failed | notInstalled (cancelled); installed -> remove -> refresh; failed and
// unavailable -> checking on the next refresh. Without a manifest address nothing is fetched and
// the state is unavailable; `installFromDisk` still works from there.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "models/model_downloader.h"
#include "models/model_manifest.h"
#include "models/model_store.h"
#include "util/executor.h"
#include "util/serial_executor.h"

namespace quorvale {

class ModelController {
 public:
  struct Checking {
    bool operator==(const Checking&) const = default;
  };
  struct NotInstalled {
    ModelManifest manifest;
    bool operator==(const NotInstalled&) const = default;
  };
  struct Unavailable {
    std::string message;
    bool operator==(const Unavailable&) const = default;
  };
  struct Downloading {
    double fraction = 0;
    bool operator==(const Downloading&) const = default;
  };
  struct Installed {
    ModelStore::Installed record;
    bool operator==(const Installed&) const = default;
  };
  struct Failed {
    std::string message;
    bool operator==(const Failed&) const = default;
  };
  using State = std::variant<Checking, NotInstalled, Unavailable, Downloading, Installed, Failed>;

  // The texts the user sees.
  static constexpr const char* kNotSignedText =
      "The model's signature did not check out, so it was not offered.";
  static constexpr const char* kUnavailableText =
      "The model is not available to download right now. You can try again later from Settings.";
  static constexpr const char* kChecksumText =
      "The download did not match its checksum, so it was thrown away. Try again.";
  static constexpr const char* kDiskSpaceText =
      "There is not enough free disk space for the download.";
  static constexpr const char* kUnfinishedText =
      "The download did not finish. Check the connection and try again.";

  // `manifestURL` empty: nothing is offered for download. `modelID` is the catalogue's.
  ModelController(Executor& main, ModelDownloader downloader, std::string manifestURL,
                  std::string modelID);
  ~ModelController();
  ModelController(const ModelController&) = delete;
  ModelController& operator=(const ModelController&) = delete;

  const State& state() const { return state_; }
  const ModelStore& store() const { return downloader_.store(); }

  // Called when a model was installed or removed (the engine loads or drops its encoder).
  void setOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }
  // Called after every change of `state` (the settings window redraws).
  void setOnStateChange(std::function<void(const State&)> observer) {
    onStateChange_ = std::move(observer);
  }

  // Installed when the store has the model; otherwise fetches the manifest. Nothing while
  // downloading.
  void refresh();
  // Starts the download of the offered model; nothing unless the state is notInstalled.
  void download(bool allowExpensiveNetwork);
  // Stops a running download; the state goes back to notInstalled.
  void cancel();
  // Installs model files from disk (a folder or a zip archive); not while downloading. A failure
  // shows its reason.
  void installFromDisk(const std::string& path);
  // Deletes the installed model, tells the engine, and refreshes.
  void remove();

 private:
  void setState(State state);
  void finishInstall(std::function<ModelStore::Installed()> work,
                     std::optional<ModelManifest> offer);
  // Posts `apply` to the main thread, dropped if the controller is gone by then.
  void onMain(std::function<void()> apply);

  Executor& main_;
  ModelDownloader downloader_;
  std::string manifestURL_;
  std::string modelID_;
  State state_ = Checking{};
  std::function<void()> onChange_;
  std::function<void(const State&)> onStateChange_;
  std::atomic<bool> cancelled_ = false;     // stops the running installation
  std::atomic<bool> shuttingDown_ = false;  // stops a manifest fetch too
  // Bumped by each refresh, so that an older fetch's answer is ignored.
  std::uint64_t generation_ = 0;
  std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
  SerialExecutor worker_{"models"};  // last: stopped first
};

}  // namespace quorvale

#include "model_controller.h"

#include <cmath>
#include <filesystem>

#include "models/model_error.h"

namespace quorvale {
namespace {

// The user's text for a failed download.
std::string downloadFailure(const ModelError& error) {
  switch (error.kind()) {
    case ModelError::Kind::sizeMismatch:
    case ModelError::Kind::hashMismatch:
      return ModelController::kChecksumText;
    case ModelError::Kind::notEnoughDiskSpace:
      return ModelController::kDiskSpaceText;
    default:
      return ModelController::kUnfinishedText;
  }
}

}  // namespace

ModelController::ModelController(Executor& main, ModelDownloader downloader,
                                 std::string manifestURL, std::string modelID)
    : main_(main),
      downloader_(std::move(downloader)),
      manifestURL_(std::move(manifestURL)),
      modelID_(std::move(modelID)) {}

ModelController::~ModelController() {
  alive_->store(false);
  cancelled_ = true;
  shuttingDown_ = true;
}

void ModelController::onMain(std::function<void()> apply) {
  main_.post([alive = alive_, apply = std::move(apply)] {
    if (alive->load()) apply();
  });
}

void ModelController::setState(State state) {
  state_ = std::move(state);
  if (onStateChange_) onStateChange_(state_);
}

void ModelController::refresh() {
  if (std::holds_alternative<Downloading>(state_)) return;
  if (auto record = store().installed(modelID_)) {
    setState(Installed{*record});
    return;
  }
  if (manifestURL_.empty()) {
    setState(Unavailable{kUnavailableText});
    return;
  }
  setState(Checking{});
  std::uint64_t generation = ++generation_;
  worker_.post([this, generation] {
    State next = Unavailable{kUnavailableText};
    try {
      next = NotInstalled{downloader_.fetchManifest(manifestURL_, &shuttingDown_)};
    } catch (const ModelError& error) {
      if (error.kind() == ModelError::Kind::notSigned) next = Unavailable{kNotSignedText};
    } catch (const std::exception&) {
    }
    onMain([this, generation, next = std::move(next)] {
      if (generation == generation_ && std::holds_alternative<Checking>(state_)) setState(next);
    });
  });
}

void ModelController::download(bool allowExpensiveNetwork) {
  const auto* offer = std::get_if<NotInstalled>(&state_);
  if (offer == nullptr) return;
  ModelManifest manifest = offer->manifest;
  downloader_.setAllowsExpensiveNetwork(allowExpensiveNetwork);
  finishInstall(
      [this, manifest] {
        auto lastShown = std::make_shared<double>(0);
        ModelInstallProgress progress{.report =
                                          [this, lastShown](double fraction) {
                                            // A hundred steps are enough for a progress bar.
                                            if (fraction - *lastShown < 0.01 && fraction < 1)
                                              return;
                                            *lastShown = fraction;
                                            onMain([this, fraction] {
                                              if (std::holds_alternative<Downloading>(state_)) {
                                                setState(Downloading{fraction});
                                              }
                                            });
                                          },
                                      .cancel = &cancelled_};
        return downloader_.install(manifest, progress);
      },
      manifest);
}

void ModelController::installFromDisk(const std::string& path) {
  if (std::holds_alternative<Downloading>(state_)) return;
  finishInstall([this, path] { return downloader_.installFromDisk(path, modelID_); }, std::nullopt);
}

void ModelController::finishInstall(std::function<ModelStore::Installed()> work,
                                    std::optional<ModelManifest> offer) {
  cancelled_ = false;
  ++generation_;
  setState(Downloading{0});
  worker_.post([this, work = std::move(work), offer = std::move(offer)] {
    State next = Failed{kUnfinishedText};
    bool changed = false;
    try {
      next = Installed{work()};
      changed = true;
    } catch (const ModelInstallCancelled&) {
      if (offer) next = NotInstalled{*offer};
    } catch (const ModelError& error) {
      // A download shows one of the user's texts; files from disk show why they were refused.
      next = Failed{offer ? downloadFailure(error) : std::string(error.what())};
    } catch (const std::exception& error) {
      if (!offer) next = Failed{error.what()};
    }
    onMain([this, next = std::move(next), changed] {
      setState(next);
      if (changed && onChange_) onChange_();
    });
  });
}

void ModelController::cancel() {
  if (std::holds_alternative<Downloading>(state_)) cancelled_ = true;
}

void ModelController::remove() {
  if (std::holds_alternative<Downloading>(state_)) return;
  try {
    store().remove(modelID_);
  } catch (const std::exception&) {
    // What could not be deleted stays; without its record or folder it is not a model.
  }
  setState(Checking{});
  if (onChange_) onChange_();
  refresh();
}

}  // namespace quorvale

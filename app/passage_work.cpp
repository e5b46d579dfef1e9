#include "passage_work.h"

#include <chrono>
#include <filesystem>
#include <variant>

#include "embed_command.h"
#include "models/modern_bert_embedder.h"
#include "passages/passage_embed_pass.h"
#include "passages/passage_store_opening.h"

namespace quorvale {
namespace {

constexpr int kEncoderMaxTokens = 256;
constexpr const char* kCannotOpen = "Question search could not open its index.";
constexpr const char* kDeleted = "Passage index deleted.";

Clock::Duration seconds(double value) {
  return std::chrono::duration_cast<Clock::Duration>(std::chrono::duration<double>(value));
}

// The model folder when the model is installed: the folder and its record beside it.
std::optional<std::string> folderIfInstalled() {
  namespace fs = std::filesystem;
  std::optional<std::string> folder = installedModelFolder();
  if (!folder) return std::nullopt;
  std::error_code error;
  bool installed = fs::is_regular_file(fs::path(*folder).parent_path() / "installed.json", error) &&
                   fs::is_directory(*folder, error);
  if (!installed) return std::nullopt;
  return folder;
}

}  // namespace

EncoderSource EncoderSource::installed() {
  return {.identifier = ModernBertEmbedder::kIdentifier,
          .installedFolder = folderIfInstalled,
          .load = [](const std::string& folder) -> std::shared_ptr<const BatchEmbedder> {
            return std::make_shared<ModernBertEmbedder>(folder, kEncoderMaxTokens);
          }};
}

PassageWork::PassageWork(Services services)
    : services_(std::move(services)),
      idleQueue_("encoder-idle", services_.clock),
      passageQueue_("passages", services_.clock) {}

PassageWork::~PassageWork() {
  closing_ = true;
  cancelPassages_ = true;
  // The queues are the last members: the running pass stops at its next file or batch.
}

void PassageWork::waitUntilIdle() {
  passageQueue_.waitUntilIdle();
  idleQueue_.waitUntilIdle();
}

// --- Status ------------------------------------------------------------------------------------

std::string PassageWork::passageStatus() const {
  std::lock_guard lock(statusLock_);
  return passageStatus_;
}

void PassageWork::setStatus(std::string status) {
  {
    std::lock_guard lock(statusLock_);
    passageStatus_ = std::move(status);
  }
  if (services_.onPassageStatus && !closing_) services_.onPassageStatus();
}

EnergyPolicy::Verdict PassageWork::verdict() const {
  return EnergyPolicy::verdict(services_.energy ? services_.energy() : EnergyState{});
}

// --- The pipeline ------------------------------------------------------------------------------

void PassageWork::updatePassages(const QuorvaleSettings& settings) {
  if (!settings.questionSearch) {
    cancelPassages_ = true;
    return;
  }
  passageQueue_.post([this, settings] { runPipeline(settings); });
}

bool PassageWork::openWriter() {
  if (writer_) return true;
  std::string path = services_.supportDir + "/passages.db";
  try {
    writer_ = openPassageStore(path).store;
  } catch (const std::exception&) {
    return false;
  }
  try {
    auto reader = std::make_shared<PassageStore>(path);
    std::lock_guard lock(readerLock_);
    if (!reader_) reader_ = std::move(reader);
  } catch (const std::exception&) {
  }
  return writer_ != nullptr;
}

void PassageWork::runPipeline(const QuorvaleSettings& settings) {
  if (passagesRunning_ || closing_) return;
  if (openWriter() && !indexer_ && services_.guard) {
    indexer_ = std::make_unique<PassageIndexer>(*writer_, *services_.guard, services_.limits);
  }
  std::unique_ptr<FileIndex> files;
  try {
    files = std::make_unique<FileIndex>(services_.supportDir + "/index.db");
  } catch (const std::exception&) {
  }
  if (!indexer_ || !files) {
    setStatus(kCannotOpen);
    return;
  }
  passagesRunning_ = true;
  cancelPassages_ = false;
  auto shouldStop = [this] { return cancelPassages_ || closing_; };
  auto energy = [this] { return verdict(); };
  auto progress = [this](const std::string& text) { setStatus(text); };
  PassageIndexer::Summary summary = indexer_->catchUp(*files, shouldStop, energy, progress);
  files.reset();
  notePassages(*writer_);

  std::optional<std::string> stoppedFor = summary.stoppedFor;
  bool energyStop = stoppedFor == PassagePass::kPaused;
  std::string extra;
  if (!stoppedFor) {
    if (std::shared_ptr<const BatchEmbedder> encoder = modelEmbedder()) {
      PassageEmbedPass::Result result =
          PassageEmbedPass::run(*writer_, *encoder, kEmbedBatch, shouldStop, energy, progress);
      if (result.remaining > 0) {
        extra = ", " + std::to_string(result.remaining) + " passages waiting for the model";
      }
      stoppedFor = result.stoppedFor;
      // Any reason but these two is the energy policy's message.
      energyStop = stoppedFor && *stoppedFor != PassagePass::kStopped &&
                   *stoppedFor != PassageEmbedPass::kStoreFailed;
    }
  }
  passagesRunning_ = false;
  notePassages(*writer_);
  std::string status = std::to_string(writer_->fileCount()) + " documents, " +
                       std::to_string(writer_->count()) + " passages" + extra;
  if (stoppedFor) status += " (" + *stoppedFor + ")";
  setStatus(status);
  // A pass the energy policy paused is tried again later, whichever pass it was.
  if (energyStop && !closing_) {
    energyRetry_.cancel();
    energyRetry_ = passageQueue_.postDelayed(seconds(kEnergyRetrySeconds),
                                             [this, settings] { runPipeline(settings); });
  }
}

void PassageWork::notePassages(PassageStore& store) {
  hasPassages_ = store.count() > 0 ? 1 : 0;
  hasVectors_ = store.vectorCount(services_.encoder.identifier) > 0 ? 1 : 0;
}

void PassageWork::modelChanged(const QuorvaleSettings& settings) {
  {
    std::lock_guard lock(embedderLock_);
    loadFailed_ = false;
  }
  if (!services_.encoder.installedFolder || !services_.encoder.installedFolder()) {
    dropEncoder();
    passageQueue_.post([this] {
      if (!openWriter()) return;
      try {
        writer_->clearVectors();
      } catch (const PassageError&) {
      }
      notePassages(*writer_);
    });
  }
  updatePassages(settings);
}

void PassageWork::clearPassages() {
  passageQueue_.post([this] {
    if (!openWriter()) {
      setStatus(kCannotOpen);
      return;
    }
    try {
      writer_->clear();
      notePassages(*writer_);
      setStatus(kDeleted);
    } catch (const PassageError& error) {
      setStatus(error.what());
    }
  });
}

// --- The encoder -------------------------------------------------------------------------------

std::shared_ptr<const BatchEmbedder> PassageWork::modelEmbedder() {
  WorkHandle previous;
  {
    std::lock_guard lock(embedderLock_);
    previous = std::exchange(embedderIdleWork_, {});
  }
  // Outside the lock: a timer that already fired waits for the lock.
  previous.cancel();
  std::lock_guard lock(embedderLock_);
  uint64_t use = ++embedderUses_;
  embedderIdleWork_ = idleQueue_.postDelayed(seconds(kEncoderIdleSeconds), [this, use] {
    std::lock_guard hold(embedderLock_);
    // A later use scheduled its own unload.
    if (use == embedderUses_) loadedEmbedder_.reset();
  });
  if (!loadedEmbedder_ && !loadFailed_ && services_.encoder.installedFolder &&
      services_.encoder.load) {
    if (std::optional<std::string> folder = services_.encoder.installedFolder()) {
      try {
        loadedEmbedder_ = services_.encoder.load(*folder);
      } catch (const std::exception&) {
        loadedEmbedder_.reset();
      }
      loadFailed_ = loadedEmbedder_ == nullptr;
    }
  }
  return loadedEmbedder_;
}

bool PassageWork::encoderLoaded() const {
  std::lock_guard lock(embedderLock_);
  return loadedEmbedder_ != nullptr;
}

void PassageWork::dropEncoder() {
  std::lock_guard lock(embedderLock_);
  loadedEmbedder_.reset();
  ++embedderUses_;
}

}  // namespace quorvale

// The search engine's upkeep of its index: rebuilding, forgetting the learning, the health
// check, and replacing a database found damaged. All of it runs on the index queue.
#include "index/index_health.h"
#include "index/index_recovery.h"
#include "search_engine.h"

namespace quorvale {
namespace {

// A fresh index that is found damaged again is not replaced over and over.
constexpr int kMaxReplacedIndexes = 2;

}  // namespace

// --- Maintenance -------------------------------------------------------------------------------

void SearchEngine::rebuild(const QuorvaleSettings& settings) {
  schedule_.cancel();
  queue_.post([this] {
    try {
      writer_->removeTree("/");
    } catch (const IndexError&) {
    }
  });
  requestScan(settings);
}

void SearchEngine::forgetLearning() {
  queue_.post([this] {
    try {
      writer_->forgetUsage();
    } catch (const IndexError&) {
    }
  });
}

void SearchEngine::checkIndex() {
  queue_.post([this] {
    IndexHealth health = writer_->healthCheck();
    setStatus(health.summary());
    if (!health.databaseOK) verifyIndex(true, lastScanSettings());
  });
}

// --- Damage ------------------------------------------------------------------------------------

std::shared_ptr<FileIndex> SearchEngine::currentReader() const {
  std::lock_guard lock(readerMutex_);
  return reader_;
}

std::optional<QuorvaleSettings> SearchEngine::lastScanSettings() const {
  return schedule_.lastRequested();
}

void SearchEngine::verifyIndex(bool damageKnown, std::optional<QuorvaleSettings> rescan) {
  if (closing_ || replacedIndexes_ >= kMaxReplacedIndexes) return;
  if (!damageKnown && writer_->quickCheck()) return;
  if (!setDamagedIndexAside()) return;
  verifyPosted_ = false;
  if (rescan) requestScan(*rescan);
}

bool SearchEngine::setDamagedIndexAside() {
  std::string path = services_.supportDir + "/index.db";
  std::shared_ptr<FileIndex> oldReader = currentReader();
  // Both old connections may close after the rename; they must not take the journal files of
  // the fresh database with them.
  writer_->keepJournalOnClose();
  oldReader->keepJournalOnClose();
  writer_.reset();
  ++replacedIndexes_;
  try {
    OpenedIndex opened = replaceDamagedIndex(path);
    writer_ = std::move(opened.index);
    auto reader = std::make_shared<FileIndex>(path, services_.readerOptions);
    {
      std::lock_guard lock(readerMutex_);
      reader_ = std::move(reader);
    }
    addProblem("The index was damaged; it was moved to " + opened.setAside.value_or(path) +
               " and is being rebuilt.");
    return true;
  } catch (const IndexError& error) {
    addProblem(std::string("The index is damaged and could not be replaced (") + error.what() +
               ").");
  }
  try {
    if (!writer_) writer_ = std::make_unique<FileIndex>(path);
  } catch (const IndexError&) {
    // Neither the damaged file nor a fresh one opens: keep the engine working on an empty index
    // in memory until the next start.
    writer_ = std::make_unique<FileIndex>(std::nullopt);
  }
  return false;
}

}  // namespace quorvale

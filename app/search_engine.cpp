#include "search_engine.h"

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <thread>
#include <utility>

#include "applied_settings.h"
#include "data_folder.h"
#include "index/index_recovery.h"
#include "index/ranking.h"
#include "scan/default_extractor.h"
#include "scan/guarded_extractor.h"
#include "settings/default_folders.h"
#include "util/platform_profile.h"
#include "util/xdg_paths.h"

namespace quorvale {
namespace {

ClipDate clipDate(Date seconds) {
  return ClipDate(
      std::chrono::duration_cast<ClipDate::duration>(std::chrono::duration<double>(seconds)));
}

Clock::Duration seconds(double value) {
  return std::chrono::duration_cast<Clock::Duration>(std::chrono::duration<double>(value));
}

bool pathExists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

template <typename Container>
bool contains(const Container& items, const std::string& item) {
  return std::find(items.begin(), items.end(), item) != items.end();
}

// How often a scan that waits for another process's scan looks again.
constexpr auto kScanLockPoll = std::chrono::milliseconds(100);

// The services with every optional one filled in by the real thing.
EngineServices withDefaults(EngineServices services) {
  if (services.supportDir.empty()) {
    std::optional<std::string> folder = dataFolder();
    if (!folder) {
      throw IndexError::open(std::string(DataFolderAlert::title) + ". " + DataFolderAlert::text);
    }
    services.supportDir = std::move(*folder);
  }
  if (!services.now) services.now = currentDate;
  if (services.home.empty()) services.home = xdg::home().value_or("");
  if (services.applicationFolders.empty()) {
    services.applicationFolders = DefaultFolders::applicationFolders();
  }
  if (!services.fileExists) services.fileExists = pathExists;
  if (!services.encoder.installedFolder) services.encoder = EncoderSource::installed();
  return services;
}

}  // namespace

SearchEngine::SearchEngine(const ClipPolicy& policy, EngineServices services)
    : services_(withDefaults(std::move(services))),
      runMarker_(services_.supportDir),
      guard_(services_.supportDir),
      lastClipPolicy_(policy),
      queue_("index", services_.clock) {
  passages_ = std::make_unique<PassageWork>(PassageWork::Services{
      .supportDir = services_.supportDir,
      .guard = &guard_,
      .clock = services_.clock,
      .energy = [energy = services_.energy] { return energy ? energy->current() : EnergyState{}; },
      .encoder = services_.encoder,
      .onPassageStatus = [this] { notify(); },
      .fileExists = services_.fileExists,
      .limits = services_.passageLimits});
  contentExtractor_ = services_.extractor;
  if (!contentExtractor_) {
    contentExtractor_ = std::make_shared<GuardedExtractor>(DefaultExtractor(), guard_);
  }

  std::string indexPath = services_.supportDir + "/index.db";
  OpenedIndex opened = openFileIndex(indexPath);
  writer_ = std::move(opened.index);
  setAside_ = std::move(opened.setAside);
  reader_ = std::make_shared<FileIndex>(indexPath, services_.readerOptions);
  reuseVectors_ = writer_->migratedFromFullTextCopy();
  checkAfterUncleanStop_ = runMarker_.followsUncleanStop();
  // The index holds the words of private documents; SQLite made its files with the default mode.
  keepPrivate(services_.supportDir);

  if (!policy.memoryOnly) {
    clips_ = ClipStore::load(clipsPath());
    // Pruned in memory only: the file follows with the next change of the history.
    if (services_.settingsAreTheUsers) clips_.prune(clipDate(now()), policy);
    clipsAsLoaded_ = clips_.items();
  } else {
    std::error_code ignored;
    std::filesystem::remove(clipsPath(), ignored);
  }
}

SearchEngine::~SearchEngine() {
  *alive_ = false;
  closing_ = true;
  schedule_.cancel();
  stopWatching();
  flushClips();
  // The queue is the last member: destroying it first lets the running item finish (a scan stops
  // at its next entry) and drops the rest before the databases close.
}

// --- Starting and settings ---------------------------------------------------------------------

void SearchEngine::start(const QuorvaleSettings& settings, const StartOptions& options) {
  if (services_.settingsAreTheUsers) {
    // The settings the index was last brought in line with; none the first time (nothing to do).
    std::optional<QuorvaleSettings> applied =
        AppliedSettings::load(services_.supportDir + "/" + AppliedSettings::kFileName);
    reactToChange(applied.value_or(settings), settings);
  }
  startScanning(settings, options);
}

void SearchEngine::startScanning(const QuorvaleSettings& settings, const StartOptions& options) {
  if (options.prepareSearches) {
    queue_.post(
        [this] { writer_->warmUp({.atOpen = true, .budgetMilliseconds = 2000, .store = true}); });
  }
  if (std::exchange(checkAfterUncleanStop_, false)) {
    queue_.post([this] {
      verifyIndex(false, std::nullopt);  // the scan queued behind fills a replaced index
      runMarker_.forgetUncleanStop();
    });
  }
  queue_.post([this, settings] { passages_->configureSemantic(settings); });
  if (services_.settingsAreTheUsers) queue_.post([this] { checkContentVersion(); });
  QuorvaleSettings scanned = settings;
  if (!options.scanRoots.empty()) scanned.roots = options.scanRoots;
  requestScan(scanned);
  startWatcher(settings);
}

void SearchEngine::checkContentVersion() {
  if (!services_.defaults) return;
  std::int64_t stored = services_.defaults->integer(UserDefaults::kContentVersionKey).value_or(0);
  if (stored >= kContentVersion) return;
  // The new version is stored before the index is emptied: when it cannot be stored, emptying
  // now would only happen again at every start, each time throwing away all the text.
  try {
    services_.defaults->set(UserDefaults::kContentVersionKey, kContentVersion);
  } catch (const std::exception& error) {
    addProblem(std::string("The content version could not be saved (") + error.what() +
               "), so the index keeps the text it has.");
    return;
  }
  try {
    writer_->removeTree("/");
  } catch (const std::exception&) {
    // Tried again at the next start; the scan goes on with what the index holds.
    try {
      services_.defaults->set(UserDefaults::kContentVersionKey, stored);
    } catch (const std::exception&) {
    }
  }
}

void SearchEngine::startWatcher(const QuorvaleSettings& settings) {
  stopWatching();
  if (!services_.makeWatcher) return;
  watcher_ = services_.makeWatcher();
  if (!watcher_) return;
  watcher_->start(
      config(settings), [this, settings](const std::vector<std::string>& paths, bool mustRescan) {
        queue_.post(
            [this, paths, mustRescan, settings] { handleChanges(paths, mustRescan, settings); });
      });
}

void SearchEngine::stopWatching() {
  if (watcher_) watcher_->stop();
  watcher_.reset();
}

void SearchEngine::handleChanges(const std::vector<std::string>& paths, bool mustRescan,
                                 const QuorvaleSettings& settings) {
  if (closing_) return;
  if (mustRescan) {
    requestScan(settings);
    return;
  }
  Scanner::update(paths, config(settings), *writer_, extractorFor(settings), meaningFor(settings));
  refreshStatus("");
}

void SearchEngine::settingsChanged(const QuorvaleSettings& from, const QuorvaleSettings& to) {
  if (from.questionSearch != to.questionSearch) {
    if (to.questionSearch) {
      passages_->updatePassages(to);
    } else {
      passages_->cancelPassages();
    }
  }
  if (reactToChange(from, to)) startScanning(to, {});
}

bool SearchEngine::reactToChange(const QuorvaleSettings& from, const QuorvaleSettings& to) {
  lastClipPolicy_ = to.clipboard;
  if (to.clipboard.memoryOnly && !from.clipboard.memoryOnly) {
    clipSave_.cancel();
    std::error_code ignored;
    std::filesystem::remove(clipsPath(), ignored);
  }

  std::vector<std::string> leaving;
  for (const auto& root : from.roots) {
    if (!contains(to.roots, root)) leaving.push_back(root);
  }
  for (const auto& excluded : to.excludedPaths) {
    if (!contains(from.excludedPaths, excluded)) leaving.push_back(excluded);
  }
  bool contentChanged =
      from.indexContents != to.indexContents || from.semanticSearch != to.semanticSearch;
  bool sameRoots =
      std::set(from.roots.begin(), from.roots.end()) == std::set(to.roots.begin(), to.roots.end());
  if (leaving.empty() && sameRoots && from.excludedPaths == to.excludedPaths && !contentChanged) {
    queue_.post([this, to] { recordApplied(to); });
    return false;
  }

  schedule_.cancel();
  queue_.post([this, leaving, contentChanged, to] {
    for (const auto& path : leaving) {
      try {
        writer_->removeTree(standardizedPath(expanded(path)));
      } catch (const IndexError&) {
      }
    }
    passages_->configureSemantic(to);
    if (contentChanged) {
      try {
        writer_->removeTree("/");
      } catch (const IndexError&) {
      }
      passages_->clearSemantic();
    }
    recordApplied(to);
  });
  return true;
}

void SearchEngine::recordApplied(const QuorvaleSettings& settings) {
  std::string path = services_.supportDir + "/" + AppliedSettings::kFileName;
  if (AppliedSettings::load(path) == settings) return;
  try {
    AppliedSettings::save(path, settings);
  } catch (const std::exception&) {
    // The next start compares with the older record and does the same work once more.
  }
}

// --- Scanning ----------------------------------------------------------------------------------

void SearchEngine::requestScan(const QuorvaleSettings& settings) {
  schedule_.request(settings);
}

bool SearchEngine::scanPending() const {
  return schedule_.pending();
}

void SearchEngine::runScan(QuorvaleSettings settings) {
  settings = schedule_.begin(std::move(settings));
  if (closing_) {
    schedule_.finish(closing_);
    return;
  }
  std::optional<FileLock> scanLock;
  if (!holdScanLock(scanLock)) {
    schedule_.finish(closing_);
    return;
  }
  setStatus("Indexing…");

  EnergyState energy = services_.energy ? services_.energy->current() : EnergyState{};
  ScanSchedule::Plan plan = ScanSchedule::planFor(energy, config(settings));
  if (plan.retry) schedule_.retryLater(settings, seconds(kEnergyRetrySeconds));
  if (!plan.config) {
    setStatus(plan.message.value_or(""));
    schedule_.finish(closing_);
    return;
  }
  const std::optional<std::string>& appsOnlyMessage = plan.message;
  const ScanConfig& scanConfig = *plan.config;
  const ContentExtractor& extractor = extractorFor(settings);
  auto progress = [this](int64_t seen) {
    setStatus("Indexing… " + std::to_string(seen) + " items");
  };
  auto shouldCancel = [this] { return schedule_.cancelled() || closing_; };
  try {
    ScanStats stats = Scanner::scan(scanConfig, *writer_, extractor, progress, shouldCancel,
                                    meaningFor(settings));
    bool cancelled = schedule_.cancelled() || closing_;
    if (!cancelled) {
      reuseVectors_ = false;
      passages_->forgetLeftMeaning(*writer_);
    }
    {
      std::lock_guard lock(stateMutex_);
      unreadable_ = stats.unreadable;
      scanFailure_.reset();
    }
    refreshStatus(" (" + std::to_string(stats.seen) + " seen)");
    // What the first keystrokes of the next process need, kept in the file for the data as
    // this scan left it (nothing to do when it changed nothing since the last time).
    if (!cancelled) {
      writer_->warmUp({.atOpen = true,
                       .budgetMilliseconds = storedWarmUpMilliseconds(writer_->count()),
                       .store = true});
    }
    passages_->updatePassages(settings);
    if (appsOnlyMessage) {
      std::lock_guard lock(stateMutex_);
      status_ += " " + *appsOnlyMessage;
    }
    if (appsOnlyMessage) notify();
  } catch (const std::exception& error) {
    {
      std::lock_guard lock(stateMutex_);
      scanFailure_ = error.what();
    }
    setStatus(error.what());
    // Whole records written before the failure stay; the next scan starts a batch of its own.
    try {
      writer_->commitBatch();
    } catch (const IndexError&) {
    }
    const auto* indexError = dynamic_cast<const IndexError*>(&error);
    if ((indexError && isDamage(*indexError)) || writer_->damageSeen()) {
      scanLock.reset();
      verifyIndex(true, settings);
    }
  }
  schedule_.finish(closing_);
}

bool SearchEngine::holdScanLock(std::optional<FileLock>& lock) {
  std::string path = services_.supportDir + "/scan.lock";
  bool said = false;
  while (FileLock::tryAcquire(path, lock) == FileLock::Outcome::busy) {
    if (schedule_.cancelled() || closing_) return false;
    if (!said) {
      setStatus("Waiting for the other scan of this index to finish…");
      said = true;
    }
    std::this_thread::sleep_for(kScanLockPoll);
  }
  // Acquired, or no lock file can exist here (a read-only folder): then nobody else holds one,
  // and the database's own locking still keeps the writes apart.
  return true;
}

const ContentExtractor& SearchEngine::extractorFor(const QuorvaleSettings& settings) const {
  static const NoContent noContent;
  if (!settings.indexContents) return noContent;
  return *contentExtractor_;
}

ScanConfig SearchEngine::config(const QuorvaleSettings& settings) const {
  ScanConfig result = ScanConfig::make({});
  std::set<std::string> seen;
  for (const auto& root : settings.roots) {
    std::string path = standardizedPath(expanded(root));
    if (!path.empty() && seen.insert(path).second) result.roots.push_back(path);
  }
  // The application folders lead the roots in XDG order, which decides which of two entries
  // with one desktop-file id is the application.
  std::vector<std::string> applicationRoots;
  for (const auto& folder : services_.applicationFolders) {
    std::string path = standardizedPath(expanded(folder));
    if (seen.contains(path) && result.appOnlyRoots.insert(path).second) {
      applicationRoots.push_back(path);
    }
  }
  std::erase_if(result.roots,
                [&](const std::string& root) { return result.appOnlyRoots.contains(root); });
  result.roots.insert(result.roots.begin(), applicationRoots.begin(), applicationRoots.end());
  for (const auto& excluded : settings.excludedPaths) {
    std::string path = standardizedPath(expanded(excluded));
    if (!path.empty()) result.excludedPaths.push_back(path);
  }
  if (!services_.home.empty()) {
    for (const char* folder : {"/Library", "/.Trash", "/.local/share/Trash"}) {
      result.excludedPaths.push_back(services_.home + folder);
    }
  }
  return result;
}

std::string SearchEngine::expanded(std::string_view path) const {
  if (path == "~") return services_.home;
  if (path.starts_with("~/")) return services_.home + std::string(path.substr(1));
  return std::string(path);
}

// --- Status ------------------------------------------------------------------------------------

std::string SearchEngine::status() const {
  std::lock_guard lock(stateMutex_);
  return status_;
}

std::vector<std::string> SearchEngine::unreadable() const {
  std::lock_guard lock(stateMutex_);
  return unreadable_;
}

std::optional<std::string> SearchEngine::scanFailure() const {
  std::lock_guard lock(stateMutex_);
  return scanFailure_;
}

std::vector<std::string> SearchEngine::problems() const {
  std::lock_guard lock(stateMutex_);
  return problems_;
}

void SearchEngine::addProblem(std::string problem) {
  std::lock_guard lock(stateMutex_);
  if (!contains(problems_, problem)) problems_.push_back(std::move(problem));
}

void SearchEngine::setStatus(std::string status) {
  {
    std::lock_guard lock(stateMutex_);
    status_ = std::move(status);
  }
  notify();
}

void SearchEngine::refreshStatus(const std::string& extra) {
  std::string status = std::to_string(writer_->count()) + " items indexed";
  std::size_t unreadable = this->unreadable().size();
  if (unreadable > 0) {
    status += ", " + std::to_string(unreadable) + " folder" + (unreadable == 1 ? "" : "s") + " " +
              std::string(platformProfile().system) + " did not allow";
  }
  if (std::optional<int64_t> vectors = passages_->semanticCount()) {
    status += ", " + std::to_string(*vectors) + " with meaning vectors";
  }
  status += extra;
  for (const std::string& problem : problems()) status += " " + problem;
  setStatus(status);
}

void SearchEngine::notify() {
  if (!services_.main || closing_) return;
  // The main executor may run this after the engine is gone (both live on the main thread).
  services_.main->post([this, alive = alive_] {
    if (*alive && onStatusChange) onStatusChange();
  });
}

// --- Clipboard history -------------------------------------------------------------------------

std::string SearchEngine::clipsPath() const {
  return services_.supportDir + "/clips.json";
}

void SearchEngine::scheduleClipSave(const ClipPolicy& policy) {
  lastClipPolicy_ = policy;
  clipsChanged_ = true;
  clipSave_.cancel();
  clipSave_ = queue_.postDelayed(seconds(kClipSaveDelaySeconds), [this, snapshot = clips_, policy] {
    try {
      snapshot.write(clipsPath(), policy);
    } catch (const ClipStoreError&) {
    }
  });
}

void SearchEngine::flushClips() {
  clipSave_.cancel();
  if (!clipsChanged_ && clips_.items() == clipsAsLoaded_) return;
  try {
    clips_.write(clipsPath(), lastClipPolicy_);
  } catch (const ClipStoreError&) {
  }
}

Date SearchEngine::now() const {
  return services_.now();
}

}  // namespace quorvale

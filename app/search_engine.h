// The one object that owns the indexes and all background work. It opens the files database
// (recovering from damage), keeps the clipboard history, runs full scans and watcher-driven
// updates on its index queue, paces them by the energy policy, and answers each keystroke
// synchronously: parse, smart file search over the reader connection, hidden and vanished files
// dropped, then the result rows. A one-line status tells the application what it is doing.
//
// Threads. `search` runs on the main thread, or on the panel's search thread with a copy of the
// clipboard history (one searching thread at a time). `start`, `settingsChanged`, `recordUse`, the
// clip operations and the maintenance actions are called from the main thread. The index queue (a
// serial executor of the engine's own) runs every write to the files database: scans, watcher
// updates, learning, removal of vanished files, clip-file writes and status composition.
// `onStatusChange` is called on the main executor. `cancelScan` is a flag any thread may set; the
// scanner polls it between entries.
//
// The passage and meaning work (PassageWork: the passage pipeline on a passage queue of its own,
// question answering, meaning vectors, the on-demand encoder) runs after each scan, is filled
// during scans, and adds rows in front of the file rows; none of its failures touches file search.
//
// Damage. Opening reads only the schema, so that a search can start at once whatever the size of
// the index. Damage shows later as SQLite's own errors (a damaged page, a file that is no longer a
// database): the first one seen by a scan or a search, and a health check that finds any, make
// the index queue run the thorough check, set the damaged file aside (keeping the learning) and
// scan again into a fresh one. A start that follows a process that stopped without closing the
// index (RunMarker) checks it thoroughly on the index queue before the first scan.
//
// One writer per data folder. Each full scan holds the advisory lock "scan.lock" in the data
// folder (FileLock). When another process holds it, the scan waits, saying so in the status, and
// starts when the other one is done or stops when it is cancelled.
//
// Settings applied while no engine ran. The settings the index was last brought in line with are
// kept beside it (AppliedSettings); every start compares them with the current ones and reacts to
// the difference through `settingsChanged`, as if the change had happened while running.
//
// Destroying the engine is quitting: the running scan is cancelled (it stops at its next entry,
// leaving every committed batch in the index), the watcher is stopped and the clipboard history
// is written; queued work is dropped, not awaited.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "clipboard/clip_store.h"
#include "index/file_index.h"
#include "index/query.h"
#include "passage_work.h"
#include "platform/energy_monitor.h"
#include "platform/file_watcher.h"
#include "query/smart_search.h"
#include "query/suggestion.h"
#include "quick/system_commands.h"
#include "run_marker.h"
#include "scan/content_extractor.h"
#include "scan/extraction_guard.h"
#include "scan/scanner.h"
#include "scan_schedule.h"
#include "settings/quorvale_settings.h"
#include "settings/user_defaults.h"
#include "util/clock.h"
#include "util/executor.h"
#include "util/file_lock.h"
#include "util/serial_executor.h"

namespace quorvale {

// What the engine needs from the world around it. Only `defaults` and `main` are required; the
// rest have working defaults, and tests replace them.
struct EngineServices {
  // The data folder ("index.db", "clips.json", the extraction guard's files).
  std::string supportDir;
  // The per-user defaults, for the content version. Must outlive the engine.
  UserDefaults* defaults = nullptr;
  // Where `onStatusChange` runs: the main thread's executor. Must outlive the engine.
  Executor* main = nullptr;
  // The index queue's clock: the 600-second energy retry and the 2-second clip save wait on it.
  std::shared_ptr<Clock> clock = Clock::steady();
  // Seconds since 1970, for searches, learning and clip dates.
  std::function<Date()> now;
  // A new file watcher for each start; none: changes are not followed.
  std::function<std::unique_ptr<FileWatcher>()> makeWatcher;
  // Power and heat; none: indexing always runs.
  std::shared_ptr<const EnergyMonitor> energy;
  // The running applications, asked only when a typed command could name one; none: no apps.
  std::function<std::vector<RunningApp>()> runningApps;
  // The extractor of scans when contents are indexed; none: the default extractor behind the
  // extraction guard (PDF and office files with a time limit).
  std::shared_ptr<const ContentExtractor> extractor;
  // The home folder, for "~" in settings and rows; empty: the user's.
  std::string home;
  // The folders holding application entries; only applications are indexed in them, and they
  // alone are scanned when the energy policy allows applications only.
  std::vector<std::string> applicationFolders;
  // Whether a path exists, for the vanished-file check of results; none: the file system.
  std::function<bool(const std::string&)> fileExists;
  // Whether the settings given to the engine are the user's own. When theirs could not be read
  // the engine runs on the defaults but changes nothing that depends on them: the clip history
  // is loaded as it stands (no run prunes it under a policy the user did not choose), the index
  // is not brought in line with settings the user never made, and the content version stays.
  bool settingsAreTheUsers = true;
  // The options of the connection that searches read from; benchmarks compare ranking rules.
  FileIndex::Options readerOptions;
  // The text encoder of the installed model; none (no `installedFolder`): the model this version
  // expects, in the data folder.
  EncoderSource encoder;
  // The passage indexer's limits; tests drop its pause between documents.
  PassageIndexer::Limits passageLimits;
};

// How one start differs from the normal one.
struct StartOptions {
  // Folders scanned by this start instead of the configured roots (`--scan FOLDER`); the index is
  // still brought in line with the configured settings first. Empty: the configured roots.
  std::vector<std::string> scanRoots = {};
  // The launcher's start: before its first scan the index queue works out what the first
  // keystrokes need (one-letter prefixes, the common first letters' vocabularies), so that they
  // do not pay for it. Command-line jobs leave it off: they would wait for it.
  bool prepareSearches = false;
};

class SearchEngine {
 public:
  static constexpr double kEnergyRetrySeconds = 600;
  static constexpr double kClipSaveDelaySeconds = 2;
  // How long the index queue may spend after a scan on the search data it keeps in the file:
  // 1 ms per 20 files, at least 5 s (each prefix's ranking grows with the index, and a scan of
  // a large index takes many minutes), at most 10 minutes.
  static int storedWarmUpMilliseconds(int64_t files) {
    return static_cast<int>(std::clamp<int64_t>(files / 20, 5000, 600'000));
  }
  // Raised whenever what is read from files changes, so that an index made by an older version
  // is read again once (3: the text of .htm and .xhtml pages).
  static constexpr std::int64_t kContentVersion = 3;

  // Opens "index.db" (a damaged one is set aside and replaced, keeping the learning) as a writer
  // and a reader, and the clipboard history: loaded from "clips.json" and pruned (unless the
  // policy is not the user's), or, when the policy keeps history in memory only, "clips.json"
  // deleted. Throws IndexError when the files database cannot be opened; the application cannot
  // run then.
  SearchEngine(const ClipPolicy& policy, EngineServices services);
  ~SearchEngine();
  SearchEngine(const SearchEngine&) = delete;
  SearchEngine& operator=(const SearchEngine&) = delete;

  const std::string& supportDir() const { return services_.supportDir; }

  // Brings the index in line with settings changed since it was last applied (as
  // `settingsChanged`), re-indexes everything once when the stored content version is old,
  // requests a full scan and starts following changes under the roots.
  void start(const QuorvaleSettings& settings, const StartOptions& options = {});
  // Reacts to a settled change of the settings: clip file, removed roots and newly excluded
  // folders leave the index, a changed content setting empties it, and then `start` again.
  void settingsChanged(const QuorvaleSettings& from, const QuorvaleSettings& to);

  // The rows for the typed text, at most `resultLimit` of them.
  std::vector<Suggestion> search(std::string_view query, const QuorvaleSettings& settings,
                                 const std::optional<std::string>& clipboardText);
  // The same with `clips` standing in for the clipboard history, which only the main thread may
  // read: the panel's search thread calls this with a copy taken on the main thread. One thread
  // at a time searches (the main thread or the panel's search thread, not both).
  std::vector<Suggestion> search(std::string_view query, const QuorvaleSettings& settings,
                                 const std::optional<std::string>& clipboardText,
                                 const ClipStore& clips);

  // Learns that the file was chosen (for the text, when it is not empty), on the index queue.
  void recordUse(const std::string& query, const std::string& path);

  // The clipboard history; the application records copies into it on the main thread.
  ClipStore& clips() { return clips_; }
  // Writes the history to "clips.json" 2 seconds from now, replacing an earlier pending save.
  void scheduleClipSave(const ClipPolicy& policy);
  // Writes the history now, when it differs from what was loaded or a save was asked for since.
  // A process that only looked at the history (a command-line query beside the running
  // application) thus never writes over newer history of another.
  void flushClips();

  // The scan configuration for the settings: roots and excluded folders with "~" expanded and
  // standardized, the application folders among the roots indexed for applications only (and
  // listed first, in the order of `applicationFolders`), and the trash folders left out.
  ScanConfig config(const QuorvaleSettings& settings) const;

  // Maintenance, each run on the index queue: empty the index and scan again; forget every
  // opened file and choice; check the database and report the result as the status.
  void rebuild(const QuorvaleSettings& settings);
  void forgetLearning();
  void checkIndex();

  // Requests a full scan with the settings. While a scan runs, the running one is cancelled and
  // one more follows with the last settings requested.
  void requestScan(const QuorvaleSettings& settings);
  // Stops the running scan at its next entry.
  void cancelScan() { schedule_.cancel(); }
  // Stops following changes.
  void stopWatching();

  // The passage pipeline: runs after each scan when question search is on (and now, by this
  // call); a pipeline that the energy policy paused runs again 600 seconds later.
  void updatePassages(const QuorvaleSettings& settings) { passages_->updatePassages(settings); }
  // The model was installed or removed (the model controller's change callback).
  void modelChanged(const QuorvaleSettings& settings);
  // Settings-window action: empties the passage database.
  void clearPassages() { passages_->clearPassages(); }
  // "12 documents, 340 passages", "Reading documents: 20 of 45", ...; for the settings window.
  std::string passageStatus() const { return passages_->passageStatus(); }
  // The passage and meaning work, for tests and benchmarks.
  PassageWork& passageWork() { return *passages_; }

  // The status line ("Indexing… 500 items", "1234 items indexed", an energy message, ...).
  std::string status() const;
  // Called on the main executor after every change of the status.
  std::function<void()> onStatusChange;

  // The folders the last complete scan could not read.
  std::vector<std::string> unreadable() const;
  // Why the last scan could not do its job (the database refused a write: a full disk, a lock
  // held too long, damage); nothing when it ran to its end or was cancelled.
  std::optional<std::string> scanFailure() const;
  // Problems that keep the engine from doing all it should, as sentences ("The content version
  // could not be saved ..."); they also end the status line.
  std::vector<std::string> problems() const;
  // Whether the last database open found damage and set the old file aside there.
  const std::optional<std::string>& setAsideIndex() const { return setAside_; }

  // For tests, benchmarks and the command line: blocks until the index queue has nothing due.
  void waitUntilIdle() { queue_.waitUntilIdle(); }
  // Whether a scan is running or waiting to run.
  bool scanPending() const;
  // The reader connection, for the command line's counts, tests and benchmarks, which search on
  // the same thread. Replaced when the index is found damaged.
  FileIndex& reader() { return *currentReader(); }
  // Runs `read` with the reader connection, never at the same time as a search (the panel
  // searches on a thread of its own). Any thread.
  template <typename Read>
  auto withReader(Read&& read) {
    std::lock_guard lock(searchMutex_);
    return read(*currentReader());
  }

 private:
  void startScanning(const QuorvaleSettings& settings, const StartOptions& options);
  // Clip file, removed roots, newly excluded folders, changed content setting; true when the
  // index changes (the caller then scans again).
  bool reactToChange(const QuorvaleSettings& from, const QuorvaleSettings& to);
  void recordApplied(const QuorvaleSettings& settings);                        // index queue
  bool holdScanLock(std::optional<FileLock>& lock);                            // index queue
  void verifyIndex(bool damageKnown, std::optional<QuorvaleSettings> rescan);  // index queue
  bool setDamagedIndexAside();                                                 // index queue
  std::shared_ptr<FileIndex> currentReader() const;
  // The smart file search of one keystroke on the reader; damage it meets is checked on the
  // index queue.
  SmartResult searchFiles(const Query& parsed, const std::string& text, int limit, Date now,
                          bool loosen);
  // The hits less hidden results and files that are gone; the gone ones leave the index on the
  // index queue.
  std::vector<Hit> shownHits(std::vector<Hit> hits, const QuorvaleSettings& settings);
  std::optional<QuorvaleSettings> lastScanSettings() const;
  void addProblem(std::string problem);
  void runScan(QuorvaleSettings settings);  // index queue
  void checkContentVersion();               // index queue
  void startWatcher(const QuorvaleSettings& settings);
  void handleChanges(const std::vector<std::string>& paths, bool mustRescan,
                     const QuorvaleSettings& settings);  // index queue
  const ContentExtractor& extractorFor(const QuorvaleSettings& settings) const;
  // The embedding callback of scans and updates: present when semantic search is on and the
  // meaning store exists.
  Scanner::OnIndexed meaningFor(const QuorvaleSettings& settings);
  // Files found by meaning fused into few word hits, and the question answer in front of the rows.
  std::vector<Hit> withMeaning(const Query& parsed, std::vector<Hit> hits,
                               const QuorvaleSettings& settings);
  std::vector<Suggestion> withAnswer(std::vector<Suggestion> rows, const std::string& text,
                                     bool explicitQuestion, const QuorvaleSettings& settings);
  void setStatus(std::string status);            // index queue
  void refreshStatus(const std::string& extra);  // index queue
  void notify();
  std::string expanded(std::string_view path) const;
  std::string clipsPath() const;
  Date now() const;

  EngineServices services_;
  RunMarker runMarker_;  // its unclean-stop markers are forgotten on the index queue
  ExtractionGuard guard_;
  std::unique_ptr<FileIndex> writer_;  // index queue only
  // Used on the main thread; replaced from the index queue after damage, hence the mutex.
  std::mutex searchMutex_;  // one search or `withReader` at a time
  mutable std::mutex readerMutex_;
  std::shared_ptr<FileIndex> reader_;  // guarded by readerMutex_
  std::atomic<bool> verifyPosted_ = false;
  bool checkAfterUncleanStop_ = false;  // main thread
  int replacedIndexes_ = 0;             // index queue
  std::optional<std::string> setAside_;
  std::shared_ptr<const ContentExtractor> contentExtractor_;
  ClipStore clips_;  // main thread
  // The history as loaded (and pruned), and whether a save was asked for since; main thread.
  std::vector<ClipItem> clipsAsLoaded_;
  bool clipsChanged_ = false;
  WorkHandle clipSave_;                   // main thread
  ClipPolicy lastClipPolicy_;             // main thread
  std::unique_ptr<FileWatcher> watcher_;  // main thread

  std::atomic<bool> closing_ = false;
  // Cleared at destruction; status notifications still waiting on the main executor check it.
  // Written and read on the main thread only.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  bool reuseVectors_ = false;  // index queue; read by the embedding callback of scans

  mutable std::mutex stateMutex_;
  std::string status_ = "Starting";         // guarded by stateMutex_
  std::vector<std::string> unreadable_;     // guarded by stateMutex_
  std::optional<std::string> scanFailure_;  // guarded
  std::vector<std::string> problems_;       // guarded
  // Its queues stop before the guard and the state it reports through go away.
  std::unique_ptr<PassageWork> passages_;
  // Posts its scans on queue_, which it must not outlive the use of.
  ScanSchedule schedule_{queue_,
                         [this](QuorvaleSettings settings) { runScan(std::move(settings)); }};

  SerialExecutor queue_;  // last: its worker stops before the members it uses go away
};

}  // namespace quorvale

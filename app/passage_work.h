// The engine's passage and meaning work: the passage pipeline that keeps "passages.db" in step
// with the file index, the answering of typed questions from it, the meaning store
// ("semantic.db") filled while files are scanned and consulted when word matches are few, and the
// text encoder, loaded from the installed model when first needed and unloaded when idle. All of
// it is optional: without the settings, the model or the databases, file search goes on alone.
//
// Threads. The passage queue (a serial executor of its own) runs passage indexing, embedding,
// `clearPassages` and the clearing of vectors when the model goes. The engine's index queue calls
// `configureSemantic`, `embedFile`, `clearSemantic` and `semanticCount`. The searching thread
// (the main thread, or the panel's search thread) calls `fuseMeaning` and `answer` for each
// keystroke; `updatePassages`, `cancelPassages`, `modelChanged`, `clearPassages` and
// `passageStatus` are called from anywhere. An idle executor of its own unloads the encoder 300
// seconds after its last use.
//
// Locks: `semanticLock_` guards the meaning store reference, `embedderLock_` the loaded encoder
// and its idle timer, `readerLock_` the passage reader, `statusLock_` the passage status.
// `cancelPassages_` is a flag any thread may set; the passes poll it between files and batches.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "index/file_index.h"
#include "index/query.h"
#include "models/embedder.h"
#include "passages/passage_indexer.h"
#include "passages/passage_store.h"
#include "query/suggestion.h"
#include "scan/energy_policy.h"
#include "scan/extraction_guard.h"
#include "semantic/hybrid_search.h"
#include "semantic/semantic_store.h"
#include "settings/quorvale_settings.h"
#include "util/clock.h"
#include "util/serial_executor.h"

namespace quorvale {

// Where the text encoder comes from.
struct EncoderSource {
  // The identifier the installed model's encoder stores beside its vectors.
  std::string identifier;
  // The folder of the installed model's files; nothing when no model is installed.
  std::function<std::optional<std::string>()> installedFolder;
  // Loads the encoder from that folder; throws when it cannot.
  std::function<std::shared_ptr<const BatchEmbedder>(const std::string& folder)> load;

  // The model this version expects, found by `installedModelFolder`, loaded as a
  // ModernBertEmbedder with at most 256 tokens.
  static EncoderSource installed();
};

// What one question found: its rows (possibly none) and whether the answer is weak.
struct QuestionAnswer {
  std::vector<Suggestion> rows;
  bool weak = true;
};

class PassageWork {
 public:
  static constexpr double kEnergyRetrySeconds = 600;
  static constexpr double kEncoderIdleSeconds = 300;
  static constexpr int kEmbedBatch = 32;
  static constexpr std::size_t kMeaningNeighbours = 20;
  static constexpr double kSemanticWeight = 0.6;
  static constexpr double kMinSimilarity = 0.38;
  static constexpr int kPassageLimit = 4;

  struct Services {
    std::string supportDir;
    ExtractionGuard* guard = nullptr;  // must outlive this object
    std::shared_ptr<Clock> clock = Clock::steady();
    // The energy situation now; none: always the default (mains power, nominal heat).
    std::function<EnergyState()> energy;
    EncoderSource encoder;
    // Called after each change of the passage status, on the passage queue.
    std::function<void()> onPassageStatus;
    std::function<bool(const std::string&)> fileExists;
    PassageIndexer::Limits limits;
  };

  explicit PassageWork(Services services);
  ~PassageWork();
  PassageWork(const PassageWork&) = delete;
  PassageWork& operator=(const PassageWork&) = delete;

  // --- Passages ---
  // Runs the passage pipeline on the passage queue when question search is on; stops the running
  // one when it is off.
  void updatePassages(const QuorvaleSettings& settings);
  void cancelPassages() { cancelPassages_ = true; }
  // The model was installed or removed: without a model the encoder is dropped and every stored
  // passage vector cleared; in both cases the pipeline runs again.
  void modelChanged(const QuorvaleSettings& settings);
  // Empties the passage database on the passage queue.
  void clearPassages();
  std::string passageStatus() const;
  // The answer to the text when question search is on and the text is a question (or
  // `explicitQuestion`), and the passage database holds passages; nothing otherwise.
  std::optional<QuestionAnswer> answer(const std::string& text, bool explicitQuestion,
                                       const QuorvaleSettings& settings);

  // --- Meaning (index queue, apart from `fuseMeaning`) ---
  // Opens the meaning store for the encoder when semantic search is on and a model is installed;
  // drops it otherwise.
  void configureSemantic(const QuorvaleSettings& settings);
  bool hasSemanticStore() const;
  // Gives the scanned file a meaning vector (unless it has one and `reuseVectors`).
  void embedFile(const FileRecord& record, const std::optional<std::string>& content,
                 bool reuseVectors);
  void clearSemantic();
  // Drops the meaning vectors of files no longer in `index` (after a finished scan), so that
  // they take no place among the nearest files.
  void forgetLeftMeaning(FileIndex& index);
  std::optional<int64_t> semanticCount() const;
  // The word hits with files found by meaning fused in, when the store exists, the query has
  // words and the hits are fewer than `resultLimit`; `lookup` finds the record of a path.
  std::vector<Hit> fuseMeaning(const Query& query, std::vector<Hit> hits, int resultLimit,
                               const HybridSearch::Lookup& lookup);

  // --- Encoder ---
  // The loaded encoder, loading it when a model is installed; restarts the idle timer.
  std::shared_ptr<const BatchEmbedder> modelEmbedder();
  bool encoderLoaded() const;

  // For tests and benchmarks: blocks until the passage queue and the idle queue have nothing due.
  void waitUntilIdle();

 private:
  void runPipeline(const QuorvaleSettings& settings);  // passage queue
  bool openWriter();                                   // passage queue
  void setStatus(std::string status);
  EnergyPolicy::Verdict verdict() const;
  std::shared_ptr<PassageStore> searchStore();
  std::shared_ptr<SemanticStore> semantic() const;
  void dropEncoder();
  // What the passage database holds, as last seen (the pipeline and the clearing keep it
  // current, so a keystroke need not count rows).
  void notePassages(PassageStore& store);

  Services services_;
  std::atomic<bool> cancelPassages_ = false;
  std::atomic<bool> closing_ = false;

  // Passage queue only.
  std::unique_ptr<PassageStore> writer_;
  std::unique_ptr<PassageIndexer> indexer_;
  bool passagesRunning_ = false;
  WorkHandle energyRetry_;

  // -1: not known yet; 0: none; 1: some. Written on the passage queue, read by `answer`.
  std::atomic<int> hasPassages_ = -1;
  std::atomic<int> hasVectors_ = -1;  // of the installed model's encoder

  mutable std::mutex readerLock_;
  std::shared_ptr<PassageStore> reader_;  // guarded by readerLock_

  mutable std::mutex statusLock_;
  std::string passageStatus_;  // guarded by statusLock_

  mutable std::mutex semanticLock_;
  std::shared_ptr<SemanticStore> semantic_;  // guarded by semanticLock_

  mutable std::mutex embedderLock_;
  std::shared_ptr<const BatchEmbedder> loadedEmbedder_;  // guarded by embedderLock_
  WorkHandle embedderIdleWork_;                          // guarded by embedderLock_
  uint64_t embedderUses_ = 0;                            // guarded by embedderLock_
  // The installed model failed to load; not tried again until the model changes.
  bool loadFailed_ = false;  // guarded by embedderLock_

  // Last: their workers stop before the members they use go away.
  SerialExecutor idleQueue_;
  SerialExecutor passageQueue_;
};

}  // namespace quorvale

// Keeps the passage database in step with the file index. `catchUp` asks the file index for every
// document passages can be cut from, newest first, forgets stored documents that left the index,
// and reads and chunks each document that changed since it was stored, behind the extraction
// guard. A document that gives nothing (unreadable, empty, secret, timed out, known to hang) is
// stored with no passages, so that it is read again only when it changes.
//
// Runs on the engine's passage queue, one pass at a time, with the writer connection of the
// passage database; keeps nothing between passes (everything needed to resume lives in the
// database). `shouldStop` and `energy` are asked before each file; a read in progress is never
// interrupted except by the guard's time limit.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "index/file_index.h"
#include "passages/passage_store.h"
#include "scan/energy_policy.h"
#include "scan/extraction_guard.h"

namespace quorvale {

// The callbacks both background passes take.
namespace PassagePass {
using ShouldStop = std::function<bool()>;
using Energy = std::function<EnergyPolicy::Verdict()>;
using Progress = std::function<void(const std::string&)>;

// Why a pass ended early; the engine shows them in the passage status.
inline constexpr const char* kStopped = "stopped";
inline constexpr const char* kPaused = "paused to save battery or cool down";
inline constexpr const char* kDiskLimit = "reached the disk limit";
}  // namespace PassagePass

class PassageIndexer {
 public:
  struct Summary {
    int64_t written = 0;   // documents stored with passages
    int64_t examined = 0;  // candidates looked at (stopped or not)
    int64_t empty = 0;     // candidates read and stored with no passages
    int64_t offered = 0;   // candidates the file index offered
    // Why the pass ended before the last candidate; nothing when it reached the end.
    std::optional<std::string> stoppedFor;
    bool operator==(const Summary&) const = default;
  };

  struct Limits {
    // The passage database may grow past this by at most one document's passages.
    int64_t maxBytes = 1'000'000'000;
    // The newest this many candidates are considered per pass.
    int64_t maxFiles = 5000;
    // A pause between documents, so that a long pass leaves the machine responsive.
    double pauseSeconds = 0.02;
    // The longest one document may take to read and chunk.
    double readTimeout = 12;
  };

  PassageIndexer(PassageStore& store, ExtractionGuard& guardrail, Limits limits);

  Summary catchUp(FileIndex& index, const PassagePass::ShouldStop& shouldStop,
                  const PassagePass::Energy& energy, const PassagePass::Progress& progress);

  PassageStore& store() { return store_; }

 private:
  // Reads, chunks and stores one document; true when it was stored with passages.
  bool readAndStore(const FileIndex::ExtensionFile& file, Summary& summary);

  PassageStore& store_;
  ExtractionGuard& guardrail_;
  Limits limits_;
};

}  // namespace quorvale

// One measured phase of the scan benchmark, run inside its own child process: a first scan of
// the corpus into a fresh index.db, or a rescan of an unchanged corpus into the existing one.
// The scan reads contents as `quorvale --scan` does: the default extractor, with PDF and office
// files behind the extraction guard (its files kept beside the database); or, when asked, the
// default extractor alone. The child prints its result in a small "key value" text that the
// parent decodes.
#pragma once

#include <cstdint>
#include <string>

namespace quorvale::bench {

enum class Phase { firstScan, rescan };
enum class Extraction { guarded, unguarded };
// The scan's walk inline on its thread, or ahead on a reader thread (ScanConfig::readAhead).
enum class Walk { inline_, readAhead };

struct PhaseResult {
  double seconds = 0;     // the scan call alone, from opening the index to its last commit
  double cpuSeconds = 0;  // user and system time over the same span
  // Time spent ready to run but waiting for a processor: on a busy machine the wall clock
  // counts other programs' work too.
  double waitSeconds = 0;
  int64_t seen = 0;
  int64_t added = 0;
  int64_t updated = 0;
  int64_t unchanged = 0;
  int64_t removed = 0;
  int64_t withContent = 0;
  int64_t indexBytes = 0;     // index.db and its -wal after a checkpoint
  int64_t peakKilobytes = 0;  // the process's peak resident memory (VmHWM)

  std::string encode() const;
  // Throws std::runtime_error on text that encode did not write.
  static PhaseResult decode(const std::string& text);
  bool operator==(const PhaseResult&) const = default;
};

// Runs the phase in this process. A first scan deletes any earlier database first.
PhaseResult runPhase(Phase phase, Extraction extraction, Walk walk, const std::string& root,
                     const std::string& database);

}  // namespace quorvale::bench

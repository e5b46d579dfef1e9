// The benchmark's result table, shared in shape with bench/peers.sh so that the rows of every
// tool line up, and the one-line result files that bench/run.sh compares against the targets.
#pragma once

#include <cstdint>
#include <string>

namespace quorvale::bench {

struct ResultRow {
  std::string tool;
  int64_t files = 0;           // files in the corpus, pruned ones included
  double firstSeconds = 0;     // first scan with content into an empty index, wall clock
  double firstCpuSeconds = 0;  // the same scan's user and system time
  double rescanSeconds = 0;    // unchanged rescan
  int64_t rescanEntries = 0;   // entries the rescan visited
  int64_t indexBytes = 0;      // on disk after the first scan
  int64_t peakKilobytes = 0;   // peak resident memory of the first scan
};

std::string tableHeader();
std::string tableRow(const ResultRow& row);

// Writes the row as one tab-separated line (the fields above, in order) to `path`.
void saveRow(const std::string& path, const ResultRow& row);

}  // namespace quorvale::bench

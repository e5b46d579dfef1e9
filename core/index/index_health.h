// The state of the files database in a form the settings window and `--status` can show: whether
// SQLite finds the file sound, how many rows each of the three per-file tables holds, and whether
// a test entry written through the normal write path is found again by the normal search.
//
// FileIndex::healthCheck fills it (index_health.cpp) on the thread that owns the index, since the
// check writes and removes a test entry. A plain value, copied freely.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorvale {

struct IndexHealth {
  bool databaseOK = false;   // "PRAGMA quick_check" found no damage
  int64_t files = 0;         // rows of `files`
  int64_t textRows = 0;      // documents of the full-text table
  int64_t nameRows = 0;      // documents of the trigram table
  bool canaryFound = false;  // the write-and-find round trip succeeded
  // One sentence per problem, in the order the checks ran; empty when all is well.
  std::vector<std::string> problems;

  // One line: the healthy sentence with the number of items, or every problem.
  std::string summary() const;

  bool operator==(const IndexHealth&) const = default;
};

}  // namespace quorvale

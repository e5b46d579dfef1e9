// Generated corpora kept between benchmark runs. A corpus is written once per size, seed and
// generator version into the data folder ("corpus-<files>-s<seed>-g<version>/") and published by
// renaming a finished temporary folder, with its statistics beside it in a ".stats" file; later
// runs reuse it. Called from the benchmark's main thread only.
#pragma once

#include <string>

#include "corpus/corpus.h"

namespace quorvale::bench {

struct CachedCorpus {
  std::string root;
  CorpusStats stats;
  bool reused = false;
  double generationSeconds = 0;
};

// Throws std::runtime_error when the corpus cannot be written.
CachedCorpus ensureCorpus(const std::string& dataFolder, const CorpusOptions& options);

// Where the benchmarks keep their corpora when no --data is given: $QUORVALE_BENCH_DATA, else
// quorvale-bench in the user's cache folder.
std::string defaultDataFolder();

}  // namespace quorvale::bench

#include "scan/corpus_cache.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <stdexcept>

namespace quorvale::bench {
namespace {

namespace fs = std::filesystem;

// Raise when the generator's output changes, so that stale corpora are not reused.
constexpr int kGeneratorVersion = 4;

std::string corpusName(const CorpusOptions& options) {
  return "corpus-" + std::to_string(options.files) + "-s" + std::to_string(options.seed) + "-g" +
         std::to_string(kGeneratorVersion);
}

// The stats file: one "key value" pair per line.
void saveStats(const std::string& path, const CorpusStats& stats) {
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary);
    out << "files " << stats.files << "\nfolders " << stats.folders << "\nbytes " << stats.bytes
        << "\nprunedFiles " << stats.prunedFiles << "\nindexedEntries " << stats.indexedEntries
        << "\n";
    if (!out) throw std::runtime_error("cannot write " + temporary);
  }
  fs::rename(temporary, path);
}

std::optional<CorpusStats> loadStats(const std::string& path) {
  std::ifstream in(path);
  if (!in) return std::nullopt;
  std::map<std::string, int64_t> values;
  std::string key;
  int64_t value = 0;
  while (in >> key >> value) values[key] = value;
  if (values.size() != 5) return std::nullopt;
  return CorpusStats{.files = values["files"],
                     .folders = values["folders"],
                     .bytes = values["bytes"],
                     .prunedFiles = values["prunedFiles"],
                     .indexedEntries = values["indexedEntries"]};
}

}  // namespace

CachedCorpus ensureCorpus(const std::string& dataFolder, const CorpusOptions& options) {
  const std::string root = dataFolder + "/" + corpusName(options);
  const std::string statsPath = root + ".stats";
  if (auto stats = loadStats(statsPath); stats && fs::is_directory(root)) {
    return {.root = root, .stats = *stats, .reused = true};
  }
  fs::create_directories(dataFolder);
  const std::string temporary = root + ".partial";
  fs::remove_all(temporary);
  fs::remove_all(root);
  const auto start = std::chrono::steady_clock::now();
  CorpusStats stats = writeCorpus(temporary, options);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  fs::rename(temporary, root);
  saveStats(statsPath, stats);
  return {.root = root, .stats = stats, .reused = false, .generationSeconds = elapsed.count()};
}

std::string defaultDataFolder() {
  if (const char* data = std::getenv("QUORVALE_BENCH_DATA")) return data;
  if (const char* cache = std::getenv("XDG_CACHE_HOME"))
    return std::string(cache) + "/quorvale-bench";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "/tmp") + "/.cache/quorvale-bench";
}

}  // namespace quorvale::bench

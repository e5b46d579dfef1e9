#include "scan/scan_phase.h"

#include <sys/resource.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

#include "index/file_index.h"
#include "index/file_index_access.h"
#include "scan/default_extractor.h"
#include "scan/extraction_guard.h"
#include "scan/guarded_extractor.h"
#include "scan/scanner.h"

namespace quorvale::bench {
namespace {

namespace fs = std::filesystem;

int64_t fileSize(const std::string& path) {
  std::error_code error;
  const auto size = fs::file_size(path, error);
  return error ? 0 : static_cast<int64_t>(size);
}

void removeDatabase(const std::string& database) {
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) fs::remove(database + suffix);
}

// The guard's files live beside the database; a first scan starts without poisoned files.
std::string guardFolder(const std::string& database, Phase phase) {
  const std::string folder = fs::path(database).parent_path().string() + "/guard";
  if (phase == Phase::firstScan) fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

// The "VmHWM:  123456 kB" line of /proc/self/status.
int64_t peakResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stoll(line.substr(6));
  }
  return 0;
}

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The second field of /proc/self/schedstat: nanoseconds spent waiting on a run queue.
double runQueueSeconds() {
  std::ifstream schedstat("/proc/self/schedstat");
  uint64_t running = 0;
  uint64_t waiting = 0;
  schedstat >> running >> waiting;
  return static_cast<double>(waiting) / 1e9;
}

}  // namespace

std::string PhaseResult::encode() const {
  std::ostringstream out;
  out.precision(17);
  out << "seconds " << seconds << "\ncpuSeconds " << cpuSeconds << "\nwaitSeconds " << waitSeconds
      << "\nseen " << seen << "\nadded " << added << "\nupdated " << updated << "\nunchanged "
      << unchanged << "\nremoved " << removed << "\nwithContent " << withContent << "\nindexBytes "
      << indexBytes << "\npeakKilobytes " << peakKilobytes << "\n";
  return out.str();
}

PhaseResult PhaseResult::decode(const std::string& text) {
  std::istringstream in(text);
  std::map<std::string, double> values;
  std::string key;
  double value = 0;
  while (in >> key >> value) values[key] = value;
  if (values.size() != 11) throw std::runtime_error("unexpected phase output: " + text);
  auto integer = [&](const char* name) { return static_cast<int64_t>(values[name]); };
  return {.seconds = values["seconds"],
          .cpuSeconds = values["cpuSeconds"],
          .waitSeconds = values["waitSeconds"],
          .seen = integer("seen"),
          .added = integer("added"),
          .updated = integer("updated"),
          .unchanged = integer("unchanged"),
          .removed = integer("removed"),
          .withContent = integer("withContent"),
          .indexBytes = integer("indexBytes"),
          .peakKilobytes = integer("peakKilobytes")};
}

PhaseResult runPhase(Phase phase, Extraction extraction, Walk walk, const std::string& root,
                     const std::string& database) {
  if (phase == Phase::firstScan) removeDatabase(database);
  ExtractionGuard guard(guardFolder(database, phase));
  const DefaultExtractor unguarded;
  const GuardedExtractor guarded(unguarded, guard);
  const ContentExtractor& extractor =
      extraction == Extraction::guarded ? static_cast<const ContentExtractor&>(guarded) : unguarded;
  const auto start = std::chrono::steady_clock::now();
  const double cpuStart = cpuSeconds();
  const double waitStart = runQueueSeconds();
  FileIndex index(database);
  ScanConfig config = ScanConfig::make({root});
  config.readAhead = walk == Walk::readAhead;
  const ScanStats stats = Scanner::scan(config, index, extractor, {}, [] { return false; }, {});
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  const double cpuElapsed = cpuSeconds() - cpuStart;
  const double waitElapsed = runQueueSeconds() - waitStart;
  FileIndexAccess::connection(index).exec("PRAGMA wal_checkpoint(TRUNCATE)");
  return {.seconds = elapsed.count(),
          .cpuSeconds = cpuElapsed,
          .waitSeconds = waitElapsed,
          .seen = stats.seen,
          .added = stats.added,
          .updated = stats.updated,
          .unchanged = stats.unchanged,
          .removed = stats.removed,
          .withContent = stats.withContent,
          .indexBytes = fileSize(database) + fileSize(database + "-wal"),
          .peakKilobytes = peakResidentKilobytes()};
}

}  // namespace quorvale::bench

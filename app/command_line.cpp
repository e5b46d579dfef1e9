#include "command_line.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "data_folder.h"
#include "index/index_recovery.h"
#include "scan/default_extractor.h"
#include "scan/extraction_guard.h"
#include "scan/guarded_extractor.h"
#include "scan/scanner.h"

namespace quorvale {
namespace {

constexpr const char* kUsage = "usage: quorvale --scan FOLDER...";

std::string absolute(const std::string& path) {
  std::error_code error;
  auto full = std::filesystem::absolute(path, error);
  return error ? path : full.lexically_normal().string();
}

void printStats(const ScanStats& stats) {
  std::printf("seen=%lld added=%lld updated=%lld unchanged=%lld removed=%lld withContent=%lld "
              "unreadable=%zu\n",
              static_cast<long long>(stats.seen), static_cast<long long>(stats.added),
              static_cast<long long>(stats.updated), static_cast<long long>(stats.unchanged),
              static_cast<long long>(stats.removed), static_cast<long long>(stats.withContent),
              stats.unreadable.size());
  for (const auto& path : stats.unreadable) std::printf("unreadable: %s\n", path.c_str());
}

// Scans the given folders into the data folder's index in the foreground.
int scanCommand(const std::vector<std::string>& folders) {
  if (folders.empty()) {
    std::fprintf(stderr, "%s\n", kUsage);
    return 2;
  }
  std::string support = dataFolder();
  OpenedIndex opened;
  try {
    opened = openFileIndex(support + "/index.db");
  } catch (const IndexError& error) {
    std::printf("index unavailable\n");
    std::fprintf(stderr, "quorvale: %s\n", error.what());
    return 1;
  }
  if (opened.setAside) {
    std::fprintf(stderr, "quorvale: the damaged index was moved to %s\n", opened.setAside->c_str());
  }

  std::vector<std::string> roots;
  for (const auto& folder : folders) roots.push_back(absolute(folder));
  ExtractionGuard guard(support);
  GuardedExtractor extractor(DefaultExtractor(), guard);
  bool terminal = isatty(STDERR_FILENO);
  auto progress = [&](int64_t seen) {
    std::fprintf(stderr, terminal ? "\rScanning… %lld items" : "Scanning… %lld items\n",
                 static_cast<long long>(seen));
  };
  try {
    ScanStats stats = Scanner::scan(ScanConfig::make(roots), *opened.index, extractor, progress,
                                    nullptr, nullptr);
    if (terminal) std::fprintf(stderr, "\n");
    printStats(stats);
  } catch (const IndexError& error) {
    std::fprintf(stderr, "quorvale: the scan stopped: %s\n", error.what());
    return 1;
  }
  std::printf("indexed=%lld supportDir=%s\n", static_cast<long long>(opened.index->count()),
              support.c_str());
  return 0;
}

}  // namespace

int runCommandLine(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && args.front() == "--scan") {
    return scanCommand({args.begin() + 1, args.end()});
  }
  std::fprintf(stderr, "%s\n", kUsage);
  return args.empty() ? 0 : 2;
}

}  // namespace quorvale

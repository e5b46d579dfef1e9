// quorvale_scan_bench: generates (or reuses) a corpus, then measures, each in a fresh child
// process, a first scan with content into an empty index and unchanged rescans; prints the
// files per second, the rescan's entries per second, the index size per file and the peak memory.
//
//   quorvale_scan_bench [--files N] [--seed S] [--data DIR] [--first-scans K] [--rescans K]
//                       [--unguarded] [--read-ahead] [--against PROGRAM]
//   quorvale_scan_bench [--files N] [--seed S] [--data DIR] --print-corpus
//
// Contents are read as `quorvale --scan` reads them (PDF and office files behind the extraction
// guard); --unguarded measures the default extractor alone. --read-ahead walks on a reader
// thread ahead of the comparisons (ScanConfig::readAhead). --first-scans 0 rescans the index the
// last run left. --against runs each rescan a second time with PROGRAM, another build of this
// benchmark (main's, say), right after this build's, so that both see the same load, and prints
// both medians: wall and processor time, and the entries per processor-second.
// --print-corpus only makes sure the corpus exists and prints its folder (for bench/peers.sh).
// DIR (default $QUORVALE_BENCH_DATA, else $XDG_CACHE_HOME/quorvale-bench) holds the corpora, the
// indexes and a results/ folder with one line per run for bench/run.sh to compare.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "scan/child_process.h"
#include "scan/corpus_cache.h"
#include "scan/report.h"
#include "scan/scan_phase.h"

namespace quorvale::bench {
namespace {

struct Arguments {
  CorpusOptions corpus;
  std::string data;
  int firstScans = -1;  // -1: three for small corpora, one for large ones; 0: reuse the index
  int rescans = 3;
  bool printCorpus = false;
  Extraction extraction = Extraction::guarded;
  Walk walk = Walk::inline_;
  // Set in the child processes only.
  std::optional<Phase> phase;
  std::string root;
  std::string database;
  std::string against;
};

[[noreturn]] void usage() {
  std::cerr << "usage: quorvale_scan_bench [--files N] [--seed S] [--data DIR] [--first-scans K] "
               "[--rescans K] [--unguarded] [--read-ahead] [--against PROGRAM] [--print-corpus]\n";
  std::exit(2);
}

Arguments parse(int argc, char** argv) {
  Arguments arguments;
  arguments.data = defaultDataFolder();
  for (int i = 1; i < argc; ++i) {
    const std::string flag = argv[i];
    if (flag == "--print-corpus" || flag == "--unguarded" || flag == "--read-ahead") {
      if (flag == "--print-corpus")
        arguments.printCorpus = true;
      else if (flag == "--unguarded")
        arguments.extraction = Extraction::unguarded;
      else
        arguments.walk = Walk::readAhead;
      continue;
    }
    if (i + 1 >= argc) usage();
    const std::string value = argv[++i];
    if (flag == "--files")
      arguments.corpus.files = std::stoull(value);
    else if (flag == "--seed")
      arguments.corpus.seed = std::stoull(value);
    else if (flag == "--data")
      arguments.data = value;
    else if (flag == "--first-scans")
      arguments.firstScans = std::stoi(value);
    else if (flag == "--rescans")
      arguments.rescans = std::stoi(value);
    else if (flag == "--phase")
      arguments.phase = value == "first" ? Phase::firstScan : Phase::rescan;
    else if (flag == "--root")
      arguments.root = value;
    else if (flag == "--db")
      arguments.database = value;
    else if (flag == "--against")
      arguments.against = value;
    else
      usage();
  }
  if (arguments.firstScans < 0) arguments.firstScans = arguments.corpus.files <= 20000 ? 3 : 1;
  return arguments;
}

// Runs the phase in a child: this program, or `program` when given.
PhaseResult runChild(const Arguments& arguments, Phase phase, const std::string& root,
                     const std::string& database, const std::string& program = {}) {
  std::vector<std::string> child = {
      "--phase", phase == Phase::firstScan ? "first" : "rescan", "--root", root, "--db", database};
  if (arguments.extraction == Extraction::unguarded) child.push_back("--unguarded");
  if (arguments.walk == Walk::readAhead) child.push_back("--read-ahead");
  return PhaseResult::decode(program.empty() ? runSelf(child) : runProgram(program, child));
}

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void printDetail(const char* what, const PhaseResult& result) {
  std::printf(
      "  %-12s %7.2f s (cpu %.2f s, waiting for a cpu %.2f s)  seen %lld, added %lld, unchanged "
      "%lld, with content %lld, "
      "peak %.1f MB\n",
      what, result.seconds, result.cpuSeconds, result.waitSeconds,
      static_cast<long long>(result.seen), static_cast<long long>(result.added),
      static_cast<long long>(result.unchanged), static_cast<long long>(result.withContent),
      static_cast<double>(result.peakKilobytes) / 1024.0);
}

// The rescans of one program: their median wall and processor time.
struct Rescans {
  std::vector<double> seconds;
  std::vector<double> cpuSeconds;
  int64_t entries = 0;

  void add(const PhaseResult& result) {
    seconds.push_back(result.seconds);
    cpuSeconds.push_back(result.cpuSeconds);
    entries = result.seen;
  }
  void print(const std::string& who) const {
    const double wall = median(seconds);
    const double cpu = median(cpuSeconds);
    const auto count = static_cast<double>(entries);
    std::printf(
        "rescan %s: median of %zu, %.3f s wall, %.3f s cpu: %.0f entries/s, %.0f entries per "
        "cpu-second\n",
        who.c_str(), seconds.size(), wall, cpu, wall > 0 ? count / wall : 0,
        cpu > 0 ? count / cpu : 0);
  }
};

// Scans that disagree with the corpus are reported, not fatal: the figures still stand.
void checkAgainstCorpus(const CorpusStats& corpus, const PhaseResult& first,
                        const PhaseResult& rescan) {
  if (first.seen != 0 && first.seen != corpus.indexedEntries) {
    std::printf(
        "  note: the first scan saw %lld entries; the corpus has %lld outside pruned "
        "folders\n",
        static_cast<long long>(first.seen), static_cast<long long>(corpus.indexedEntries));
  }
  if (rescan.unchanged != rescan.seen) {
    std::printf("  note: the rescan re-indexed %lld of %lld entries\n",
                static_cast<long long>(rescan.seen - rescan.unchanged),
                static_cast<long long>(rescan.seen));
  }
}

int benchmark(const Arguments& arguments) {
  const CachedCorpus corpus = ensureCorpus(arguments.data, arguments.corpus);
  std::printf("corpus %s: %lld files (%lld in pruned folders), %lld folders, %.1f MB%s\n",
              corpus.root.c_str(), static_cast<long long>(corpus.stats.files),
              static_cast<long long>(corpus.stats.prunedFiles),
              static_cast<long long>(corpus.stats.folders),
              static_cast<double>(corpus.stats.bytes) / 1e6,
              corpus.reused
                  ? ", reused"
                  : (", generated in " + std::to_string(corpus.generationSeconds) + " s").c_str());
  // The default extractor alone is reported as its own tool, "q-default".
  const std::string tool = arguments.extraction == Extraction::guarded ? "quorvale" : "q-default";
  const std::string runName = tool + "-" + std::to_string(arguments.corpus.files) + "-s" +
                              std::to_string(arguments.corpus.seed);
  const std::string database = arguments.data + "/runs/" + runName + "/index.db";
  std::filesystem::create_directories(arguments.data + "/runs/" + runName);

  std::vector<double> firstTimes;
  std::vector<double> firstCpuTimes;
  Rescans ours;
  Rescans theirs;
  PhaseResult first;
  PhaseResult rescan;
  int64_t peak = 0;
  for (int i = 0; i < arguments.firstScans; ++i) {
    first = runChild(arguments, Phase::firstScan, corpus.root, database);
    printDetail("first scan", first);
    firstTimes.push_back(first.seconds);
    firstCpuTimes.push_back(first.cpuSeconds);
    peak = std::max(peak, first.peakKilobytes);
  }
  if (arguments.firstScans == 0 && !std::filesystem::exists(database)) {
    throw std::runtime_error("--first-scans 0 needs the index of an earlier run: " + database);
  }
  for (int i = 0; i < arguments.rescans; ++i) {
    rescan = runChild(arguments, Phase::rescan, corpus.root, database);
    printDetail("rescan", rescan);
    ours.add(rescan);
    peak = std::max(peak, rescan.peakKilobytes);
    if (!arguments.against.empty()) {
      const PhaseResult other =
          runChild(arguments, Phase::rescan, corpus.root, database, arguments.against);
      printDetail("against", other);
      theirs.add(other);
    }
  }
  checkAgainstCorpus(corpus.stats, first, rescan);

  const ResultRow row{.tool = tool,
                      .files = corpus.stats.files,
                      .firstSeconds = median(firstTimes),
                      .firstCpuSeconds = median(firstCpuTimes),
                      .rescanSeconds = median(ours.seconds),
                      .rescanEntries = rescan.seen,
                      .indexBytes = first.indexBytes,
                      .peakKilobytes = peak};
  std::printf("\n%s\n%s\n\n", tableHeader().c_str(), tableRow(row).c_str());
  if (!ours.seconds.empty()) ours.print("(this build)");
  if (!theirs.seconds.empty()) theirs.print("(" + arguments.against + ")");
  // Without a first scan the row lacks half its figures: the saved results stay as they were.
  if (arguments.firstScans > 0) {
    saveRow(arguments.data + "/results/" + std::to_string(arguments.corpus.files) + "-s" +
                std::to_string(arguments.corpus.seed) + "/" + tool + ".tsv",
            row);
  }
  return 0;
}

}  // namespace
}  // namespace quorvale::bench

int main(int argc, char** argv) {
  using namespace quorvale::bench;
  try {
    const Arguments arguments = parse(argc, argv);
    if (arguments.phase) {
      const PhaseResult result = runPhase(*arguments.phase, arguments.extraction, arguments.walk,
                                          arguments.root, arguments.database);
      std::fputs(result.encode().c_str(), stdout);
      return 0;
    }
    if (arguments.printCorpus) {
      std::puts(ensureCorpus(arguments.data, arguments.corpus).root.c_str());
      return 0;
    }
    return benchmark(arguments);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "quorvale_scan_bench: %s\n", error.what());
    return 1;
  }
}

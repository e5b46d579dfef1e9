// The engine end to end, as the panel drives it.
//
//   quorvale_engine_bench [--index PATH]... [--work DIR] [--skip-keystroke] [--skip-live]
//                         [--no-warm-up] [--skip-scan] [--no-stored]
//
// Keystroke: `SearchEngine::search` (parser, smart search, vanished-file check of the shown hits,
// quick answers, row builder) over a copy of each given index (default: the search benchmark's
// generated 100,000-file index; build it first with `quorvale_search_bench --sizes 100000`, and
// the 1,000,000-file one with `--sizes 1000000`), with the same seeded query set, in each state
// a user meets: the first keystrokes after a start (a fresh engine, once its start-up work on
// the index queue and the shell's warm-up of the shared search data are done; --no-warm-up
// leaves the warm-up out; the phases of its slowest queries are printed; before the engine opens,
// the search data the end of a scan keeps in the file is stored, unless --no-stored, which
// gives the very first start), the steady state, and
// while a scan of another root (20,000 text files) writes into the index. Every state reports wall
// clock and the thread's CPU time, p50, p95, p99 and max, and a table of all of them closes the
// run. Then the resident memory of the engine after the scan and 100 more queries. The generated
// files need not exist on disk: the vanished-file check is told they all do, so no search removes a
// row.
//
// Live updates: an engine watching a fresh root through inotify; 1,000 files are created, then
// modified (a new word each), then deleted. For each phase: how long after the last change the
// index reflects all of them, and the median delay from a file's creation to its being found.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "index/file_index_access.h"
#include "inotify_watcher.h"
#include "query/smart_search.h"
#include "search/generated_files.h"
#include "search/query_set.h"
#include "search_engine.h"
#include "support/latency.h"
#include "util/main_executor.h"
#include "util/phase_times.h"

namespace fs = std::filesystem;
using namespace quorvale;
using namespace quorvale::bench;

namespace {

constexpr uint64_t kQuerySeed = 7;
// The other root scanned while queries run: small text files with words of the same vocabulary.
constexpr int kScanFiles = 20'000;

struct Options {
  std::vector<std::string> indexes;
  std::string work = "/var/tmp/quorvale-engine-bench";
  bool keystroke = true;
  bool live = true;
  bool warmUp = true;
  bool scan = true;
  bool stored = true;
};

// Resident and peak resident memory of this process, in MB.
std::pair<double, double> residentMegabytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  double rss = 0, hwm = 0;
  while (std::getline(status, line)) {
    if (line.starts_with("VmRSS:")) rss = std::stod(line.substr(6)) / 1024;
    if (line.starts_with("VmHWM:")) hwm = std::stod(line.substr(6)) / 1024;
  }
  return {rss, hwm};
}

// A folder of `count` small text files for a scan to chew on while queries run.
void writeScanRoot(const std::string& root, int count) {
  if (fs::exists(root + "/.complete")) return;
  const auto& words = generatedWords();
  uint64_t state = 1;
  auto next = [&] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::size_t>(state >> 33);
  };
  for (int i = 0; i < count; ++i) {
    std::string folder = root + "/d" + std::to_string(i / 100);
    fs::create_directories(folder);
    std::ofstream file(folder + "/" + words[next() % 200] + "-" + std::to_string(i) + ".txt");
    for (int w = 0; w < 300; ++w)
      file << words[next() % words.size()] << (w % 12 == 11 ? "\n" : " ");
  }
  std::ofstream(root + "/.complete") << "";
}

struct Engine {
  UserDefaults defaults;
  MainExecutor main;
  std::unique_ptr<SearchEngine> engine;

  Engine(const std::string& dataDir, const std::string& home, bool watch,
         bool everyFileExists = false)
      : defaults(dataDir + "/defaults.json") {
    // The content version is current: starting must not empty the copied index.
    defaults.set(UserDefaults::kContentVersionKey, SearchEngine::kContentVersion);
    EngineServices services;
    services.supportDir = dataDir;
    services.defaults = &defaults;
    services.main = &main;
    services.home = home;
    if (everyFileExists) services.fileExists = [](const std::string&) { return true; };
    if (watch) services.makeWatcher = [] { return std::make_unique<InotifyWatcher>(); };
    engine = std::make_unique<SearchEngine>(ClipPolicy{}, std::move(services));
  }
};

// Times runs of some work, wall clock and the thread's CPU.
struct Times {
  std::vector<double> wall, cpu;
  void time(const std::function<void()>& work) {
    double cpuStart = threadCpuMilliseconds();
    auto start = std::chrono::steady_clock::now();
    work();
    wall.push_back(millisecondsSince(start));
    cpu.push_back(threadCpuMilliseconds() - cpuStart);
  }
  void print(const std::string& label) const {
    printSummary(label + ", wall", wall);
    printSummary(label + ", thread CPU", cpu);
  }
};

// One row of the closing table: a state of one index.
struct StateRow {
  std::string state;
  Times times;
};

void printSlowest(const std::vector<BenchQuery>& queries, const std::vector<std::size_t>& asked,
                  const std::vector<double>& times) {
  std::vector<std::size_t> order(times.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](auto a, auto b) { return times[a] > times[b]; });
  // QUORVALE_BENCH_SLOWEST=N lists more of them (the p99 of a long pass lies far down).
  const char* wanted = std::getenv("QUORVALE_BENCH_SLOWEST");
  std::size_t listed = wanted != nullptr ? std::strtoul(wanted, nullptr, 10) : 8;
  std::printf("    slowest:");
  for (std::size_t i = 0; i < std::min(listed, order.size()); ++i) {
    std::printf(" \"%s\" %.1f;", queries[asked[order[i]]].text.c_str(), times[order[i]]);
  }
  std::printf("\n");
}

// The phases (wall, inclusive, the longest first) of the slowest queries of a pass.
void printSlowestPhases(const std::vector<BenchQuery>& queries, const std::vector<double>& times,
                        const std::vector<std::vector<PhaseTimes::Total>>& phases) {
  std::vector<std::size_t> order(times.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](auto a, auto b) { return times[a] > times[b]; });
  for (std::size_t i = 0; i < std::min<std::size_t>(6, order.size()); ++i) {
    std::vector<PhaseTimes::Total> sorted = phases[order[i]];
    std::sort(sorted.begin(), sorted.end(),
              [](const auto& a, const auto& b) { return a.milliseconds > b.milliseconds; });
    std::printf("    \"%s\" %.1f:", queries[order[i] % queries.size()].text.c_str(),
                times[order[i]]);
    for (std::size_t p = 0; p < std::min<std::size_t>(8, sorted.size()); ++p) {
      std::printf(" %s %.1f/%d;", sorted[p].name.c_str(), sorted[p].milliseconds, sorted[p].count);
    }
    std::printf("\n");
  }
}

void printGroups(const std::vector<BenchQuery>& queries, const std::vector<std::size_t>& asked,
                 const std::vector<double>& times) {
  std::map<std::string, std::vector<double>> byGroup;
  for (std::size_t i = 0; i < times.size(); ++i)
    byGroup[queries[asked[i]].group].push_back(times[i]);
  for (const auto& [group, groupTimes] : byGroup) {
    printSummary("    " + group + ", thread CPU", groupTimes);
  }
}

void keystroke(const Options& options, const std::string& index, std::vector<StateRow>& table) {
  if (!fs::exists(index)) {
    std::fprintf(stderr, "no index at %s: run quorvale_search_bench --sizes N first\n",
                 index.c_str());
    return;
  }
  std::string data = options.work + "/keystroke";
  fs::remove_all(data);
  fs::create_directories(data);
  fs::copy_file(index, data + "/index.db");
  std::string scanRoot = options.work + "/scan-root-" + std::to_string(kScanFiles);
  writeScanRoot(scanRoot, kScanFiles);

  if (options.stored) {
    // What the end of the last scan kept in the file for the next process.
    auto storing = std::chrono::steady_clock::now();
    FileIndex last(data + "/index.db");
    last.warmUp({.atOpen = true,
                 .budgetMilliseconds = SearchEngine::storedWarmUpMilliseconds(last.count()),
                 .store = true});
    sql::Connection& db = FileIndexAccess::connection(last);
    std::printf(
        "  (the last scan's stored search data: %.1f ms, %lld items, %.1f KB)\n",
        millisecondsSince(storing),
        static_cast<long long>(db.queryInt("SELECT count(*) FROM search_cache").value_or(0)),
        static_cast<double>(
            db.queryInt("SELECT sum(length(data) + length(key)) FROM search_cache").value_or(0)) /
            1024);
  }
  auto opening = std::chrono::steady_clock::now();
  Engine box(data, "/nonexistent-home", false, true);
  SearchEngine& engine = *box.engine;
  double opened = millisecondsSince(opening);
  engine.waitUntilIdle();
  if (options.warmUp) {
    // What the shell has its index queue do right after opening: another connection of the
    // file prepares the common short prefixes for the reader.
    auto warming = std::chrono::steady_clock::now();
    FileIndex warmer(data + "/index.db");
    warmer.warmUp({.atOpen = true, .budgetMilliseconds = 2000, .store = true});
    std::printf("  (warm-up at opening took %.1f ms)\n", millisecondsSince(warming));
  }
  QuorvaleSettings settings;
  settings.roots = {scanRoot};
  auto queries = searchQueries(kQuerySeed);
  int64_t files = engine.reader().count();
  std::string size = std::to_string(files / 1000) + "k";
  std::printf("== keystroke: SearchEngine::search, %zu queries, resultLimit %lld, %lld files\n",
              queries.size(), static_cast<long long>(settings.resultLimit),
              static_cast<long long>(files));
  std::printf("  (engine opened in %.1f ms; its start-up work on the index queue took %.1f ms)\n",
              opened, millisecondsSince(opening) - opened);

  auto search = [&](std::size_t i) {
    return [&, i] { engine.search(queries[i % queries.size()].text, settings, std::nullopt); };
  };
  std::vector<std::size_t> every(queries.size());
  for (std::size_t i = 0; i < every.size(); ++i) every[i] = i;

  Times first, idle;
  std::vector<std::vector<PhaseTimes::Total>> firstPhases;
  PhaseTimes::enable(true);
  for (std::size_t i = 0; i < queries.size(); ++i) {
    first.time(search(i));
    firstPhases.push_back(PhaseTimes::take());
  }
  PhaseTimes::enable(false);
  first.print("first pass (fresh engine)");
  printSlowest(queries, every, first.cpu);
  printSlowestPhases(queries, first.cpu, firstPhases);
  for (std::size_t i = 0; i < queries.size(); ++i) idle.time(search(i));
  idle.print("idle (steady state)");
  printSlowest(queries, every, idle.cpu);

  // The file search alone over the same connection: what the engine adds is the difference.
  Times smart;
  for (const auto& query : queries) {
    smart.time([&] {
      SmartSearch::search(
          query.text, engine.reader(),
          {.limit = static_cast<int>(settings.resultLimit) * 2, .now = 1'750'000'000});
    });
  }
  smart.print("smart search alone");

  table.push_back({size + ", steady", idle});
  if (!options.scan) {
    table.push_back({size + ", first pass (fresh engine)", first});
    return;
  }
  // The same queries while a scan of another root writes into the index.
  Times scanning;
  auto scanStart = std::chrono::steady_clock::now();
  engine.requestScan(settings);
  std::vector<std::size_t> asked;  // query index of each timed search
  PhaseTimes::enable(true);
  for (std::size_t i = 0; engine.scanPending(); ++i) {
    scanning.time(search(i));
    asked.push_back(i % queries.size());
  }
  std::vector<PhaseTimes::Total> phases = PhaseTimes::take();
  PhaseTimes::enable(false);
  engine.waitUntilIdle();
  std::printf("  (scan of %d files took %.1f s; %zu queries ran during it)\n", kScanFiles,
              millisecondsSince(scanStart) / 1000, scanning.wall.size());
  scanning.print("during a scan");
  printGroups(queries, asked, scanning.cpu);
  printSlowest(queries, asked, scanning.cpu);
  // Where the searching thread spent its time during the scan (wall, phases inclusive).
  std::sort(phases.begin(), phases.end(),
            [](const auto& a, const auto& b) { return a.milliseconds > b.milliseconds; });
  std::printf("    phases during the scan (total ms / count):");
  for (std::size_t i = 0; i < std::min<std::size_t>(16, phases.size()); ++i) {
    std::printf(" %s %.0f/%d;", phases[i].name.c_str(), phases[i].milliseconds, phases[i].count);
  }
  std::printf("\n");

  Times last;
  for (std::size_t i = 0; i < 100; ++i) last.time(search(i));
  auto [rss, hwm] = residentMegabytes();
  std::printf("  memory after the scan and 100 queries: RSS %.1f MB (peak %.1f MB)\n", rss, hwm);
  std::printf("  status: %s\n", engine.status().c_str());
  table.push_back({size + ", during a scan of another root", scanning});
  table.push_back({size + ", first pass (fresh engine)", first});
}

void printTable(const std::vector<StateRow>& table) {
  if (table.empty()) return;
  std::printf("== the keystroke in every state (SearchEngine::search, ms)\n");
  std::printf("  %-36s %31s   %31s\n", "state", "wall p50 / p95 / p99 / max",
              "thread CPU p50 / p95 / p99 / max");
  for (const auto& row : table) {
    Summary wall = summarize(row.times.wall), cpu = summarize(row.times.cpu);
    std::printf("  %-36s %7.2f %7.2f %7.2f %7.2f   %7.2f %7.2f %7.2f %7.2f\n", row.state.c_str(),
                wall.p50, wall.p95, wall.p99, wall.max, cpu.p50, cpu.p95, cpu.p99, cpu.max);
  }
}

void live(const Options& options) {
  std::string data = options.work + "/live-data";
  std::string root = options.work + "/live-root";
  fs::remove_all(data);
  fs::remove_all(root);
  fs::create_directories(data);
  for (int d = 0; d < 10; ++d) fs::create_directories(root + "/folder" + std::to_string(d));

  Engine box(data, "/nonexistent-home", true);
  SearchEngine& engine = *box.engine;
  QuorvaleSettings settings;
  settings.roots = {root};
  engine.start(settings);
  while (engine.scanPending()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  engine.waitUntilIdle();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the watches are in place

  FileIndex probe(data + "/index.db");
  constexpr int kFiles = 1000;
  auto pathOf = [&](int i) {
    return root + "/folder" + std::to_string(i % 10) + "/live-" + std::to_string(i) + ".txt";
  };
  std::printf("== live updates: %d files under a watched root (inotify, 2 s batches)\n", kFiles);

  // The paths under the root whose stored size is above `minSize`, as the index has them now.
  auto stored = [&](int64_t minSize) {
    std::set<std::string> paths;
    sql::Statement statement = FileIndexAccess::connection(probe).prepare(
        "SELECT path FROM files WHERE path > ?1 AND path < ?2 AND size > ?3");
    statement.bind(1, sql::Value(root + "/"));
    statement.bind(2, sql::Value(root + "0"));
    statement.bind(3, sql::Value(minSize));
    while (statement.step() == SQLITE_ROW) paths.insert(statement.columnText(0));
    return paths;
  };

  // Runs one phase: `change` touches file i; `reflected` says whether the index, as `stored`
  // read it, shows the change.
  auto phase = [&](const char* label, const std::function<void(int)>& change,
                   const std::function<bool(int, const std::set<std::string>&)>& reflected,
                   int64_t minSize) {
    std::vector<std::chrono::steady_clock::time_point> changedAt(kFiles);
    for (int i = 0; i < kFiles; ++i) {
      change(i);
      changedAt[i] = std::chrono::steady_clock::now();
    }
    auto last = std::chrono::steady_clock::now();
    std::vector<double> delays(kFiles, -1);
    int remaining = kFiles;
    while (remaining > 0 && millisecondsSince(last) < 30'000) {
      std::set<std::string> now = stored(minSize);
      for (int i = 0; i < kFiles; ++i) {
        if (delays[i] < 0 && reflected(i, now)) {
          delays[i] = millisecondsSince(changedAt[i]);
          --remaining;
        }
      }
      if (remaining > 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    double all = millisecondsSince(last);
    std::erase(delays, -1.0);
    std::printf("  %-10s %d of %d reflected within %.2f s of the last change\n", label,
                kFiles - remaining, kFiles, all / 1000);
    printSummary(std::string(label) + ": delay per file", delays);
  };

  phase(
      "created", [&](int i) { std::ofstream(pathOf(i)) << "first"; },
      [&](int i, const std::set<std::string>& now) { return now.contains(pathOf(i)); }, -1);
  phase(
      "modified", [&](int i) { std::ofstream(pathOf(i)) << "second, longer edition"; },
      [&](int i, const std::set<std::string>& now) { return now.contains(pathOf(i)); }, 5);
  phase(
      "deleted", [&](int i) { fs::remove(pathOf(i)); },
      [&](int i, const std::set<std::string>& now) { return !now.contains(pathOf(i)); }, -1);
  engine.stopWatching();
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (argument == "--index" && i + 1 < argc) {
      options.indexes.emplace_back(argv[++i]);
    } else if (argument == "--work" && i + 1 < argc) {
      options.work = argv[++i];
    } else if (argument == "--skip-keystroke") {
      options.keystroke = false;
    } else if (argument == "--skip-live") {
      options.live = false;
    } else if (argument == "--no-warm-up") {
      options.warmUp = false;
    } else if (argument == "--skip-scan") {
      options.scan = false;
    } else if (argument == "--no-stored") {
      options.stored = false;
    } else {
      std::fprintf(stderr,
                   "usage: %s [--index PATH]... [--work DIR] [--skip-keystroke] [--skip-live] "
                   "[--no-warm-up] [--skip-scan] [--no-stored]\n",
                   argv[0]);
      return 2;
    }
  }
  fs::create_directories(options.work);
  if (options.indexes.empty()) {
    options.indexes.emplace_back("/var/tmp/quorvale-search-bench/index-100000.db");
  }
  std::vector<StateRow> table;
  if (options.keystroke) {
    for (const auto& index : options.indexes) keystroke(options, index, table);
  }
  printTable(table);
  if (options.live) live(options);
  return 0;
}

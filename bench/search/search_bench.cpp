// Measures the keystroke: SmartSearch.search (limit 16, loosening on) over generated indexes of
// several sizes, with a fixed query set, and for comparison the same queries through plocate
// and recoll over the same files written to disk.
//
//   quorvale_search_bench [--dir DIR] [--sizes 10000,100000] [--peers | --peers-only] [--plain]
//                         [--index PATH]... [--plocate DB]... [--profile]
//
// Indexes are built once per size into DIR (default /var/tmp/quorvale-search-bench) and reused.
// Each size runs the query set twice on a fresh connection: the first pass starts with empty
// in-process caches, the second shows the steady state of an unchanged index. Times are wall
// clock per query, with the thread's CPU time beside them; the machine's other load shows in
// the first. --index runs the same passes over an existing index (a scanned one), opened
// immutable so that nothing is written to it; --plocate times `plocate -i` over a given
// database; --profile adds where the time goes per query group (statement, ranking, filter
// checks, each loosening step).
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <time.h>
#include <unicode/gregocal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "index/file_index.h"
#include "index/file_index_access.h"
#include "index/query_parser.h"
#include "query/smart_search.h"
#include "search/generated_files.h"
#include "search/query_set.h"
#include "support/latency.h"
#include "util/phase_times.h"

namespace fs = std::filesystem;
using namespace quorvale;

namespace {

constexpr uint64_t kCorpusSeed = 42;
constexpr uint64_t kQuerySeed = 7;
constexpr Date kNow = 1'750'000'000;
constexpr int kLimit = 16;

using bench::millisecondsSince;
using bench::threadCpuMilliseconds;

std::string rootFor(const std::string& dir, int64_t size) {
  return dir + "/files-" + std::to_string(size);
}

void writeFileToDisk(const bench::GeneratedFile& file) {
  fs::create_directories(fs::path(file.record.path).parent_path());
  std::ofstream(file.record.path, std::ios::binary) << file.content.value_or("");
  struct timespec times[2] = {{static_cast<time_t>(file.record.modified), 0},
                              {static_cast<time_t>(file.record.modified), 0}};
  utimensat(AT_FDCWD, file.record.path.c_str(), times, 0);
}

void buildIndex(const std::string& path, const std::string& root, int64_t size, bool toDisk) {
  std::printf("building %s (%lld files%s)\n", path.c_str(), static_cast<long long>(size),
              toDisk ? ", also written to disk" : "");
  std::fflush(stdout);
  auto start = std::chrono::steady_clock::now();
  fs::remove(path);
  FileIndex index(path);
  index.beginBatch();
  int64_t written = 0;
  bench::generateFiles(kCorpusSeed, size, kNow, root, [&](const bench::GeneratedFile& file) {
    index.upsert(file.record, file.content, file.alternateNames);
    if (toDisk) writeFileToDisk(file);
    if (++written % 5000 == 0) {
      index.commitBatch();
      index.beginBatch();
    }
  });
  index.commitBatch();
  FileIndexAccess::connection(index).exec("PRAGMA wal_checkpoint(TRUNCATE)");
  std::printf("  built in %.1f s\n", millisecondsSince(start) / 1000);
}

// Wall-clock times per query; the thread's CPU times go to `cpu` when given (they leave out
// the time the machine's other work took the processor away).
std::vector<double> timeQueries(const std::vector<bench::BenchQuery>& queries,
                                const std::function<void(const std::string&)>& run,
                                std::vector<double>* cpu = nullptr) {
  std::vector<double> times;
  for (const auto& query : queries) {
    double cpuStart = threadCpuMilliseconds();
    auto start = std::chrono::steady_clock::now();
    run(query.text);
    times.push_back(millisecondsSince(start));
    if (cpu != nullptr) cpu->push_back(threadCpuMilliseconds() - cpuStart);
  }
  return times;
}

void printSlowest(const std::vector<bench::BenchQuery>& queries, const std::vector<double>& times) {
  std::vector<std::size_t> order(times.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](auto a, auto b) { return times[a] > times[b]; });
  std::printf("    slowest:");
  for (std::size_t i = 0; i < std::min<std::size_t>(6, order.size()); ++i) {
    std::printf(" \"%s\" %.1f;", queries[order[i]].text.c_str(), times[order[i]]);
  }
  std::printf("\n");
}

std::string shellQuoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

int runQuietly(const std::string& command) {
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[4096];
  while (std::fread(buffer, 1, sizeof buffer, pipe) > 0) {
  }
  return pclose(pipe);
}

void printGroups(const std::vector<bench::BenchQuery>& queries, const std::vector<double>& times,
                 const std::string& suffix = "") {
  std::map<std::string, std::vector<double>> groups;
  for (std::size_t i = 0; i < queries.size(); ++i) groups[queries[i].group].push_back(times[i]);
  for (const auto& [group, groupTimes] : groups) {
    bench::printSummary("    " + group + " (" + std::to_string(groupTimes.size()) + ")" + suffix,
                        groupTimes);
  }
}

// Phase totals of one query, by phase name.
using Phases = std::map<std::string, PhaseTimes::Total>;

// Mean milliseconds per query of every phase, per query group, and the phases of the slowest
// queries.
void printProfile(const std::vector<bench::BenchQuery>& queries, const std::vector<Phases>& phases,
                  const std::vector<double>& times) {
  std::map<std::string, std::vector<std::size_t>> groups;
  for (std::size_t i = 0; i < queries.size(); ++i) groups[queries[i].group].push_back(i);
  std::printf("    where the time goes (mean ms per query; phases nest; xN = calls per query)\n");
  for (const auto& [group, members] : groups) {
    std::map<std::string, std::pair<double, int>> sums;
    double total = 0;
    for (std::size_t i : members) {
      total += times[i];
      for (const auto& [name, phase] : phases[i]) {
        sums[name].first += phase.milliseconds;
        sums[name].second += phase.count;
      }
    }
    auto n = static_cast<double>(members.size());
    std::printf("      %-8s total %6.2f:", group.c_str(), total / n);
    for (const auto& [name, sum] : sums) {
      std::printf(" %s %.2f", name.c_str(), sum.first / n);
      if (sum.second > static_cast<int>(members.size())) std::printf(" x%.0f", sum.second / n);
      std::printf(";");
    }
    std::printf("\n");
  }
  std::vector<std::size_t> order(times.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](auto a, auto b) { return times[a] > times[b]; });
  for (std::size_t k = 0; k < std::min<std::size_t>(8, order.size()); ++k) {
    std::size_t i = order[k];
    std::printf("      \"%s\" %.2f:", queries[i].text.c_str(), times[i]);
    for (const auto& [name, phase] : phases[i]) {
      std::printf(" %s %.2f", name.c_str(), phase.milliseconds);
      if (phase.count > 1) std::printf(" x%d", phase.count);
      std::printf(";");
    }
    std::printf("\n");
  }
  std::fflush(stdout);
}

struct PassOptions {
  bool profile = false;
  bool plain = false;
};

// The two passes (fresh connection, then steady state) and the strict search alone over one
// index.
void runPasses(const std::string& path, const std::vector<bench::BenchQuery>& queries,
               const icu::Calendar& calendar, const PassOptions& options) {
  FileIndex index(path);
  for (int pass = 1; pass <= 2; ++pass) {
    std::vector<double> cpu;
    std::vector<Phases> phases;
    PhaseTimes::enable(options.profile && pass == 2);
    std::vector<double> times = timeQueries(
        queries,
        [&](const std::string& text) {
          SmartSearch::search(text, index, {.limit = kLimit, .now = kNow, .calendar = &calendar});
          if (options.profile && pass == 2) {
            Phases& taken = phases.emplace_back();
            for (auto& total : PhaseTimes::take()) taken[total.name] = total;
          }
        },
        &cpu);
    PhaseTimes::enable(false);
    bench::printSummary(
        pass == 1 ? "SmartSearch, first pass (fresh connection)" : "SmartSearch, second pass",
        times);
    bench::printSummary("  the same, thread CPU time", cpu);
    printGroups(queries, times);
    if (pass == 2) printGroups(queries, cpu, " CPU");
    printSlowest(queries, times);
    if (!phases.empty()) printProfile(queries, phases, times);
  }
  std::vector<double> strict = timeQueries(queries, [&](const std::string& text) {
    index.search(QueryParser::parse(text, kNow, calendar), kLimit, kNow);
  });
  bench::printSummary("strict FileIndex.search alone", strict);
  if (options.plain) {
    FileIndex plainIndex(path, FileIndexOptions{.fastRanking = false});
    std::vector<double> plainTimes = timeQueries(queries, [&](const std::string& text) {
      plainIndex.search(QueryParser::parse(text, kNow, calendar), kLimit, kNow);
    });
    bench::printSummary("strict search, SQLite's ORDER BY bm25 statement", plainTimes);
    printSlowest(queries, plainTimes);
  }
}

// A file name as a URI path: the characters a URI gives meaning to are escaped.
std::string uriPath(const std::string& path) {
  std::string out;
  for (char c : path) {
    if (c == '%' || c == '?' || c == '#') {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
      out += escaped;
    } else {
      out += c;
    }
  }
  return out;
}

void timePlocate(const std::string& database, const std::vector<bench::BenchQuery>& queries) {
  std::vector<double> plocate = timeQueries(queries, [&](const std::string& text) {
    std::string command = "plocate -i -l 16 -d " + shellQuoted(database);
    std::istringstream words(text);
    for (std::string word; words >> word;) command += " " + shellQuoted(word);
    runQuietly(command + " 2>/dev/null");
  });
  bench::printSummary("plocate -i (a process per query)", plocate);
}

void runPeers(const std::string& dir, int64_t size, const std::vector<bench::BenchQuery>& queries) {
  std::string root = rootFor(dir, size);
  std::string plocateDb = dir + "/plocate-" + std::to_string(size) + ".db";
  if (!fs::exists(plocateDb)) {
    runQuietly("updatedb -l 0 --prunepaths '' --prunefs '' --prunenames '' -U " + root + " -o " +
               plocateDb);
  }
  timePlocate(plocateDb, queries);

  std::string recollConfig = dir + "/recoll-" + std::to_string(size);
  // An index whose run was cut short is taken up where it stopped (recollindex skips the files
  // it holds already); only a finished run leaves the mark.
  std::string finished = recollConfig + "/finished";
  if (!fs::exists(finished)) {
    fs::create_directories(recollConfig);
    std::ofstream(recollConfig + "/recoll.conf")
        << "topdirs = " << root << "\nloglevel = 1\nidxflushmb = 50\n";
    // The generated documents hold plain text whatever their extension; reading them as text
    // spares recoll an external converter per file (which would only fail).
    {
      std::ofstream mimemap(recollConfig + "/mimemap");
      for (const char* extension :
           {".pdf", ".docx", ".odt", ".rtf", ".xlsx", ".pptx", ".key",
            ".csv", ".md",   ".org", ".log", ".json", ".yaml", ".sh",
            ".py",  ".ts",   ".rs",  ".cpp", ".h",    ".txt",  ".desktop"}) {
        mimemap << extension << " = text/plain\n";
      }
    }
    std::printf("  indexing with recollindex...\n");
    std::fflush(stdout);
    auto start = std::chrono::steady_clock::now();
    int status = runQuietly("recollindex -c " + recollConfig + " 2>/dev/null");
    std::printf("  recollindex took %.0f s\n", millisecondsSince(start) / 1000);
    if (status != 0) {
      std::printf("  recollindex failed (status %d); recollq skipped\n", status);
      return;
    }
    std::ofstream(finished) << "done\n";
  }
  std::vector<double> recoll = timeQueries(queries, [&](const std::string& text) {
    runQuietly("recollq -c " + recollConfig + " -n 16 -b -a " + shellQuoted(text) + " 2>/dev/null");
  });
  bench::printSummary("recollq -a (a process per query)", recoll);
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = "/var/tmp/quorvale-search-bench";
  std::vector<int64_t> sizes = {10'000, 100'000, 1'000'000};
  std::vector<std::string> indexes;
  std::vector<std::string> plocateDatabases;
  bool peers = false;
  bool peersOnly = false;
  PassOptions options;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (argument == "--dir" && i + 1 < argc) {
      dir = argv[++i];
    } else if (argument == "--sizes" && i + 1 < argc) {
      sizes.clear();
      std::istringstream list(argv[++i]);
      for (std::string item; std::getline(list, item, ',');) {
        if (!item.empty()) sizes.push_back(std::stoll(item));
      }
    } else if (argument == "--index" && i + 1 < argc) {
      indexes.emplace_back(argv[++i]);
    } else if (argument == "--plocate" && i + 1 < argc) {
      plocateDatabases.emplace_back(argv[++i]);
    } else if (argument == "--peers") {
      peers = true;
    } else if (argument == "--peers-only") {
      peers = peersOnly = true;
    } else if (argument == "--plain") {
      options.plain = true;
    } else if (argument == "--profile") {
      options.profile = true;
    } else {
      std::fprintf(stderr,
                   "usage: %s [--dir DIR] [--sizes N,N] [--peers | --peers-only] [--plain]\n"
                   "          [--index PATH]... [--plocate DB]... [--profile]\n"
                   "  --sizes ''   no generated index (with --index or --plocate alone)\n",
                   argv[0]);
      return 2;
    }
  }
  // Existing indexes are opened through URIs with immutable=1: read-only, no lock, no WAL files.
  sqlite3_config(SQLITE_CONFIG_URI, 1);
  fs::create_directories(dir);
  std::vector<bench::BenchQuery> queries = bench::searchQueries(kQuerySeed);
  UErrorCode status = U_ZERO_ERROR;
  icu::GregorianCalendar calendar(icu::TimeZone::createTimeZone("UTC"), status);
  std::printf("%zu queries; SmartSearch.search limit %d, loosening on\n", queries.size(), kLimit);

  for (int64_t size : sizes) {
    std::string path = dir + "/index-" + std::to_string(size) + ".db";
    bool withPeers = peers && size == 100'000;
    if (!fs::exists(path) || (withPeers && !fs::exists(rootFor(dir, size)))) {
      buildIndex(path, rootFor(dir, size), size, withPeers);
    }
    std::printf("%lld generated files\n", static_cast<long long>(size));
    if (!peersOnly) runPasses(path, queries, calendar, options);
    if (withPeers) runPeers(dir, size, queries);
  }
  for (const auto& path : indexes) {
    if (!fs::exists(path)) {
      std::fprintf(stderr, "no index at %s\n", path.c_str());
      return 1;
    }
    std::printf("existing index %s (opened read-only)\n", path.c_str());
    try {
      runPasses("file:" + uriPath(fs::absolute(path).string()) + "?immutable=1", queries, calendar,
                options);
    } catch (const IndexError& error) {
      std::fprintf(stderr, "cannot open %s: %s\n", path.c_str(), error.what());
      return 1;
    }
  }
  for (const auto& database : plocateDatabases) {
    std::printf("plocate database %s\n", database.c_str());
    timePlocate(database, queries);
  }
  return 0;
}

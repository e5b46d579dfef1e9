// Measures the keystroke: SmartSearch.search (limit 16, loosening on) over generated indexes of
// several sizes, with a fixed query set, and for comparison the same queries through plocate
// and recoll over the same files written to disk.
//
//   quorvale_search_bench [--dir DIR] [--sizes 10000,100000] [--peers | --peers-only] [--plain]
//
// Indexes are built once per size into DIR (default /var/tmp/quorvale-search-bench) and reused.
// Each size runs the query set twice on a fresh connection: the first pass starts with empty
// in-process caches, the second shows the steady state of an unchanged index. Times are wall
// clock per query; the machine's other load shows in them.
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
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

#include <unicode/gregocal.h>

#include "index/file_index.h"
#include "query/query_parser.h"
#include "query/smart_search.h"
#include "search/generated_files.h"
#include "search/query_set.h"

namespace fs = std::filesystem;
using namespace quorvale;

namespace {

constexpr uint64_t kCorpusSeed = 42;
constexpr uint64_t kQuerySeed = 7;
constexpr Date kNow = 1'750'000'000;
constexpr int kLimit = 16;

double threadCpuMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

struct Summary {
  double p50 = 0, p95 = 0, p99 = 0, max = 0;
};

Summary summarize(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  auto at = [&](double q) {
    std::size_t i = static_cast<std::size_t>(q * static_cast<double>(times.size() - 1) + 0.5);
    return times[std::min(i, times.size() - 1)];
  };
  return {at(0.5), at(0.95), at(0.99), times.back()};
}

void print(const std::string& label, const std::vector<double>& times) {
  Summary s = summarize(times);
  std::printf("  %-44s p50 %8.2f  p95 %8.2f  p99 %8.2f  max %8.2f ms\n", label.c_str(), s.p50,
              s.p95, s.p99, s.max);
  std::fflush(stdout);
}

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
  index.connection().exec("PRAGMA wal_checkpoint(TRUNCATE)");
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

void printGroups(const std::vector<bench::BenchQuery>& queries, const std::vector<double>& times) {
  std::map<std::string, std::vector<double>> groups;
  for (std::size_t i = 0; i < queries.size(); ++i) groups[queries[i].group].push_back(times[i]);
  for (const auto& [group, groupTimes] : groups) {
    print("    " + group + " (" + std::to_string(groupTimes.size()) + ")", groupTimes);
  }
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

void runPeers(const std::string& dir, int64_t size, const std::vector<bench::BenchQuery>& queries) {
  std::string root = rootFor(dir, size);
  std::string plocateDb = dir + "/plocate-" + std::to_string(size) + ".db";
  if (!fs::exists(plocateDb)) {
    runQuietly("updatedb -l 0 --prunepaths '' --prunefs '' --prunenames '' -U " + root + " -o " +
               plocateDb);
  }
  std::vector<double> plocate = timeQueries(queries, [&](const std::string& text) {
    std::string command = "plocate -i -l 16 -d " + plocateDb;
    std::istringstream words(text);
    for (std::string word; words >> word;) command += " " + shellQuoted(word);
    runQuietly(command + " 2>/dev/null");
  });
  print("plocate -i (a process per query)", plocate);

  std::string recollConfig = dir + "/recoll-" + std::to_string(size);
  if (!fs::exists(recollConfig + "/xapiandb")) {
    fs::create_directories(recollConfig);
    std::ofstream(recollConfig + "/recoll.conf") << "topdirs = " << root
                                                << "\nloglevel = 1\nidxflushmb = 50\n";
    // The generated documents hold plain text whatever their extension; reading them as text
    // spares recoll an external converter per file (which would only fail).
    {
      std::ofstream mimemap(recollConfig + "/mimemap");
      for (const char* extension : {".pdf", ".docx", ".odt", ".rtf", ".xlsx", ".pptx", ".key",
                                    ".csv", ".md", ".org", ".log", ".json", ".yaml", ".sh",
                                    ".py", ".ts", ".rs", ".cpp", ".h", ".txt", ".desktop"}) {
        mimemap << extension << " = text/plain\n";
      }
    }
    std::printf("  indexing with recollindex...\n");
    std::fflush(stdout);
    auto start = std::chrono::steady_clock::now();
    runQuietly("recollindex -c " + recollConfig + " 2>/dev/null");
    std::printf("  recollindex took %.0f s\n", millisecondsSince(start) / 1000);
  }
  std::vector<double> recoll = timeQueries(queries, [&](const std::string& text) {
    runQuietly("recollq -c " + recollConfig + " -n 16 -b -a " + shellQuoted(text) + " 2>/dev/null");
  });
  print("recollq -a (a process per query)", recoll);
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = "/var/tmp/quorvale-search-bench";
  std::vector<int64_t> sizes = {10'000, 100'000, 1'000'000};
  bool peers = false;
  bool plain = false;
  bool peersOnly = false;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (argument == "--dir" && i + 1 < argc) {
      dir = argv[++i];
    } else if (argument == "--sizes" && i + 1 < argc) {
      sizes.clear();
      std::istringstream list(argv[++i]);
      for (std::string item; std::getline(list, item, ',');) sizes.push_back(std::stoll(item));
    } else if (argument == "--peers") {
      peers = true;
    } else if (argument == "--peers-only") {
      peers = peersOnly = true;
    } else if (argument == "--plain") {
      plain = true;
    } else {
      std::fprintf(stderr, "usage: %s [--dir DIR] [--sizes N,N] [--peers | --peers-only] [--plain]\n", argv[0]);
      return 2;
    }
  }
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
    std::printf("%lld files\n", static_cast<long long>(size));
    if (!peersOnly) {
      FileIndex index(path);
      for (int pass = 1; pass <= 2; ++pass) {
        std::vector<double> cpu;
        std::vector<double> times = timeQueries(
            queries,
            [&](const std::string& text) {
              SmartSearch::search(text, index, kLimit, kNow, true, calendar);
            },
            &cpu);
        print(pass == 1 ? "SmartSearch, first pass (fresh connection)" : "SmartSearch, second pass",
              times);
        print("  the same, thread CPU time", cpu);
        if (pass == 1) printGroups(queries, times);
        printSlowest(queries, times);
      }
      std::vector<double> strict = timeQueries(queries, [&](const std::string& text) {
        index.search(QueryParser::parse(text, kNow, calendar), kLimit, kNow);
      });
      print("strict FileIndex.search alone", strict);
    }
    if (plain && !peersOnly) {
      FileIndex index(path, FileIndexOptions{.fastRanking = false});
      std::vector<double> strict = timeQueries(queries, [&](const std::string& text) {
        index.search(QueryParser::parse(text, kNow, calendar), kLimit, kNow);
      });
      print("strict search, SQLite's ORDER BY bm25 statement", strict);
      printSlowest(queries, strict);
    }
    if (withPeers) runPeers(dir, size, queries);
  }
  return 0;
}

// Measures applications as a desktop has them: indexing the application folders (a user folder,
// a system folder with a subfolder, a Flatpak export folder of links) holding ENTRIES desktop
// entries made from the test fixtures, and the keystroke for two-letter application prefixes,
// over the applications alone and over the applications beside FILES generated files (the
// search benchmark's corpus).
//
//   quorvale_apps_bench [--entries 500] [--files 10000] [--runs 15] [--dir DIR]
//
// The first scan runs on a fresh database each time; the rescan is the start-up scan of an
// unchanged desktop (every entry is still read and checked). Times are wall clock, in ms.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "index/file_index.h"
#include "query/smart_search.h"
#include "scan/scanner.h"
#include "search/generated_files.h"
#include "support/latency.h"

namespace fs = std::filesystem;
using namespace quorvale;

namespace {

constexpr Date kNow = 1'750'000'000;
constexpr int kLimit = 16;
constexpr uint64_t kCorpusSeed = 42;
const std::vector<std::string> kPrefixes = {"te", "fi", "ko", "gi", "im", "we",
                                            "ed", "mu", "vi", "ph", "ca", "no"};

struct Options {
  int entries = 500;
  int64_t files = 10000;
  int runs = 15;
  std::string dir = (fs::temp_directory_path() / "quorvale-apps-bench").string();
};

class NoContent : public ContentExtractor {
 public:
  std::optional<std::string> text(const std::string&, const std::string&, int64_t) const override {
    return std::nullopt;
  }
};

std::vector<std::string> fixtureTexts() {
  std::vector<std::string> texts;
  for (const auto& item : fs::recursive_directory_iterator(QUORVALE_APP_FIXTURES)) {
    if (item.path().extension() != ".desktop" || !item.is_regular_file()) continue;
    std::ifstream in(item.path());
    std::stringstream text;
    text << in.rdbuf();
    texts.push_back(text.str());
  }
  std::sort(texts.begin(), texts.end());
  return texts;
}

// The fixture with its names led by a word of its own and a program of its own.
std::string variant(const std::string& fixture, const std::string& word, int number) {
  std::istringstream lines(fixture);
  std::string line, out;
  while (std::getline(lines, line)) {
    if (line.starts_with("Name=") || line.starts_with("Name[")) {
      auto equals = line.find('=');
      line = line.substr(0, equals + 1) + word + " " + line.substr(equals + 1);
    } else if (line.starts_with("Exec=")) {
      line = "Exec=" + word + "-" + std::to_string(number) + " %U";
    }
    out += line + "\n";
  }
  return out;
}

void write(const std::string& path, const std::string& text) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path) << text;
}

// Lays out the entries: a tenth in the user's folder, a tenth as Flatpak links, the rest in the
// system folder, one in five of those in a subfolder.
ScanConfig makeDesktop(const Options& options) {
  fs::remove_all(options.dir);
  std::string home = options.dir + "/home/applications";
  std::string system = options.dir + "/system/applications";
  std::string flatpak = options.dir + "/flatpak/exports/share/applications";
  std::vector<std::string> fixtures = fixtureTexts();
  std::vector<std::string> words = bench::generatedNameWords();
  for (int i = 0; i < options.entries; ++i) {
    std::string id = "org.example.App" + std::to_string(i) + ".desktop";
    std::string text = variant(fixtures[static_cast<std::size_t>(i) % fixtures.size()],
                               words[static_cast<std::size_t>(i) % words.size()], i);
    if (i % 10 == 0) {
      write(home + "/" + id, text);
    } else if (i % 10 == 1) {
      std::string installed = options.dir + "/flatpak/app/" + id;
      write(installed, text);
      fs::create_directories(flatpak);
      fs::create_symlink(installed, flatpak + "/" + id);
    } else {
      write(system + (i % 5 == 2 ? "/kde/" : "/") + id, text);
    }
  }
  ScanConfig config = ScanConfig::make({home, system, flatpak});
  config.appOnlyRoots = {home, system, flatpak};
  return config;
}

struct Times {
  std::vector<double> wall, cpu;
};

// Wall clock and the thread's CPU time of each run: the machine's other load shows only in the
// first.
template <typename Body>
Times timed(int runs, Body body) {
  Times times;
  for (int run = 0; run < runs; ++run) {
    auto start = std::chrono::steady_clock::now();
    double cpuStart = bench::threadCpuMilliseconds();
    body();
    times.wall.push_back(bench::millisecondsSince(start));
    times.cpu.push_back(bench::threadCpuMilliseconds() - cpuStart);
  }
  return times;
}

void print(const std::string& label, const Times& times) {
  bench::printSummary(label, times.wall);
  bench::printSummary("  (CPU time)", times.cpu);
}

void keystrokes(const std::string& label, FileIndex& index, int runs) {
  Times times;
  for (int run = 0; run < runs; ++run) {
    for (const std::string& prefix : kPrefixes) {
      Times one = timed(1, [&] {
        if (SmartSearch::search(prefix, index, {.limit = kLimit, .now = kNow}).hits.empty()) {
          std::printf("  (no hits for %s)\n", prefix.c_str());
        }
      });
      times.wall.push_back(one.wall[0]);
      times.cpu.push_back(one.cpu[0]);
    }
  }
  print(label, times);
}

Options parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string flag = argv[i];
    if (flag == "--entries")
      options.entries = std::atoi(argv[i + 1]);
    else if (flag == "--files")
      options.files = std::atoll(argv[i + 1]);
    else if (flag == "--runs")
      options.runs = std::atoi(argv[i + 1]);
    else if (flag == "--dir")
      options.dir = argv[i + 1];
    else
      std::fprintf(stderr, "unknown option %s\n", flag.c_str());
  }
  return options;
}

}  // namespace

int main(int argc, char** argv) {
  Options options = parse(argc, argv);
  ScanConfig config = makeDesktop(options);
  NoContent extractor;
  std::string database = options.dir + "/index.db";
  std::printf("applications: %d entries, %d runs\n", options.entries, options.runs);

  ScanStats stats;
  auto firstScans = timed(options.runs, [&] {
    fs::remove(database);
    fs::remove(database + "-wal");
    fs::remove(database + "-shm");
    FileIndex index(database);
    stats = Scanner::scan(config, index, extractor, nullptr, nullptr, nullptr);
  });
  std::printf(
      "  %lld listed as applications (the others are hidden, for another desktop, "
      "without their TryExec program, or links)\n",
      static_cast<long long>(stats.added));
  print("index the application folders (first scan)", firstScans);
  {
    FileIndex index(database);
    print("rescan, nothing changed", timed(options.runs, [&] {
            Scanner::scan(config, index, extractor, nullptr, nullptr, nullptr);
          }));
    keystrokes("two-letter prefix, applications only", index, options.runs);

    if (options.files > 0) {
      index.beginBatch();
      bench::generateFiles(kCorpusSeed, options.files, kNow, options.dir + "/files",
                           [&](const bench::GeneratedFile& file) {
                             index.upsert(file.record, file.content, file.alternateNames);
                           });
      index.commitBatch();
      keystrokes("two-letter prefix, applications + " + std::to_string(options.files) + " files",
                 index, options.runs);
    }
  }
  fs::remove_all(options.dir);
  return 0;
}

// Measures what a script or a new user waits for: `quorvale --status` and `quorvale --query TEXT`
// as whole processes (start, open the index, answer, exit) over a generated 100,000-file index,
// with `plocate` over the same paths run the same way for comparison. The three commands take
// turns, so the machine's other load falls on all of them alike.
//
//   quorvale_startup_bench QUORVALE [--dir DIR] [--files N] [--runs N] [--query TEXT]
//
// QUORVALE is the built executable (build/release/quorvale). The index, an empty file for each
// of its paths (so the query's vanished-file check finds them all) and the plocate database are
// built once into DIR (default /var/tmp/quorvale-startup-bench) and reused, with the search data
// a scan keeps in the file for fresh processes.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "index/file_index.h"
#include "index/file_index_access.h"
#include "search/generated_files.h"
#include "support/latency.h"

extern char** environ;

namespace fs = std::filesystem;
using namespace quorvale;

namespace {

constexpr uint64_t kCorpusSeed = 42;
constexpr Date kNow = 1'750'000'000;

struct Options {
  std::string quorvale;
  std::string dir = "/var/tmp/quorvale-startup-bench";
  int64_t files = 100'000;
  int runs = 50;
  std::string query = "budget report";
};

void touch(const std::string& path) {
  fs::create_directories(fs::path(path).parent_path());
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd >= 0) ::close(fd);
}

// The index in DIR/data/Quorvale, the files under DIR/home, and plocate's database of the same
// paths; each built only when missing.
void prepare(const Options& options, const std::string& index, const std::string& plocateDb) {
  if (fs::exists(index) && fs::exists(plocateDb)) return;
  std::printf("building %lld files into %s\n", static_cast<long long>(options.files),
              options.dir.c_str());
  std::fflush(stdout);
  auto start = std::chrono::steady_clock::now();
  fs::create_directories(fs::path(index).parent_path());
  fs::remove(index);
  std::string list = options.dir + "/paths.txt";
  {
    std::ofstream paths(list);
    FileIndex built(index);
    built.beginBatch();
    int64_t written = 0;
    bench::generateFiles(kCorpusSeed, options.files, kNow, options.dir + "/home/files",
                         [&](const bench::GeneratedFile& file) {
                           built.upsert(file.record, file.content, file.alternateNames);
                           touch(file.record.path);
                           paths << file.record.path << '\n';
                           if (++written % 5000 == 0) {
                             built.commitBatch();
                             built.beginBatch();
                           }
                         });
    built.commitBatch();
    FileIndexAccess::connection(built).exec("PRAGMA wal_checkpoint(TRUNCATE)");
  }
  std::string command = "plocate-build -p -l no " + list + " " + plocateDb;
  if (std::system(command.c_str()) != 0) std::fprintf(stderr, "plocate-build failed\n");
  std::printf("  built in %.1f s\n", bench::millisecondsSince(start) / 1000);
}

struct RunTime {
  double wall = -1;  // negative when the run failed
  double cpu = 0;    // user and system time of the process
};

// Wall and processor time of one run of the program, its output discarded; exit statuses up to
// `lastSuccess` count as answers (plocate exits with 1 when nothing matches). On a machine
// shared with other work the wall time includes waiting for a processor; the processor time
// does not.
RunTime timedRun(const std::vector<std::string>& args, const std::vector<std::string>& env,
                 int lastSuccess) {
  std::vector<char*> argv;
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (const auto& entry : env) envp.push_back(const_cast<char*>(entry.c_str()));
  for (char** entry = environ; *entry; ++entry) envp.push_back(*entry);
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  auto start = std::chrono::steady_clock::now();
  pid_t child = 0;
  int rc = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return {};
  int status = 0;
  struct rusage usage {};
  wait4(child, &status, 0, &usage);
  double elapsed = bench::millisecondsSince(start);
  if (!WIFEXITED(status) || WEXITSTATUS(status) > lastSuccess) return {};
  auto ms = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
  };
  return {.wall = elapsed, .cpu = ms(usage.ru_utime) + ms(usage.ru_stime)};
}

bool parse(int argc, char** argv, Options& options) {
  if (argc < 2) return false;
  options.quorvale = argv[1];
  for (int i = 2; i + 1 < argc; i += 2) {
    std::string flag = argv[i];
    if (flag == "--dir") {
      options.dir = argv[i + 1];
    } else if (flag == "--files") {
      options.files = std::stoll(argv[i + 1]);
    } else if (flag == "--runs") {
      options.runs = std::stoi(argv[i + 1]);
    } else if (flag == "--query") {
      options.query = argv[i + 1];
    } else {
      return false;
    }
  }
  return (argc % 2) == 0;
}

std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> result;
  std::string word;
  for (char c : text + " ") {
    if (c != ' ') {
      word += c;
    } else if (!word.empty()) {
      result.push_back(word);
      word.clear();
    }
  }
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parse(argc, argv, options)) {
    std::fprintf(stderr, "usage: %s QUORVALE [--dir DIR] [--files N] [--runs N] [--query TEXT]\n",
                 argv[0]);
    return 2;
  }
  options.quorvale = fs::absolute(options.quorvale).string();
  std::string index = options.dir + "/data/Quorvale/index.db";
  std::string plocateDb = options.dir + "/plocate.db";
  prepare(options, index, plocateDb);
  {
    // What the end of a scan keeps in the file for the next process (done once per index).
    auto storing = std::chrono::steady_clock::now();
    FileIndex kept(index);
    kept.warmUp({.atOpen = true, .budgetMilliseconds = 600'000, .store = true});
    std::printf("search data kept for fresh processes in %.1f ms\n",
                bench::millisecondsSince(storing));
  }

  std::vector<std::string> env = {"XDG_DATA_HOME=" + options.dir + "/data",
                                  "XDG_CONFIG_HOME=" + options.dir + "/config",
                                  "HOME=" + options.dir + "/home"};
  std::vector<std::string> plocate = {"plocate", "-i", "-l", "16", "-d", plocateDb};
  for (const auto& word : words(options.query)) plocate.push_back(word);
  struct Command {
    std::string label;
    std::vector<std::string> args;
    std::vector<double> times;
    std::vector<double> cpu = {};
    int failures = 0;
    int lastSuccess = 0;
  };
  std::vector<Command> commands = {
      {"quorvale --status", {options.quorvale, "--status"}, {}},
      {"quorvale --query \"" + options.query + "\"",
       {options.quorvale, "--query", options.query},
       {}},
      {"plocate -i -l 16 " + options.query, plocate, {}, {}, 0, 1},
  };
  for (int run = -3; run < options.runs; ++run) {  // three rounds to warm the page cache
    for (auto& command : commands) {
      RunTime time = timedRun(command.args, env, command.lastSuccess);
      if (run < 0) continue;
      if (time.wall < 0) {
        ++command.failures;
      } else {
        command.times.push_back(time.wall);
        command.cpu.push_back(time.cpu);
      }
    }
  }
  std::printf("%lld-file index, %d runs each, a new process per run\n",
              static_cast<long long>(options.files), options.runs);
  std::printf("wall time per process\n");
  for (const auto& command : commands) {
    bench::printSummary(command.label, command.times);
    if (command.failures) std::printf("    %d runs failed\n", command.failures);
  }
  std::printf("processor time per process (user + system)\n");
  for (const auto& command : commands) bench::printSummary(command.label, command.cpu);
  double peer = bench::summarize(commands.back().times).p50;
  for (std::size_t i = 0; i + 1 < commands.size(); ++i) {
    std::printf("  %-44s median %.1fx plocate's\n", commands[i].label.c_str(),
                bench::summarize(commands[i].times).p50 / peer);
  }
  return 0;
}

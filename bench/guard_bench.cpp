// What the extraction guard adds to every guarded read (a PDF or office document): recording the
// file in inflight.txt before and clearing it after, under the lock every process shares, with
// the entries of other running readers checked each time. A small driver; prints the median and
// the 99th percentile per read in microseconds.
//   build/release/bench/quorvale_guard_bench [reads]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "scan/extraction_guard.h"
#include "util/process_identity.h"

namespace {

using Clock = std::chrono::steady_clock;

void report(const char* name, std::vector<double> micros) {
  std::sort(micros.begin(), micros.end());
  double median = micros[micros.size() / 2];
  double p99 = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
  std::printf("%-34s median %8.1f us   p99 %8.1f us   (%zu reads)\n", name, median, p99,
              micros.size());
}

std::vector<double> timeReads(quorvale::ExtractionGuard& guard, int reads) {
  std::vector<double> micros;
  micros.reserve(static_cast<std::size_t>(reads));
  for (int i = 0; i < reads; ++i) {
    std::string path = "/bench/file-" + std::to_string(i) + ".pdf";
    auto start = Clock::now();
    guard.run(path, 30, [] { return std::optional<std::string>("text"); });
    micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  return micros;
}

}  // namespace

int main(int argc, char** argv) {
  int reads = argc > 1 ? std::max(100, std::atoi(argv[1])) : 2000;
  std::string folder = std::filesystem::temp_directory_path() /
                       ("quorvale-guard-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);

  quorvale::ExtractionGuard inMemory;
  report("guard without a folder", timeReads(inMemory, reads));
  {
    quorvale::ExtractionGuard onDisk(folder);
    report("guard with inflight.txt", timeReads(onDisk, reads));
  }
  // Two readers of other processes that still run (the parent shell stands in for them).
  auto parent = quorvale::ProcessIdentity::of(::getppid());
  if (parent) {
    std::ofstream(folder + "/inflight.txt") << "reading " << parent->text() << " /other/a.pdf\n"
                                            << "reading " << parent->text() << " /other/b.pdf\n";
    quorvale::ExtractionGuard beside(folder);
    report("guard beside two live readers", timeReads(beside, reads));
  }
  std::filesystem::remove_all(folder);
  return 0;
}

// Latency figures of the benchmark drivers: percentiles of a list of times and one printed row
// per measured set. Times are milliseconds.
#pragma once

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace quorvale::bench {

struct Summary {
  double p50 = 0, p95 = 0, p99 = 0, max = 0;
};

// Nearest-rank percentiles; all zero for no times.
inline Summary summarize(std::vector<double> times) {
  if (times.empty()) return {};
  std::sort(times.begin(), times.end());
  auto at = [&](double q) {
    auto i = static_cast<std::size_t>(q * static_cast<double>(times.size() - 1) + 0.5);
    return times[std::min(i, times.size() - 1)];
  };
  return {at(0.5), at(0.95), at(0.99), times.back()};
}

inline void printSummary(const std::string& label, const std::vector<double>& times) {
  Summary s = summarize(times);
  std::printf("  %-44s p50 %8.2f  p95 %8.2f  p99 %8.2f  max %8.2f ms  (n=%zu)\n", label.c_str(),
              s.p50, s.p95, s.p99, s.max, times.size());
  std::fflush(stdout);
}

inline double millisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

// CPU time of the calling thread: leaves out the time other work took the processor away.
inline double threadCpuMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

}  // namespace quorvale::bench

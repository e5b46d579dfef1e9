#include "process_stamp.h"

#include <fstream>
#include <sstream>
#include <vector>

namespace quorvale {
namespace {

// /proc/PID/stat: "PID (COMM) STATE PPID ...". COMM may hold spaces and parentheses, so the
// fields are counted from the last ")"; the start time is the 22nd field, the state the 3rd.
struct Stat {
  char state = '?';
  std::uint64_t startTicks = 0;
};

std::optional<Stat> readStat(pid_t pid, const std::string& procRoot) {
  std::ifstream file(procRoot + "/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!file || !std::getline(file, line)) return std::nullopt;
  auto close = line.rfind(')');
  if (close == std::string::npos) return std::nullopt;
  std::istringstream fields(line.substr(close + 1));
  std::vector<std::string> rest;
  for (std::string field; fields >> field;) rest.push_back(field);
  constexpr std::size_t kState = 0, kStartTime = 22 - 3;
  if (rest.size() <= kStartTime || rest[kState].empty()) return std::nullopt;
  try {
    return Stat{.state = rest[kState][0], .startTicks = std::stoull(rest[kStartTime])};
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace

std::optional<ProcessStamp> ProcessStamp::of(pid_t pid, const std::string& procRoot) {
  auto stat = readStat(pid, procRoot);
  if (!stat) return std::nullopt;
  return ProcessStamp{.pid = pid, .startTicks = stat->startTicks};
}

bool ProcessStamp::running(const std::string& procRoot) const {
  auto stat = readStat(pid, procRoot);
  return stat && stat->startTicks == startTicks && stat->state != 'Z' && stat->state != 'X';
}

}  // namespace quorvale

#include "run_marker.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "util/atomic_file.h"
#include "util/whole_file.h"

namespace quorvale {
namespace {

constexpr std::string_view kPrefix = "running-";

// The start time of the process in clock ticks since boot (field 22 of /proc/PID/stat), which
// tells a process from a later one under the same id; nothing when there is no such process.
std::optional<std::string> startTime(pid_t pid) {
  std::optional<std::string> stat;
  try {
    stat = readWholeFile("/proc/" + std::to_string(pid) + "/stat");
  } catch (const std::exception&) {
    return std::nullopt;
  }
  if (!stat) return std::nullopt;
  // The command name in parentheses may hold spaces; the fields after it are plain.
  std::size_t at = stat->rfind(')');
  if (at == std::string::npos) return std::nullopt;
  int field = 2;
  std::size_t start = at + 1;
  while (field < 22 && start < stat->size()) {
    start = stat->find(' ', start + 1);
    if (start == std::string::npos) return std::nullopt;
    ++field;
  }
  std::size_t end = stat->find(' ', start + 1);
  return stat->substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
}

bool stillRunning(pid_t pid, const std::string& recordedStart) {
  std::optional<std::string> current = startTime(pid);
  return current && *current == recordedStart;
}

}  // namespace

RunMarker::RunMarker(std::string folder) {
  if (std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir); dir) {
    while (dirent* item = readdir(dir.get())) {
      std::string_view name = item->d_name;
      if (!name.starts_with(kPrefix)) continue;
      std::string path = folder + "/" + std::string(name);
      pid_t pid = static_cast<pid_t>(std::atoll(std::string(name.substr(kPrefix.size())).c_str()));
      std::string recorded;
      try {
        recorded = readWholeFile(path).value_or("");
      } catch (const std::exception&) {
        continue;
      }
      if (pid > 0 && stillRunning(pid, recorded)) continue;
      stale_.push_back(path);
    }
  }
  pid_t self = ::getpid();
  std::string path = folder + "/" + std::string(kPrefix) + std::to_string(self);
  try {
    writeFileAtomically(path, startTime(self).value_or(""), {.mode = 0600, .durable = false});
    path_ = path;
  } catch (const std::exception&) {
    // No marker: the next start simply cannot tell whether this one stopped cleanly.
  }
}

void RunMarker::forgetUncleanStop() {
  for (const std::string& path : stale_) ::unlink(path.c_str());
  stale_.clear();
}

RunMarker::~RunMarker() {
  if (!path_.empty()) ::unlink(path_.c_str());
}

}  // namespace quorvale

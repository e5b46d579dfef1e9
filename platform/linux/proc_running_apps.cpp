#include "proc_running_apps.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <fstream>
#include <map>
#include <set>

#include "index/file_record.h"
#include "scan/desktop_entry.h"
#include "settings/default_folders.h"

namespace quorvale {
namespace {

// The kernel keeps this many bytes of a process's name in /proc/PID/comm.
constexpr std::size_t kCommLength = 15;

std::vector<std::string> listing(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (dirent* entry = ::readdir(dir)) names.emplace_back(entry->d_name);
  ::closedir(dir);
  return names;
}

}  // namespace

ProcRunningApps::ProcRunningApps(Options options) : options_(std::move(options)) {
  if (options_.applicationFolders.empty()) {
    options_.applicationFolders = DefaultFolders::applicationFolders();
  }
  if (options_.user == static_cast<uid_t>(-1)) options_.user = ::getuid();
}

std::string ProcRunningApps::programName(std::string_view exec) {
  return DesktopExec::programName(exec);
}

std::vector<RunningApp> ProcRunningApps::list() const {
  // Program name -> the entries that start it; the first folder that has an id wins.
  std::map<std::string, std::vector<RunningApp>> byProgram;
  std::set<std::string> seenIds;
  std::vector<std::string> desktops = currentDesktops();
  DesktopLocale locale = DesktopLocale::current();
  for (const auto& folder : options_.applicationFolders) {
    std::vector<std::string> names = listing(folder);
    std::sort(names.begin(), names.end());
    for (const auto& name : names) {
      if (!name.ends_with(".desktop")) continue;
      std::string id = name.substr(0, name.size() - 8);
      if (!seenIds.insert(id).second) continue;
      auto entry = readDesktopEntry(folder + "/" + name, locale);
      if (!entry || !entry->isApplication() || entry->noDisplay || entry->hidden ||
          !entry->shownIn(desktops)) {
        continue;
      }
      std::string program = programName(entry->exec);
      if (program.empty()) continue;
      byProgram[program].push_back({entry->name, id});
      // /proc/PID/comm holds only the first 15 bytes of a longer name.
      if (program.size() > kCommLength)
        byProgram[program.substr(0, kCommLength)].push_back({entry->name, id});
    }
  }

  std::map<std::string, RunningApp> running;  // by id
  for (const auto& pid : listing(options_.procRoot)) {
    if (pid.empty() || !std::all_of(pid.begin(), pid.end(), ::isdigit)) continue;
    std::string dir = options_.procRoot + "/" + pid;
    struct stat info {};
    if (::stat(dir.c_str(), &info) != 0 || info.st_uid != options_.user) continue;
    std::vector<std::string> candidates;
    char target[PATH_MAX];
    ssize_t length = ::readlink((dir + "/exe").c_str(), target, sizeof target - 1);
    if (length > 0)
      candidates.push_back(
          lastPathComponent(std::string_view(target, static_cast<std::size_t>(length))));
    std::string comm;
    if (std::getline(std::ifstream(dir + "/comm"), comm)) candidates.push_back(comm);
    for (const auto& candidate : candidates) {
      auto found = byProgram.find(candidate);
      if (found == byProgram.end()) continue;
      for (const auto& app : found->second) running.emplace(app.bundleID, app);
      break;
    }
  }

  std::vector<RunningApp> apps;
  for (auto& [id, app] : running) apps.push_back(std::move(app));
  std::sort(apps.begin(), apps.end(), [](const RunningApp& a, const RunningApp& b) {
    return a.name != b.name ? a.name < b.name : a.bundleID < b.bundleID;
  });
  return apps;
}

}  // namespace quorvale

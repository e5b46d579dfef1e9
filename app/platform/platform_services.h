// The platform's services as the application takes them: made by the executable (which links
// the platform's implementations) and handed to the command line and the engine. Any member may
// be empty; the engine then goes without it (no change following, indexing always allowed, no
// running applications).
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/energy_monitor.h"
#include "platform/file_watcher.h"
#include "quick/system_commands.h"

namespace quorvale {

struct PlatformServices {
  std::function<std::unique_ptr<FileWatcher>()> makeWatcher;
  std::shared_ptr<const EnergyMonitor> energy;
  std::function<std::vector<RunningApp>()> runningApps;
};

}  // namespace quorvale

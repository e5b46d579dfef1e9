#include "linux_platform.h"

#include "inotify_watcher.h"
#include "proc_running_apps.h"
#include "sysfs_energy_monitor.h"

namespace quorvale {

PlatformServices linuxPlatform() {
  PlatformServices platform;
  platform.makeWatcher = [] { return std::make_unique<InotifyWatcher>(); };
  platform.energy = std::make_shared<SysfsEnergyMonitor>();
  platform.runningApps = [] { return ProcRunningApps().list(); };
  return platform;
}

}  // namespace quorvale

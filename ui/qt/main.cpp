#include <memory>

#include "command_line.h"
#include "inotify_watcher.h"
#include "proc_running_apps.h"
#include "sysfs_energy_monitor.h"

int main(int argc, char** argv) {
  quorvale::PlatformServices platform;
  platform.makeWatcher = [] { return std::make_unique<quorvale::InotifyWatcher>(); };
  platform.energy = std::make_shared<quorvale::SysfsEnergyMonitor>();
  platform.runningApps = [] { return quorvale::ProcRunningApps().list(); };
  return quorvale::runCommandLine(argc, argv, platform);
}

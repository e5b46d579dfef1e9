// quorvale: command-line jobs run here, in a process that loads no GUI library, so that
// `--query` and `--status` start in milliseconds. Every other start (the launcher, `--toggle`,
// `--clip`, `--demo`) becomes quorvale-desktop, installed beside this executable.
#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "command_line.h"
#include "launch_mode.h"
#include "linux_platform.h"

namespace {

// The desktop executable in this executable's own folder.
std::string desktopExecutable() {
  char self[PATH_MAX];
  ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return "quorvale-desktop";
  std::string path(self, static_cast<std::size_t>(length));
  return path.substr(0, path.rfind('/') + 1) + "quorvale-desktop";
}

}  // namespace

int main(int argc, char** argv) {
  using quorvale::LaunchMode;
  LaunchMode mode = LaunchMode::of({argv + 1, argv + argc});
  if (mode.kind == LaunchMode::Kind::commandLine) {
    return quorvale::runCommandLine(argc, argv, quorvale::linuxPlatform());
  }
  std::string desktop = desktopExecutable();
  ::execv(desktop.c_str(), argv);
  std::fprintf(stderr, "quorvale: cannot start %s: %s\n", desktop.c_str(), std::strerror(errno));
  return 1;
}

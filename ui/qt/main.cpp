#include <QApplication>
#include <cstdlib>

#include "command_line.h"
#include "demo.h"
#include "launch_mode.h"
#include "linux_platform.h"

int main(int argc, char** argv) {
  using quorvale::LaunchMode;
  LaunchMode mode = LaunchMode::of({argv + 1, argv + argc});
  if (mode.kind == LaunchMode::Kind::demo) {
    // The picture is drawn off screen, so it needs no display.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    return quorvale::runDemo(mode.demoPath);
  }
  return quorvale::runCommandLine(argc, argv, quorvale::linuxPlatform());
}

#include <QApplication>
#include <cstdlib>

#include "command_line.h"
#include "demo.h"
#include "desktop_app.h"
#include "launch_mode.h"
#include "linux_platform.h"

int main(int argc, char** argv) {
  using quorvale::LaunchMode;
  LaunchMode mode = LaunchMode::of({argv + 1, argv + argc});
  switch (mode.kind) {
    case LaunchMode::Kind::commandLine:
      return quorvale::runCommandLine(argc, argv, quorvale::linuxPlatform());
    case LaunchMode::Kind::demo: {
      // The picture is drawn off screen, so it needs no display.
      setenv("QT_QPA_PLATFORM", "offscreen", 0);
      QApplication app(argc, argv);
      return quorvale::runDemo(mode.demoPath);
    }
    case LaunchMode::Kind::desktop:
      break;
  }
  return quorvale::runDesktop(argc, argv, mode.request, quorvale::linuxPlatform());
}

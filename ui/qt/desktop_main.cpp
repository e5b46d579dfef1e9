// quorvale-desktop: the launcher itself and the demonstration picture. `quorvale` hands these
// starts over to it, so that command-line jobs never load Qt.
#include <QApplication>
#include <cstdlib>

#include "demo.h"
#include "desktop_app.h"
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
  return quorvale::runDesktop(argc, argv, mode.request, quorvale::linuxPlatform());
}

#include "demo.h"

#include <QApplication>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <cstdio>

#include "panel/panel_controller.h"
#include "qt_screens.h"

namespace quorvale {
namespace {

constexpr int kSettleMilliseconds = 2000;

Suggestion demoFile(const std::string& id, const std::string& path, const std::string& name,
                    const std::string& subtitle, FileKind kind) {
  return {.id = id,
          .title = name,
          .subtitle = subtitle,
          .payload = Payload::file(FileRecord::make({.path = path, .name = name, .kind = kind}))};
}

}  // namespace

std::vector<Suggestion> demoRows() {
  return {
      {.id = "calc",
       .title = "3,408.75",
       .subtitle = "Press Return to copy",
       .payload = Payload::calculation("3408.75")},
      demoFile("f1", "/home/you/Documents/Work/Reports/Quarterly report.pdf",
               "Quarterly report.pdf", "~/Documents/Work/Reports", FileKind::pdf),
      demoFile("f2", "/usr/share/applications/firefox.desktop", "Firefox",
               "/usr/share/applications", FileKind::app),
      demoFile("f3", "/home/you/Desktop/report-notes.md", "report-notes.md", "~/Desktop",
               FileKind::text),
      demoFile("f4", "/usr/share/applications/org.gnome.TextEditor.desktop", "Text Editor",
               "/usr/share/applications", FileKind::app),
      {.id = "w",
       .title = "Search Google",
       .subtitle = "report",
       .payload = Payload::webSearch("https://www.google.com/search?q=report")},
  };
}

int runDemo(const std::string& path) {
  auto controller = std::make_unique<PanelController>(qtPanelEnvironment());
  controller->model().search = [](const std::string&) { return demoRows(); };
  controller->show("report");
  int code = 1;
  QTimer::singleShot(kSettleMilliseconds, [&] {
    auto* window = dynamic_cast<QWidget*>(controller->surface());
    QPixmap picture = window ? window->grab() : QPixmap();
    if (!picture.isNull() && picture.save(QString::fromStdString(path), "PNG")) {
      std::printf("wrote %s %dx%d\n", path.c_str(), picture.width(), picture.height());
      code = 0;
    } else {
      std::printf("demo failed\n");
    }
    std::fflush(stdout);
    QApplication::exit(code);
  });
  QApplication::exec();
  return code;
}

}  // namespace quorvale

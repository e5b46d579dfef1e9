// The panel end to end, as a person meets it, over the search benchmark's 100,000-file index:
//   echo   a key event sent to the search field until the field has painted the typed text (what
//          the GUI thread does for a key; the search runs on the panel's search thread, as in the
//          desktop application);
//   rows   the same key until the result list has painted the rows of the new text (the search
//          on its thread, the rows handed back, the row model and the delegate's painting);
// the time from the start of this process to the panel shown and painted (the engine opened, the
// window built); and the resident memory after. `--sync` searches on the GUI thread instead, as
// the panel did before it had a search thread, for comparison.
//
//   quorvale_panel_bench [--index PATH] [--work DIR] [--sync 1]
//
// Run it under Xvfb (xvfb-run -a) to paint through the X server; without a display it draws off
// screen. Wall-clock milliseconds, p50 and p99 over the query set typed letter by letter.
#include <QApplication>
#include <QKeyEvent>
#include <QListView>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "panel/panel_controller.h"
#include "panel/panel_search.h"
#include "panel_window.h"
#include "qt_executor.h"
#include "qt_screens.h"
#include "search/query_set.h"
#include "search_engine.h"
#include "support/latency.h"
#include "util/main_executor.h"

namespace fs = std::filesystem;
using namespace quorvale;
using namespace quorvale::bench;

namespace {

double residentMegabytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmRSS:")) return std::stod(line.substr(6)) / 1024;
  }
  return 0;
}

// Counts paints of the list, so that a keystroke counts as done once its rows are drawn.
class PaintCounter : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
  int paints = 0;
};

}  // namespace

int main(int argc, char** argv) {
  std::string index = "/var/tmp/quorvale-search-bench/index-100000.db";
  std::string work = "/var/tmp/quorvale-panel-bench";
  bool sync = false;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string argument = argv[i];
    if (argument == "--index") index = argv[i + 1];
    if (argument == "--work") work = argv[i + 1];
    if (argument == "--sync") sync = std::string(argv[i + 1]) != "0";
  }
  if (!fs::exists(index)) {
    std::fprintf(stderr, "no index at %s: run quorvale_search_bench --sizes 100000 first\n",
                 index.c_str());
    return 1;
  }
  if (!getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
  fs::remove_all(work);
  fs::create_directories(work);
  fs::copy_file(index, work + "/index.db");

  // Launch: from here (the index is in place, as on a machine that has indexed before) to the
  // panel shown and painted.
  auto launchStart = std::chrono::steady_clock::now();
  QApplication app(argc, argv);
  UserDefaults defaults(work + "/defaults.json");
  defaults.set(UserDefaults::kContentVersionKey, SearchEngine::kContentVersion);
  MainExecutor main;
  EngineServices services;
  services.supportDir = work;
  services.defaults = &defaults;
  services.main = &main;
  services.home = "/nonexistent-home";
  // The generated index names files that were never written: they stand for files on disk, or
  // every search would find its rows vanished and delete them from the index as it types.
  services.fileExists = [](const std::string&) { return true; };
  SearchEngine engine(ClipPolicy{}, std::move(services));
  QuorvaleSettings settings;
  settings.clipboard.enabled = false;

  PanelController panel(qtPanelEnvironment());
  QtExecutor qtMain;
  std::atomic<double> searchWall = 0;
  auto timedSearch = [&](const std::string& query, const QuorvaleSettings& copied) {
    auto start = std::chrono::steady_clock::now();
    auto rows = engine.search(query, copied, std::nullopt, ClipStore());
    searchWall = searchWall + millisecondsSince(start);
    return rows;
  };
  std::unique_ptr<PanelSearch> background;
  if (sync) {
    panel.model().search = [&](const std::string& query) { return timedSearch(query, settings); };
  } else {
    background = std::make_unique<PanelSearch>(
        panel.model(), qtMain, [&](const std::string& query) -> LatestSearch::Job {
          return [&timedSearch, query, copied = settings] { return timedSearch(query, copied); };
        });
  }
  panel.show(std::nullopt);
  auto* window = dynamic_cast<PanelWindow*>(panel.surface());
  PaintCounter counter;
  window->list()->viewport()->installEventFilter(&counter);
  QApplication::processEvents();
  window->repaint();
  double ready = millisecondsSince(launchStart);
  std::printf("== panel: %lld files, platform %s\n",
              static_cast<long long>(engine.reader().count()),
              qPrintable(QGuiApplication::platformName()));
  std::printf("  launch to panel shown and painted: %.1f ms (Qt, engine, window; in-process)\n",
              ready);

  std::vector<double> echo, echoCpu, times, cpu, searchTimes;
  for (const BenchQuery& query : searchQueries(7)) {
    panel.model().reset();
    QApplication::processEvents();
    for (QChar c : QString::fromStdString(query.text)) {
      int before = counter.paints;
      searchWall = 0;
      auto start = std::chrono::steady_clock::now();
      double cpuStart = threadCpuMilliseconds();
      QKeyEvent press(QEvent::KeyPress, c.toUpper().unicode(), Qt::NoModifier, QString(c));
      QApplication::sendEvent(window->field(), &press);
      // The field hands the text over once the waiting events are taken in; then the field
      // paints the typed letter, as the next frame would.
      QApplication::processEvents();
      window->field()->repaint();
      echo.push_back(millisecondsSince(start));
      echoCpu.push_back(threadCpuMilliseconds() - cpuStart);
      while (panel.model().awaitingRows()) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
      }
      QApplication::processEvents();
      window->list()->viewport()->repaint();
      QApplication::processEvents();
      // Rows that did not change paint nothing new.
      if (counter.paints > before || panel.model().items().empty()) {
        times.push_back(millisecondsSince(start));
        cpu.push_back(threadCpuMilliseconds() - cpuStart);
        searchTimes.push_back(searchWall);
      }
    }
  }
  std::printf("  search on %s\n", sync ? "the GUI thread (--sync)" : "the panel's search thread");
  printSummary("keystroke to echo painted (GUI thread)", echo);
  printSummary("keystroke to echo, GUI thread CPU", echoCpu);
  printSummary("keystroke to painted rows", times);
  printSummary("keystroke to painted rows, GUI thread CPU", cpu);
  printSummary("  of which the engine's search (wall)", searchTimes);
  engine.waitUntilIdle();
  std::printf("  resident memory after the keystrokes: %.1f MB\n", residentMegabytes());
  return 0;
}

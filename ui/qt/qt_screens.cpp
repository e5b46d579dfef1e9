#include "qt_screens.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include "panel_window.h"

namespace quorvale {
namespace {

Rect rectOf(const QRect& rect) {
  return {.x = static_cast<double>(rect.x()),
          .y = static_cast<double>(rect.y()),
          .width = static_cast<double>(rect.width()),
          .height = static_cast<double>(rect.height())};
}

}  // namespace

PanelEnvironment qtPanelEnvironment() {
  return {
      .makeSurface = [](PanelController& controller) -> std::unique_ptr<PanelSurface> {
        return std::make_unique<PanelWindow>(controller);
      },
      .screens =
          [] {
            std::vector<Screen> screens;
            for (QScreen* screen : QGuiApplication::screens()) {
              screens.push_back({.frame = rectOf(screen->geometry()),
                                 .visible = rectOf(screen->availableGeometry())});
            }
            return screens;
          },
      .pointer = []() -> std::optional<Point> {
        QPoint at = QCursor::pos();
        return Point{static_cast<double>(at.x()), static_cast<double>(at.y())};
      },
      .mainScreen = []() -> std::optional<std::size_t> {
        auto screens = QGuiApplication::screens();
        auto index = screens.indexOf(QGuiApplication::primaryScreen());
        if (index < 0) return std::nullopt;
        return static_cast<std::size_t>(index);
      },
  };
}

}  // namespace quorvale

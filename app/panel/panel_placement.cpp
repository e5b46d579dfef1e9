#include "panel/panel_placement.h"

#include <algorithm>

namespace quorvale::PanelPlacement {

std::optional<Screen> chooseScreen(const std::vector<Screen>& screens, std::optional<Point> pointer,
                                   std::optional<std::size_t> mainScreen) {
  if (pointer) {
    for (const auto& screen : screens) {
      if (screen.frame.contains(*pointer)) return screen;
    }
  }
  if (mainScreen && *mainScreen < screens.size()) return screens[*mainScreen];
  if (!screens.empty()) return screens.front();
  return std::nullopt;
}

Point topLeft(const Screen& screen, Size panel) {
  const Rect& area = screen.visible;
  double bottom = area.y + 0.28 * area.height + 60;
  // A panel taller than the room above that line starts at the top of the usable area instead
  // of above the screen.
  double top = std::max(area.y, bottom - panel.height);
  return {.x = area.x + area.width / 2 - panel.width / 2, .y = top};
}

}  // namespace quorvale::PanelPlacement

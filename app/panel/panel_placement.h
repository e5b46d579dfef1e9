// Where the panel goes when it is shown: on the screen under the pointer, horizontally centred,
// its bottom edge 28 percent of the screen's height plus 60 pixels below the top of the screen's
// usable area, and never above that area. Coordinates are the desktop's: logical pixels, the
// origin at the top left, y growing downwards. Pure functions; any thread.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace quorvale {

struct Point {
  double x = 0;
  double y = 0;
  bool operator==(const Point&) const = default;
};

struct Size {
  double width = 0;
  double height = 0;
  bool operator==(const Size&) const = default;
};

struct Rect {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;

  bool contains(Point point) const {
    return point.x >= x && point.x < x + width && point.y >= y && point.y < y + height;
  }
  bool operator==(const Rect&) const = default;
};

struct Screen {
  Rect frame;    // the whole screen
  Rect visible;  // without panels and docks
  bool operator==(const Screen&) const = default;
};

namespace PanelPlacement {

// The first screen whose frame holds the pointer; else the main screen; else the first screen;
// nothing when there are no screens.
std::optional<Screen> chooseScreen(const std::vector<Screen>& screens, std::optional<Point> pointer,
                                   std::optional<std::size_t> mainScreen);

// The panel's top-left corner on the screen for its current size. The top found here is the
// anchor that stays fixed while the list grows or shrinks.
Point topLeft(const Screen& screen, Size panel);

}  // namespace PanelPlacement
}  // namespace quorvale

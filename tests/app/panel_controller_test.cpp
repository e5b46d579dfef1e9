#include "panel/panel_controller.h"

#include <gtest/gtest.h>

#include "desktop_fakes.h"

namespace quorvale {
namespace {

using testing::FakeSurface;

class PanelControllerTest : public ::testing::Test {
 protected:
  PanelControllerTest()
      : controller(PanelEnvironment{
            .makeSurface =
                [this](PanelController& owner) {
                  auto made = std::make_unique<FakeSurface>(&owner.model());
                  surface = made.get();
                  return made;
                },
            .screens = [this] { return screens; },
            .pointer = [this] { return pointer; },
            .mainScreen = [] { return std::optional<std::size_t>(1); },
        }) {
    controller.model().search = [](const std::string& query) {
      std::vector<Suggestion> rows;
      for (char c : query)
        rows.push_back(
            {.id = std::string(1, c), .title = std::string(1, c), .subtitle = "", .payload = {}});
      return rows;
    };
  }

  // Two screens side by side; the right one is the main screen and has a top bar of 30 pixels.
  std::vector<Screen> screens{
      {.frame = {0, 0, 1600, 900}, .visible = {0, 0, 1600, 900}},
      {.frame = {1600, 0, 2560, 1440}, .visible = {1600, 30, 2560, 1410}},
  };
  std::optional<Point> pointer;
  FakeSurface* surface = nullptr;
  PanelController controller;
};

TEST_F(PanelControllerTest, PlacesThePanelOnTheScreenUnderThePointer) {
  struct Case {
    std::optional<Point> pointer;
    Point expected;
    std::optional<std::string> prefill = std::nullopt;
  };
  // Empty panel: 600 x 60. Left screen: bottom at 0.28 * 900 + 60 = 312. Right (main) screen:
  // bottom at 30 + 0.28 * 1410 + 60 = 484.8. Fourteen rows make 620 pixels, more than the 312
  // above the line: the panel stays below the top of the screen.
  for (const Case& c :
       {Case{Point{10, 10}, Point{500, 252}}, Case{Point{2000, 500}, Point{2580, 424.8}},
        Case{Point{-50, -50}, Point{2580, 424.8}}, Case{std::nullopt, {2580, 424.8}},
        Case{Point{10, 10}, Point{500, 0}, "abcdefghijklmn"}}) {
    pointer = c.pointer;
    controller.show(c.prefill);
    EXPECT_EQ(surface->at, c.expected);
    EXPECT_TRUE(surface->visible);
  }
}

TEST_F(PanelControllerTest, APrefillSearchesAndTheTopStaysWhileTheListChanges) {
  pointer = Point{10, 10};
  controller.show("abc");  // 600 x 180: bottom at 312, top at 132
  EXPECT_EQ(controller.model().items().size(), 3u);
  EXPECT_EQ(surface->at, (Point{500, 132}));
  controller.model().setQuery("a");
  controller.sizeChanged({600, 100});
  EXPECT_EQ(surface->at, (Point{500, 132}));
}

TEST_F(PanelControllerTest, LosingFocusHidesAndResets) {
  controller.show("ab");
  controller.focusLost();
  EXPECT_FALSE(surface->visible);
  EXPECT_EQ(controller.model().query(), "");
  EXPECT_TRUE(controller.model().items().empty());
}

}  // namespace
}  // namespace quorvale

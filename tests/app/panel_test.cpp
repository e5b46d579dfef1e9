// The panel: its model of the typed text and rows, and the controller that places its window.
#include <gtest/gtest.h>

#include "desktop_fakes.h"
#include "panel/panel_controller.h"
#include "panel/panel_model.h"

namespace quorvale {
namespace {

using testing::FakeSurface;
using testing::fileRow;

Suggestion calcRow() {
  return {.id = "calc", .title = "4", .subtitle = "", .payload = Payload::calculation("4")};
}

// A model whose search returns the prepared rows and records every call.
class PanelModelTest : public ::testing::Test {
 protected:
  PanelModelTest() {
    model.search = [this](const std::string& query) {
      searches.push_back(query);
      return rows;
    };
    model.announce = [this](const std::string& text) { spoken.push_back(text); };
    model.activate = [this](const Suggestion& row, Modifiers modifiers) {
      activated.push_back(row.id);
      lastModifiers = modifiers;
    };
    model.googleSearch = [this](const std::string& text) { googled.push_back(text); };
    model.hideResult = [this](const Suggestion& row) {
      hidden.push_back(row.id);
      rows.erase(rows.begin());
    };
  }

  PanelModel model;
  std::vector<Suggestion> rows{fileRow("/h/a.txt"), fileRow("/h/b.txt"), calcRow()};
  std::vector<std::string> searches, spoken, activated, googled, hidden;
  Modifiers lastModifiers;
};

TEST_F(PanelModelTest, TypingSearchesOnceAndAnnouncesTheFirstRow) {
  model.setQuery("a");
  model.setQuery("a");
  EXPECT_EQ(searches, std::vector<std::string>{"a"});
  EXPECT_EQ(spoken, std::vector<std::string>{"3 results. a.txt selected."});

  rows = {calcRow()};
  model.setQuery("2+2");
  rows.clear();
  model.setQuery("zz");
  model.setQuery("  ");
  EXPECT_EQ(spoken, (std::vector<std::string>{"3 results. a.txt selected.", "1 result. 4 selected.",
                                              "No results"}));
}

TEST_F(PanelModelTest, ANoticeStopsSearchingAndAnnouncing) {
  model.setNotice("Indexing is paused");
  model.setQuery("report");
  EXPECT_TRUE(searches.empty());
  EXPECT_TRUE(model.items().empty());
  EXPECT_TRUE(spoken.empty());
  EXPECT_FALSE(model.canSearchGoogle());
}

TEST_F(PanelModelTest, MovingWrapsAroundBothEnds) {
  model.move(-1);  // nothing to move over
  EXPECT_EQ(model.selected(), 0);
  model.setQuery("x");
  for (auto [by, expected] : {std::pair{-1, 2}, {1, 0}, {1, 1}, {5, 0}, {-4, 2}}) {
    model.move(by);
    EXPECT_EQ(model.selected(), expected) << "by " << by;
  }
  EXPECT_EQ(spoken.back(), "4");
}

TEST_F(PanelModelTest, ShiftSearchesTheWebOnlyWithTypedText) {
  model.refresh();  // rows for an empty text, as a prefill-less panel might show
  model.runSelected({.shift = true});
  EXPECT_EQ(activated, std::vector<std::string>{"file-/h/a.txt"});
  EXPECT_TRUE(googled.empty());

  model.setQuery("weather");
  model.move(1);
  model.runSelected({.shift = true});
  EXPECT_EQ(googled, std::vector<std::string>{"weather"});
  model.runSelected({.command = true, .option = true});
  EXPECT_EQ(activated.back(), "file-/h/b.txt");
  EXPECT_EQ(lastModifiers, (Modifiers{.command = true, .option = true}));
}

TEST_F(PanelModelTest, HidingAffectsOnlyFileRowsAndResetEmptiesAndAsksForFocus) {
  model.setQuery("x");
  model.move(-1);  // the calculation row
  model.hideSelected();
  EXPECT_TRUE(hidden.empty());
  model.move(1);
  model.hideSelected();
  EXPECT_EQ(hidden, std::vector<std::string>{"file-/h/a.txt"});
  EXPECT_EQ(model.items().front().id, "file-/h/b.txt");
  EXPECT_EQ(searches.size(), 2u);

  int tick = model.focusTick();
  model.reset();
  EXPECT_EQ(model.query(), "");
  EXPECT_TRUE(model.items().empty());
  EXPECT_EQ(model.selected(), 0);
  EXPECT_EQ(model.focusTick(), tick + 1);
}

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

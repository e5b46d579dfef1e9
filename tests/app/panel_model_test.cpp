#include "panel/panel_model.h"

#include <gtest/gtest.h>

#include "desktop_fakes.h"

namespace quorvale {
namespace {

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

}  // namespace
}  // namespace quorvale

#include "panel_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>

#include "demo.h"
#include "qt_screens.h"

namespace quorvale {
namespace {

void press(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
           const QString& text = {}) {
  QKeyEvent down(QEvent::KeyPress, key, modifiers, text);
  QApplication::sendEvent(target, &down);
  QKeyEvent up(QEvent::KeyRelease, key, modifiers, text);
  QApplication::sendEvent(target, &up);
}

// Types the text and lets the event loop take it in.
void type(QWidget* target, const QString& text) {
  for (QChar c : text) press(target, c.toUpper().unicode(), Qt::NoModifier, QString(c));
  QApplication::processEvents();
}

// The real window around a model whose search returns the demonstration's rows.
class PanelWindowTest : public ::testing::Test {
 protected:
  PanelWindowTest() : controller(qtPanelEnvironment()) {
    PanelModel& model = controller.model();
    model.search = [this](const std::string& query) {
      searched.push_back(query);
      return query.empty() ? std::vector<Suggestion>{} : demoRows();
    };
    model.activate = [this](const Suggestion& row, Modifiers modifiers) {
      ran.push_back({row.id, modifiers});
    };
    model.googleSearch = [this](const std::string& text) { googled.push_back(text); };
    controller.show(std::nullopt);
    window = dynamic_cast<PanelWindow*>(controller.surface());
  }

  PanelController controller;
  PanelWindow* window = nullptr;
  std::vector<std::string> searched, googled;
  std::vector<std::pair<std::string, Modifiers>> ran;
};

TEST_F(PanelWindowTest, TypingSearchesTheListGrowsDownwardsAndKeysMoveRunAndHide) {
  ASSERT_TRUE(window);
  int emptyHeight = window->height();
  int top = window->y();
  type(window->field(), "rep");
  EXPECT_EQ(searched.back(), "rep");
  EXPECT_EQ(window->list()->model()->rowCount(), 6);
  EXPECT_GT(window->height(), emptyHeight + 5 * 30);
  EXPECT_EQ(window->y(), top);
  EXPECT_EQ(window->lastAnnouncement(), "6 results. 3,408.75 selected.");

  press(window->field(), Qt::Key_Up);
  EXPECT_EQ(controller.model().selected(), 5);
  press(window->field(), Qt::Key_Down);
  press(window->field(), Qt::Key_Down);
  press(window->field(), Qt::Key_Return, Qt::ControlModifier | Qt::AltModifier);
  press(window->field(), Qt::Key_Enter, Qt::AltModifier);
  press(window->field(), Qt::Key_Return, Qt::ShiftModifier);
  ASSERT_EQ(ran.size(), 2u);
  EXPECT_EQ(ran[0].first, "f1");
  EXPECT_EQ(ran[0].second, (Modifiers{.command = true, .option = true}));
  EXPECT_EQ(ran[1].second, (Modifiers{.option = true}));
  EXPECT_EQ(googled, std::vector<std::string>{"rep"});

  press(window->field(), Qt::Key_Escape);
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(controller.model().query(), "");
}

TEST_F(PanelWindowTest, KeysWaitingTogetherSearchOnceAndRowsShowTheirCurrentText) {
  for (QChar c : QString("rep")) press(window->field(), c.toUpper().unicode(), {}, QString(c));
  press(window->field(), Qt::Key_Return);
  EXPECT_EQ(searched, std::vector<std::string>{"rep"});
  ASSERT_EQ(ran.size(), 1u);
  EXPECT_EQ(ran[0].first, "calc");

  // Keys typed and then wiped by a reset (the panel hid) are not searched afterwards.
  press(window->field(), 'X', {}, "x");
  controller.model().reset();
  QApplication::processEvents();
  EXPECT_EQ(std::count(searched.begin(), searched.end(), "repx"), 0);
  EXPECT_EQ(window->field()->text(), "");

  // Rows show their current text: the web row keeps its id while its subtitle follows the typing.
  controller.model().search = [](const std::string& query) {
    return std::vector<Suggestion>{{.id = "fallbackg",
                                    .title = "Search Google",
                                    .subtitle = query,
                                    .payload = Payload::webSearch("https://g/?q=" + query)}};
  };
  type(window->field(), "ab");
  QModelIndex first = window->list()->model()->index(0, 0);
  EXPECT_EQ(first.data(RowListModel::kSubtitleRole).toString(), "ab");
}

}  // namespace
}  // namespace quorvale

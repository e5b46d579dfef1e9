#include "settings_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>

#include "app/desktop_fakes.h"
#include "setup_window.h"
#include "shortcut_field.h"
#include "support/test_support.h"

namespace quorvale {
namespace {

void press(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QKeyEvent down(QEvent::KeyPress, key, modifiers);
  QApplication::sendEvent(target, &down);
}

TEST(ShortcutFieldTest, KeysBecomeTheStoredShortcut) {
  struct Case {
    int key;
    Qt::KeyboardModifiers modifiers;
    std::optional<HotKey> expected;
  };
  const auto alt = Qt::AltModifier, ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier;
  for (const Case& c : {
           Case{Qt::Key_Space, alt, HotKey{49, HotKey::option}},
           // Shift turns 1 into "!" on the US layout: the key is still 1.
           Case{Qt::Key_Exclam, ctrl | shift, HotKey{18, HotKey::control | HotKey::shift}},
           Case{Qt::Key_K, Qt::MetaModifier, HotKey{40, HotKey::cmd}},
           Case{Qt::Key_F5, Qt::NoModifier, HotKey{96, 0}},
           Case{Qt::Key_PageDown, ctrl, HotKey{121, HotKey::control}},
           Case{Qt::Key_Shift, shift, std::nullopt},
           Case{Qt::Key_Eacute, alt, std::nullopt},
       }) {
    EXPECT_EQ(hotKeyFromQt(c.key, c.modifiers), c.expected) << c.key;
  }
}

// The real windows over a settings store in a scratch folder.
class SettingsWindowTest : public ::testing::Test {
 protected:
  SettingsWindowTest() : defaults(dir / "config/defaults.json"), store(defaults) {
    setenv("HOME", (dir / "home").c_str(), 1);
    SettingsEditorServices services;
    services.store = &store;
    services.chooser = &chooser;
    services.alerts = &alerts;
    services.shortcutRecording = [this](bool on) { recordings.push_back(on); };
    editor = std::make_unique<SettingsEditor>(std::move(services));
  }

  std::unique_ptr<SettingsWindow> window(const QString& sizeFile = {}) {
    auto made = std::make_unique<SettingsWindow>(*editor, store, sizeFile);
    made->show();
    return made;
  }

  template <typename Widget>
  static Widget* find(QWidget& in, const QString& text) {
    for (auto* widget : in.findChildren<Widget*>()) {
      if constexpr (std::is_same_v<Widget, QSpinBox>) {
        if (widget->suffix() == text) return widget;
      } else if (widget->text() == text) {
        return widget;
      }
    }
    return nullptr;
  }

  testing::TempDir dir;
  UserDefaults defaults;
  SettingsStore store;
  testing::FakeFileChooser chooser;
  testing::FakeAlerts alerts;
  std::vector<bool> recordings;
  std::unique_ptr<SettingsEditor> editor;
};

TEST_F(SettingsWindowTest, ControlsWriteTheirFieldsAndRecordingAShortcutReleasesTheGrabs) {
  auto shown = window();
  auto fields = shown->findChildren<ShortcutField*>();
  ASSERT_EQ(fields.size(), 2);
  ShortcutField* panel = fields[0];

  panel->click();
  EXPECT_TRUE(panel->isRecording());
  EXPECT_EQ(recordings, std::vector<bool>{true});
  press(panel, Qt::Key_Control, Qt::ControlModifier);  // a lone modifier keeps recording
  press(panel, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_FALSE(panel->isRecording());
  EXPECT_EQ(recordings, (std::vector<bool>{true, false}));
  EXPECT_EQ(store.settings().hotKey, (HotKey{40, HotKey::control | HotKey::option}));
  EXPECT_EQ(panel->text(), "Ctrl+Alt+K");

  panel->click();
  press(panel, Qt::Key_Escape);  // cancels
  EXPECT_EQ(store.settings().hotKey, (HotKey{40, HotKey::control | HotKey::option}));
  EXPECT_EQ(recordings, (std::vector<bool>{true, false, true, false}));

  // The other controls write their field, and follow changes made elsewhere.
  QCheckBox* contents = find<QCheckBox>(*shown, "Search inside files");
  ASSERT_TRUE(contents);
  QuorvaleSettings expected = store.settings();
  contents->click();
  expected.indexContents = false;
  EXPECT_EQ(store.settings(), expected);

  QSpinBox* limit = find<QSpinBox>(*shown, " rows");
  ASSERT_TRUE(limit);
  expected.resultLimit = 5;
  store.setSettings(expected);  // the panel or another process changed it
  QApplication::processEvents();
  EXPECT_EQ(limit->value(), 5);
  EXPECT_FALSE(contents->isChecked());
}

TEST_F(SettingsWindowTest, TheWebSearchFormAddsOrSaysWhy) {
  auto shown = window();
  shown->showPage(4);
  QWidget* page = shown->findChildren<QTableWidget*>().last()->parentWidget();
  auto fields = page->findChildren<QLineEdit*>();
  ASSERT_EQ(fields.size(), 3);  // keyword, name, address
  QPushButton* add = find<QPushButton>(*page, "Add");
  ASSERT_TRUE(add);
  auto fill = [&](const char* keyword, const char* address) {
    fields[0]->setText(keyword);
    fields[1]->setText("Docs");
    fields[2]->setText(address);
    add->click();
    QApplication::processEvents();
  };
  const auto before = store.settings().webSearches;
  fill("docs", "ftp://docs.example/{query}");
  QLabel* problem = find<QLabel>(*page, QString::fromUtf8(WebSearch::kAddressInvalid.data()));
  ASSERT_TRUE(problem);
  EXPECT_TRUE(problem->isVisible());
  EXPECT_EQ(store.settings().webSearches, before);
  EXPECT_EQ(fields[0]->text(), "docs");  // kept for mending

  fill("docs", "https://docs.example/?q={query}");
  EXPECT_EQ(store.settings().webSearches.size(), before.size() + 1);
  EXPECT_FALSE(problem->isVisible());
  EXPECT_TRUE(fields[0]->text().isEmpty());

  // The fallback column's check box writes the keyword list.
  auto* table = page->findChildren<QTableWidget*>().first();
  QTableWidgetItem* fallback = table->item(table->rowCount() - 1, 3);
  ASSERT_TRUE(fallback);
  fallback->setCheckState(Qt::Checked);
  QApplication::processEvents();
  EXPECT_EQ(store.settings().fallbackKeywords.back(), "docs");
}

// That the flow finishes once is tested with the flow.
TEST_F(SettingsWindowTest, SetupBoxesAndButtonDriveTheFlow) {
  int finished = 0;
  SetupFlow flow(*editor, [&] { ++finished; });
  SetupWindow setup(*editor, store, flow);
  setup.show();
  QCheckBox* downloads = find<QCheckBox>(setup, "~/Downloads");
  ASSERT_TRUE(downloads);
  downloads->click();
  EXPECT_FALSE(flow.includes("~/Downloads"));
  setup.finishButton()->click();
  EXPECT_EQ(finished, 1);
}

}  // namespace
}  // namespace quorvale

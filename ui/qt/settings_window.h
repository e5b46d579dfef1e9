// The settings window: a list of pages on the left (General, Search, Clipboard, Snippets, Web
// searches, Maintenance) and the chosen page on the right. Every control writes through the
// settings editor; the window follows changes of the settings from anywhere (the panel, the
// settings file) and remembers its size in a small file beside the settings. Main thread only.
#pragma once

#include <QListWidget>
#include <QStackedWidget>
#include <QWidget>

#include "settings_controls.h"
#include "settings_ui/settings_editor.h"

namespace quorvale {

class SettingsWindow : public QWidget {
  Q_OBJECT
 public:
  static constexpr QSize kDefaultSize{820, 600};

  // `sizeFile`: where the window's size is kept (an INI file); empty: not kept.
  SettingsWindow(SettingsEditor& editor, SettingsStore& store, QString sizeFile);
  ~SettingsWindow() override;

  // Brings every control up to date with the settings.
  void refresh() { controls_.refresh(); }
  // Brings the text model's controls up to date with the model controller.
  void refreshModel() { controls_.refreshModel(); }
  // Shows the page at the position (0 = General).
  void showPage(int page);
  int pageCount() const { return pages_->count(); }

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  void keepSize();
  // A change of the settings shows once the event that made it is over: the control that made it
  // (a check box in a table, say) is not replaced while it is still handling its event, and
  // several changes in a row show once.
  void refreshSoon();

  SettingsControls controls_;
  SettingsStore& store_;
  QString sizeFile_;
  QListWidget* list_;
  QStackedWidget* pages_;
  int observer_ = -1;
  bool refreshPending_ = false;
};

}  // namespace quorvale

// The search panel's window: a frameless, always-on-top window with the search field, the notice
// and explanation lines, and the result rows. It shows the panel model and turns keys into the
// model's actions: arrows move, Return runs (Ctrl-Return reveals a file, Alt-Return copies its
// path, Shift-Return searches the web), Escape hides, Ctrl+I explains the selected file and
// Ctrl+Delete hides it from results. Colours, fonts and scale come from the desktop's style.
//
// The typed text goes to the model once the key events waiting in the event loop have been taken
// in: keys that pile up cost one search for the last text, not one each. In the desktop the model
// searches on a thread of its own and the rows are painted when they arrive; keys that act on the
// rows hand over the typed text first and act on its rows. Main thread only.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QWidget>

#include "panel/panel_controller.h"
#include "row_list.h"

namespace quorvale {

class PanelWindow : public QWidget, public PanelSurface {
  Q_OBJECT
 public:
  static constexpr int kWidth = 640;

  explicit PanelWindow(PanelController& controller);
  ~PanelWindow() override;

  bool isVisible() const override { return QWidget::isVisible(); }
  Size fitContents() override;
  void moveTo(Point topLeft) override;
  void present() override;
  void orderOut() override;

  QLineEdit* field() { return field_; }
  QListView* list() { return list_; }
  // The last text given to screen readers.
  QString lastAnnouncement() const { return status_->text(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void modelChanged();
  void queryEdited();
  void searchTypedText();
  void announce(const std::string& text);
  bool handleKey(QKeyEvent* key);
  int wantedHeight() const;

  PanelController& controller_;
  PanelModel& model_;
  QLineEdit* field_;
  QLabel* notice_;
  QLabel* explanation_;
  QLabel* status_;  // not shown: carries announcements to screen readers
  QWidget* rule_;
  QListView* list_;
  RowListModel* rows_;
  std::vector<Suggestion> shownRows_;
  int focusTick_ = -1;
  bool syncing_ = false;
  bool searchPending_ = false;  // the field holds text the model has not searched yet
};

}  // namespace quorvale

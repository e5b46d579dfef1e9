#include "settings_window.h"

#include <QHBoxLayout>
#include <QSettings>

#include "settings_pages.h"

namespace quorvale {
namespace {

constexpr const char* kSizeKey = "settingsWindow/size";

}  // namespace

SettingsWindow::SettingsWindow(SettingsEditor& editor, SettingsStore& store, QString sizeFile)
    : controls_(editor),
      store_(store),
      sizeFile_(std::move(sizeFile)),
      list_(new QListWidget),
      pages_(new QStackedWidget) {
  setWindowTitle("Quorvale Settings");
  auto* layout = new QHBoxLayout(this);
  list_->setFixedWidth(170);
  list_->setAccessibleName("Pages");
  layout->addWidget(list_);
  layout->addWidget(pages_, 1);

  const std::vector<std::pair<QString, QWidget* (*)(SettingsControls&)>> pages{
      {"General", &SettingsPages::general},          {"Search", &SettingsPages::search},
      {"Clipboard", &SettingsPages::clipboard},      {"Snippets", &SettingsPages::snippets},
      {"Web searches", &SettingsPages::webSearches}, {"Maintenance", &SettingsPages::maintenance},
  };
  for (const auto& [title, build] : pages) {
    auto* item = new QListWidgetItem(title, list_);
    item->setSizeHint(QSize(0, 30));
    pages_->addWidget(SettingsPages::framed(title, build(controls_)));
  }
  connect(list_, &QListWidget::currentRowChanged, pages_, &QStackedWidget::setCurrentIndex);
  list_->setCurrentRow(0);
  list_->setFocus();  // the arrow keys go through the pages

  QSize size = kDefaultSize;
  if (!sizeFile_.isEmpty()) {
    size = QSettings(sizeFile_, QSettings::IniFormat).value(kSizeKey, size).toSize();
  }
  resize(size.expandedTo(minimumSizeHint()));
  observer_ = store_.observe([this](const SettingsStore&) { refreshSoon(); });
  refresh();
}

SettingsWindow::~SettingsWindow() {
  store_.stopObserving(observer_);
  if (isVisible()) keepSize();
}

void SettingsWindow::refreshSoon() {
  if (refreshPending_) return;
  refreshPending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        refreshPending_ = false;
        refresh();
      },
      Qt::QueuedConnection);
}

void SettingsWindow::showPage(int page) {
  list_->setCurrentRow(page);
}

void SettingsWindow::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  keepSize();
}

void SettingsWindow::keepSize() {
  if (sizeFile_.isEmpty()) return;
  QSettings(sizeFile_, QSettings::IniFormat).setValue(kSizeKey, size());
}

}  // namespace quorvale

#include "settings_controls.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

namespace quorvale {

QString qs(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QLabel* noteLabel(const QString& text, bool problem) {
  auto* label = new QLabel;
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  setNote(label, text.toStdString(), problem);
  return label;
}

void setNote(QLabel* label, const std::string& text, bool problem) {
  label->setText(qs(text));
  label->setVisible(!text.empty());
  QPalette palette = label->palette();
  QColor colour = problem ? QColor(0xc0, 0x1c, 0x28)
                          : label->palette().color(QPalette::Active, QPalette::PlaceholderText);
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
}

void SettingsControls::refresh() {
  for (const auto& show : refreshers_) show();
  refreshModel();
}

void SettingsControls::refreshModel() {
  for (const auto& show : modelRefreshers_) show();
}

QCheckBox* SettingsControls::addSwitch(QLayout* layout, SettingsFields::Switch id) {
  const auto& info = SettingsFields::info(id);
  auto* box = new QCheckBox(qs(info.label));
  layout->addWidget(box);
  if (!info.note.empty()) {
    QLabel* note = noteLabel(qs(info.note));
    note->setContentsMargins(24, 0, 0, 4);
    layout->addWidget(note);
  }
  QObject::connect(box, &QCheckBox::toggled, box,
                   [this, id](bool on) { editor_.setSwitch(id, on); });
  onRefresh([this, box, id] {
    QSignalBlocker quiet(box);
    box->setChecked(SettingsFields::get(editor_.settings(), id));
  });
  return box;
}

QSpinBox* SettingsControls::number(SettingsFields::Number id) {
  const auto& info = SettingsFields::info(id);
  auto* box = new QSpinBox;
  box->setRange(static_cast<int>(info.minimum), static_cast<int>(info.maximum));
  box->setSuffix(" " + qs(info.suffix));
  box->setKeyboardTracking(false);  // saved when the typing is done, not at every digit
  QObject::connect(box, &QSpinBox::valueChanged, box,
                   [this, id](int value) { editor_.setNumber(id, value); });
  onRefresh([this, box, id] {
    QSignalBlocker quiet(box);
    box->setValue(static_cast<int>(SettingsFields::get(editor_.settings(), id)));
  });
  return box;
}

QWidget* SettingsControls::list(SettingsFields::List id, std::function<void()> add) {
  auto* frame = new QWidget;
  auto* row = new QHBoxLayout(frame);
  row->setContentsMargins(0, 0, 0, 0);
  auto* items = new QListWidget;
  items->setSelectionMode(QAbstractItemView::ExtendedSelection);
  items->setMinimumHeight(90);
  items->setMaximumHeight(160);
  row->addWidget(items, 1);
  auto* buttons = new QVBoxLayout;
  auto* addButton = new QPushButton("Add…");
  auto* removeButton = new QPushButton("Remove");
  buttons->addWidget(addButton);
  buttons->addWidget(removeButton);
  buttons->addStretch();
  row->addLayout(buttons);

  if (!add) add = [this, id] { editor_.chooseAndAdd(id); };
  QObject::connect(addButton, &QPushButton::clicked, frame, add);
  QObject::connect(removeButton, &QPushButton::clicked, frame, [this, id, items] {
    std::vector<int> rows;
    for (const auto* item : items->selectedItems()) rows.push_back(items->row(item));
    std::sort(rows.rbegin(), rows.rend());  // from the end, so positions stay right
    for (int at : rows) editor_.removeItem(id, static_cast<std::size_t>(at));
  });
  auto updateButtons = [items, removeButton] {
    removeButton->setEnabled(!items->selectedItems().isEmpty());
  };
  QObject::connect(items, &QListWidget::itemSelectionChanged, frame, updateButtons);
  onRefresh([this, items, id, updateButtons] {
    QSignalBlocker quiet(items);
    items->clear();
    bool paths = id != SettingsFields::List::ignoredApplications;
    for (const auto& text : SettingsFields::items(editor_.settings(), id)) {
      items->addItem(qs(paths ? SettingsFields::shownPath(text) : text));
    }
    updateButtons();
  });
  return frame;
}

}  // namespace quorvale

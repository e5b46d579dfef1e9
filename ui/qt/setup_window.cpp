#include "setup_window.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

#include "settings_controls.h"

namespace quorvale {

SetupWindow::SetupWindow(SettingsEditor& editor, SettingsStore& store, SetupFlow& flow)
    : editor_(editor),
      store_(store),
      flow_(flow),
      others_(new QListWidget),
      remove_(new QPushButton("Remove")),
      finish_(new QPushButton("Finish")) {
  setWindowTitle("Set up Quorvale");
  auto* layout = new QVBoxLayout(this);
  auto* heading = new QLabel("Welcome to Quorvale");
  QFont font = heading->font();
  font.setPointSizeF(font.pointSizeF() * 1.5);
  font.setBold(true);
  heading->setFont(font);
  layout->addWidget(heading);
  auto* intro = new QLabel(
      "Quorvale finds applications, files and the words inside your documents as you type. "
      "Choose the folders it should index. Nothing is read until you press Finish, and "
      "nothing you type leaves this computer.");
  intro->setWordWrap(true);
  layout->addWidget(intro);

  auto* folders = new QVBoxLayout;
  for (const std::string& folder : SetupFlow::standardFolders()) {
    auto* box = new QCheckBox(qs(folder));
    folders->addWidget(box);
    standard_.emplace_back(folder, box);
    connect(box, &QCheckBox::toggled, this,
            [this, folder](bool on) { flow_.setIncluded(folder, on); });
  }
  folders->addWidget(new QLabel("Other folders:"));
  auto* row = new QHBoxLayout;
  others_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  others_->setMinimumHeight(120);
  row->addWidget(others_, 1);
  auto* buttons = new QVBoxLayout;
  auto* add = new QPushButton("Add…");
  buttons->addWidget(add);
  buttons->addWidget(remove_);
  buttons->addStretch();
  row->addLayout(buttons);
  folders->addLayout(row);
  folders->addWidget(
      noteLabel("Folders inside these are indexed too. In the application "
                "folders only applications are looked for."));
  auto* foldersBox = new QGroupBox("Folders to index");
  foldersBox->setLayout(folders);
  layout->addWidget(foldersBox);
  connect(add, &QPushButton::clicked, this, [this] { flow_.addFolders(); });
  connect(remove_, &QPushButton::clicked, this, [this] {
    std::vector<int> rows;
    for (const auto* item : others_->selectedItems()) rows.push_back(others_->row(item));
    std::sort(rows.rbegin(), rows.rend());
    for (int at : rows) flow_.removeOther(static_cast<std::size_t>(at));
  });
  connect(others_, &QListWidget::itemSelectionChanged, this,
          [this] { remove_->setEnabled(!others_->selectedItems().isEmpty()); });

  auto* login = new QCheckBox("Open Quorvale at login");
  login->setChecked(flow_.openAtLogin());
  QLabel* loginNote = noteLabel({}, true);
  connect(login, &QCheckBox::toggled, this, [this, login, loginNote](bool on) {
    setNote(loginNote, flow_.setOpenAtLogin(on), true);
    QSignalBlocker quiet(login);
    login->setChecked(flow_.openAtLogin());
  });
  layout->addWidget(login);
  layout->addWidget(loginNote);

  HotKeyLine shortcut = editor_.hotKeyLine(HotKeySlot::panel);
  std::string howToOpen =
      editor_.shortcutHelp().value_or("Press " + shortcut.shortcut +
                                      " to open Quorvale. You can change the shortcut, the "
                                      "folders and more in the settings later.");
  layout->addWidget(noteLabel(qs(howToOpen)));
  layout->addStretch();

  auto* bottom = new QHBoxLayout;
  bottom->addStretch();
  finish_->setDefault(true);
  bottom->addWidget(finish_);
  layout->addLayout(bottom);
  connect(finish_, &QPushButton::clicked, this, [this] { flow_.finish(); });

  observer_ = store_.observe([this](const SettingsStore&) { refresh(); });
  refresh();
  resize(560, 560);
}

SetupWindow::~SetupWindow() {
  store_.stopObserving(observer_);
}

void SetupWindow::refresh() {
  for (auto& [folder, box] : standard_) {
    QSignalBlocker quiet(box);
    box->setChecked(flow_.includes(folder));
  }
  QSignalBlocker quiet(others_);
  others_->clear();
  for (const std::string& folder : flow_.otherFolders()) {
    others_->addItem(qs(SettingsFields::shownPath(folder)));
  }
  remove_->setEnabled(false);
}

}  // namespace quorvale

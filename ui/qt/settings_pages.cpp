#include "settings_pages.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QInputDialog>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

#include "shortcut_field.h"

namespace quorvale::SettingsPages {
namespace {

using SettingsFields::List;
using SettingsFields::Number;
using SettingsFields::Switch;

QGroupBox* group(const QString& title, QLayout* layout) {
  auto* box = new QGroupBox(title);
  box->setLayout(layout);
  return box;
}

// One shortcut: the field, its reset button and the line under them.
void addShortcut(SettingsControls& controls, QGridLayout* grid, int row, const QString& label,
                 HotKeySlot slot) {
  SettingsEditor& editor = controls.editor();
  auto* field = new ShortcutField;
  field->setAccessibleName(label);
  auto* reset = new QPushButton("Reset");
  reset->setToolTip("Use the default shortcut again");
  QLabel* line = noteLabel();
  grid->addWidget(new QLabel(label), row, 0);
  grid->addWidget(field, row, 1);
  grid->addWidget(reset, row, 2);
  grid->addWidget(line, row + 1, 1, 1, 2);
  field->onRecordingStarted = [&editor, slot] { editor.startRecording(slot); };
  field->onRecordingEnded = [&controls, &editor, slot](std::optional<HotKey> recorded) {
    editor.endRecording(slot, recorded);
    controls.refresh();  // a refused shortcut changes no setting, only the line
  };
  QObject::connect(reset, &QPushButton::clicked, reset, [&controls, &editor, slot] {
    editor.resetHotKey(slot);
    controls.refresh();
  });
  controls.onRefresh([&editor, field, line, slot] {
    HotKeyLine shown = editor.hotKeyLine(slot);
    field->setShortcutText(qs(shown.shortcut));
    setNote(line, shown.message, shown.problem);
  });
}

QFormLayout* numbers(SettingsControls& controls, std::initializer_list<Number> ids) {
  auto* form = new QFormLayout;
  for (Number id : ids) form->addRow(qs(SettingsFields::info(id).label), controls.number(id));
  return form;
}

// The text model: its state, what the controller says, the button the state allows, installing
// from a folder, and whether it may download on metered networks.
QGroupBox* model(SettingsControls& controls) {
  SettingsEditor& editor = controls.editor();
  auto* box = new QVBoxLayout;
  auto* row = new QHBoxLayout;
  auto* state = new QLabel;
  auto* progress = new QProgressBar;
  progress->setRange(0, 1000);
  progress->setTextVisible(false);
  progress->setFixedWidth(160);
  auto* action = new QPushButton;
  row->addWidget(state, 1);
  row->addWidget(progress);
  row->addWidget(action);
  box->addLayout(row);
  QLabel* message = noteLabel();
  box->addWidget(message);

  auto* folderRow = new QHBoxLayout;
  auto* folder = new QPushButton(qs(model_view::kFromFolderTitle));
  QLabel* folderNote = noteLabel(qs(model_view::kFromFolderNote));
  folderRow->addWidget(folder, 0, Qt::AlignTop);
  folderRow->addWidget(folderNote, 1);
  box->addLayout(folderRow);
  controls.addSwitch(box, Switch::modelAllowsExpensiveNetwork);

  QObject::connect(action, &QPushButton::clicked, action, [&editor] { editor.runModelAction(); });
  QObject::connect(folder, &QPushButton::clicked, folder,
                   [&editor] { editor.installModelFromFolder(); });
  controls.onModelRefresh([&editor, state, progress, action, message, folder, folderNote] {
    std::optional<ModelControls> shown = editor.modelControls();
    if (!shown) return;
    state->setText(qs(shown->state));
    setNote(message, shown->message, shown->problem);
    progress->setVisible(shown->progress.has_value());
    progress->setValue(static_cast<int>(shown->progress.value_or(0) * 1000));
    action->setVisible(shown->action != ModelControls::Action::none);
    action->setText(qs(shown->actionTitle));
    folder->setVisible(shown->installFromFolder);
    folderNote->setVisible(shown->installFromFolder);
  });
  return group("Text model", box);
}

}  // namespace

QWidget* framed(const QString& title, QWidget* body) {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* heading = new QLabel(title);
  QFont font = heading->font();
  font.setPointSizeF(font.pointSizeF() * 1.3);
  font.setBold(true);
  heading->setFont(font);
  layout->addWidget(heading);
  auto* scroll = new QScrollArea;
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidget(body);
  layout->addWidget(scroll, 1);
  return page;
}

QWidget* general(SettingsControls& controls) {
  SettingsEditor& editor = controls.editor();
  auto* body = new QWidget;
  auto* layout = new QVBoxLayout(body);

  auto* grid = new QGridLayout;
  grid->setColumnStretch(1, 1);
  addShortcut(controls, grid, 0, "Open Quorvale", HotKeySlot::panel);
  addShortcut(controls, grid, 2, "Clipboard history", HotKeySlot::clipboard);
  if (auto help = editor.shortcutHelp()) grid->addWidget(noteLabel(qs(*help)), 4, 0, 1, 3);
  layout->addWidget(group("Shortcuts", grid));

  auto* start = new QVBoxLayout;
  auto* login = new QCheckBox("Open Quorvale at login");
  QLabel* loginNote = noteLabel({}, true);
  start->addWidget(login);
  start->addWidget(loginNote);
  QObject::connect(login, &QCheckBox::toggled, login, [&editor, login, loginNote](bool on) {
    setNote(loginNote, editor.setOpenAtLogin(on), true);
    QSignalBlocker quiet(login);
    login->setChecked(editor.openAtLogin());
  });
  controls.onRefresh([&editor, login] {
    QSignalBlocker quiet(login);
    login->setChecked(editor.openAtLogin());
  });
  controls.addSwitch(start, Switch::showMenuBarIcon);
  start->addWidget(noteLabel(
      "Without the tray icon, open these settings with the command quorvale --settings."));
  layout->addWidget(group("Start and tray", start));
  layout->addStretch();
  return body;
}

QWidget* search(SettingsControls& controls) {
  auto* body = new QWidget;
  auto* layout = new QVBoxLayout(body);
  auto* options = new QVBoxLayout;
  for (Switch id : {Switch::indexContents, Switch::semanticSearch, Switch::questionSearch}) {
    controls.addSwitch(options, id);
  }
  options->addLayout(numbers(controls, {Number::resultLimit}));
  layout->addWidget(group("Search", options));
  // Without a model controller (no data folder) there is no model to offer.
  if (controls.editor().modelControls()) layout->addWidget(model(controls));
  auto* roots = new QVBoxLayout;
  roots->addWidget(controls.list(List::roots));
  roots->addWidget(
      noteLabel("Folders inside these are indexed too. In the application "
                "folders only applications are looked for."));
  layout->addWidget(group("Folders to index", roots));
  auto* excluded = new QVBoxLayout;
  excluded->addWidget(controls.list(List::excludedPaths));
  layout->addWidget(group("Folders left out", excluded));
  auto* hidden = new QVBoxLayout;
  hidden->addWidget(controls.list(List::hiddenResults));
  hidden->addWidget(noteLabel("Files you hid from the results. Remove one to see it again."));
  layout->addWidget(group("Hidden results", hidden));

  return body;
}

QWidget* clipboard(SettingsControls& controls) {
  SettingsEditor& editor = controls.editor();
  auto* body = new QWidget;
  auto* layout = new QVBoxLayout(body);
  auto* history = new QVBoxLayout;
  for (Switch id :
       {Switch::clipboardEnabled, Switch::clipboardMemoryOnly, Switch::clipboardSkipSensitive}) {
    controls.addSwitch(history, id);
  }
  history->addLayout(numbers(controls, {Number::clipboardMaxItems, Number::clipboardMaxAgeDays,
                                        Number::clipboardMaxKilobytes}));
  layout->addWidget(group("Clipboard history", history));

  auto* ignored = new QVBoxLayout;
  auto* list = controls.list(List::ignoredApplications, [&editor, body] {
    bool ok = false;
    QString id = QInputDialog::getText(
        body, "Ignore an application",
        "The application's id, as its desktop entry or window class names it\n"
        "(such as org.keepassxc.KeePassXC):",
        QLineEdit::Normal, {}, &ok);
    if (ok) editor.addItems(List::ignoredApplications, std::vector{id.toStdString()});
  });
  ignored->addWidget(list);
  ignored->addWidget(
      noteLabel("Nothing copied in these applications is kept. Password "
                "managers are listed from the start."));
  layout->addWidget(group("Ignored applications", ignored));
  layout->addStretch();
  return body;
}

QWidget* maintenance(SettingsControls& controls) {
  SettingsEditor& editor = controls.editor();
  auto* body = new QWidget;
  auto* layout = new QVBoxLayout(body);
  auto* statusLayout = new QVBoxLayout;
  auto* status = new QLabel;
  status->setWordWrap(true);
  status->setTextInteractionFlags(Qt::TextSelectableByMouse);
  statusLayout->addWidget(status);
  layout->addWidget(group("Status", statusLayout));
  // The engine reports its status from its own queue; the page looks at it while it shows.
  auto* timer = new QTimer(body);
  timer->setInterval(500);
  auto showStatus = [&editor, status] { status->setText(qs(editor.status())); };
  QObject::connect(timer, &QTimer::timeout, body, showStatus);
  timer->start();
  controls.onRefresh(showStatus);

  auto* grid = new QGridLayout;
  grid->setColumnStretch(1, 1);
  struct Action {
    const char* button;
    const char* note;
    std::function<void()> run;
  };
  const std::vector<Action> actions{
      {"Rebuild Index", "Empties the index and reads every folder again.",
       [&editor] { editor.rebuildIndex(); }},
      {SettingsEditor::kForgetLearningTitle.data(),
       "Results are ranked again without the files you opened and the results you chose.",
       [&editor] { editor.forgetLearning(); }},
      {"Check Index", "Tests the index; the status above says what was found.",
       [&editor] { editor.checkIndex(); }},
      {"Diagnose a File…", "Explains why a file is or is not found.",
       [&editor] { editor.diagnoseFile(); }},
  };
  int row = 0;
  for (const Action& action : actions) {
    auto* button = new QPushButton(action.button);
    QObject::connect(button, &QPushButton::clicked, button, [run = action.run, showStatus] {
      run();
      showStatus();
    });
    grid->addWidget(button, row, 0);
    grid->addWidget(noteLabel(action.note), row, 1);
    ++row;
  }
  layout->addWidget(group("Index", grid));
  layout->addStretch();
  return body;
}

}  // namespace quorvale::SettingsPages

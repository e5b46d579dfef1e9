// The pages of the settings window that edit lists of records: snippets and web searches.
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

#include "settings_pages.h"
#include "snippet_dialog.h"

namespace quorvale::SettingsPages {
namespace {

QTableWidget* table(const QStringList& headings) {
  auto* view = new QTableWidget(0, static_cast<int>(headings.size()));
  view->setHorizontalHeaderLabels(headings);
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->verticalHeader()->hide();
  view->horizontalHeader()->setStretchLastSection(true);
  view->setMinimumHeight(220);
  view->setWordWrap(false);
  view->setTextElideMode(Qt::ElideRight);
  return view;
}

QTableWidgetItem* cell(const std::string& text) {
  return new QTableWidgetItem(qs(text));
}

std::optional<std::size_t> selected(QTableWidget* view) {
  int row = view->currentRow();
  if (row < 0 || view->selectedItems().isEmpty()) return std::nullopt;
  return static_cast<std::size_t>(row);
}

// The first line of a text, shortened for a table cell.
std::string firstLine(const std::string& text) {
  std::string line = text.substr(0, text.find('\n'));
  return line.size() < text.size() ? line + " …" : line;
}

}  // namespace

QWidget* snippets(SettingsControls& controls) {
  SettingsEditor& editor = controls.editor();
  auto* body = new QWidget;
  auto* outer = new QVBoxLayout(body);
  auto* layout = new QHBoxLayout;
  outer->addLayout(layout, 1);
  outer->addWidget(
      noteLabel("Type a snippet's keyword in the panel to copy its text. In the "
                "text, {date}, {time} and {datetime} become the current date and "
                "time, and {clipboard} the text on the clipboard."));
  QTableWidget* view = table({"Keyword", "Name", "Text"});
  layout->addWidget(view, 1);
  auto* buttons = new QVBoxLayout;
  auto* add = new QPushButton("Add…");
  auto* edit = new QPushButton("Edit…");
  auto* remove = new QPushButton("Remove");
  for (auto* button : {add, edit, remove}) buttons->addWidget(button);
  buttons->addStretch();
  layout->addLayout(buttons);

  auto open = [&editor, body](std::optional<std::size_t> index) {
    SnippetDialog dialog(editor, index, body);
    dialog.exec();
  };
  QObject::connect(add, &QPushButton::clicked, body, [open] { open(std::nullopt); });
  QObject::connect(edit, &QPushButton::clicked, body, [open, view] {
    if (auto row = selected(view)) open(row);
  });
  QObject::connect(view, &QTableWidget::cellDoubleClicked, body,
                   [open](int row) { open(static_cast<std::size_t>(row)); });
  QObject::connect(remove, &QPushButton::clicked, body, [&editor, view] {
    if (auto row = selected(view)) editor.removeSnippet(*row);
  });
  auto updateButtons = [view, edit, remove] {
    bool any = selected(view).has_value();
    edit->setEnabled(any);
    remove->setEnabled(any);
  };
  QObject::connect(view, &QTableWidget::itemSelectionChanged, body, updateButtons);
  controls.onRefresh([&editor, view, updateButtons] {
    QSignalBlocker quiet(view);
    const auto& snippets = editor.settings().snippets;
    view->setRowCount(static_cast<int>(snippets.size()));
    for (int row = 0; row < view->rowCount(); ++row) {
      const Snippet& snippet = snippets[static_cast<std::size_t>(row)];
      view->setItem(row, 0, cell(snippet.keyword));
      view->setItem(row, 1, cell(snippet.name));
      view->setItem(row, 2, cell(firstLine(snippet.text)));
    }
    view->clearSelection();
    updateButtons();
  });
  return body;
}

QWidget* webSearches(SettingsControls& controls) {
  SettingsEditor& editor = controls.editor();
  auto* body = new QWidget;
  auto* layout = new QVBoxLayout(body);

  auto* listRow = new QHBoxLayout;
  QTableWidget* view = table({"Keyword", "Name", "Kind", "Fallback", "Address"});
  view->horizontalHeaderItem(3)->setToolTip(
      "Offered as a row when nothing else answers what you type");
  listRow->addWidget(view, 1);
  auto* remove = new QPushButton("Remove");
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(remove);
  buttons->addStretch();
  listRow->addLayout(buttons);
  layout->addLayout(listRow, 1);
  QObject::connect(remove, &QPushButton::clicked, body, [&editor, view] {
    if (auto row = selected(view)) editor.removeWebSearch(*row);
  });
  QObject::connect(view, &QTableWidget::itemSelectionChanged, body,
                   [view, remove] { remove->setEnabled(selected(view).has_value()); });
  QObject::connect(view, &QTableWidget::itemChanged, body, [&editor](QTableWidgetItem* item) {
    if (item->column() != 3) return;
    editor.setFallback(static_cast<std::size_t>(item->row()), item->checkState() == Qt::Checked);
  });
  controls.onRefresh([&editor, view, remove] {
    QSignalBlocker quiet(view);
    const auto& searches = editor.settings().webSearches;
    view->setRowCount(static_cast<int>(searches.size()));
    for (int row = 0; row < view->rowCount(); ++row) {
      const WebSearch& search = searches[static_cast<std::size_t>(row)];
      view->setItem(row, 0, cell(search.keyword));
      view->setItem(row, 1, cell(search.name));
      view->setItem(row, 2, cell(search.ask ? "Assistant" : "Search"));
      auto* fallback = new QTableWidgetItem;
      fallback->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
      bool on = editor.isFallback(static_cast<std::size_t>(row));
      fallback->setCheckState(on ? Qt::Checked : Qt::Unchecked);
      view->setItem(row, 3, fallback);
      view->setItem(row, 4, cell(search.url));
      view->item(row, 4)->setToolTip(qs(search.url));
    }
    for (int column = 0; column < 4; ++column) view->resizeColumnToContents(column);
    view->clearSelection();
    remove->setEnabled(false);
  });

  auto* form = new QFormLayout;
  auto* keyword = new QLineEdit;
  auto* name = new QLineEdit;
  auto* address = new QLineEdit;
  auto* assistant = new QCheckBox("An assistant: it takes a question rather than search words");
  keyword->setPlaceholderText("mdn");
  name->setPlaceholderText("MDN Web Docs");
  address->setPlaceholderText("https://developer.mozilla.org/search?q={query}");
  form->addRow("Keyword:", keyword);
  form->addRow("Name:", name);
  form->addRow("Address:", address);
  form->addRow("", assistant);
  QLabel* problem = noteLabel({}, true);
  form->addRow("", problem);
  auto* add = new QPushButton("Add");
  form->addRow("", add);
  auto* adding = new QGroupBox("Add a web search");
  adding->setLayout(form);
  layout->addWidget(adding);
  QObject::connect(
      add, &QPushButton::clicked, body, [&editor, keyword, name, address, assistant, problem] {
        auto refused =
            editor.addWebSearch(keyword->text().toStdString(), name->text().toStdString(),
                                address->text().toStdString(), assistant->isChecked());
        setNote(problem, refused.value_or(""), true);
        if (refused) return;
        for (auto* field : {keyword, name, address}) field->clear();
        assistant->setChecked(false);
      });
  return body;
}

}  // namespace quorvale::SettingsPages

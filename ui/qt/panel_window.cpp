#include "panel_window.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

namespace quorvale {
namespace {

constexpr int kMargin = 10;

Modifiers modifiersOf(Qt::KeyboardModifiers held) {
  // Ctrl stands for Command and Alt for Option, as Linux desktops spell them.
  return {.command = held.testFlag(Qt::ControlModifier),
          .option = held.testFlag(Qt::AltModifier),
          .shift = held.testFlag(Qt::ShiftModifier)};
}

// The keys the panel takes from the field: the rest edit the text.
bool isPanelKey(const QKeyEvent& key) {
  switch (key.key()) {
    case Qt::Key_Down:
    case Qt::Key_Up:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      return true;
    case Qt::Key_I:
    case Qt::Key_Delete:
      return key.modifiers().testFlag(Qt::ControlModifier);
    default:
      return false;
  }
}

QLabel* makeLine(QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setWordWrap(true);
  label->setTextFormat(Qt::PlainText);
  label->setContentsMargins(kMargin, 4, kMargin, 4);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
  label->setPalette(palette);
  label->hide();
  return label;
}

}  // namespace

PanelWindow::PanelWindow(PanelController& controller)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      controller_(controller),
      model_(controller.model()) {
  RowIcons::prepareTheme();
  setWindowTitle("Quorvale");
  setAccessibleName("Quorvale");
  setAttribute(Qt::WA_ShowWithoutActivating, false);
  setFixedWidth(kWidth);

  field_ = new QLineEdit(this);
  field_->setFrame(false);
  field_->setPlaceholderText("Search files, apps and answers");
  field_->setAccessibleName("Search");
  QFont large = field_->font();
  large.setPointSizeF(large.pointSizeF() * 1.4);
  field_->setFont(large);
  field_->setTextMargins(4, 0, 4, 0);
  QIcon find = QIcon::fromTheme("edit-find", QIcon::fromTheme("system-search"));
  if (!find.isNull()) field_->addAction(find, QLineEdit::LeadingPosition);
  QPalette fieldPalette = field_->palette();
  fieldPalette.setColor(QPalette::Base, Qt::transparent);
  field_->setPalette(fieldPalette);
  field_->installEventFilter(this);

  rule_ = new QWidget(this);
  rule_->setFixedHeight(1);
  rule_->setAutoFillBackground(true);
  QPalette rulePalette = rule_->palette();
  rulePalette.setColor(QPalette::Window, palette().color(QPalette::Mid));
  rule_->setPalette(rulePalette);

  notice_ = makeLine(this);
  explanation_ = makeLine(this);
  status_ = new QLabel(this);
  status_->setAccessibleName("Results");
  status_->hide();

  rows_ = new RowListModel(model_, this);
  list_ = new QListView(this);
  list_->setModel(rows_);
  list_->setItemDelegate(new RowDelegate(list_));
  list_->setFrameShape(QFrame::NoFrame);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list_->setFocusPolicy(Qt::NoFocus);
  list_->setUniformItemSizes(true);
  list_->setMouseTracking(true);
  list_->viewport()->setAutoFillBackground(false);
  list_->setAccessibleName("Results");
  connect(list_, &QListView::clicked, this,
          [this](const QModelIndex& index) { model_.select(index.row()); });
  connect(list_, &QListView::doubleClicked, this, [this](const QModelIndex& index) {
    model_.select(index.row());
    model_.runSelected(modifiersOf(QApplication::keyboardModifiers()));
  });

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(kMargin / 2, kMargin, kMargin / 2, kMargin / 2);
  column->setSpacing(4);
  field_->setMinimumHeight(QFontMetrics(large).height() + 12);
  column->addWidget(field_);
  column->addWidget(rule_);
  column->addWidget(notice_);
  column->addWidget(explanation_);
  column->addWidget(list_);

  connect(field_, &QLineEdit::textEdited, this, [this] { queryEdited(); });
  model_.onChange = [this] { modelChanged(); };
  model_.announce = [this](const std::string& text) { announce(text); };
  modelChanged();
}

PanelWindow::~PanelWindow() {
  model_.onChange = nullptr;
  model_.announce = nullptr;
}

void PanelWindow::queryEdited() {
  if (searchPending_) return;
  searchPending_ = true;
  QMetaObject::invokeMethod(
      this, [this] { searchTypedText(); }, Qt::QueuedConnection);
}

void PanelWindow::searchTypedText() {
  if (!searchPending_) return;
  searchPending_ = false;
  model_.setQuery(field_->text().toStdString());
}

void PanelWindow::modelChanged() {
  if (syncing_) return;
  syncing_ = true;
  // A reset drops what was typed and not yet searched.
  if (model_.focusTick() != focusTick_) searchPending_ = false;
  QString query = QString::fromStdString(model_.query());
  if (!searchPending_ && field_->text() != query) field_->setText(query);

  // Rows keep their ids while their text changes (a web row's subtitle is the typed text).
  if (model_.items() != shownRows_) {
    shownRows_ = model_.items();
    rows_->reload();
  }
  if (!model_.items().empty()) {
    list_->setCurrentIndex(rows_->index(model_.selected()));
    list_->scrollTo(rows_->index(model_.selected()));
  }
  notice_->setVisible(model_.notice().has_value());
  notice_->setText(QString::fromStdString(model_.notice().value_or("")));
  explanation_->setVisible(model_.explanation() && !model_.explanation()->empty());
  explanation_->setText(QString::fromStdString(model_.explanation().value_or("")));
  if (model_.focusTick() != focusTick_) {
    focusTick_ = model_.focusTick();
    field_->setFocus();
  }
  int height = wantedHeight();
  if (height != this->height()) setFixedHeight(height);
  syncing_ = false;
}

int PanelWindow::wantedHeight() const {
  auto count = static_cast<int>(model_.items().size());
  int rowHeight = RowDelegate::rowHeight(list_->font());
  list_->setFixedHeight(count * rowHeight + (count ? 2 : 0));
  list_->setVisible(count > 0);
  rule_->setVisible(count > 0 || notice_->isVisibleTo(this) || explanation_->isVisibleTo(this));
  QWidget::layout()->activate();
  return QWidget::layout()->sizeHint().height();
}

void PanelWindow::announce(const std::string& text) {
  status_->setText(QString::fromStdString(text));
  status_->setAccessibleName(status_->text());
  if (QAccessible::isActive()) {
    QAccessibleEvent event(status_, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
  }
}

Size PanelWindow::fitContents() {
  modelChanged();
  ensurePolished();
  return {static_cast<double>(width()), static_cast<double>(height())};
}

void PanelWindow::moveTo(Point topLeft) {
  move(static_cast<int>(topLeft.x), static_cast<int>(topLeft.y));
}

void PanelWindow::present() {
  show();
  if (QGuiApplication::platformName() != "offscreen") {
    raise();
    activateWindow();
  }
  field_->setFocus();
}

void PanelWindow::orderOut() {
  hide();
}

bool PanelWindow::handleKey(QKeyEvent* key) {
  if (!isPanelKey(*key)) return false;
  // Keys that act on the rows act on the rows of everything typed before them.
  searchTypedText();
  switch (key->key()) {
    case Qt::Key_Down:
      model_.move(1);
      return true;
    case Qt::Key_Up:
      model_.move(-1);
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      model_.runSelected(modifiersOf(key->modifiers()));
      return true;
    case Qt::Key_Escape:
      controller_.hide();
      return true;
    case Qt::Key_I:
      model_.explainSelected();
      return true;
    case Qt::Key_Delete:
      model_.hideSelected();
      return true;
    default:
      return false;
  }
}

bool PanelWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == field_ && event->type() == QEvent::KeyPress &&
      handleKey(static_cast<QKeyEvent*>(event))) {
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

bool PanelWindow::event(QEvent* event) {
  if (event->type() == QEvent::WindowDeactivate) controller_.focusLost();
  return QWidget::event(event);
}

void PanelWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Window));
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void PanelWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  controller_.sizeChanged({static_cast<double>(width()), static_cast<double>(height())});
}

}  // namespace quorvale

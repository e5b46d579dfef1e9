#include "row_list.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>

namespace quorvale {
namespace {

constexpr int kIconSize = 32;
constexpr int kPadding = 8;

QFont subtitleFont(const QFont& base) {
  QFont font = base;
  font.setPointSizeF(base.pointSizeF() * 0.85);
  return font;
}

QString tooltipFor(const Suggestion& row) {
  if (!row.payload.as<FileRecord>()) return {};
  return QStringLiteral(
      "Return opens · Ctrl+Return shows in folder · Alt+Return copies the path\n"
      "Ctrl+I explains the match · Ctrl+Delete hides it from results");
}

}  // namespace

RowListModel::RowListModel(PanelModel& model, QObject* parent)
    : QAbstractListModel(parent), model_(model) {}

int RowListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : count_;
}

QVariant RowListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(model_.items().size())) return {};
  const Suggestion& row = model_.items()[static_cast<std::size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
      return QString::fromStdString(row.title);
    case kSubtitleRole:
    case Qt::AccessibleDescriptionRole:
      return QString::fromStdString(row.subtitle);
    case Qt::DecorationRole:
      return icons_.icon(row);
    case Qt::ToolTipRole:
      return tooltipFor(row);
    default:
      return {};
  }
}

void RowListModel::reload() {
  beginResetModel();
  count_ = static_cast<int>(model_.items().size());
  endResetModel();
}

int RowDelegate::rowHeight(const QFont& font) {
  QFontMetrics title(font), subtitle(subtitleFont(font));
  return std::max(kIconSize, title.height() + subtitle.height() + 2) + 2 * kPadding;
}

QSize RowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
  return {option.rect.width(), rowHeight(option.font)};
}

void RowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const {
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing);
  const QPalette& palette = option.palette;
  bool selected = option.state & QStyle::State_Selected;
  QRect area = option.rect.adjusted(4, 1, -4, -1);
  if (selected) {
    QPainterPath path;
    path.addRoundedRect(area, 6, 6);
    painter->fillPath(path, palette.color(QPalette::Active, QPalette::Highlight));
  }
  QColor text =
      palette.color(QPalette::Active, selected ? QPalette::HighlightedText : QPalette::Text);
  QColor dim = selected ? text : palette.color(QPalette::Active, QPalette::PlaceholderText);
  if (selected) dim.setAlphaF(0.8f);

  QRect iconRect(area.left() + kPadding, area.center().y() - kIconSize / 2 + 1, kIconSize,
                 kIconSize);
  index.data(Qt::DecorationRole).value<QIcon>().paint(painter, iconRect);

  int left = iconRect.right() + kPadding + 4;
  int width = area.right() - kPadding - left;
  QString title = index.data(Qt::DisplayRole).toString();
  QString subtitle = index.data(RowListModel::kSubtitleRole).toString();
  QFontMetrics titleMetrics(option.font);
  QFont small = subtitleFont(option.font);
  QFontMetrics smallMetrics(small);
  int block = titleMetrics.height() + (subtitle.isEmpty() ? 0 : smallMetrics.height() + 2);
  int top = area.center().y() - block / 2 + 1;

  painter->setPen(text);
  painter->setFont(option.font);
  painter->drawText(QRect(left, top, width, titleMetrics.height()),
                    Qt::AlignLeft | Qt::AlignVCenter,
                    titleMetrics.elidedText(title, Qt::ElideRight, width));
  if (!subtitle.isEmpty()) {
    painter->setPen(dim);
    painter->setFont(small);
    painter->drawText(QRect(left, top + titleMetrics.height() + 2, width, smallMetrics.height()),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      smallMetrics.elidedText(subtitle, Qt::ElideMiddle, width));
  }
  painter->restore();
}

}  // namespace quorvale

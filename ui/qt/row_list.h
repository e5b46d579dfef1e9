// The panel's result list: a list model over the panel model's rows and the delegate that draws
// each row (icon, title, and the subtitle below it in the placeholder colour), with the
// selection drawn the way the desktop's style draws selected items. Main thread only.
#pragma once

#include <QAbstractListModel>
#include <QStyledItemDelegate>

#include "panel/panel_model.h"
#include "row_icons.h"

namespace quorvale {

class RowListModel : public QAbstractListModel {
  Q_OBJECT
 public:
  explicit RowListModel(PanelModel& model, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  // Re-reads the panel model's rows.
  void reload();

  static constexpr int kSubtitleRole = Qt::UserRole + 1;

 private:
  PanelModel& model_;
  mutable RowIcons icons_;
  int count_ = 0;
};

class RowDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  // The height of one row for the widget's font.
  static int rowHeight(const QFont& font);
};

}  // namespace quorvale

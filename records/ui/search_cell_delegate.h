#pragma once

#include <QStyledItemDelegate>

namespace korvalis {

/// Draws the search-result cells itself: the running number right-aligned in grey, the key
/// left-aligned, on the selection colour for the selected row. Texts that do not fit are
/// elided at their end.
class SearchCellDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace korvalis

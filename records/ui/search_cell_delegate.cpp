#include "records/ui/search_cell_delegate.h"

#include <QApplication>
#include <QPainter>

namespace korvalis {
namespace {

constexpr int kPadding = 3;

}  // namespace

void SearchCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
  const bool selected = option.state.testFlag(QStyle::State_Selected);
  const QPalette::ColorGroup group =
      option.state.testFlag(QStyle::State_Active) ? QPalette::Active : QPalette::Inactive;
  painter->save();
  if (selected) {
    painter->fillRect(option.rect, option.palette.brush(group, QPalette::Highlight));
  }
  const bool number = index.column() == 0;
  QColor colour =
      option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
  if (number && !selected) {
    colour = option.palette.color(group, QPalette::PlaceholderText);
  }
  painter->setPen(colour);
  painter->setFont(option.font);
  const QRect area = option.rect.adjusted(kPadding, 0, -kPadding, 0);
  const QString text = option.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(),
                                                     Qt::ElideRight, area.width());
  painter->drawText(area, Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft), text);
  painter->restore();
}

QSize SearchCellDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
  const QString text = index.data(Qt::DisplayRole).toString();
  return {option.fontMetrics.horizontalAdvance(text) + 2 * kPadding + 2,
          option.fontMetrics.height() + 4};
}

}  // namespace korvalis

#include "mccheckboxcelldelegate.h"

#include "mccheckboxcellview.h"

void MCCheckboxCellDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                   const QModelIndex &index) const
{
    MCCheckboxCellView::paint(painter, option,
                              Qt::CheckState(index.data(Qt::CheckStateRole).toInt()));
}

QSize MCCheckboxCellDelegate::sizeHint(const QStyleOptionViewItem &option,
                                       const QModelIndex &) const
{
    return MCCheckboxCellView::cellSize(option.widget);
}

#ifndef MCCHECKBOXCELLDELEGATE_H
#define MCCHECKBOXCELLDELEGATE_H

#include <QStyledItemDelegate>

// A check column painted by MCCheckboxCellView from the row's Qt::CheckStateRole.
class MCCheckboxCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

#endif // MCCHECKBOXCELLDELEGATE_H

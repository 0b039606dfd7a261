#include "mccontactcelldelegate.h"

#include "mccontactcellview.h"
#include "mcimages.h"

MCContactCellDelegate::MCContactCellDelegate(int statusImageRole, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_statusImageRole(statusImageRole)
{}

void MCContactCellDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                  const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    opt.textElideMode = Qt::ElideRight;
    const QString status = index.data(m_statusImageRole).toString();
    MCContactCellView::paint(painter, opt, status.isEmpty() ? QPixmap() : MCImages::named(status));
}

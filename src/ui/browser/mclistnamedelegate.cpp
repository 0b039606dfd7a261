#include "mclistnamedelegate.h"

#include "mcimagetextcell.h"
#include "mcnodetreemodel.h"

#include <QPainter>

MCListNameDelegate::MCListNameDelegate(QObject *parent)
    : MCNameEditingDelegate(parent)
{}

void MCListNameDelegate::initStyleOption(QStyleOptionViewItem *option,
                                         const QModelIndex &index) const
{
    MCNameEditingDelegate::initStyleOption(option, index);
    // Names are shown as they are, on one line, cut in the middle.
    option->textElideMode = Qt::ElideMiddle;
    if (index.data(MCNodeTreeModel::BusyRole).toBool())
        option->state &= ~QStyle::State_Enabled;
}

void MCListNameDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    MCImageTextCell::paintCell(painter, opt);
    const QPixmap badge = index.data(MCNodeTreeModel::BadgeRole).value<QPixmap>();
    if (badge.isNull() || opt.icon.isNull())
        return;
    const QRect icon = MCImageTextCell::imageRectForBounds(opt.rect, true);
    const int side = qMax(8, icon.height() * 11 / 16);
    painter->drawPixmap(QRect(icon.right() - side + 3, icon.bottom() - side + 1, side, side),
                        badge);
}

void MCListNameDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                              const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QRect title = MCImageTextCell::titleRectForBounds(opt.rect, !opt.icon.isNull());
    editor->setGeometry(title.adjusted(MCImageTextCell::ImageInset, 0, 0, -2));
}

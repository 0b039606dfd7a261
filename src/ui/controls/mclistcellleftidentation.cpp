#include "mclistcellleftidentation.h"

#include "mcleftidentationcell.h"

MCListCellLeftIdentation::MCListCellLeftIdentation(QObject *parent)
    : QStyledItemDelegate(parent)
{}

void MCListCellLeftIdentation::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                     const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    opt.displayAlignment = (opt.displayAlignment & ~Qt::AlignVertical_Mask) | Qt::AlignVCenter;
    MCLeftIdentationCell::paintIndented(this, painter, opt, index);
}

QSize MCListCellLeftIdentation::sizeHint(const QStyleOptionViewItem &option,
                                         const QModelIndex &index) const
{
    return QStyledItemDelegate::sizeHint(option, index) + QSize(Indentation, 0);
}

void MCListCellLeftIdentation::updateEditorGeometry(QWidget *editor,
                                                    const QStyleOptionViewItem &option,
                                                    const QModelIndex &) const
{
    editor->setGeometry(MCLeftIdentationCell::titleRectForBounds(option.rect));
}

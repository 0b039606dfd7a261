#include "mclistnamedelegate.h"

#include "mcnodetreemodel.h"

#include <QApplication>
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
    MCNameEditingDelegate::paint(painter, option, index);
    const QPixmap badge = index.data(MCNodeTreeModel::BadgeRole).value<QPixmap>();
    if (badge.isNull())
        return;
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QStyle *style = opt.widget ? opt.widget->style() : QApplication::style();
    const QRect icon = style->subElementRect(QStyle::SE_ItemViewItemDecoration, &opt, opt.widget);
    const int side = qMax(8, icon.height() * 11 / 16);
    painter->drawPixmap(QRect(icon.right() - side + 3, icon.bottom() - side + 1, side, side),
                        badge);
}

void MCListNameDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                              const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QStyle *style = opt.widget ? opt.widget->style() : QApplication::style();
    QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, opt.widget);
    text.setRight(option.rect.right());
    editor->setGeometry(text);
}

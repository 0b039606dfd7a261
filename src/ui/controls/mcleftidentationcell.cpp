#include "mcleftidentationcell.h"

#include "mclistcellleftidentation.h"

#include <QApplication>
#include <QPainter>

MCLeftIdentationCell::MCLeftIdentationCell(QObject *parent)
    : QStyledItemDelegate(parent)
{}

QRect MCLeftIdentationCell::titleRectForBounds(const QRect &bounds)
{
    return bounds.adjusted(MCListCellLeftIdentation::Indentation, 0, 0, 0);
}

void MCLeftIdentationCell::paintIndented(const QStyledItemDelegate *delegate, QPainter *painter,
                                         const QStyleOptionViewItem &option,
                                         const QModelIndex &index)
{
    paintContentIn(delegate, painter, option, index, titleRectForBounds(option.rect));
}

void MCLeftIdentationCell::paintContentIn(const QStyledItemDelegate *delegate, QPainter *painter,
                                          const QStyleOptionViewItem &option,
                                          const QModelIndex &index, const QRect &contentRect)
{
    QStyle *style = option.widget ? option.widget->style() : QApplication::style();
    QStyleOptionViewItem background = option;
    background.text.clear();
    background.icon = QIcon();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, option.widget);
    QStyleOptionViewItem content = option;
    content.rect = contentRect;
    content.backgroundBrush = Qt::NoBrush;
    content.state &= ~QStyle::State_HasFocus;
    content.showDecorationSelected = false;
    if (content.state & QStyle::State_Selected)
        content.palette.setColor(QPalette::Text, option.palette.color(QPalette::HighlightedText));
    content.state &= ~QStyle::State_Selected;
    delegate->QStyledItemDelegate::paint(painter, content, index);
}

void MCLeftIdentationCell::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                 const QModelIndex &index) const
{
    paintIndented(this, painter, option, index);
}

#ifndef MCLEFTIDENTATIONCELL_H
#define MCLEFTIDENTATIONCELL_H

#include <QStyledItemDelegate>

// A table cell whose text is set in by 10 pixels from the left.
class MCLeftIdentationCell : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit MCLeftIdentationCell(QObject *parent = nullptr);

    static QRect titleRectForBounds(const QRect &bounds);
    // Draws the cell's background across the whole cell and its content in the indented part.
    static void paintIndented(const QStyledItemDelegate *delegate, QPainter *painter,
                              const QStyleOptionViewItem &option, const QModelIndex &index);
    // Draws the cell's background and selection across the whole cell and the delegate's
    // content in content, a part of it.
    static void paintContentIn(const QStyledItemDelegate *delegate, QPainter *painter,
                               const QStyleOptionViewItem &option, const QModelIndex &index,
                               const QRect &content);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
};

#endif // MCLEFTIDENTATIONCELL_H

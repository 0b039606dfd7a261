#ifndef MCSIDEBARBADGEDELEGATE_H
#define MCSIDEBARBADGEDELEGATE_H

#include <QColor>
#include <QList>
#include <QStyledItemDelegate>

// Draws the sidebar's rows: the group titles small and bold, the others as usual with, at the
// right, a rounded badge per count of the row's BadgeRole. Transfers' downloads are green and
// its uploads red (a single kind of transfer takes the right-hand slot); Notifications' unread
// count is one badge. A count below 1 shows no badge.
class MCSidebarBadgeDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    struct Badge
    {
        qint64 count;
        QColor color;
    };

    using QStyledItemDelegate::QStyledItemDelegate;

    // The badges of a row's BadgeRole value, left to right.
    static QList<Badge> badges(const QVariant &counts);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

#endif // MCSIDEBARBADGEDELEGATE_H

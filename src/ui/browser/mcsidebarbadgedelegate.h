#ifndef MCSIDEBARBADGEDELEGATE_H
#define MCSIDEBARBADGEDELEGATE_H

#include <QColor>
#include <QList>
#include <QStyledItemDelegate>

class MCIconFieldCell;

// Draws the sidebar's rows through MCIconFieldCell (14-point icons for places, 28 for people):
// the group titles small and bold, the others with their icon and, at the right, a rounded badge
// per count of the row's BadgeRole. Transfers' downloads are green and its uploads red (a single
// kind of transfer takes the right-hand slot); Notifications' unread count is one badge. A count
// below 1 shows no badge.
class MCSidebarBadgeDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    struct Badge
    {
        qint64 count;
        QColor color;
    };

    explicit MCSidebarBadgeDelegate(QObject *parent = nullptr);

    // The cell that paints a row's icon and title.
    MCIconFieldCell *cellFor(const QModelIndex &index) const;

    // The badges of a row's BadgeRole value, left to right.
    static QList<Badge> badges(const QVariant &counts);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    MCIconFieldCell *m_placeCell;
    MCIconFieldCell *m_personCell;
};

#endif // MCSIDEBARBADGEDELEGATE_H

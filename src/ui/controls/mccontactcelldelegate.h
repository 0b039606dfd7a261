#ifndef MCCONTACTCELLDELEGATE_H
#define MCCONTACTCELLDELEGATE_H

#include <QStyledItemDelegate>

// A contact column painted by MCContactCellView: the row's name and picture, and at the right
// end the image named by the row's value in statusImageRole (none for an empty name).
class MCContactCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit MCContactCellDelegate(int statusImageRole, QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

private:
    int m_statusImageRole;
};

#endif // MCCONTACTCELLDELEGATE_H

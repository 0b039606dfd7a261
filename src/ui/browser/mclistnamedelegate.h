#ifndef MCLISTNAMEDELEGATE_H
#define MCLISTNAMEDELEGATE_H

#include "mcnameeditingdelegate.h"

// The name cell of the list and column views, painted by MCImageTextCell: the file icon (muted
// while the item is busy) with its state badge on the icon's corner, then the name on one line,
// cut in the middle. Renaming in place is the base's, in the text's place.
class MCListNameDelegate : public MCNameEditingDelegate
{
    Q_OBJECT
public:
    explicit MCListNameDelegate(QObject *parent = nullptr);

    // The column view's badges: downloading, uploading, renaming, cached, in that order, and
    // none for a failed download. Otherwise the node's own badge.
    void setColumnBadges(bool columnBadges) { m_columnBadges = columnBadges; }
    bool columnBadges() const { return m_columnBadges; }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    QPixmap badgeFor(const QModelIndex &index) const;

    bool m_columnBadges = false;
};

#endif // MCLISTNAMEDELEGATE_H

#ifndef MCICONFIELDCELL_H
#define MCICONFIELDCELL_H

#include <QStyledItemDelegate>

// The cell of outline lists such as the sidebar: the row's icon (14 pixels, 28 with
// setBigIcon()) followed by its text. A row with a text and no icon is a group heading. A
// name edited in place opens with the name before its extension selected.
class MCIconFieldCell : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit MCIconFieldCell(QObject *parent = nullptr);

    bool bigIcon() const { return m_bigIcon; }
    void setBigIcon(bool bigIcon) { m_bigIcon = bigIcon; }
    int iconSide() const { return m_bigIcon ? 28 : 14; }

    static bool isGroupCell(const QModelIndex &index);
    // Where the text goes in bounds: right of the icon's slice, centred vertically.
    QRect titleRectForBounds(const QRect &bounds, const QModelIndex &index,
                             const QFont &font) const;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

private:
    bool hasIcon(const QModelIndex &index) const;

    bool m_bigIcon = false;
};

#endif // MCICONFIELDCELL_H

#ifndef MCLISTCELLLEFTIDENTATION_H
#define MCLISTCELLLEFTIDENTATION_H

#include <QStyledItemDelegate>

// A list cell whose text is set in by 10 pixels and centred vertically; the editor of an
// editable cell starts at the same place.
class MCListCellLeftIdentation : public QStyledItemDelegate
{
    Q_OBJECT
public:
    static constexpr int Indentation = 10;

    explicit MCListCellLeftIdentation(QObject *parent = nullptr);

    // Kept for the list's big-icon layout; the drawing does not depend on it.
    void layoutViewsForBigIcon(bool bigIcon) { m_bigIcon = bigIcon; }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    // With the indentation: a column fitted to its contents shows them whole.
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

private:
    bool m_bigIcon = false;
};

#endif // MCLISTCELLLEFTIDENTATION_H

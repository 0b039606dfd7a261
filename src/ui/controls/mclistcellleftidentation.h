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

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;
};

#endif // MCLISTCELLLEFTIDENTATION_H

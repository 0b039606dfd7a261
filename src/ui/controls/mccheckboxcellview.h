#ifndef MCCHECKBOXCELLVIEW_H
#define MCCHECKBOXCELLVIEW_H

#include <QWidget>

class QCheckBox;
class QStyleOptionViewItem;

// A table cell that holds one check box; the owner titles and wires it. A table of many rows
// paints the cell instead (paint), the box where the widget's layout puts it.
class MCCheckboxCellView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int Margin = 4;

    explicit MCCheckboxCellView(QWidget *parent = nullptr);

    // Where the box lies in a cell: Margin in from the left, centred vertically.
    static QRect checkRect(const QRect &cell, const QWidget *widget);
    // The width and height that hold the box with its margins.
    static QSize cellSize(const QWidget *widget);
    // The cell's background and selection, then the box in state.
    static void paint(QPainter *painter, const QStyleOptionViewItem &option, Qt::CheckState state);

    QCheckBox *buttonCheckBox() const { return m_buttonCheckBox; }

private:
    QCheckBox *m_buttonCheckBox;
};

#endif // MCCHECKBOXCELLVIEW_H

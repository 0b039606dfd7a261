#ifndef MCTABLEQUEUEDELEGATE_H
#define MCTABLEQUEUEDELEGATE_H

#include <QPersistentModelIndex>
#include <QStyledItemDelegate>

class QAbstractItemView;

// Draws the transfers page's cells: the object's icon, the operation's image, the pause or
// resume and the abort buttons (painted by MCTableQueueStopCell), and the status cell (name,
// progress bar, second line). The buttons are drawn, not widgets, so that a page of thousands of
// rows stays cheap; they show their hovered look under the pointer and report clicks.
class MCTableQueueDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    enum Button { PauseButton, AbortButton };

    explicit MCTableQueueDelegate(QObject *parent = nullptr);

    // Where a button lies in an interaction cell.
    static QRect buttonRect(const QRect &cell, Button button);
    // The identifier the button has on the row: "abort", "resume" or "stop".
    static QString identifierOf(const QModelIndex &index, Button button);
    // The button's tooltip for an identifier: "Resume transfer", "Pause transfer" or "Abort
    // transfer".
    static QString toolTipFor(const QString &identifier);
    // Whether the button takes a click now: not while the row waits for the answer to the
    // same request.
    static bool isButtonEnabled(const QModelIndex &index, Button button);

    // The button under the pointer (-1: none), drawn with its hovered look.
    void setHover(QAbstractItemView *view, const QModelIndex &index, int button);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

signals:
    // A row's button was clicked: identifier is "abort", "resume" or "stop".
    void buttonClicked(const QModelIndex &index, const QString &identifier);

protected:
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override;

private:
    void paintStatus(QPainter *painter, const QStyleOptionViewItem &option,
                     const QModelIndex &index) const;

    QPersistentModelIndex m_hoveredIndex;
    int m_hoveredButton = -1;
};

#endif // MCTABLEQUEUEDELEGATE_H

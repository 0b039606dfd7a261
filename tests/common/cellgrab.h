#ifndef CELLGRAB_H
#define CELLGRAB_H

#include <QAbstractItemView>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QStyledItemDelegate>

#include <functional>

// Checks that an item view's cell shows what a given painting draws: the cell as the view paints
// it is compared with the view's own background for that cell (its delegate swapped for one that
// draws nothing and notes the option the view hands it) with the painting laid over it in that
// same option.
namespace CellGrab {

using Painting = std::function<void(QPainter *, const QStyleOptionViewItem &)>;

class OptionProbe : public QStyledItemDelegate
{
public:
    OptionProbe(const QModelIndex &target, QAbstractItemDelegate *sizes)
        : m_target(target)
        , m_sizes(sizes)
    {}
    void paint(QPainter *, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        if (index == m_target) {
            m_option = option;
            m_seen = true;
        }
    }
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return m_sizes ? m_sizes->sizeHint(option, index)
                       : QStyledItemDelegate::sizeHint(option, index);
    }
    QPersistentModelIndex m_target;
    QPointer<QAbstractItemDelegate> m_sizes;
    mutable QStyleOptionViewItem m_option;
    mutable bool m_seen = false;
};

struct Result
{
    QImage shown;
    QImage expected;
    bool seen = false;
};

inline Result grab(QAbstractItemView *view, const QModelIndex &index, const Painting &painting)
{
    Result result;
    const QRect rect = view->visualRect(index);
    result.shown = view->viewport()->grab(rect).toImage().convertToFormat(QImage::Format_RGB32);
    QAbstractItemDelegate *columnDelegate = view->itemDelegateForColumn(index.column());
    OptionProbe probe(index, view->itemDelegate(index));
    view->setItemDelegateForColumn(index.column(), &probe);
    result.expected = view->viewport()->grab(rect).toImage().convertToFormat(QImage::Format_RGB32);
    view->setItemDelegateForColumn(index.column(), columnDelegate);
    result.seen = probe.m_seen;
    QPainter painter(&result.expected);
    painter.translate(-rect.topLeft());
    painting(&painter, probe.m_option);
    return result;
}

} // namespace CellGrab

#endif // CELLGRAB_H

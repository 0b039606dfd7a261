#ifndef MCOUTLINEVIEWSIDEBAR_H
#define MCOUTLINEVIEWSIDEBAR_H

#include <QTreeView>

#include <functional>

class QMimeData;

// The sidebar's outline: never takes the keyboard focus, selects only what its owner selects,
// and asks its owner about drops onto a row.
class MCOutlineViewSidebar : public QTreeView
{
    Q_OBJECT
public:
    // The action a drop of data onto index would take; Qt::IgnoreAction refuses it.
    using DropValidator = std::function<Qt::DropAction(const QModelIndex &index,
                                                       const QMimeData *data, bool optionHeld)>;
    // Takes the drop; false when it could not.
    using DropAcceptor =
        std::function<bool(const QModelIndex &index, const QMimeData *data, bool optionHeld)>;

    explicit MCOutlineViewSidebar(QWidget *parent = nullptr);

    void setDropHandlers(DropValidator validator, DropAcceptor acceptor);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    static bool optionHeld(const QDropEvent *event);

    DropValidator m_validator;
    DropAcceptor m_acceptor;
};

#endif // MCOUTLINEVIEWSIDEBAR_H

#include "mcoutlineviewsidebar.h"

#include <QDropEvent>

MCOutlineViewSidebar::MCOutlineViewSidebar(QWidget *parent)
    : QTreeView(parent)
{
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setFocusPolicy(Qt::NoFocus);
    // Rows are selected by the owner, which follows the page shown.
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setIconSize(QSize(24, 24));
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DropOnly);
}

void MCOutlineViewSidebar::setDropHandlers(DropValidator validator, DropAcceptor acceptor)
{
    m_validator = std::move(validator);
    m_acceptor = std::move(acceptor);
}

bool MCOutlineViewSidebar::optionHeld(const QDropEvent *event)
{
    return event->keyboardModifiers() & (Qt::ControlModifier | Qt::AltModifier);
}

void MCOutlineViewSidebar::dragEnterEvent(QDragEnterEvent *event)
{
    // Accepted whatever it holds, so that moving over the rows asks about each.
    event->acceptProposedAction();
}

void MCOutlineViewSidebar::dragMoveEvent(QDragMoveEvent *event)
{
    const QModelIndex index = indexAt(event->pos());
    const Qt::DropAction action =
        m_validator ? m_validator(index, event->mimeData(), optionHeld(event)) : Qt::IgnoreAction;
    if (action == Qt::IgnoreAction) {
        setState(NoState);
        event->ignore(visualRect(index));
        viewport()->update();
        return;
    }
    setState(DraggingState);
    event->setDropAction(action);
    event->accept(visualRect(index));
    viewport()->update();
}

void MCOutlineViewSidebar::dragLeaveEvent(QDragLeaveEvent *event)
{
    setState(NoState);
    viewport()->update();
    event->accept();
}

void MCOutlineViewSidebar::dropEvent(QDropEvent *event)
{
    setState(NoState);
    const QModelIndex index = indexAt(event->pos());
    const Qt::DropAction action =
        m_validator ? m_validator(index, event->mimeData(), optionHeld(event)) : Qt::IgnoreAction;
    if (action == Qt::IgnoreAction || !m_acceptor ||
        !m_acceptor(index, event->mimeData(), optionHeld(event))) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
}

#include "mcoutlineviewsidebar.h"

#include <QDropEvent>
#include <QIcon>
#include <QPainter>

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

QRect MCOutlineViewSidebar::watermarkRect() const
{
    // 250 points square, 40 past the left edge and 90 past the bottom.
    return QRect(-40, viewport()->height() - 160, 250, 250);
}

void MCOutlineViewSidebar::paintEvent(QPaintEvent *event)
{
    const QRect logo = watermarkRect();
    if (logo.intersects(event->rect())) {
        if (m_watermark.isNull()) {
            m_watermark =
                QIcon(QStringLiteral(":/browser/images/whitelogo.svg")).pixmap(logo.size());
        }
        QPainter painter(viewport());
        painter.setClipRect(event->rect());
        painter.setOpacity(0.6);
        painter.drawPixmap(logo, m_watermark);
    }
    QTreeView::paintEvent(event);
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

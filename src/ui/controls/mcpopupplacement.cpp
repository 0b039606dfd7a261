#include "mcpopupplacement.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

namespace MCPopupPlacement {

namespace {

QRect roomOf(const QWidget *widget, const QPoint &point)
{
    const QScreen *screen = QGuiApplication::screenAt(point);
    if (!screen)
        screen = widget->screen();
    return screen ? screen->availableGeometry() : QRect();
}

QPoint inside(const QRect &room, const QSize &size, QPoint position)
{
    if (room.isEmpty())
        return position;
    // A window larger than the screen keeps its top left corner on it.
    position.setX(qMax(room.left(), qMin(position.x(), room.right() + 1 - size.width())));
    position.setY(qMax(room.top(), qMin(position.y(), room.bottom() + 1 - size.height())));
    return position;
}

} // namespace

void placeBesideAnchor(QWidget *popup, const QWidget *anchor, Edge preferred)
{
    const QSize size = popup->frameGeometry().size();
    const QPoint anchorTop = anchor->mapToGlobal(QPoint(0, 0));
    const QRect room = roomOf(anchor, anchor->mapToGlobal(anchor->rect().center()));
    // Towards the middle of the anchor's window: a button at its right end has the popup's
    // right edge at its own.
    const QWidget *window = anchor->window();
    const bool rightHalf = anchor->mapTo(window, anchor->rect().center()).x() > window->width() / 2;
    const int x = rightHalf ? anchorTop.x() + anchor->width() - size.width() : anchorTop.x();
    const QPoint above(x, anchorTop.y() - size.height());
    const QPoint below(x, anchorTop.y() + anchor->height());
    const bool roomAbove = room.isEmpty() || above.y() >= room.top();
    const bool roomBelow = room.isEmpty() || below.y() + size.height() <= room.bottom() + 1;
    QPoint position = preferred == Above ? above : below;
    if (preferred == Above && !roomAbove && roomBelow)
        position = below;
    else if (preferred == Below && !roomBelow && roomAbove)
        position = above;
    popup->move(inside(room, size, position));
}

void placeCentredOver(QWidget *window, const QWidget *over)
{
    const QSize size = window->frameGeometry().size();
    const QRect frame = over->window()->frameGeometry();
    const QRect room = roomOf(over, frame.center());
    window->move(inside(
        room, size,
        QPoint(frame.center().x() - size.width() / 2, frame.center().y() - size.height() / 2)));
}

} // namespace MCPopupPlacement

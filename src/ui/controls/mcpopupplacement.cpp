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

void placeCascadedOver(QWidget *window, const QWidget *over, const QList<QWidget *> &others)
{
    const QWidget *main = over->window();
    QSize size = window->frameGeometry().size();
    if (!window->isVisible())
        size += main->frameGeometry().size() - main->size();
    const QRect frame = main->frameGeometry();
    const QRect room = roomOf(over, frame.center());
    // About a title bar's height.
    const int step = qMax(16, main->frameGeometry().height() - main->height());
    QPoint position = inside(
        room, size,
        QPoint(frame.center().x() - size.width() / 2, frame.center().y() - size.height() / 2));
    const auto taken = [&](const QPoint &spot) {
        for (const QWidget *other : others) {
            if (other && other != window && other->isVisible() &&
                (other->frameGeometry().topLeft() - spot).manhattanLength() < step / 2)
                return true;
        }
        return false;
    };
    for (int tries = 0; tries < others.size() && taken(position); ++tries) {
        const QPoint next = inside(room, size, position + QPoint(step, step));
        // At the screen's edge the cascade starts again from the top left of the room.
        position = next == position + QPoint(step, step)
                       ? next
                       : inside(room, size, QPoint(frame.left(), room.top()) + QPoint(step, 0));
    }
    window->move(position);
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

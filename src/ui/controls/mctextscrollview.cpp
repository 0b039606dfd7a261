#include "mctextscrollview.h"

#include <QCoreApplication>
#include <QWheelEvent>

void MCTextScrollView::wheelEvent(QWheelEvent *event)
{
    // Qt does not pass a wheel event that a scroll area's viewport has seen on to the widgets
    // around it, so hand it to them here, nearest first, until one takes it.
    for (QWidget *target = parentWidget(); target; target = target->parentWidget()) {
        QWheelEvent forwarded(target->mapFromGlobal(event->globalPosition().toPoint()),
                              event->globalPosition(), event->pixelDelta(), event->angleDelta(),
                              event->buttons(), event->modifiers(), event->phase(),
                              event->inverted(), event->source());
        QCoreApplication::sendEvent(target, &forwarded);
        if (forwarded.isAccepted()) {
            event->accept();
            return;
        }
        if (target->isWindow())
            break;
    }
    event->ignore();
}

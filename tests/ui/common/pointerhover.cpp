#include "pointerhover.h"

#include <QTest>
#include <QWidget>

namespace PointerHover {

void enter(QWidget *widget)
{
    QTest::mouseMove(widget, widget->rect().center());
}

void leave(QWidget *widget)
{
    QWidget *window = widget->window();
    // A point of the window that the widget does not cover; the window is made larger than the
    // widget by the suites that hover.
    const QPoint outside(window->width() - 1, window->height() - 1);
    Q_ASSERT(!widget->rect().contains(widget->mapFrom(window, outside)));
    QTest::mouseMove(window, outside);
}

} // namespace PointerHover

#ifndef POINTERHOVER_H
#define POINTERHOVER_H

class QWidget;

// Moves the test pointer onto a shown widget, or off it to a corner of its window outside it,
// so that the widget gets the enter and leave events a user's pointer would give it.
namespace PointerHover {

void enter(QWidget *widget);
void leave(QWidget *widget);

} // namespace PointerHover

#endif // POINTERHOVER_H

#include "mcfakebutton.h"

#include <QMouseEvent>

void MCFakeButton::mousePressEvent(QMouseEvent *event)
{
    event->ignore();
}

void MCFakeButton::mouseReleaseEvent(QMouseEvent *event)
{
    event->ignore();
}

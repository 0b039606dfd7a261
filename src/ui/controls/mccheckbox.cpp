#include "mccheckbox.h"

#include <QMouseEvent>

void MCCheckBox::mousePressEvent(QMouseEvent *event)
{
    event->ignore();
}

void MCCheckBox::mouseReleaseEvent(QMouseEvent *event)
{
    event->ignore();
}

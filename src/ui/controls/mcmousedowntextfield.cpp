#include "mcmousedowntextfield.h"

#include <QMouseEvent>

MCMouseDownTextField::MCMouseDownTextField(QWidget *parent)
    : MCMouseDownTextField(QString(), parent)
{}

MCMouseDownTextField::MCMouseDownTextField(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
    setCursor(Qt::PointingHandCursor);
}

void MCMouseDownTextField::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (rect().contains(event->pos()))
        emit mouseDownTextFieldClicked(this);
}

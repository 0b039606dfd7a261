#include "mcclicktextfield.h"

#include <QMouseEvent>

MCClickTextField::MCClickTextField(QWidget *parent)
    : QLabel(parent)
{}

void MCClickTextField::mousePressEvent(QMouseEvent *event)
{
    QLabel::mousePressEvent(event);
    m_mouseDownPoint = event->windowPos().toPoint();
}

void MCClickTextField::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    m_showedInfo = (m_showedInfo + 1) % 4;
    emit showedInfoChanged(m_showedInfo);
    if (event->windowPos().toPoint() == m_mouseDownPoint)
        emit mouseDownTextFieldClicked();
}

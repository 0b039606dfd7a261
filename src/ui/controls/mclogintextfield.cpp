#include "mclogintextfield.h"

#include "mclinks.h"

#include <QGraphicsDropShadowEffect>
#include <QMouseEvent>

MCLoginTextField::MCLoginTextField(QWidget *parent)
    : MCLoginTextField(QString(), parent)
{}

MCLoginTextField::MCLoginTextField(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
    auto *shadow = new QGraphicsDropShadowEffect(this);
    shadow->setBlurRadius(2);
    shadow->setOffset(1, 1);
    shadow->setColor(Qt::black);
    setGraphicsEffect(shadow);
    setCursor(Qt::PointingHandCursor);
}

void MCLoginTextField::setLinkEnabled(bool enabled)
{
    m_linkEnabled = enabled;
    setCursor(enabled ? Qt::PointingHandCursor : Qt::ArrowCursor);
    if (!enabled)
        setUnderlined(false);
}

void MCLoginTextField::sizeToFit()
{
    adjustSize();
    if (QWidget *parent = parentWidget())
        move(parent->width() / 2 - width() / 2, y());
}

void MCLoginTextField::setUnderlined(bool underlined)
{
    QFont current = font();
    if (current.underline() == underlined)
        return;
    current.setUnderline(underlined);
    setFont(current);
}

void MCLoginTextField::enterEvent(QEvent *event)
{
    QLabel::enterEvent(event);
    if (m_linkEnabled)
        setUnderlined(true);
}

void MCLoginTextField::leaveEvent(QEvent *event)
{
    QLabel::leaveEvent(event);
    if (m_linkEnabled)
        setUnderlined(false);
}

void MCLoginTextField::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (!m_linkEnabled || m_link.isEmpty() || event->button() != Qt::LeftButton ||
        !rect().contains(event->pos()))
        return;
    if (MCLinks::open(m_link))
        emit linkOpened(m_link);
    else
        emit linkNotOpened(m_link);
}

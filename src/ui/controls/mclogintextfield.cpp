#include "mclogintextfield.h"

#include <QGraphicsDropShadowEffect>

MCLoginTextField::MCLoginTextField(QWidget *parent)
    : MCLoginTextField(QString(), parent)
{}

MCLoginTextField::MCLoginTextField(const QString &text, QWidget *parent)
    : MCLinkTextField(text, parent)
{
    auto *shadow = new QGraphicsDropShadowEffect(this);
    shadow->setBlurRadius(2);
    shadow->setOffset(1, 1);
    shadow->setColor(Qt::black);
    setGraphicsEffect(shadow);
}

void MCLoginTextField::setLinkEnabled(bool enabled)
{
    m_linkEnabled = enabled;
    setUnderlineEnabled(enabled);
    setCursor(enabled ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

#include "mclinktextfield.h"

#include "mclinks.h"

#include <QMouseEvent>

MCLinkTextField::MCLinkTextField(QWidget *parent)
    : MCLinkTextField(QString(), parent)
{}

MCLinkTextField::MCLinkTextField(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
    // The text may come from elsewhere than our own strings: never read it as markup.
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
}

void MCLinkTextField::setUnderlineEnabled(bool enabled)
{
    m_underlineEnabled = enabled;
    if (!enabled)
        setUnderlined(false);
}

void MCLinkTextField::sizeToFit()
{
    adjustSize();
    if (QWidget *parent = parentWidget())
        move(parent->width() / 2 - width() / 2, y());
}

void MCLinkTextField::setUnderlined(bool underlined)
{
    QFont current = font();
    if (current.underline() == underlined)
        return;
    current.setUnderline(underlined);
    setFont(current);
}

void MCLinkTextField::enterEvent(QEvent *event)
{
    QLabel::enterEvent(event);
    if (m_underlineEnabled)
        setUnderlined(true);
}

void MCLinkTextField::leaveEvent(QEvent *event)
{
    QLabel::leaveEvent(event);
    setUnderlined(false);
}

void MCLinkTextField::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (!opensLink() || m_link.isEmpty() || event->button() != Qt::LeftButton ||
        !rect().contains(event->pos()))
        return;
    if (MCLinks::open(m_link))
        emit linkOpened(m_link);
    else
        emit linkNotOpened(m_link);
}

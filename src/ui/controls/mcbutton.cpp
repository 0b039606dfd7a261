#include "mcbutton.h"

#include <QPainter>

MCButton::MCButton(QWidget *parent)
    : QAbstractButton(parent)
{
    setAttribute(Qt::WA_Hover);
}

void MCButton::setImageIn(const QPixmap &image)
{
    m_imageIn = image;
    if (m_showingIn)
        showImage(image);
}

void MCButton::setImageOut(const QPixmap &image)
{
    m_imageOut = image;
    if (!m_showingIn)
        showImage(image);
}

QSize MCButton::sizeHint() const
{
    const QPixmap largest = m_imageOut.isNull() ? m_imageIn : m_imageOut;
    return largest.isNull() ? QSize(16, 16) : largest.size() / largest.devicePixelRatio();
}

void MCButton::showImage(const QPixmap &image)
{
    m_showingIn = !image.isNull() && image.cacheKey() == m_imageIn.cacheKey();
    if (m_shown.cacheKey() == image.cacheKey() && !m_shown.isNull())
        return;
    m_shown = image;
    update();
}

void MCButton::enterEvent(QEvent *event)
{
    QAbstractButton::enterEvent(event);
    showImage(m_imageIn);
}

void MCButton::leaveEvent(QEvent *event)
{
    QAbstractButton::leaveEvent(event);
    showImage(m_imageOut);
}

void MCButton::mouseReleaseEvent(QMouseEvent *event)
{
    QAbstractButton::mouseReleaseEvent(event);
    showImage(imageAfterClick());
}

void MCButton::paintEvent(QPaintEvent *)
{
    if (m_shown.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QSize size = m_shown.size() / m_shown.devicePixelRatio();
    size.scale(this->size(), Qt::KeepAspectRatio);
    QRect target(QPoint(), size);
    target.moveCenter(rect().center());
    painter.drawPixmap(target, m_shown);
}

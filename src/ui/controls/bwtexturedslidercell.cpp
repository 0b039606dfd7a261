#include "bwtexturedslidercell.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionSlider>

namespace {

constexpr int TrackImageHeight = 5;
constexpr int CapWidth = 3;
constexpr int ThumbSide = 15;

QPixmap makeImage(BWTexturedSliderCell::Image which)
{
    const bool thumb =
        which == BWTexturedSliderCell::ThumbNormal || which == BWTexturedSliderCell::ThumbPressed;
    QPixmap pixmap(thumb ? QSize(ThumbSide, ThumbSide) : QSize(CapWidth, TrackImageHeight));
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    switch (which) {
    case BWTexturedSliderCell::TrackLeft:
    case BWTexturedSliderCell::TrackRight: {
        // Half of a rounded end on the side that faces out.
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x6e, 0x6e, 0x6e));
        const QRectF end(which == BWTexturedSliderCell::TrackLeft ? 0 : -CapWidth, 0, 2 * CapWidth,
                         TrackImageHeight);
        painter.drawRoundedRect(end, 2.5, 2.5);
        break;
    }
    case BWTexturedSliderCell::TrackFill:
        painter.fillRect(pixmap.rect(), QColor(0x6e, 0x6e, 0x6e));
        painter.fillRect(QRect(0, 0, CapWidth, 1), QColor(0x4a, 0x4a, 0x4a));
        break;
    case BWTexturedSliderCell::ThumbNormal:
    case BWTexturedSliderCell::ThumbPressed: {
        const bool pressed = which == BWTexturedSliderCell::ThumbPressed;
        QRadialGradient fill(ThumbSide / 2.0, ThumbSide / 3.0, ThumbSide / 1.5);
        fill.setColorAt(0, pressed ? QColor(0xc8, 0xc8, 0xc8) : Qt::white);
        fill.setColorAt(1, pressed ? QColor(0x9a, 0x9a, 0x9a) : QColor(0xdc, 0xdc, 0xdc));
        painter.setBrush(fill);
        painter.setPen(QPen(QColor(0x5a, 0x5a, 0x5a), 1));
        painter.drawEllipse(QRectF(0.5, 0.5, ThumbSide - 1, ThumbSide - 1));
        break;
    }
    case BWTexturedSliderCell::ImageCount:
        break;
    }
    return pixmap;
}

} // namespace

BWTexturedSliderCell::BWTexturedSliderCell(QWidget *parent)
    : QSlider(Qt::Horizontal, parent)
{
    setTickPosition(QSlider::NoTicks);
    setMinimumHeight(ThumbSide + 2);
}

QPixmap BWTexturedSliderCell::image(Image which)
{
    static const QVector<QPixmap> images = [] {
        QVector<QPixmap> made;
        for (int i = 0; i < ImageCount; ++i)
            made.append(makeImage(Image(i)));
        return made;
    }();
    return images.value(which);
}

void BWTexturedSliderCell::setTrackHeight(int height)
{
    m_trackHeight = height;
    update();
}

QRect BWTexturedSliderCell::trackRect() const
{
    const int height = image(TrackFill).height() + (m_trackHeight != 0 ? 1 : 0);
    const QRect bounds = rect();
    return QRect(bounds.x() + 5, bounds.y() + qRound((bounds.height() - height) * 0.5),
                 bounds.width() - 9, height);
}

void BWTexturedSliderCell::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setOpacity(isEnabled() ? 1.0 : 0.5);
    const QRect track = trackRect();
    const QPixmap left = image(TrackLeft);
    const QPixmap right = image(TrackRight);
    painter.drawPixmap(QRect(track.left(), track.top(), left.width(), track.height()), left);
    painter.drawTiledPixmap(QRect(track.left() + left.width(), track.top(),
                                  track.width() - left.width() - right.width(), track.height()),
                            image(TrackFill));
    painter.drawPixmap(
        QRect(track.right() - right.width() + 1, track.top(), right.width(), track.height()),
        right);
    painter.setOpacity(1.0);
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const QPixmap thumb = image(m_isPressed ? ThumbPressed : ThumbNormal);
    QRect knob(QPoint(), thumb.size());
    knob.moveCenter(handle.center());
    painter.drawPixmap(knob.topLeft(), thumb);
}

void BWTexturedSliderCell::mousePressEvent(QMouseEvent *event)
{
    m_isPressed = true;
    QSlider::mousePressEvent(event);
    update();
}

void BWTexturedSliderCell::mouseReleaseEvent(QMouseEvent *event)
{
    m_isPressed = false;
    QSlider::mouseReleaseEvent(event);
    update();
}

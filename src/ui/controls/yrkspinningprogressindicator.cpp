#include "yrkspinningprogressindicator.h"

#include <QPainter>
#include <QTimer>

#include <algorithm>

namespace {

// 600,000 µs per turn over 12 fins: a frame every 50 ms.
constexpr int frameIntervalMs = 50;

QColor withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(qBound(0.0, alpha, 1.0));
    return color;
}

} // namespace

YRKSpinningProgressIndicator::YRKSpinningProgressIndicator(QWidget *parent)
    : QWidget(parent)
    , m_animationTimer(new QTimer(this))
    , m_finColors(m_numFins, QColor(0, 0, 0, 0))
{
    m_animationTimer->setInterval(frameIntervalMs);
    connect(m_animationTimer, &QTimer::timeout, this, &YRKSpinningProgressIndicator::updateFrame);
}

YRKSpinningProgressIndicator::~YRKSpinningProgressIndicator() = default;

void YRKSpinningProgressIndicator::startAnimation(QObject *)
{
    if (!m_isIndeterminate)
        return;
    if (m_isAnimating && !m_isFadingOut)
        return;
    actuallyStartAnimation();
}

void YRKSpinningProgressIndicator::stopAnimation(QObject *)
{
    if (m_isAnimating)
        m_isFadingOut = true;
}

void YRKSpinningProgressIndicator::setStyle(int style)
{
    Q_ASSERT_X(style == spinningStyle, "YRKSpinningProgressIndicator::setStyle",
               "Non-spinning styles not available.");
    Q_UNUSED(style);
}

void YRKSpinningProgressIndicator::setColor(const QColor &color)
{
    if (m_foreColor == color)
        return;
    m_foreColor = color;
    for (QColor &fin : m_finColors)
        fin = withAlpha(color, fin.alphaF());
    update();
}

void YRKSpinningProgressIndicator::setBackgroundColor(const QColor &color)
{
    if (m_backColor == color)
        return;
    m_backColor = color;
    update();
}

void YRKSpinningProgressIndicator::setDrawsBackground(bool draws)
{
    m_drawsBackground = draws;
    update();
}

void YRKSpinningProgressIndicator::setDisplayedWhenStopped(bool displayed)
{
    m_displayedWhenStopped = displayed;
    if (!m_isAnimating)
        setVisible(displayed);
}

void YRKSpinningProgressIndicator::setUsesThreadedAnimation(bool threaded)
{
    if (m_usesThreadedAnimation == threaded)
        return;
    m_usesThreadedAnimation = threaded;
    if (m_isAnimating) {
        stopAnimation();
        startAnimation();
    }
}

void YRKSpinningProgressIndicator::setIndeterminate(bool indeterminate)
{
    m_isIndeterminate = indeterminate;
    if (!indeterminate && m_isAnimating)
        stopAnimation();
    update();
}

void YRKSpinningProgressIndicator::setDoubleValue(double value)
{
    if (m_isIndeterminate)
        setIndeterminate(false);
    m_currentValue = value;
    update();
}

void YRKSpinningProgressIndicator::setMaxValue(double value)
{
    m_maxValue = value;
    update();
}

void YRKSpinningProgressIndicator::actuallyStartAnimation()
{
    actuallyStopAnimation();
    m_isAnimating = true;
    m_isFadingOut = false;
    m_position = 1;
    if (!m_displayedWhenStopped)
        setVisible(true);
    if (isVisible())
        m_animationTimer->start();
}

void YRKSpinningProgressIndicator::actuallyStopAnimation()
{
    m_isAnimating = false;
    m_isFadingOut = false;
    m_animationTimer->stop();
    if (!m_displayedWhenStopped)
        setVisible(false);
    update();
}

void YRKSpinningProgressIndicator::updateFrame()
{
    m_position = m_position < 1 ? m_numFins - 1 : m_position - 1;
    const qreal lowest = lowestAlpha();
    for (QColor &fin : m_finColors)
        fin = withAlpha(m_foreColor, qMax(lowest, fin.alphaF() * 0.85));
    if (m_isFadingOut) {
        const bool settled =
            std::all_of(m_finColors.cbegin(), m_finColors.cend(), [lowest](const QColor &fin) {
                return qAbs(fin.alphaF() - lowest) <= 0.01;
            });
        if (settled) {
            actuallyStopAnimation();
            return;
        }
    } else {
        m_finColors[m_position] = withAlpha(m_foreColor, 1.0);
    }
    update();
}

void YRKSpinningProgressIndicator::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_isAnimating)
        m_animationTimer->start();
}

void YRKSpinningProgressIndicator::hideEvent(QHideEvent *event)
{
    // Nothing to draw while hidden; the animation resumes when the widget is shown again.
    m_animationTimer->stop();
    QWidget::hideEvent(event);
}

void YRKSpinningProgressIndicator::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_drawsBackground)
        painter.fillRect(rect(), m_backColor);

    const qreal size = qMin(width(), height());
    painter.translate(QRectF(rect()).center());

    if (!m_isIndeterminate) {
        const qreal lineWidth = 0.01 * size + 1.0;
        const qreal radius = (size - lineWidth) / 2.1;
        const QRectF circle(-radius, -radius, 2 * radius, 2 * radius);
        painter.setPen(QPen(m_foreColor, lineWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(circle);
        // A maximum of 0 would divide by zero: an empty pie.
        const double fraction = m_maxValue > 0 ? qBound(0.0, m_currentValue / m_maxValue, 1.0) : 0;
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_foreColor);
        painter.drawPie(circle, 90 * 16, -qRound(fraction * 360 * 16));
        return;
    }

    // Each fin points up from the centre; the drawing turns anticlockwise between fins.
    QPen pen(m_foreColor, 0.0859375 * size, Qt::SolidLine, Qt::RoundCap);
    for (int i = 0; i < m_numFins; ++i) {
        pen.setColor(m_isAnimating ? m_finColors.at(i) : withAlpha(m_foreColor, 0.15));
        painter.setPen(pen);
        painter.drawLine(QPointF(0, -0.234375 * size), QPointF(0, -0.421875 * size));
        painter.rotate(-360.0 / m_numFins);
    }
}

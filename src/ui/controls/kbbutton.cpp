#include "kbbutton.h"

#include "mccolor.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr qreal cornerRadius = 3.0;
// How far a disabled button's colours go towards the window's.
constexpr qreal DisabledFade = 0.7;

} // namespace

KBButton::KBButton(QWidget *parent)
    : QPushButton(parent)
{}

KBButton::KBButton(const QString &text, QWidget *parent)
    : QPushButton(text, parent)
{}

void KBButton::setKBButtonType(int type)
{
    if (m_type == type)
        return;
    m_type = type;
    update();
}

QColor KBButton::getColorForButtonType() const
{
    switch (m_type) {
    case 1:
        return QColor::fromRgbF(0.0, 0.33, 0.80);
    case 2:
        return QColor::fromRgbF(0.18, 0.59, 0.71);
    case 3:
        return QColor::fromRgbF(0.32, 0.64, 0.32);
    case 4:
        return QColor::fromRgbF(1.0, 115.0 / 255.0, 23.0 / 255.0);
    case 5:
        return QColor::fromRgbF(0.74, 0.21, 0.18);
    case 6:
        return QColor::fromRgbF(0.13, 0.13, 0.13);
    default:
        return QColor::fromRgbF(0.85, 0.85, 0.85);
    }
}

QColor KBButton::titleColor() const
{
    if (!isEnabled()) {
        // Grey, halfway between the window's text and the faded fill it is drawn on.
        const QColor text = palette().color(QPalette::Active, QPalette::WindowText);
        const QColor window = palette().color(QPalette::Window);
        return QColor::fromRgbF((text.redF() + window.redF()) / 2,
                                (text.greenF() + window.greenF()) / 2,
                                (text.blueF() + window.blueF()) / 2);
    }
    return MCColor::isLightColor(getColorForButtonType()) ? QColor(Qt::black) : QColor(Qt::white);
}

void KBButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor base = getColorForButtonType();
    const QRectF frame = rect();
    // A disabled button fades into the window: darkening alone leaves a coloured button
    // that still reads as one to press.
    const QColor window = palette().color(QPalette::Window);
    const auto shown = [this, &window](const QColor &colour) {
        if (isEnabled())
            return colour;
        const auto mix = [](qreal a, qreal b) {
            return qBound(0.0, a + (b - a) * DisabledFade, 1.0);
        };
        return QColor::fromRgbF(mix(colour.redF(), window.redF()),
                                mix(colour.greenF(), window.greenF()),
                                mix(colour.blueF(), window.blueF()));
    };

    QPainterPath rim;
    rim.addRoundedRect(frame, cornerRadius, cornerRadius);
    painter.fillPath(rim, shown(MCColor::darkenColorByValue(base, 0.12f)));

    if (!isDown()) {
        const QRectF inner = frame.adjusted(1, 1, -1, -1);
        QPainterPath innerPath;
        innerPath.addRoundedRect(inner, cornerRadius, cornerRadius);
        const QColor adjusted = isEnabled() ? MCColor::lightenColorByValue(base, 0.12f)
                                            : MCColor::darkenColorByValue(base, 0.24f);
        QLinearGradient gradient(inner.topLeft(), inner.bottomLeft());
        gradient.setColorAt(0.0, shown(adjusted));
        gradient.setColorAt(1.0, shown(base));
        painter.fillPath(innerPath, gradient);
    }

    painter.setPen(titleColor());
    painter.setFont(font());
    painter.drawText(frame, Qt::AlignCenter | Qt::TextShowMnemonic, text());
}

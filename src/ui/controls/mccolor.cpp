#include "mccolor.h"

#include <QAbstractButton>

namespace MCColor {

QColor mercury()
{
    return QColor(0xE6, 0xE6, 0xE6);
}
QColor cantaloupe()
{
    return QColor(0xFF, 0xCC, 0x66);
}
QColor tangerine()
{
    return QColor(0xFF, 0x80, 0x00);
}
QColor steel()
{
    return QColor(0x66, 0x66, 0x66);
}
QColor silver()
{
    return QColor(0xCC, 0xCC, 0xCC);
}

namespace {

QColor shifted(const QColor &color, double delta)
{
    const QColor rgb = color.toRgb();
    return QColor::fromRgbF(qBound(0.0, rgb.redF() + delta, 1.0),
                            qBound(0.0, rgb.greenF() + delta, 1.0),
                            qBound(0.0, rgb.blueF() + delta, 1.0), 1.0);
}

} // namespace

QColor lightenColorByValue(const QColor &color, float value)
{
    return shifted(color, value);
}

QColor darkenColorByValue(const QColor &color, float value)
{
    return shifted(color, -double(value));
}

bool isLightColor(const QColor &color)
{
    const QColor rgb = color.toRgb();
    // QColor keeps 16-bit components; a margin far below that step keeps 0.8 itself "not light".
    return (rgb.redF() + rgb.greenF() + rgb.blueF()) / 3.0 > 0.8 + 1e-6;
}

QColor textColor(const QAbstractButton *button)
{
    return button->palette().color(QPalette::Active, QPalette::ButtonText);
}

void setTextColor(QAbstractButton *button, const QColor &color)
{
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, color);
    palette.setColor(QPalette::WindowText, color);
    button->setPalette(palette);
}

} // namespace MCColor

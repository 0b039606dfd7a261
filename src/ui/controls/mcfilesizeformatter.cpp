#include "mcfilesizeformatter.h"

#include <cmath>

namespace {

// Rounds to the given number of fraction digits, ties to even, as a number formatter does.
double roundHalfEven(double value, int digits)
{
    const double scale = std::pow(10.0, digits);
    const double scaled = value * scale;
    double rounded = std::nearbyint(scaled);
    // nearbyint rounds ties to even in the default rounding mode; guard against binary noise
    // making 1.25 * 10 land a hair away from the tie.
    const double floorValue = std::floor(scaled);
    if (std::fabs(scaled - floorValue - 0.5) < 1e-9) {
        rounded = std::fmod(floorValue, 2.0) == 0.0 ? floorValue : floorValue + 1.0;
    }
    return rounded / scale;
}

} // namespace

MCFileSizeFormatter::MCFileSizeFormatter() = default;

void MCFileSizeFormatter::setMaximumFractionDigits(int digits)
{
    m_maximumFractionDigits = qBound(0, digits, 15);
    m_minimumFractionDigits = qMin(m_minimumFractionDigits, m_maximumFractionDigits);
}

QString MCFileSizeFormatter::stringFromNumber(double bytes) const
{
    static const char units[] = {'\0', 'K', 'M', 'G', 'T', 'P', 'E', 'Z', 'Y'};
    const double base = m_useBaseTenUnits ? 1000.0 : 1024.0;
    double value = bytes;
    int divisions = 0;
    while (value >= base && divisions < 8) {
        value /= base;
        ++divisions;
    }
    QString text = formatNumber(value) + QLatin1Char(' ');
    if (divisions > 0)
        text += QLatin1Char(units[divisions]);
    return text + QLatin1Char('B');
}

QString MCFileSizeFormatter::formatNumber(double value) const
{
    QLocale locale = m_locale;
    locale.setNumberOptions(m_usesGroupingSeparator ? QLocale::DefaultNumberOptions
                                                    : QLocale::OmitGroupSeparator);
    QString text = locale.toString(roundHalfEven(value, m_maximumFractionDigits), 'f',
                                   m_maximumFractionDigits);
    const QString decimal = locale.decimalPoint();
    const int point = text.indexOf(decimal);
    if (point < 0)
        return text;
    int keep = text.size();
    while (keep > point + decimal.size() + m_minimumFractionDigits &&
           text.at(keep - 1) == locale.zeroDigit())
        --keep;
    if (keep == point + decimal.size())
        keep = point;
    text.truncate(keep);
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return text;
}

#ifndef MCFILESIZEFORMATTER_H
#define MCFILESIZEFORMATTER_H

#include <QLocale>
#include <QString>

// Turns a byte count into a short text with a unit ("1.5 MB"); the one place where the interface
// formats sizes. Units of 1024 unless useBaseTenUnits is set. The number itself is printed like
// a plain number formatter: at most maximumFractionDigits digits (ties round to even), trailing
// zeros dropped down to minimumFractionDigits, grouping only when asked for. The value is
// compared with the base before it is rounded, so 999,999 bytes in base ten read "1000 KB".
class MCFileSizeFormatter
{
public:
    MCFileSizeFormatter();

    bool isUsingBaseTenUnits() const { return m_useBaseTenUnits; }
    void setUseBaseTenUnits(bool useBaseTenUnits) { m_useBaseTenUnits = useBaseTenUnits; }
    int maximumFractionDigits() const { return m_maximumFractionDigits; }
    void setMaximumFractionDigits(int digits);
    int minimumFractionDigits() const { return m_minimumFractionDigits; }
    QLocale locale() const { return m_locale; }
    void setLocale(const QLocale &locale) { m_locale = locale; }

    QString stringFromNumber(double bytes) const;

private:
    QString formatNumber(double value) const;

    QLocale m_locale;
    int m_maximumFractionDigits = 0;
    int m_minimumFractionDigits = 0;
    bool m_useBaseTenUnits = false;
    bool m_usesGroupingSeparator = false;
};

#endif // MCFILESIZEFORMATTER_H

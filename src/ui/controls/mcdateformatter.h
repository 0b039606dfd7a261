#ifndef MCDATEFORMATTER_H
#define MCDATEFORMATTER_H

#include <QDateTime>
#include <QLocale>
#include <QString>

// Turns a date into text in one of five date and time styles, optionally with relative words
// for the days next to today ("Today", "Yesterday", "Tomorrow") in place of the date. The one
// date formatter of the interface's tables and panes.
class MCDateFormatter
{
public:
    enum Style { NoStyle, ShortStyle, MediumStyle, LongStyle, FullStyle };

    Style dateStyle() const { return m_dateStyle; }
    void setDateStyle(Style style) { m_dateStyle = style; }
    Style timeStyle() const { return m_timeStyle; }
    void setTimeStyle(Style style) { m_timeStyle = style; }
    bool doesRelativeDateFormatting() const { return m_relative; }
    void setDoesRelativeDateFormatting(bool relative) { m_relative = relative; }
    QLocale locale() const { return m_locale; }
    void setLocale(const QLocale &locale) { m_locale = locale; }

    // Empty for an invalid date; now is the moment "today" is counted from.
    QString stringFromDate(const QDateTime &date,
                           const QDateTime &now = QDateTime::currentDateTime()) const;

private:
    QString datePart(const QDate &date, const QDate &today) const;

    Style m_dateStyle = ShortStyle;
    Style m_timeStyle = NoStyle;
    bool m_relative = false;
    QLocale m_locale;
};

#endif // MCDATEFORMATTER_H

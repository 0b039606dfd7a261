#include "mcdatetext.h"

#include <QLocale>

namespace MCDateText {

namespace {

QString datePart(const QDate &date, Style style, const QLocale &locale)
{
    switch (style) {
    case None:
        return QString();
    case Short:
        return locale.toString(date, QLocale::ShortFormat);
    case Medium:
        // The short pattern's order of day and month, with the month's short name.
        return locale.toString(date, locale.dateFormat(QLocale::ShortFormat).startsWith('M')
                                         ? QStringLiteral("MMM d, yyyy")
                                         : QStringLiteral("d MMM yyyy"));
    case Long:
        return locale.toString(date, QLocale::LongFormat);
    }
    return QString();
}

QString timePart(const QTime &time, Style style, const QLocale &locale)
{
    switch (style) {
    case None:
        return QString();
    case Short:
        return locale.toString(time, QLocale::ShortFormat);
    case Medium:
    case Long: {
        QString format = locale.timeFormat(QLocale::ShortFormat);
        if (!format.contains(QLatin1Char('s')))
            format.replace(QStringLiteral("mm"), QStringLiteral("mm:ss"));
        return locale.toString(time, format);
    }
    }
    return QString();
}

} // namespace

QString text(const QDateTime &date, Style dateStyle, Style timeStyle)
{
    if (!date.isValid())
        return QString();
    const QDateTime local = date.toLocalTime();
    const QLocale locale;
    const QString day = datePart(local.date(), dateStyle, locale);
    const QString time = timePart(local.time(), timeStyle, locale);
    if (day.isEmpty() || time.isEmpty())
        return day + time;
    return day + QStringLiteral(", ") + time;
}

} // namespace MCDateText

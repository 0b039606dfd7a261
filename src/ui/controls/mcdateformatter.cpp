#include "mcdateformatter.h"

#include <QCoreApplication>

QString MCDateFormatter::stringFromDate(const QDateTime &date, const QDateTime &now) const
{
    if (!date.isValid())
        return QString();
    const QDateTime local = date.toLocalTime();
    const QString day = datePart(local.date(), now.toLocalTime().date());
    QString time;
    if (m_timeStyle == ShortStyle) {
        // Hours and minutes: some locales' short format has the seconds too.
        QString format = m_locale.timeFormat(QLocale::ShortFormat);
        format.remove(QStringLiteral(":ss")).remove(QStringLiteral(".ss"));
        time = m_locale.toString(local.time(), format);
    } else if (m_timeStyle != NoStyle)
        time = m_locale.toString(local.time(), QLocale::LongFormat);
    if (day.isEmpty() || time.isEmpty())
        return day + time;
    return day + QStringLiteral(" ") + time;
}

QString MCDateFormatter::datePart(const QDate &date, const QDate &today) const
{
    if (m_dateStyle == NoStyle)
        return QString();
    if (m_relative) {
        const qint64 days = today.daysTo(date);
        if (days == 0)
            return QCoreApplication::translate("MCDateFormatter", "Today");
        if (days == -1)
            return QCoreApplication::translate("MCDateFormatter", "Yesterday");
        if (days == 1)
            return QCoreApplication::translate("MCDateFormatter", "Tomorrow");
    }
    switch (m_dateStyle) {
    case ShortStyle:
        return m_locale.toString(date, QLocale::ShortFormat);
    case MediumStyle:
        return m_locale.toString(date, QStringLiteral("d MMM yyyy"));
    case LongStyle:
        return m_locale.toString(date, QStringLiteral("d MMMM yyyy"));
    default:
        return m_locale.toString(date, QLocale::LongFormat);
    }
}

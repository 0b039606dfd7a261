#ifndef MODATES_P_H
#define MODATES_P_H

#include <QDateTime>

// Dates cross the model layer in whole seconds since 1970, counted in 64 bits and cut toward
// zero; a null or invalid date stays null.
inline QDateTime moWholeSeconds(const QDateTime &date)
{
    if (!date.isValid())
        return QDateTime();
    return QDateTime::fromSecsSinceEpoch(date.toMSecsSinceEpoch() / 1000, Qt::UTC);
}

#endif // MODATES_P_H

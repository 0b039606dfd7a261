#ifndef CLOCK_H
#define CLOCK_H

#include <QDateTime>

// The time of day, for rules such as "save at most once every 300 seconds".
// Implementations: SystemClock, ManualClock (tests).
class Clock
{
public:
    virtual ~Clock() = default;
    // Now, in UTC.
    virtual QDateTime now() const = 0;
    // Now, in whole seconds since 1970 (the form dates take between layers).
    qint64 secondsSinceEpoch() const { return now().toSecsSinceEpoch(); }
};

#endif // CLOCK_H

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
};

#endif // CLOCK_H

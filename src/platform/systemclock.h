#ifndef SYSTEMCLOCK_H
#define SYSTEMCLOCK_H

#include "clock.h"

class SystemClock : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTimeUtc(); }
};

#endif // SYSTEMCLOCK_H

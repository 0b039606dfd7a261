#ifndef MANUALCLOCK_H
#define MANUALCLOCK_H

#include "clock.h"

// Test double of Clock: stands still until the test moves it.
class ManualClock : public Clock
{
public:
    // Starts at start (UTC), or at 2026-01-01T00:00:00Z when start is invalid.
    explicit ManualClock(const QDateTime &start = QDateTime())
        : m_now(start.isValid() ? start.toUTC()
                                : QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC))
    {}

    QDateTime now() const override { return m_now; }
    void setNow(const QDateTime &now) { m_now = now.toUTC(); }

private:
    QDateTime m_now;
};

#endif // MANUALCLOCK_H

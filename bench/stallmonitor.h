#ifndef STALLMONITOR_H
#define STALLMONITOR_H

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// Watches the main thread: a precise timer asks to run every millisecond, and the longest
// gap between two of its runs is the longest time the event loop was kept from turning.
class StallMonitor : public QObject
{
public:
    StallMonitor()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_longest = qMax(m_longest, now - m_last);
            m_last = now;
        });
    }
    void start()
    {
        m_clock.start();
        m_last = 0;
        m_longest = 0;
        m_timer.start();
    }
    double longestMs() const { return m_longest / 1e6; }
    // The longest stall so far, and a fresh count from now. The turn still running (work done
    // straight from the benchmark's code) counts too.
    double takeLongestMs()
    {
        const qint64 now = m_clock.nsecsElapsed();
        const double longest = qMax(m_longest, now - m_last) / 1e6;
        m_longest = 0;
        m_last = now;
        return longest;
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

#endif // STALLMONITOR_H

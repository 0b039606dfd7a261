#ifndef INFLIGHTGAUGE_H
#define INFLIGHTGAUGE_H

#include <algorithm>
#include <atomic>

// How many API requests are being answered at once, and the most so far: what a benchmark
// reads to see whether the client sends a burst. Lock-free; shared by all worker threads.
class InFlightGauge
{
public:
    // Counts a request for as long as it lives.
    class Scope
    {
    public:
        explicit Scope(InFlightGauge &gauge)
            : gauge(gauge)
        {
            const int now = ++gauge.current;
            int peak = gauge.peak.load();
            while (now > peak && !gauge.peak.compare_exchange_weak(peak, now)) {
            }
        }
        ~Scope() { --gauge.current; }
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;

    private:
        InFlightGauge &gauge;
    };

    int peakCount() const { return peak.load(); }
    // The peak starts again from the requests in flight now.
    void resetPeak() { peak.store(current.load()); }

private:
    std::atomic<int> current{0};
    std::atomic<int> peak{0};
};

#endif // INFLIGHTGAUGE_H

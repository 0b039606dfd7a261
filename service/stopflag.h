#ifndef STOPFLAG_H
#define STOPFLAG_H

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

// Raised once when the server shuts down. Handlers that wait on purpose (delays, hung
// replies, slow streams) wait on it, so a stop is never held up by them.
class StopFlag
{
public:
    void raise();
    bool isRaised() const { return raised.load(); }

    // Returns true when the flag was raised before the timeout.
    bool waitFor(std::chrono::milliseconds timeout) const;
    void wait() const;

private:
    std::atomic<bool> raised{false};
    mutable std::mutex mutex;
    mutable std::condition_variable condition;
};

#endif // STOPFLAG_H

#include "stopflag.h"

void StopFlag::raise()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        raised = true;
    }
    condition.notify_all();
}

bool StopFlag::waitFor(std::chrono::milliseconds timeout) const
{
    std::unique_lock<std::mutex> lock(mutex);
    return condition.wait_for(lock, timeout, [this] { return raised.load(); });
}

void StopFlag::wait() const
{
    std::unique_lock<std::mutex> lock(mutex);
    condition.wait(lock, [this] { return raised.load(); });
}

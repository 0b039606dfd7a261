#ifndef MEMORYAUTOSTART_H
#define MEMORYAUTOSTART_H

#include "autostart.h"

// Test double of Autostart: keeps the state in memory and counts the changes.
// setFailing(true) makes every setEnabled fail without changing the state.
class MemoryAutostart : public Autostart
{
public:
    explicit MemoryAutostart(bool enabled = false)
        : m_enabled(enabled)
    {}

    bool isEnabled() const override { return m_enabled; }
    bool setEnabled(bool enabled) override
    {
        if (m_failing)
            return false;
        m_enabled = enabled;
        ++m_changes;
        return true;
    }

    void setFailing(bool failing) { m_failing = failing; }
    // Calls of setEnabled that succeeded.
    int changeCount() const { return m_changes; }

private:
    bool m_enabled;
    bool m_failing = false;
    int m_changes = 0;
};

#endif // MEMORYAUTOSTART_H

#ifndef NULLUPDATER_H
#define NULLUPDATER_H

#include "updater.h"

// Updater that never checks: it keeps the switch, so tests can read what the shell set.
class NullUpdater : public Updater
{
public:
    bool automaticallyChecksForUpdates() const override { return m_checks; }
    void setAutomaticallyChecksForUpdates(bool checks) override { m_checks = checks; }

private:
    bool m_checks = false;
};

#endif // NULLUPDATER_H

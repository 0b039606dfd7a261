#ifndef UPDATER_H
#define UPDATER_H

// Software updates. On Linux the package manager updates the program, so the only
// implementation, NullUpdater, checks nothing; the shell still switches automatic checks off
// at launch and on at session start.
class Updater
{
public:
    virtual ~Updater() = default;
    virtual bool automaticallyChecksForUpdates() const = 0;
    virtual void setAutomaticallyChecksForUpdates(bool checks) = 0;
};

#endif // UPDATER_H

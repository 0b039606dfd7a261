#ifndef MSHUTDOWNABLE_H
#define MSHUTDOWNABLE_H

// An object that takes part in the core's orderly shut-down. The implementing QObject
// declares shutdown() as a slot and shutdownCompleted() as a signal; shutdown() starts
// its own stop and shutdownCompleted() is emitted once it has finished.
class MShutdownable
{
public:
    virtual ~MShutdownable() = default;
    virtual void shutdown() = 0;
    virtual void shutdownCompleted() = 0;
};

#endif // MSHUTDOWNABLE_H

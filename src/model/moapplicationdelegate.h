#ifndef MOAPPLICATIONDELEGATE_H
#define MOAPPLICATIONDELEGATE_H

class MOApplication;

// Told when the core has come up and when it has shut down. Both are optional.
class MOApplicationDelegate
{
public:
    virtual ~MOApplicationDelegate() = default;

    // applicationDidFinishSetup: once, when the service was first reached after setupNetwork().
    virtual void applicationDidFinishSetup(MOApplication *application) {}
    // applicationDidFinishShutdown: when every core manager has stopped after shutdown().
    virtual void applicationDidFinishShutdown(MOApplication *application) {}
};

#endif // MOAPPLICATIONDELEGATE_H

#ifndef TOLVOAPP_H
#define TOLVOAPP_H

#include "mactionrequest.h"
#include "mnetworkrequest.h"
#include "tolvoprocess.h"

class MNetworkRequestManager;
class MUserAuthManager;
class MObjectsManager;
class MObjectStatesQueue;
class TolvoAppImpl;

// The one application object of the core, at its top: the process's configuration with
// the core managers it owns and their orderly shut-down.
class TolvoApp : public TolvoProcess
{
    Q_OBJECT
public:
    // The live instance, created on first call; null once it has been destroyed.
    static TolvoAppImpl *instance();

    ~TolvoApp() override;

    virtual MNetworkRequestManager *networkRequestManager() const = 0;
    virtual MUserAuthManager *authManager() const = 0;
    virtual MObjectsManager *objectsManager() const = 0;
    virtual MObjectStatesQueue *statesQueue() const = 0;
    virtual bool isInitialized() const = 0;

    // See mActionRequest().
    MNetworkRequest createActionRequest(const QVariant &params, int action,
                                        const QVariant &userData, bool *ok, bool internal = false);

public slots:
    virtual void init() = 0;
    virtual void shutdown() = 0;
    virtual void setupNetwork() = 0;

signals:
    void ready();
    void readyToQuit();

protected:
    explicit TolvoApp(QObject *parent = nullptr);
};

#endif // TOLVOAPP_H

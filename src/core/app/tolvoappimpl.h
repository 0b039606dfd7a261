#ifndef TOLVOAPPIMPL_H
#define TOLVOAPPIMPL_H

#include "tolvoapp.h"

class TolvoAppImplPrivate;

// The only concrete core application. It owns the managers, runs the connectivity
// probes and the shut-down of every registered instance.
class TolvoAppImpl : public TolvoApp
{
    Q_OBJECT
public:
    ~TolvoAppImpl() override;

    void setConnectivityStatus(TolvoApp::ConnectivityStatus status) override;

    MNetworkRequestManager *networkRequestManager() const override;
    MUserAuthManager *authManager() const override;
    MObjectsManager *objectsManager() const override;
    QNetworkConfigurationManager *networkConfigurationManager() const override;
    MObjectStatesQueue *statesQueue() const override;
    bool isInitialized() const override;

    // Adds an object with a shutdown() slot and a shutdownCompleted() signal to the
    // shut-down list; it is deleted once it has completed.
    void registerShutdownableInstance(QObject *instance);
    void unregisterShutdownableInstance(QObject *instance);
    // With no event loop left to run: the transfer engine saves its transfers and its thread
    // ends before this returns. For a process about to end at once.
    void shutdownNow();

    // Whether a connectivity probe is scheduled (for diagnostics and tests).
    bool isConnectivityCheckScheduled() const;

public slots:
    void init() override;
    void shutdown() override;
    void instanceDestroyed(QObject *instance);
    void setupNetwork() override;
    void finalizeNetworkSetup(TolvoApp::ConnectivityStatus status);
    void scheduleConnectivityCheck() override;
    void runConnectivityCheck();

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    friend class TolvoApp;
    TolvoAppImpl();
    Q_INVOKABLE void _shutdown();

    Q_DECLARE_PRIVATE_D(dd_ptr, TolvoAppImpl)
    QScopedPointer<TolvoAppImplPrivate> dd_ptr;
};

#endif // TOLVOAPPIMPL_H

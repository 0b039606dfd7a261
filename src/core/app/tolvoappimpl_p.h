#ifndef TOLVOAPPIMPL_P_H
#define TOLVOAPPIMPL_P_H

#include "tolvoappimpl.h"

#include <QList>
#include <QMutex>
#include <QPointer>

class QTimer;

class TolvoAppImplPrivate
{
    Q_DECLARE_PUBLIC(TolvoAppImpl)
public:
    explicit TolvoAppImplPrivate(TolvoAppImpl *q)
        : q_ptr(q)
    {}

    void startConnectivityTimer();
    void killConnectivityTimer();
    void handleOnlineState(bool online);
    bool serviceHostIsLoopback() const;
    // Asks each instance to shut down; one without the slot is deleted.
    void shutDownInstances(const QList<QObject *> &instances);
    void finishShutdown();

    TolvoAppImpl *q_ptr;
    QMutex mutex; // guards the shut-down list
    QList<QObject *> shutdownList;
    // Shut down alone; the rest of the list waits until it is gone.
    QObject *stoppingFirst = nullptr;
    int connectivityTimerId = 0;
    QNetworkConfigurationManager *networkConfigurationManager = nullptr;
    MNetworkRequestManager *networkRequestManager = nullptr;
    MUserAuthManager *authManager = nullptr;
    MObjectsManager *objectsManager = nullptr;
    MObjectStatesQueue *statesQueue = nullptr;
    bool initialized = false;
    bool readyEmitted = false;
    bool shutdownStarted = false;
    bool readyToQuitEmitted = false;
    QTimer *watchdog = nullptr;
};

#endif // TOLVOAPPIMPL_P_H

#include "tolvoappimpl.h"
#include "tolvoappimpl_p.h"

#include "corelogging.h"
#include "mconnectivitychecker.h"
#include "mnetworkreply.h"
#include "mnetworkrequest.h"
#include "mnetworkrequestmanager.h"
#include "mobjectsmanager.h"
#include "mobjectstatesqueue.h"
#include "muserauthmanager.h"
#include "socialrecordtypes.h"
#include "storageobjecttypes.h"
#include "tolvo.h"
#include "transfertypes.h"

#include <QDataStream>
#include <QDebug>
#include <QHostAddress>
#include <QMetaMethod>
#include <QNetworkConfigurationManager>
#include <QThreadPool>
#include <QTimer>
#include <QTimerEvent>
#include <QVector>

#include <cstdio>
#include <cstdlib>

// Bearer management is deprecated in Qt 5.15, yet it is Qt 5's only source of the online state.
QT_WARNING_DISABLE_DEPRECATED

namespace {
constexpr int ConnectivityCheckInterval = 2500;
constexpr int ShutdownWatchdogInterval = 3000;

// A registered instance is any QObject with a shutdownCompleted() signal, found through its
// meta-object, so the connection is made between meta-methods.
QMetaMethod deleteLaterMethod()
{
    const QMetaObject &meta = QObject::staticMetaObject;
    return meta.method(meta.indexOfSlot("deleteLater()"));
}
} // namespace

void TolvoAppImplPrivate::startConnectivityTimer()
{
    Q_Q(TolvoAppImpl);
    if (connectivityTimerId == 0)
        connectivityTimerId = q->startTimer(ConnectivityCheckInterval, Qt::CoarseTimer);
}

void TolvoAppImplPrivate::killConnectivityTimer()
{
    Q_Q(TolvoAppImpl);
    if (connectivityTimerId != 0) {
        q->killTimer(connectivityTimerId);
        connectivityTimerId = 0;
    }
}

bool TolvoAppImplPrivate::serviceHostIsLoopback() const
{
    const QString host = q_ptr->baseAPIURL().host();
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

void TolvoAppImplPrivate::handleOnlineState(bool online)
{
    Q_Q(TolvoAppImpl);
    // Bearer management knows only real interfaces; a service on this machine is reachable
    // whatever it says.
    if (online || serviceHostIsLoopback())
        startConnectivityTimer();
    else
        q->setConnectivityStatus(TolvoApp::Offline);
}

void TolvoAppImplPrivate::shutDownInstances(const QList<QObject *> &instances)
{
    for (QObject *instance : instances) {
        if (!QMetaObject::invokeMethod(instance, "shutdown", Qt::QueuedConnection)) {
            qCDebug(lcCoreApp) << "Unable to call shutdown on instance" << instance;
            instance->deleteLater();
        }
    }
}

void TolvoAppImplPrivate::finishShutdown()
{
    Q_Q(TolvoAppImpl);
    if (readyToQuitEmitted)
        return;
    // A running probe must not outlive the core it reads.
    QThreadPool::globalInstance()->waitForDone(-1);
    delete watchdog;
    watchdog = nullptr;
    // Nothing touches the folder any more; the process may take long to end after this.
    q->releaseSupportFolder();
    readyToQuitEmitted = true;
    emit q->readyToQuit();
}

TolvoAppImpl::TolvoAppImpl()
    : dd_ptr(new TolvoAppImplPrivate(this))
{}

TolvoAppImpl::~TolvoAppImpl()
{
    Q_D(TolvoAppImpl);
    delete d->watchdog;
    // Before the queue and the sign-in that its engine's thread uses, which came first.
    delete d->objectsManager;
}

void TolvoAppImpl::setConnectivityStatus(TolvoApp::ConnectivityStatus status)
{
    Q_D(TolvoAppImpl);
    TolvoApp::setConnectivityStatus(status);
    switch (status) {
    case Offline:
        d->killConnectivityTimer();
        break;
    case HostUnreachable:
    case ServiceUnavailable:
    case UntrustedCertificate:
        if (!isShuttingDown())
            d->startConnectivityTimer();
        break;
    case Online:
        d->killConnectivityTimer();
        if (!d->readyEmitted) {
            d->readyEmitted = true;
            emit ready();
        }
        break;
    }
}

MNetworkRequestManager *TolvoAppImpl::networkRequestManager() const
{
    return d_func()->networkRequestManager;
}

MUserAuthManager *TolvoAppImpl::authManager() const
{
    return d_func()->authManager;
}
MObjectsManager *TolvoAppImpl::objectsManager() const
{
    return d_func()->objectsManager;
}

QNetworkConfigurationManager *TolvoAppImpl::networkConfigurationManager() const
{
    return d_func()->networkConfigurationManager;
}

MObjectStatesQueue *TolvoAppImpl::statesQueue() const
{
    return d_func()->statesQueue;
}
bool TolvoAppImpl::isInitialized() const
{
    return d_func()->initialized;
}

bool TolvoAppImpl::isConnectivityCheckScheduled() const
{
    return d_func()->connectivityTimerId != 0;
}

void TolvoAppImpl::shutdownNow()
{
    Q_D(TolvoAppImpl);
    if (d->objectsManager)
        d->objectsManager->stopTransfersNow(ShutdownWatchdogInterval);
}

void TolvoAppImpl::registerShutdownableInstance(QObject *instance)
{
    Q_D(TolvoAppImpl);
    if (!instance)
        return;
    const QMetaObject *meta = instance->metaObject();
    const int slotIndex = meta->indexOfMethod("shutdown()");
    const int signalIndex = meta->indexOfSignal("shutdownCompleted()");
    // Without both the instance could never report back and would trip the watchdog.
    if (slotIndex < 0 || signalIndex < 0) {
        qCDebug(lcCoreApp) << "Instance" << instance
                           << "does not have any shutdown slot nor any shutdownCompleted signal";
        return;
    }
    QMutexLocker locker(&d->mutex);
    if (d->shutdownList.contains(instance))
        return;
    d->shutdownList.append(instance);
    connect(instance, meta->method(signalIndex), instance, deleteLaterMethod());
    connect(instance, &QObject::destroyed, this, &TolvoAppImpl::instanceDestroyed,
            Qt::QueuedConnection);
}

void TolvoAppImpl::unregisterShutdownableInstance(QObject *instance)
{
    Q_D(TolvoAppImpl);
    QMutexLocker locker(&d->mutex);
    const QMetaObject *meta = instance->metaObject();
    const int signalIndex = meta->indexOfSignal("shutdownCompleted()");
    if (signalIndex >= 0)
        disconnect(instance, meta->method(signalIndex), instance, deleteLaterMethod());
    disconnect(instance, &QObject::destroyed, this, &TolvoAppImpl::instanceDestroyed);
    d->shutdownList.removeAll(instance);
}

void TolvoAppImpl::instanceDestroyed(QObject *instance)
{
    Q_D(TolvoAppImpl);
    bool finished;
    QList<QObject *> waiting;
    {
        QMutexLocker locker(&d->mutex);
        d->shutdownList.removeAll(instance);
        finished = d->shutdownList.isEmpty() && d->shutdownStarted;
        if (instance == d->stoppingFirst) {
            d->stoppingFirst = nullptr;
            waiting = d->shutdownList;
        }
    }
    if (finished)
        d->finishShutdown();
    else
        d->shutDownInstances(waiting);
}

void TolvoAppImpl::init()
{
    Q_D(TolvoAppImpl);
    if (supportPath().isEmpty())
        qCWarning(lcCoreApp, "Cannot continue without an application support path.");
    if (mainIdentifier().isEmpty())
        qFatal("Cannot continue without a main identifier.");
    if (baseAPIURL().isEmpty())
        qFatal("Cannot continue without a base API URL.");
    if (authorizationURL().isEmpty())
        qFatal("Cannot continue without an OAuth2 base URL");
    if (OAuth2ClientID().isEmpty())
        qFatal("Cannot continue without an OAuth2 Client ID.");
    if (OAuth2ClientSecret().isEmpty())
        qFatal("Cannot continue without a valid OAuth2 Secret.");
    // Checked here, on the main thread, rather than inside a probe on a pool thread.
    if (MConnectivityChecker::portForUrl(baseAPIURL()) < 0)
        qFatal("Unsupported port");

    qRegisterMetaType<MNetworkRequest>("MNetworkRequest");
    qRegisterMetaType<MNetworkReply>("MNetworkReply");
    qRegisterMetaTypeStreamOperators<Tolvo::ObjectAction>("Tolvo::ObjectAction");
    qRegisterMetaType<QList<QString>>("QList<QString>");
    qRegisterMetaTypeStreamOperators<QVector<int>>("QVector<int>");
    qRegisterMetaType<QList<QVariantMap>>("QList<QVariantMap>");
    qRegisterMetaType<TolvoApp::ConnectivityStatus>("TolvoApp::ConnectivityStatus");
    registerSocialRecordTypes();
    registerStorageObjectTypes();
    registerTransferTypes();

    // Keep the application identifier: every manager sends the same user agent. Set before
    // the managers, which take a copy.
    setUserAgent(deviceDescriptionString(stringWithMachineUUID(), applicationString()));

    // Without a support folder there is nowhere to keep the queue: it stays in memory.
    d->statesQueue = new MObjectStatesQueue(this);
    if (!supportPath().isEmpty()) {
        d->statesQueue->setDatabasePath(supportPath() + QStringLiteral("/transfers.db"));
        const QString lost = d->statesQueue->lostOnOpen();
        if (!lost.isEmpty())
            reportLostAtStart(lost);
    }
    MObjectStatesQueue::setApplicationQueue(d->statesQueue);
    d->networkRequestManager = new MNetworkRequestManager(this);
    MNetworkRequestManager::setApplicationManager(d->networkRequestManager);
    // The managers below the application sign with its sign-in manager.
    d->authManager = new MUserAuthManager(this);
    MUserAuthManager::setApplicationManager(d->authManager);
    MNetworkRequestManager::setAuthorizer(d->authManager);
    d->authManager->setNetworkRequestManager(d->networkRequestManager);
    // The shut-down deletes it once it has completed.
    connect(d->authManager, &QObject::destroyed, this, [d] { d->authManager = nullptr; });
    // A queued transfer runs under the account and service root that queued it, never
    // another's; signed out, none runs.
    d->statesQueue->setOwner(QString());
    connect(d->authManager, &MUserAuthManager::authorizationSuccess, d->statesQueue, [this, d] {
        if (d->authManager)
            d->statesQueue->setOwner(
                MObjectStatesQueue::ownerKey(baseAPIURL(), d->authManager->account().id()));
    });
    connect(d->authManager, &MUserAuthManager::logoutPerformed, d->statesQueue,
            [d] { d->statesQueue->setOwner(QString()); });
    d->objectsManager = new MObjectsManager(this);
    connect(d->objectsManager, &QObject::destroyed, this, [d] { d->objectsManager = nullptr; });
    d->initialized = true;
}

void TolvoAppImpl::shutdown()
{
    Q_D(TolvoAppImpl);
    // Asked again before it started: once is enough.
    if (d->shutdownStarted || isShuttingDown())
        return;
    registerShutdownableInstance(d->authManager);
    registerShutdownableInstance(d->objectsManager);
    disconnect(this, &TolvoApp::connectivityStatusChanged, nullptr, nullptr);
    setShuttingDown();
    QMetaObject::invokeMethod(this, &TolvoAppImpl::_shutdown, Qt::QueuedConnection);
}

void TolvoAppImpl::_shutdown()
{
    Q_D(TolvoAppImpl);
    d->killConnectivityTimer();
    QList<QObject *> instances;
    {
        QMutexLocker locker(&d->mutex);
        d->shutdownStarted = true;
        instances = d->shutdownList;
    }
    if (instances.isEmpty()) {
        d->finishShutdown();
        return;
    }
    // The transfer engine's thread calls the sign-in and the request managers: they stop once
    // the objects manager is gone, and with it that thread.
    if (d->objectsManager && instances.contains(d->objectsManager)) {
        d->stoppingFirst = d->objectsManager;
        instances = {d->objectsManager};
    }
    d->shutDownInstances(instances);

    d->watchdog = new QTimer;
    d->watchdog->setSingleShot(true);
    connect(d->watchdog, &QTimer::timeout, this, [this] {
        Q_D(TolvoAppImpl);
        qCDebug(lcCoreApp) << "Could not shut down properly: forcing shut down";
        qCDebug(lcCoreApp) << "Some instances did not close properly:";
        for (QObject *instance : qAsConst(d->shutdownList))
            qCDebug(lcCoreApp) << instance;
        // Other threads still run (the transfer engine may be writing its queue): the process
        // ends without the global destructors, which would pull the database from under them.
        // The queue's store keeps its last committed state.
        std::fflush(nullptr);
        std::_Exit(-1);
    });
    d->watchdog->start(ShutdownWatchdogInterval);
}

void TolvoAppImpl::setupNetwork()
{
    Q_D(TolvoAppImpl);
    if (d->networkConfigurationManager)
        return;
    d->networkConfigurationManager = new QNetworkConfigurationManager(this);
    connect(d->networkConfigurationManager, &QNetworkConfigurationManager::updateCompleted, this,
            [this] {
                Q_D(TolvoAppImpl);
                connect(
                    d->networkConfigurationManager,
                    &QNetworkConfigurationManager::onlineStateChanged, this,
                    [this](bool online) { d_func()->handleOnlineState(online); },
                    Qt::UniqueConnection);
                d->handleOnlineState(d->networkConfigurationManager->isOnline());
            });
    d->networkConfigurationManager->updateConfigurations();
}

void TolvoAppImpl::finalizeNetworkSetup(TolvoApp::ConnectivityStatus)
{
    emit ready();
}

void TolvoAppImpl::scheduleConnectivityCheck()
{
    d_func()->startConnectivityTimer();
}

void TolvoAppImpl::runConnectivityCheck()
{
    if (isShuttingDown())
        return;
    auto *checker = new MConnectivityChecker;
    connect(checker, &MConnectivityChecker::connectivityStatusChanged, this,
            &TolvoAppImpl::setConnectivityStatus);
    QThreadPool::globalInstance()->start(checker);
}

void TolvoAppImpl::timerEvent(QTimerEvent *event)
{
    Q_D(TolvoAppImpl);
    if (event->timerId() != d->connectivityTimerId)
        return;
    d->killConnectivityTimer();
    runConnectivityCheck();
}

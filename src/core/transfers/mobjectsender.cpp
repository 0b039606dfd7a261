#include "mobjectsender.h"
#include "mobjectsender_p.h"

#include "corelogging.h"
#include "mjsonrequestmanager.h"
#include "mnetworkrequestmanager.h"
#include "mobjectstatesqueue.h"
#include "muserauthmanager.h"
#include "tolvoprocess.h"

#include <QDebug>
#include <QFileInfo>
#include <QMutexLocker>
#include <QTimer>

namespace {

// A new transfer of request, waiting its turn; an upload knows its size from the start.
MObjectTransfer scheduledTransfer(const MObjectTransferRequest &request)
{
    MObjectTransfer transfer;
    transfer.setTransferRequest(request);
    transfer.setState(MObjectTransfer::Scheduled);
    if (request.direction() == Tolvo::Upload)
        transfer.setTotalBytes(QFileInfo(request.sourcePath()).size());
    return transfer;
}

constexpr int TickInterval = 200;
// How often the engine copies the queue's log back into its file (see
// MObjectStatesQueue::checkpoint()).
constexpr int CheckpointInterval = 1000;
constexpr int FirstServiceRetryDelay = 2000;
constexpr int MaxServiceRetryDelay = 30000;

} // namespace

MObjectSenderPrivate::MObjectSenderPrivate(MObjectSender *q)
    : q_ptr(q)
    , stallTimeout(MNetworkRequestManager::defaultStallTimeout())
{
    if (TolvoProcess *app = TolvoProcess::instance())
        apiURL = app->baseAPIURL();
}

MObjectSender::State MObjectSenderPrivate::state() const
{
    return MObjectSender::State(senderState.load());
}

void MObjectSenderPrivate::setState(MObjectSender::State state)
{
    Q_Q(MObjectSender);
    int old = senderState.load();
    do {
        if (old == state || old == MObjectSender::ShutDown)
            return;
    } while (!senderState.compare_exchange_weak(old, state));
    emit q->stateChanged(MObjectSender::State(old), state);
}

void MObjectSenderPrivate::_resume()
{
    Q_Q(MObjectSender);
    const MObjectSender::State current = state();
    if (current == MObjectSender::Resumed || current == MObjectSender::Running ||
        current == MObjectSender::ShutDown)
        return;
    pausedForAuthorization = false;
    waitingForService = false;
    if (serviceRetry)
        serviceRetry->stop();
    if (!timer) {
        timer = new QTimer(q);
        timer->setInterval(TickInterval);
        QObject::connect(timer, &QTimer::timeout, q, &MObjectSender::handleTransfers);
    }
    timer->start();
    setState(MObjectSender::Resumed);
}

void MObjectSenderPrivate::_pause()
{
    if (timer)
        timer->stop();
    setState(MObjectSender::Paused);
}

void MObjectSenderPrivate::pauseForAuthorization()
{
    _pause();
    pausedForAuthorization = true;
}

void MObjectSenderPrivate::waitForService(MObjectTransfer transfer, int waitingState)
{
    Q_Q(MObjectSender);
    transfer.setState(waitingState);
    transfer.save();
    emit q->transferScheduled(transfer);
    // Already waiting, or paused by its owner or for a sign-in: whoever resumes it then.
    if (waitingForService || state() == MObjectSender::Paused)
        return;
    qCInfo(lcCoreTransfers) << "The service cannot be reached: transfers wait for it";
    waitingForService = true;
    _pause();
    serviceRetryDelay = serviceRetryDelay == 0 ? FirstServiceRetryDelay
                                               : qMin(serviceRetryDelay * 2, MaxServiceRetryDelay);
    if (!serviceRetry) {
        serviceRetry = new QTimer(q);
        serviceRetry->setSingleShot(true);
        QObject::connect(serviceRetry, &QTimer::timeout, q, [this] {
            if (waitingForService)
                _resume();
        });
    }
    serviceRetry->start(serviceRetryDelay);
}

void MObjectSenderPrivate::serviceReachable()
{
    serviceRetryDelay = 0;
    if (waitingForService)
        _resume();
}

void MObjectSenderPrivate::handleTransfers()
{
    // The group's scheduling kicks again once it is done.
    if (groupsBeingScheduled.load() > 0)
        return;
    const auto runnable = [this] {
        const MObjectSender::State current = state();
        return current != MObjectSender::Paused && current != MObjectSender::ShutDown;
    };
    while (runnable() && q_func()->activeTransfersCount() < maxConcurrentTransfers.load()) {
        bool found = false;
        MObjectTransfer transfer = MObjectTransfer::takeNext(&found);
        if (!found)
            break;
        bool started = false;
        if (transfer.transferRequest().direction() == Tolvo::Upload &&
            transfer.lastUploadedChunk() >= 0) {
            const QVector<int> missing = transfer.missingChunks();
            started =
                missing.isEmpty() ? commitUpload(transfer) : uploadChunk(transfer, missing.first());
        } else {
            started = startTransfer(transfer);
        }
        if (started)
            continue;
        const MObjectTransfer stored = MObjectTransfer::fromIdentifier(transfer.identifier());
        if (state() == MObjectSender::Resumed && stored.state() != MObjectTransfer::Error)
            emit q_func()->transferScheduled(stored);
        else if (stored.state() == MObjectTransfer::Error)
            qCCritical(lcCoreTransfers)
                << "There was an error starting transfer from"
                << transfer.transferRequest().sourcePath() << "to"
                << transfer.transferRequest().destinationPath() << "error" << stored.errorCode();
    }
    if (state() == MObjectSender::Resumed)
        setState(MObjectSender::Running);
    if (!lastCheckpoint.isValid() || lastCheckpoint.hasExpired(CheckpointInterval)) {
        lastCheckpoint.start();
        if (MObjectStatesQueue *queue = MObjectStatesQueue::applicationQueue())
            queue->checkpoint();
    }
}

bool MObjectSenderPrivate::startTransfer(MObjectTransfer transfer)
{
    return transfer.transferRequest().direction() == Tolvo::Upload ? startUpload(transfer)
                                                                   : startDownload(transfer);
}

void MObjectSenderPrivate::_shutdown()
{
    Q_Q(MObjectSender);
    if (timer)
        timer->stop();
    if (stallTimer)
        stallTimer->stop();
    // Keep stateChanged and shutdownCompleted for the owner.
    const auto disconnectAll = [q](auto signal) {
        QObject::disconnect(q, signal, nullptr, nullptr);
    };
    disconnectAll(&MObjectSender::transferScheduled);
    disconnectAll(&MObjectSender::transferStarted);
    disconnectAll(&MObjectSender::transferProgressed);
    disconnectAll(&MObjectSender::transferPaused);
    disconnectAll(&MObjectSender::transferGroupScheduled);
    disconnectAll(&MObjectSender::transferGroupStarted);
    disconnectAll(&MObjectSender::transferGroupProgressed);
    disconnectAll(&MObjectSender::transferGroupPaused);
    disconnectAll(&MObjectSender::transferFinished);
    disconnectAll(&MObjectSender::transferGroupFinished);
    for (const QMetaObject::Connection &connection : qAsConst(managerConnections))
        QObject::disconnect(connection);
    managerConnections.clear();

    // Work in flight stops where it is, paused; the store runs it again at the next start.
    QList<qint64> running;
    {
        QMutexLocker locker(&mutex);
        running = flights.keys();
    }
    for (qint64 transferId : qAsConst(running)) {
        pauseTransfer(transferId, false);
        abortFlight(transferId);
    }

    // Paused in one transaction: a folder of thousands queued just before the quit is stored
    // in time, where a transaction each could outlast the shut-down's deadline.
    QList<MObjectTransfer> waiting;
    for (;;) {
        bool found = false;
        MObjectTransfer transfer = MObjectTransfer::takeNext(&found);
        if (!found)
            break;
        transfer.setState(MObjectTransfer::Paused);
        waiting.append(transfer);
    }
    MObjectTransfer::saveAll(waiting);
    if (jsonRequestManager)
        jsonRequestManager->shutdown();
    if (networkRequestManager)
        networkRequestManager->shutdown();
    if (!jsonRequestManager && !networkRequestManager)
        emit q->shutdownCompleted();
}

MObjectSender::MObjectSender(QObject *parent)
    : QObject(parent)
    , d_ptr(new MObjectSenderPrivate(this))
{
    qRegisterMetaType<MObjectSender::State>("MObjectSender::State");
    setAutoDelete(false);
    Q_D(MObjectSender);
    // Queued, so that a group's signal always reaches listeners after its member's.
    connect(
        this, &MObjectSender::transferStarted, this,
        [d](const MObjectTransfer &transfer) { d->memberStarted(transfer); }, Qt::QueuedConnection);
    connect(
        this, &MObjectSender::transferProgressed, this,
        [d](const MObjectTransfer &transfer) { d->memberProgressed(transfer); },
        Qt::QueuedConnection);
    connect(
        this, &MObjectSender::transferFinished, this,
        [d](const MObjectTransfer &transfer) { d->memberFinished(transfer); },
        Qt::QueuedConnection);
}

MObjectSender::~MObjectSender() = default;

MObjectTransfer MObjectSender::scheduleTransfer(const MObjectTransferRequest &request)
{
    MObjectTransfer transfer = scheduledTransfer(request);
    transfer.save();
    emit transferScheduled(transfer);
    return transfer;
}

QList<MObjectTransfer>
MObjectSender::scheduleTransfers(const QList<MObjectTransferRequest> &requests)
{
    QList<MObjectTransfer> transfers;
    transfers.reserve(requests.size());
    for (const MObjectTransferRequest &request : requests)
        transfers.append(scheduledTransfer(request));
    MObjectTransfer::saveAll(transfers);
    for (const MObjectTransfer &transfer : qAsConst(transfers))
        emit transferScheduled(transfer);
    return transfers;
}

MObjectTransfer MObjectSender::scheduleTransfer(const QString &source, const QString &destination,
                                                int direction, const QVariant &userData)
{
    MObjectTransferRequest request(source, destination, direction);
    if (!userData.isNull())
        request.setUserData(userData);
    return scheduleTransfer(request);
}

MObjectTransferGroup
MObjectSender::scheduleTransferGroup(const QList<MObjectTransferRequest> &requests,
                                     const MObjectTransferRequest &groupRequest,
                                     const QString &humanReadableIdentifier)
{
    Q_D(MObjectSender);
    ++d->groupsBeingScheduled;
    MObjectTransferGroup group;
    group.setHumanReadableIdentifier(humanReadableIdentifier);
    group.setTransferRequest(groupRequest);
    group.setState(MObjectTransfer::Scheduled);
    group.save();
    QList<MObjectTransfer> transfers;
    transfers.reserve(requests.size());
    for (const MObjectTransferRequest &request : requests) {
        MObjectTransfer transfer = scheduledTransfer(request);
        transfer.setGroup(group);
        transfers.append(transfer);
    }
    // One transaction for the whole group: a folder of thousands of files is queued at once.
    MObjectTransfer::saveAll(transfers);
    for (MObjectTransfer &transfer : transfers)
        group.addTransfer(transfer);
    group.save();
    // Announced before any member can start: called from a thread of the pool, both reach
    // their listeners queued, in the order they were sent.
    emit transferGroupScheduled(group);
    --d->groupsBeingScheduled;
    QMetaObject::invokeMethod(
        this, [d] { d->kick(); }, Qt::QueuedConnection);
    return group;
}

void MObjectSender::pauseTransfer(const MObjectTransfer &transfer)
{
    const qint64 id = transfer.identifier();
    QMetaObject::invokeMethod(
        this, [this, id] { d_func()->pauseTransfer(id, true); }, Qt::QueuedConnection);
}

void MObjectSender::cancelTransfer(const MObjectTransfer &transfer)
{
    const qint64 id = transfer.identifier();
    QMetaObject::invokeMethod(
        this, [this, id] { d_func()->cancelTransfer(id); }, Qt::QueuedConnection);
}

void MObjectSender::resumeTransfer(const MObjectTransfer &transfer)
{
    const qint64 id = transfer.identifier();
    QMetaObject::invokeMethod(
        this, [this, id] { d_func()->resumeTransfer(id); }, Qt::QueuedConnection);
}

void MObjectSender::pauseGroup(const MObjectTransferGroup &group)
{
    const qint64 id = group.identifier();
    QMetaObject::invokeMethod(
        this, [this, id] { d_func()->pauseGroup(id); }, Qt::QueuedConnection);
}

void MObjectSender::resumeGroup(const MObjectTransferGroup &group)
{
    const qint64 id = group.identifier();
    QMetaObject::invokeMethod(
        this, [this, id] { d_func()->resumeGroup(id); }, Qt::QueuedConnection);
}

void MObjectSender::cancelGroup(const MObjectTransferGroup &group)
{
    const qint64 id = group.identifier();
    QMetaObject::invokeMethod(
        this, [this, id] { d_func()->cancelGroup(id); }, Qt::QueuedConnection);
}

MObjectSender::State MObjectSender::state() const
{
    return d_func()->state();
}

bool MObjectSender::isPaused() const
{
    return state() == Paused;
}

int MObjectSender::activeTransfersCount() const
{
    Q_D(const MObjectSender);
    QMutexLocker locker(&d->mutex);
    return d->flights.size();
}

int MObjectSender::maxConcurrentTransfers() const
{
    return d_func()->maxConcurrentTransfers.load();
}

void MObjectSender::setMaxConcurrentTransfers(int count)
{
    d_func()->maxConcurrentTransfers.store(count);
}

int MObjectSender::stallTimeout() const
{
    return d_func()->stallTimeout.load();
}

void MObjectSender::setStallTimeout(int milliseconds)
{
    d_func()->stallTimeout.store(milliseconds);
}

void MObjectSender::run()
{
    resume();
}

void MObjectSender::resume()
{
    QMetaObject::invokeMethod(this, [this] { d_func()->_resume(); });
}

void MObjectSender::pause()
{
    QMetaObject::invokeMethod(this, [this] {
        Q_D(MObjectSender);
        // Paused by its owner: it stays so until resumed, service or not.
        d->waitingForService = false;
        d->_pause();
    });
}

void MObjectSender::shutdown()
{
    Q_D(MObjectSender);
    d->setState(ShutDown);
    const bool invoked = QMetaObject::invokeMethod(this, [d] { d->_shutdown(); });
    Q_ASSERT(invoked);
    Q_UNUSED(invoked)
}

void MObjectSender::start()
{
    Q_D(MObjectSender);
    d->jsonRequestManager = new MJsonRequestManager(this);
    d->networkRequestManager = new MNetworkRequestManager(this);
    for (MNetworkRequestManager *manager :
         {static_cast<MNetworkRequestManager *>(d->jsonRequestManager), d->networkRequestManager}) {
        manager->adoptSettings();
        // A request that failed at the network layer is the engine's to retry: sent again
        // behind its back, a download would append its body a second time.
        manager->setResendAfterReconnection(false);
        // The engine gives up on silent flights by itself (stallTimeout()).
        manager->setStallTimeout(0);
        connect(manager, &MNetworkRequestManager::shutdownCompleted, this,
                &MObjectSender::shutdownCompleted);
    }

    MJsonRequestManager *json = d->jsonRequestManager;
    MNetworkRequestManager *plain = d->networkRequestManager;
    d->managerConnections = {
        connect(json, &MJsonRequestManager::responseObjectReady, this,
                [d](const QVariant &reply, const MNetworkRequest &request,
                    const MNetworkReply &networkReply) {
                    d->objectArrivedForRequest(reply, request, networkReply);
                }),
        connect(json, &MJsonRequestManager::decodeError, this,
                [d](const MNetworkRequest &request) { d->decodeErrorForRequest(request); }),
        connect(json, &MNetworkRequestManager::uploadProgress, this,
                [d](const MNetworkRequest &request, qint64 sent, qint64 total) {
                    d->uploadProgressSlot(request, sent, total);
                }),
        connect(json, &MNetworkRequestManager::downloadProgress, this,
                [d](const MNetworkRequest &request, const MNetworkReply &, qint64, qint64) {
                    d->answerProgressed(request);
                }),
        connect(plain, &MNetworkRequestManager::replyFinishedForRequest, this,
                [d](const MNetworkRequest &request, const MNetworkReply &reply) {
                    d->downloadFinished(request, reply);
                }),
        connect(plain, &MNetworkRequestManager::downloadProgress, this,
                [d](const MNetworkRequest &request, const MNetworkReply &reply, qint64 received,
                    qint64 total) { d->downloadProgressSlot(request, reply, received, total); })};

    // The engine stops itself when it finds nobody signed in, and goes on at the next sign-in.
    TolvoProcess *app = TolvoProcess::instance();
    if (MUserAuthManager *auth = MUserAuthManager::applicationManager()) {
        const auto resumeAfterSignIn = [this, d] {
            if (d->pausedForAuthorization)
                resume();
        };
        connect(auth, &MUserAuthManager::authorizationSuccess, this, resumeAfterSignIn);
        connect(auth, &MUserAuthManager::authorizationRefreshed, this, resumeAfterSignIn);
    }
    if (app)
        connect(app, &TolvoProcess::connectivityStatusChanged, this,
                [d](TolvoProcess::ConnectivityStatus, TolvoProcess::ConnectivityStatus current) {
                    if (current == TolvoProcess::Online)
                        d->serviceReachable();
                });
    d->stallTimer = new QTimer(this);
    d->stallTimer->setInterval(1000);
    connect(d->stallTimer, &QTimer::timeout, this, [d] { d->failStalledFlights(); });
    d->stallTimer->start();
    d->_resume();
}

void MObjectSender::handleTransfers()
{
    d_func()->handleTransfers();
}

#include "mobjectstatesqueue.h"
#include "mobjectstatesqueue_p.h"

#include "corelogging.h"
#include "mprocessinstance.h"
#include "transfertypes.h"

#include <QCoreApplication>
#include <QDebug>
#include <QMutex>
#include <QMutexLocker>

#include <set>

namespace {

bool isFinished(const MObjectTransfer &transfer)
{
    return transfer.state() >= MObjectTransfer::Completed;
}

// Queues with a file. Qt drops every SQL connection in a post routine of its own, before the
// application's objects (and a queue with them) are deleted by a post routine registered
// earlier; each queue must be done with its file by then.
QMutex liveQueuesMutex;
std::set<MObjectStatesQueuePrivate *> &liveQueues()
{
    static std::set<MObjectStatesQueuePrivate *> queues;
    return queues;
}

void closeLiveQueues()
{
    QMutexLocker locker(&liveQueuesMutex);
    for (MObjectStatesQueuePrivate *queue : liveQueues()) {
        QMutexLocker queueLocker(&queue->mutex);
        queue->close();
    }
    liveQueues().clear();
}

// Registered after Qt's own routine (a connection is open by then), so it runs before it.
void watchApplicationExit(MObjectStatesQueuePrivate *queue)
{
    static bool registered = false;
    QMutexLocker locker(&liveQueuesMutex);
    liveQueues().insert(queue);
    if (!registered && QCoreApplication::instance()) {
        qAddPostRoutine(closeLiveQueues);
        registered = true;
    }
}

void forgetQueue(MObjectStatesQueuePrivate *queue)
{
    QMutexLocker locker(&liveQueuesMutex);
    liveQueues().erase(queue);
}

} // namespace

bool MObjectStatesQueuePrivate::isRunnable(const MObjectTransfer &transfer) const
{
    return transfer.state() != MObjectTransfer::Running &&
           transfer.state() < MObjectTransfer::Paused &&
           (!ownerSet || (!owner.isEmpty() && transfer.owner() == owner));
}

void MObjectStatesQueuePrivate::recordOwner(MObjectTransfer &transfer) const
{
    if (!transfer.owner().isEmpty())
        return;
    if (transfer.identifier() != 0) {
        // A copy that lost it; one queued before owners were recorded stays without.
        transfer.setOwner(transfers.value(transfer.identifier()).owner());
        return;
    }
    transfer.setOwner(recordedOwner);
}

bool MObjectStatesQueuePrivate::isStoredAsFinished(const MObjectTransfer &transfer) const
{
    if (transfer.identifier() == 0)
        return false;
    const auto stored = transfers.constFind(transfer.identifier());
    return stored != transfers.constEnd() && stored->isValid() && isFinished(*stored);
}

qint64 MObjectStatesQueuePrivate::assignedTransferIdentifier(const MObjectTransfer &transfer,
                                                             qint64 written)
{
    qint64 identifier = written;
    if (identifier == 0)
        identifier =
            transfer.identifier() != 0 ? transfer.identifier() : lastTransferIdentifier + 1;
    lastTransferIdentifier = qMax(lastTransferIdentifier, identifier);
    return identifier;
}

void MObjectStatesQueuePrivate::putTransfer(qint64 identifier, const MObjectTransfer &transfer)
{
    const auto stored = transfers.constFind(identifier);
    const bool wasFinished = stored != transfers.constEnd() && isFinished(*stored);
    transfers.insert(identifier, transfer);
    if (isRunnable(transfer))
        runnable.insert(identifier);
    else
        runnable.erase(identifier);
    if (!isFinished(transfer) || wasFinished)
        return;
    finishedOrder.push_back(identifier);
    while (finishedOrder.size() > size_t(MaximumFinishedKept)) {
        const qint64 oldest = finishedOrder.front();
        finishedOrder.pop_front();
        const auto kept = transfers.constFind(oldest);
        if (kept != transfers.constEnd() && isFinished(*kept))
            transfers.remove(oldest);
    }
}

void MObjectStatesQueuePrivate::dropTransfer(qint64 identifier)
{
    transfers.remove(identifier);
    runnable.erase(identifier);
}

void MObjectStatesQueuePrivate::clearTransfers()
{
    transfers.clear();
    runnable.clear();
    finishedOrder.clear();
}

namespace {
MProcessInstance<MObjectStatesQueue> applicationQueueInstance;
} // namespace

MObjectStatesQueue *MObjectStatesQueue::applicationQueue()
{
    return applicationQueueInstance.get();
}

void MObjectStatesQueue::setApplicationQueue(MObjectStatesQueue *queue)
{
    applicationQueueInstance.set(queue);
}

MObjectStatesQueue::MObjectStatesQueue(QObject *parent)
    : QObject(parent)
    , d_ptr(new MObjectStatesQueuePrivate(this))
{}

MObjectStatesQueue::~MObjectStatesQueue()
{
    Q_D(MObjectStatesQueue);
    forgetQueue(d);
    QMutexLocker locker(&d->mutex);
    d->close();
}

bool MObjectStatesQueue::setDatabasePath(const QString &path)
{
    Q_D(MObjectStatesQueue);
    // Stored attributes hold variants that only read back with their stream operators.
    registerTransferTypes();
    bool persistent = false;
    {
        QMutexLocker locker(&d->mutex);
        d->closeConnections();
        d->databasePath = path;
        d->lostOnOpen.clear();
        d->saidRowsKept = false;
        d->clearTransfers();
        d->groups.clear();
        d->lastTransferIdentifier = 0;
        d->lastGroupIdentifier = 0;
        d->persistent = persistent = d->open();
    }
    // Outside the queue's lock: the exit routine takes the locks the other way round.
    if (persistent)
        watchApplicationExit(d);
    return true;
}

QString MObjectStatesQueue::databasePath() const
{
    Q_D(const MObjectStatesQueue);
    QMutexLocker locker(&d->mutex);
    return d->databasePath;
}

QString MObjectStatesQueue::lostOnOpen() const
{
    Q_D(const MObjectStatesQueue);
    QMutexLocker locker(&d->mutex);
    return d->lostOnOpen;
}

QString MObjectStatesQueue::ownerKey(const QUrl &serviceRoot, qint64 accountId)
{
    // One root written two ways is one root.
    const QString root =
        serviceRoot.adjusted(QUrl::StripTrailingSlash | QUrl::NormalizePathSegments).toString();
    return QString::number(accountId) + QLatin1Char('@') + root;
}

void MObjectStatesQueue::setOwner(const QString &owner)
{
    Q_D(MObjectStatesQueue);
    QMutexLocker locker(&d->mutex);
    if (!d->ownerSet) {
        // Whose they are is not known: run under whoever signs in, they could land in another
        // account. They stay in the file, run under no account, and are among the waiting.
        int unowned = 0;
        for (const MObjectTransfer &transfer : qAsConst(d->transfers))
            unowned += transfer.owner().isEmpty() && !isFinished(transfer) ? 1 : 0;
        if (unowned > 0)
            qCWarning(lcCoreTransfers)
                << "MObjectStatesQueue:" << unowned
                << "transfers queued before their account was recorded wait under no account";
    }
    d->ownerSet = true;
    d->owner = owner;
    if (!owner.isEmpty())
        d->recordedOwner = owner;
    d->runnable.clear();
    for (auto it = d->transfers.constBegin(); it != d->transfers.constEnd(); ++it) {
        if (d->isRunnable(*it))
            d->runnable.insert(it.key());
    }
}

void MObjectStatesQueue::saveTransfer(MObjectTransfer &transfer)
{
    Q_D(MObjectStatesQueue);
    QMutexLocker locker(&d->mutex);
    if (d->isStoredAsFinished(transfer))
        return;
    d->recordOwner(transfer);
    if (!isFinished(transfer)) {
        if (!transfer.createdAt().isValid())
            transfer.setCreatedAt(QDateTime::currentDateTime());
        const qint64 written = d->persistent ? d->saveToDatabase(transfer) : 0;
        transfer.setIdentifier(d->assignedTransferIdentifier(transfer, written));
    } else if (d->persistent) {
        d->removeFromDatabase(transfer);
    }
    if (transfer.identifier() != 0)
        d->putTransfer(transfer.identifier(), transfer);
}

QList<MObjectTransfer> MObjectStatesQueue::saveTransfers(const QList<MObjectTransfer> &transfers)
{
    Q_D(MObjectStatesQueue);
    QMutexLocker locker(&d->mutex);
    QList<MObjectTransfer> accepted;
    QList<MObjectTransfer> written;
    QList<MObjectTransfer> removed;
    for (const MObjectTransfer &transfer : transfers) {
        if (d->isStoredAsFinished(transfer))
            continue;
        MObjectTransfer copy = transfer;
        d->recordOwner(copy);
        if (!isFinished(copy) && !copy.createdAt().isValid())
            copy.setCreatedAt(QDateTime::currentDateTime());
        (isFinished(copy) ? removed : written).append(copy);
        accepted.append(copy);
    }
    const QVector<qint64> identifiers =
        d->persistent ? d->saveToDatabase(written, removed) : QVector<qint64>();
    int next = 0;
    for (MObjectTransfer &transfer : accepted) {
        if (!isFinished(transfer))
            transfer.setIdentifier(
                d->assignedTransferIdentifier(transfer, identifiers.value(next++)));
        if (transfer.identifier() != 0)
            d->putTransfer(transfer.identifier(), transfer);
    }
    return accepted;
}

void MObjectStatesQueue::removeTransfer(const MObjectTransfer &transfer)
{
    Q_D(MObjectStatesQueue);
    QMutexLocker locker(&d->mutex);
    d->dropTransfer(transfer.identifier());
    if (d->persistent)
        d->removeFromDatabase(transfer);
}

void MObjectStatesQueue::removeTransfers(const QList<MObjectTransfer> &transfers)
{
    Q_D(MObjectStatesQueue);
    QMutexLocker locker(&d->mutex);
    if (d->persistent)
        d->removeFromDatabase(transfers);
    for (const MObjectTransfer &transfer : transfers)
        d->dropTransfer(transfer.identifier());
}

void MObjectStatesQueue::saveGroup(MObjectTransferGroup &group)
{
    Q_D(MObjectStatesQueue);
    QMutexLocker locker(&d->mutex);
    if (!group.createdAt().isValid())
        group.setCreatedAt(QDateTime::currentDateTime());
    qint64 identifier = d->persistent ? d->saveToDatabase(group) : 0;
    if (identifier == 0)
        identifier = group.identifier() != 0 ? group.identifier() : d->lastGroupIdentifier + 1;
    d->lastGroupIdentifier = qMax(d->lastGroupIdentifier, identifier);
    group.setIdentifier(identifier);
    d->groups.insert(identifier, group);
}

MObjectTransfer MObjectStatesQueue::transfer(qint64 identifier) const
{
    Q_D(const MObjectStatesQueue);
    QMutexLocker locker(&d->mutex);
    return d->transfers.value(identifier);
}

MObjectTransferGroup MObjectStatesQueue::group(qint64 identifier) const
{
    Q_D(const MObjectStatesQueue);
    QMutexLocker locker(&d->mutex);
    return d->groups.value(identifier);
}

bool MObjectStatesQueue::hasPendingTransfers() const
{
    Q_D(const MObjectStatesQueue);
    QMutexLocker locker(&d->mutex);
    return !d->runnable.empty();
}

MObjectTransfer MObjectStatesQueue::takeNextTransfer(bool *found)
{
    Q_D(MObjectStatesQueue);
    QMutexLocker locker(&d->mutex);
    MObjectTransfer next;
    if (!d->runnable.empty()) {
        const qint64 identifier = *d->runnable.begin();
        next = d->transfers.value(identifier);
        d->dropTransfer(identifier);
    }
    if (found)
        *found = next.isValid();
    return next;
}

QList<MObjectTransfer> MObjectStatesQueue::waitingTransfers() const
{
    Q_D(const MObjectStatesQueue);
    QMutexLocker locker(&d->mutex);
    QList<MObjectTransfer> waiting;
    if (!d->ownerSet || d->owner.isEmpty())
        return waiting;
    for (const MObjectTransfer &transfer : qAsConst(d->transfers)) {
        if (!isFinished(transfer) && transfer.owner() != d->owner)
            waiting.append(transfer);
    }
    return waiting;
}

// The engine's bookkeeping of work in flight: one slot per transfer, stalls, hashing aside,
// and how a transfer ends.
#include "mobjectsender_p.h"

#include "corelogging.h"
#include "mjsonrequestmanager.h"
#include "mnetworkrequestmanager.h"
#include "mrunaside.h"

#include <QBuffer>
#include <QDebug>
#include <QMutexLocker>

namespace {

const QString TransferIdKey = QStringLiteral("MObjectTransferStateIdentifierKey");

} // namespace

QString MObjectSenderPrivate::newLocalId()
{
    return QStringLiteral("local-%1").arg(++lastLocalId);
}

void MObjectSenderPrivate::addFlight(qint64 transferId, const Flight &flight)
{
    Flight added = flight;
    // Hashing and verifying run here; only requests wait on the service.
    if (added.step != Hashing && added.step != Verifying && !added.quiet) {
        added.quiet = std::make_shared<QElapsedTimer>();
        added.quiet->start();
    }
    QMutexLocker locker(&mutex);
    flights.insert(transferId, added);
}

void MObjectSenderPrivate::noteActivity(const Flight &flight)
{
    if (flight.quiet)
        flight.quiet->restart();
}

void MObjectSenderPrivate::failStalledFlights()
{
    QList<QPair<qint64, QString>> stalled;
    {
        QMutexLocker locker(&mutex);
        for (auto it = flights.cbegin(); it != flights.cend(); ++it) {
            if (it->quiet && it->quiet->hasExpired(stallTimeout.load()))
                stalled.append({it.key(), it->id});
        }
    }
    for (const auto &entry : qAsConst(stalled)) {
        Flight done;
        if (!takeFlight(entry.first, entry.second, &done))
            continue;
        MObjectTransfer transfer = MObjectTransfer::fromIdentifier(entry.first);
        qCWarning(lcCoreTransfers) << "Transfer" << entry.first << "got no answer for"
                                   << stallTimeout.load() << "ms; giving up on its request";
        if (done.step == Download) {
            failStalledDownload(transfer, done);
        } else {
            jsonRequestManager->cancelRequest(done.id);
            if (transfer.state() == MObjectTransfer::Running)
                uploadRefused(transfer, 0, QVariantMap(), MNetworkReply());
        }
    }
}

MObjectSenderPrivate::Flight MObjectSenderPrivate::flight(qint64 transferId) const
{
    QMutexLocker locker(&mutex);
    return flights.value(transferId);
}

bool MObjectSenderPrivate::takeFlight(qint64 transferId, const QString &id, Flight *flight)
{
    Flight taken;
    {
        QMutexLocker locker(&mutex);
        const auto it = flights.find(transferId);
        if (it == flights.end() || it->id != id)
            return false;
        taken = it.value();
        flights.erase(it);
    }
    if (flight)
        *flight = taken;
    releaseFlight(taken);
    kick();
    return true;
}

void MObjectSenderPrivate::kick()
{
    if (kickPending)
        return;
    kickPending = true;
    // Queued: a pause or cancel already posted is handled first, and the handler that freed
    // the slot has saved its transfer by then.
    QMetaObject::invokeMethod(
        q_ptr,
        [this] {
            kickPending = false;
            handleTransfers();
        },
        Qt::QueuedConnection);
}

void MObjectSenderPrivate::abortFlight(qint64 transferId)
{
    Flight taken;
    {
        QMutexLocker locker(&mutex);
        if (!flights.contains(transferId))
            return;
        taken = flights.take(transferId);
    }
    if (taken.canceled)
        taken.canceled->store(true);
    prefetches.remove(transferId);
    if (taken.step == Download)
        networkRequestManager->cancelRequest(taken.id);
    else if (taken.step == Sync || taken.step == Chunk || taken.step == Commit ||
             taken.step == CommitCheck)
        jsonRequestManager->cancelRequest(taken.id);
    releaseFlight(taken);
    if (taken.placeholder)
        QFile::remove(taken.destination);
    kick();
}

void MObjectSenderPrivate::hashAside(qint64 transferId, const Flight &flight, const HashWork &hash,
                                     HashesHandler ready)
{
    Q_Q(MObjectSender);
    addFlight(transferId, flight);
    const auto canceled = flight.canceled;
    const QString flightId = flight.id;
    mRunAside(
        q, [hash, canceled] { return hash(canceled.get()); },
        [this, transferId, flightId, ready](const MChunkedUpload::Hashes &hashes) {
            (this->*ready)(transferId, flightId, hashes);
        });
}

void MObjectSenderPrivate::releaseFlight(const Flight &flight)
{
    // The reply may still hold the body while it finishes.
    if (flight.body)
        flight.body->deleteLater();
    if (flight.file)
        flight.file->close();
}

qint64 MObjectSenderPrivate::transferIdOf(const MNetworkRequest &request)
{
    return request.userInfo().toMap().value(TransferIdKey).toLongLong();
}

void MObjectSenderPrivate::requeue(MObjectTransfer transfer, int state)
{
    transfer.setState(state);
    transfer.save();
    pauseForAuthorization();
}

void MObjectSenderPrivate::fail(MObjectTransfer transfer, int errorCode)
{
    transfer.setState(MObjectTransfer::Error);
    transfer.setErrorCode(errorCode);
    transfer.save();
    finish(transfer);
}

void MObjectSenderPrivate::finish(const MObjectTransfer &transfer)
{
    uploadStamps.remove(transfer.identifier());
    prefetches.remove(transfer.identifier());
    emit q_func()->transferFinished(transfer);
}

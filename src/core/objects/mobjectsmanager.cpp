#include "mobjectsmanager.h"
#include "mobjectsmanager_p.h"

#include "corelogging.h"
#include "mactionrequest.h"
#include "mconfigdatabase.h"
#include "mfilenames.h"
#include "mjsonrequestmanager.h"
#include "mlistingdeadline.h"
#include "mnetworkrequestmanager.h"
#include "mnotificationmanager.h"
#include "mobjectsender.h"
#include "mobjectsvirtualfilesystem.h"
#include "muserauthmanager.h"
#include "storageobjecttypes.h"
#include "tolvoprocess.h"

#include <QDebug>
#include <QDir>
#include <QMetaMethod>
#include <QThreadPool>
#include <QTimerEvent>

namespace {

const QString deltaCursorKey = QStringLiteral("lhid");
const QString deltaCursorUserKey = QStringLiteral("lhidUser");
constexpr int ProgressInterval = 500;
// Live-update cursor saves after which config.db's write-ahead log is checkpointed (about
// 1 MiB of log).
constexpr int CursorSavesPerCheckpoint = 256;

// Downloads into and uploads from the local cache.
bool isCaching(const MObjectTransfer &transfer)
{
    return (transfer.transferRequest().action() & ~1) == Tolvo::UploadCachedObject;
}

} // namespace

MObjectsManagerPrivate::MObjectsManagerPrivate(MObjectsManager *q)
    : q_ptr(q)
{}

void MObjectsManagerPrivate::reportPaused(const MObjectTransfer &transfer)
{
    Q_Q(MObjectsManager);
    // A snapshot taken before the pause, flushed after it, would show it running again.
    pendingProgress.remove(transfer.identifier());
    emit q->transferPaused(transfer, isCaching(transfer));
}

QString MObjectsManagerPrivate::remotePath(const QString &path)
{
    return QDir::cleanPath(QLatin1Char('/') + path);
}

bool MObjectsManagerPrivate::sendActionRequest(const QVariant &argument, int action,
                                               const QVariant &userData, QString *requestId)
{
    bool ok = false;
    MNetworkRequest request = mActionRequest(argument, action, userData, &ok);
    if (action == Tolvo::ListObjects) {
        // A listing can be large: its objects are built straight from the JSON.
        request.setRepliesAsJsonObject(true);
        // A listing that trickles in is never silent long enough to stall; the folder must
        // not show "Loading" for ever.
        request.setAnswerDeadline(mListingDeadline());
    }
    if (!ok) {
        qCWarning(lcCoreObjects,
                  "(MObjectsManager) Request for action %d not sent: not signed in, or its path "
                  "was refused.",
                  action);
        return false;
    }
    qCDebug(lcCoreObjects).noquote().nospace()
        << "Sending network request " << int(request.method())
        << " for URL: " << request.url().toString() << " action: " << action;
    const QString id = jsonManager->sendRequest(request);
    if (requestId)
        *requestId = id;
    return true;
}

QVariantList MObjectsManagerPrivate::listingEnded(const QString &path,
                                                  const MNetworkRequest &request)
{
    const auto it = pendingListings.find(path);
    if (it != pendingListings.end() && it->requestId == request.requestId()) {
        const QVariantList callers = it->callers;
        pendingListings.erase(it);
        return callers;
    }
    // No longer tracked (the manager stopped meanwhile): the request's own caller still hears.
    const QVariantMap info = request.userInfo().toMap();
    if (info.value(MObjectRequestIsInternalKey).toBool())
        return {};
    return {info.value(MObjectRequestUserDataKey)};
}

std::unique_ptr<QSqlQuery> MObjectsManagerPrivate::prepareDeltaCursorUpdate()
{
    auto statement = std::make_unique<QSqlQuery>(mConfigDatabase());
    if (!statement->prepare(QStringLiteral("UPDATE config SET value=? WHERE key=?")))
        return nullptr;
    return statement;
}

bool MObjectsManagerPrivate::updateDeltaCursor(QSqlQuery *statement, const QString &cursor)
{
    QByteArray bytes;
    {
        QDataStream stream(&bytes, QIODevice::WriteOnly);
        stream.setVersion(QDataStream::Qt_5_3);
        stream << cursor;
    }
    statement->bindValue(0, bytes);
    statement->bindValue(1, deltaCursorKey);
    // No row yet: the general write makes it.
    return statement->exec() && statement->numRowsAffected() == 1;
}

void MObjectsManagerPrivate::checkpointConfigAfterCursorSaves(int saves, bool force)
{
    cursorSavesUnchecked += saves;
    if (cursorSavesUnchecked == 0 || (!force && cursorSavesUnchecked < CursorSavesPerCheckpoint))
        return;
    // One at a time: saves made meanwhile wait for the next one.
    if (!checkpointRunning->testAndSetOrdered(0, 1))
        return;
    cursorSavesUnchecked = 0;
    const std::shared_ptr<QAtomicInt> running = checkpointRunning;
    QThreadPool::globalInstance()->start([running] {
        // Passive: the saves on the main thread never wait for it.
        QSqlQuery(mConfigDatabase()).exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
        running->storeRelease(0);
    });
}

void MObjectsManagerPrivate::setDeltaCursor(const QString &cursor)
{
    deltaCursor = cursor;
    if (!cursorStatement || !updateDeltaCursor(cursorStatement, cursor))
        MWriteValueToDB(deltaCursorKey, deltaCursor);
    // A cursor names a position in one user's changes; it is no use to anybody else.
    const MUserAuthManager *auth = MUserAuthManager::applicationManager();
    const qint64 user = auth && !cursor.isEmpty() ? auth->account().id() : -1;
    if (user != deltaCursorUser) {
        deltaCursorUser = user;
        MWriteValueToDB(deltaCursorUserKey, deltaCursorUser);
    }
}

MObjectsManager::MObjectsManager(QObject *parent)
    : QObject(parent)
    , d_ptr(new MObjectsManagerPrivate(this))
{
    Q_D(MObjectsManager);
    registerStorageObjectTypes();
    qRegisterMetaType<QList<MShareLink>>();

    d->jsonManager = new MJsonRequestManager(this);
    d->jsonManager->adoptSettings();
    // An expired token is refreshed and the request sent again rather than failing the
    // operation.
    d->jsonManager->setRetryAuthenticatedRequests(true);
    // A large listing's objects are made where its reply is decoded, off the main thread.
    d->jsonManager->setDecoder(
        [d](const QJsonObject &body, const MNetworkRequest &request, const MNetworkReply &reply) {
            const int action = request.userInfo().toMap().value(ReqActionKey).toInt();
            const int status = reply.statusCode();
            if (action != Tolvo::ListObjects || (status != 200 && status != 101) ||
                !body.value(QStringLiteral("objects")).isArray())
                return QVariant();
            MDecodedListing listing{body, d->listedObjects(body), {}};
            // The decoded entries go here, not on the main thread.
            listing.body.remove(QStringLiteral("objects"));
            listing.cached.assign(listing.objects);
            return QVariant::fromValue(listing);
        });
    d->jsonManager->setRawDecoder(
        [d](const QByteArray &bytes, const MNetworkRequest &request, const MNetworkReply &reply) {
            const int action = request.userInfo().toMap().value(ReqActionKey).toInt();
            const int status = reply.statusCode();
            MDecodedListing listing;
            if (action != Tolvo::ListObjects || (status != 200 && status != 101) ||
                !d->decodeListing(bytes, &listing))
                return QVariant();
            listing.cached.assign(listing.objects);
            return QVariant::fromValue(listing);
        });
    connect(d->jsonManager, &MJsonRequestManager::responseObjectReady, this,
            [d](const QVariant &body, const MNetworkRequest &request, const MNetworkReply &reply) {
                d->objectArrivedForRequest(body, request, reply);
            });
    connect(d->jsonManager, &MJsonRequestManager::decodeError, this,
            [d](const MNetworkRequest &request, const QByteArray &, const MNetworkReply &reply) {
                d->decodeErrorForRequest(request, reply.statusCode());
            });
    // A canceled poll never answers; the next one must not wait for it.
    connect(d->jsonManager, &MNetworkRequestManager::requestCanceled, this,
            [d](const MNetworkRequest &request) {
                if (request.requestId() == d->deltaRequestId)
                    d->deltaRequestId.clear();
            });

    d->deltaCursor = MReadValueFromDB<QString>(deltaCursorKey);
    // A cursor saved before its owner was recorded reads 0 here: unknown, so it is kept for
    // whoever signs in rather than dropped with every change after it.
    const qint64 owner =
        d->deltaCursor.isEmpty() ? -1 : MReadValueFromDB<qint64>(deltaCursorUserKey);
    d->deltaCursorUser = owner > 0 ? owner : -1;
    connect(TolvoProcess::instance(), &TolvoProcess::connectivityStatusChanged, this,
            &MObjectsManager::ensureRepetitiveServices);
    if (MUserAuthManager *auth = MUserAuthManager::applicationManager())
        connect(auth, &MUserAuthManager::logoutPerformed, this, [d] {
            d->abandonDelta();
            d->setDeltaCursor({});
        });
}

MObjectsManager::~MObjectsManager()
{
    Q_D(MObjectsManager);
    // A large listing's objects are made from this manager's data on another thread.
    d->jsonManager->abandonDecodes();
    // A folder still being read queues its group with the engine.
    d->waitForDirectoryReads();
    // Never shut down: the engine still has to save its transfers before its thread ends.
    d->stopSender();
    d->transfersThread.wait();
}

MObjectSender *MObjectsManager::objectSender() const
{
    return d_func()->sender;
}

void MObjectsManager::start()
{
    Q_D(MObjectsManager);
    if (d->started)
        return;
    d->started = true;
    d->sender = new MObjectSender;
    d->transfersThread.setObjectName(QStringLiteral("com.kerloapp.transfers-queue"));
    d->sender->moveToThread(&d->transfersThread);
    connect(&d->transfersThread, &QThread::started, d->sender, &MObjectSender::start);
    // Direct: the destructor may be waiting for the thread in the main thread.
    connect(d->sender, &MObjectSender::shutdownCompleted, &d->transfersThread, &QThread::quit,
            Qt::DirectConnection);
    connect(&d->transfersThread, &QThread::finished, d->sender, &QObject::deleteLater);
    // The pointer is let go of when the engine is asked to stop (stopSender()), before it
    // can go: this signal comes only after.
    connect(d->sender, &QObject::destroyed, this, &MObjectsManager::shutdownCompleted);

    for (const auto signal : {&MObjectSender::transferScheduled, &MObjectSender::transferStarted,
                              &MObjectSender::transferPaused, &MObjectSender::transferProgressed,
                              &MObjectSender::transferFinished})
        connect(d->sender, signal, this, &MObjectsManager::transferStateChanged);
    connect(d->sender, &MObjectSender::transferGroupScheduled, this,
            &MObjectsManager::transferGroupScheduled);
    connect(d->sender, &MObjectSender::transferGroupStarted, this,
            &MObjectsManager::transferGroupStarted);
    connect(d->sender, &MObjectSender::transferGroupProgressed, this,
            &MObjectsManager::transferGroupProgressed);
    connect(d->sender, &MObjectSender::transferGroupPaused, this,
            &MObjectsManager::transferGroupPaused);
    connect(d->sender, &MObjectSender::transferGroupFinished, this,
            &MObjectsManager::transferGroupFinished);
    d->transfersThread.start();

    d->vfs = new MObjectsVirtualFileSystem(this);
    if (TolvoProcess::instance()->isCacheEnabled()) {
        connect(d->vfs, &MObjectsVirtualFileSystem::objectsAdded, this,
                &MObjectsManager::objectsAddedToCache);
        connect(d->vfs, &MObjectsVirtualFileSystem::objectRemoved, this,
                &MObjectsManager::objectRemovedFromCache);
        connect(d->vfs, &MObjectsVirtualFileSystem::hasNewStagingObjects, this,
                &MObjectsManager::objectsNeedConsolidation);
        connect(d->vfs, &MObjectsVirtualFileSystem::objectExpired, this,
                &MObjectsManager::objectExpiredSlot);
        // Once the index is loaded, ask the service which cached copies changed or went
        // away while the client was not running.
        connect(d->vfs, &MObjectsVirtualFileSystem::ready, d->vfs,
                &MObjectsVirtualFileSystem::sendCheckRequest);
        // ...and poll for the changes made elsewhere meanwhile (one poll at a time all the same).
        connect(
            d->vfs, &MObjectsVirtualFileSystem::ready, this, [d] { d->checkForHierarchyUpdates(); },
            Qt::QueuedConnection);
        d->vfs->setFileSystemPath(TolvoProcess::instance()->cachePath());
    }
}

void MObjectsManager::shutdown()
{
    // Runs in the manager's thread whichever thread asks.
    QMetaObject::invokeMethod(this, [this] {
        Q_D(MObjectsManager);
        if (d->progressTimerId)
            killTimer(d->progressTimerId);
        d->progressTimerId = 0;
        d->liveUpdatesMonitored = false;
        d->stopUpdatesTimer();
        d->abandonDelta();
        d->jsonManager->cancelAllActiveRequests();
        // Nor do listings still being decoded.
        d->jsonManager->abandonDecodes();
        // Canceled listings never answer; later ones must not wait for them.
        d->pendingListings.clear();
        d->reportedNewFolders.clear();
        // With an engine, shutdownCompleted() comes once it is gone with its thread.
        if (!d->sender && (!d->senderStopping || d->transfersThread.isFinished())) {
            emit shutdownCompleted();
        } else {
            d->stopSender();
        }
    });
}

void MObjectsManager::stopTransfersNow(int timeoutMs)
{
    Q_D(MObjectsManager);
    d->stopSender();
    d->transfersThread.wait(QDeadlineTimer(timeoutMs));
}

void MObjectsManagerPrivate::stopSender()
{
    if (!sender)
        return;
    // A folder still being read queues its group first, as one read at once did.
    waitForDirectoryReads();
    senderStopping = true;
    // Nothing on this thread may reach the engine once it may be deleted on its own.
    std::exchange(sender, nullptr)->shutdown();
}

void MObjectsManager::transferStateChanged(const MObjectTransfer &transfer)
{
    Q_D(MObjectsManager);
    // The sender may be gone by now: the signal is looked up in its class, not the object.
    const QByteArray signal = MObjectSender::staticMetaObject.method(senderSignalIndex()).name();
    const bool caching = isCaching(transfer);
    if (signal == "transferScheduled") {
        emit transferScheduled(transfer, caching);
    } else if (signal == "transferStarted") {
        emit transferStarted(transfer, caching);
    } else if (signal == "transferProgressed") {
        d->pendingProgress.insert(transfer.identifier(), transfer);
        if (!d->progressTimerId)
            d->progressTimerId = startTimer(ProgressInterval, Qt::CoarseTimer);
    } else if (signal == "transferPaused") {
        d->reportPaused(transfer);
    } else if (signal == "transferFinished") {
        d->cachingDownloads.remove(
            MObjectsManagerPrivate::remotePath(transfer.transferRequest().sourcePath()));
        // A progress snapshot flushed after the end would show it running again.
        d->pendingProgress.remove(transfer.identifier());
        if (caching && d->vfs)
            d->handleCacheTransferCompletion(transfer);
        else if (d->vfs)
            d->handleUploadIntoCacheCompletion(transfer);
        emit transferFinished(transfer, caching);
    }
}

void MObjectsManager::timerEvent(QTimerEvent *event)
{
    Q_D(MObjectsManager);
    if (event->timerId() == d->updatesTimerId) {
        d->updatesTimerFired();
        return;
    }
    if (event->timerId() != d->progressTimerId) {
        QObject::timerEvent(event);
        return;
    }
    killTimer(d->progressTimerId);
    d->progressTimerId = 0;
    const QMap<qint64, MObjectTransfer> pending = std::exchange(d->pendingProgress, {});
    for (const MObjectTransfer &transfer : pending)
        emit transferProgressed(transfer, isCaching(transfer));
}

void MObjectsManager::listObjects(const QString &path, bool force, const QVariant &userData)
{
    d_func()->listObjects(path, force, false, userData);
}

void MObjectsManager::listObjectsAgain(const QString &path, const QVariant &userData)
{
    d_func()->listObjects(path, false, true, userData);
}

void MObjectsManagerPrivate::listObjects(const QString &path, bool force, bool replace,
                                         const QVariant &userData)
{
    Q_Q(MObjectsManager);
    const QString key = remotePath(path);
    if (!force && !listingsCache.isExpired(key)) {
        // Callers may connect after the call and still be answered. The listing is read when
        // it is delivered: a live update applied in between is already in the views, and a
        // copy taken now would take it back out of them.
        QMetaObject::invokeMethod(
            q,
            [this, q, key, path, userData] {
                MStorageObjectList objects;
                if (listingsCache.isExpired(key, &objects))
                    listObjects(path, false, false, userData);
                else
                    emit q->objectsReady(path, objects, userData);
            },
            Qt::QueuedConnection);
        return;
    }
    QVariantList callers;
    const auto pending = pendingListings.find(key);
    if (pending != pendingListings.end()) {
        if (!replace) {
            if (!pending->callers.contains(userData))
                pending->callers.append(userData);
            return;
        }
        // Those waiting for the canceled listing are answered by the new one.
        callers = pending->callers;
        const QString previous = pending->requestId;
        pendingListings.erase(pending);
        jsonManager->cancelRequest(previous);
    }
    if (!callers.contains(userData))
        callers.append(userData);
    QString id;
    if (sendActionRequest(path, Tolvo::ListObjects, userData, &id))
        pendingListings.insert(key, {id, callers});
}

void MObjectsManager::fetchInfo(const QString &path, const QVariant &userData)
{
    Q_D(MObjectsManager);
    MStorageObject object;
    if (d->listingsCache.containsObject(d->remotePath(path), &object)) {
        emit objectReady(object, userData);
        return;
    }
    d->sendActionRequest(path, Tolvo::ObjectsMetadata, userData);
}

void MObjectsManager::deleteObject(const QString &path, const QVariant &userData)
{
    deleteObjects(QStringList{path}, userData);
}

void MObjectsManager::deleteObject(const MStorageObject &object, const QVariant &userData)
{
    // The full path of an invalid object is the root.
    if (!object.isValid()) {
        qCWarning(lcCoreObjects) << "(MObjectsManager) Not deleting an invalid object" << object;
        return;
    }
    deleteObjects(QStringList{object.fullPath()}, userData);
}

void MObjectsManager::deleteObjects(const QStringList &paths, const QVariant &userData)
{
    Q_D(MObjectsManager);
    // An edit saved to a cached copy while the delete is on its way must not be uploaded: it
    // would bring the file back.
    if (d->vfs)
        d->vfs->excludePaths(paths);
    if (!d->sendActionRequest(paths, Tolvo::DeleteObjects, userData))
        d->releaseDeleteExclusions(paths, false);
}

void MObjectsManager::createDirectory(const QString &path, const QVariant &userData)
{
    Q_D(MObjectsManager);
    if (d->listingsCache.containsObject(d->remotePath(path))) {
        MNotification notification(MNotification::ERROR,
                                   QStringLiteral("Directory %1 already exists").arg(path), 0);
        notification.setAttribute(MNotification::ErrorCode, int(Tolvo::DirectoryExists));
        notification.setAttribute(MNotification::Path, path);
        MNotificationManager::instance()->post(notification);
        return;
    }
    d->sendActionRequest(path, Tolvo::MakeDirectory, userData);
}

void MObjectsManager::renameObject(const QString &source, const QString &destination,
                                   const QVariant &userData)
{
    Q_D(MObjectsManager);
    d->sendActionRequest(QVariantMap{{QStringLiteral("source"), source},
                                     {QStringLiteral("destination"), destination}},
                         Tolvo::RenameObject, userData);
}

void MObjectsManager::copyObject(const QString &source, const QString &destination,
                                 const QVariant &userData)
{
    Q_D(MObjectsManager);
    d->sendActionRequest(QVariantMap{{QStringLiteral("source"), source},
                                     {QStringLiteral("destination"), destination}},
                         Tolvo::CopyObject, userData);
}

void MObjectsManager::getShareLink(const QString &path, const QVariant &userData)
{
    Q_D(MObjectsManager);
    // The service wants the lifetime in hours as a string.
    const QVariantMap share{{QStringLiteral("path"), path},
                            {QStringLiteral("expires_in"), QStringLiteral("72")}};
    d->sendActionRequest(QVariantMap{{QStringLiteral("share"), share}}, Tolvo::CreateShareLink,
                         userData);
}

void MObjectsManager::revokeShareLink(const QString &token, const QVariant &userData)
{
    Q_D(MObjectsManager);
    d->sendActionRequest(QVariantMap{{QStringLiteral("token"), token}}, Tolvo::RevokeShareLink,
                         userData);
}

void MObjectsManager::getShareLinksList(int offset, int limit, const QVariant &userData)
{
    Q_D(MObjectsManager);
    d->sendActionRequest(
        QVariantMap{{QStringLiteral("offset"), offset}, {QStringLiteral("limit"), limit}},
        Tolvo::ListShareLinks, userData);
}

void MObjectsManager::sendShareLinkByEmail(const QString &link, const QString &filename,
                                           const QStringList &emails, const QString &message)
{
    Q_D(MObjectsManager);
    d->sendActionRequest(QVariantMap{{QStringLiteral("link"), link},
                                     {QStringLiteral("filename"), filename},
                                     {QStringLiteral("emails"), emails},
                                     {QStringLiteral("message"), message}},
                         Tolvo::EmailShareLink, QVariant());
}

QString MObjectsManager::suggestedFilePath(const QString &path) const
{
    Q_D(const MObjectsManager);
    return mSuggestedFilePath(path, d->listingsCache, Tolvo::PlainSuffix);
}

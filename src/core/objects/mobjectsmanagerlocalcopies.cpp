#include "mobjectsmanager.h"
#include "mobjectsmanager_p.h"

#include "corelogging.h"
#include "mactionrequest.h"
#include "mjsonrequestmanager.h"
#include "mobjectsender.h"
#include "mobjectsvirtualfilesystem.h"
#include "tolvoprocess.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>

bool MObjectsManagerPrivate::sendInternalListing(const QString &directory)
{
    const QString key = remotePath(directory);
    if (pendingListings.contains(key))
        return true;
    bool ok = false;
    const MNetworkRequest request =
        mActionRequest(QVariant(directory), Tolvo::ListObjects, QVariant(), &ok, true);
    if (!ok) {
        qCWarning(lcCoreObjects) << "(MObjectsManager) Listing of" << directory
                                 << "not sent: not signed in, or its path was refused.";
        return false;
    }
    pendingListings.insert(key, {jsonManager->sendRequest(request), {}});
    return true;
}

void MObjectsManager::cacheObject(const QString &path)
{
    Q_D(MObjectsManager);
    if (!d->sender || !d->vfs)
        return;
    const QString remote = MObjectsManagerPrivate::remotePath(path);
    const QString local = d->vfs->localPath(remote);
    if (local.isEmpty()) {
        qCWarning(lcCoreObjects) << "(MObjectsManager) Not caching a path outside the cache:"
                                 << path;
        return;
    }
    if (d->cachingDownloads.contains(remote))
        return;
    MStorageObject object;
    if (!d->listingsCache.containsObject(remote, &object)) {
        // Listing its folder first is the caller's part; without the object the download
        // could not be checked.
        qCWarning(lcCoreObjects) << "(MObjectsManager) Not caching an object that is not listed:"
                                 << remote;
        return;
    }
    MObjectTransferRequest request(remote, local, Tolvo::Download);
    request.setMode(Tolvo::MakeParentDirectories);
    request.setOverwriteStrategy(Tolvo::TruncateExisting);
    request.setAction(Tolvo::DownloadToCache);
    request.setStorageObject(object);

    bool expired = false;
    if (d->vfs->containsObject(remote, nullptr, &expired) && !expired) {
        MObjectTransfer transfer;
        transfer.setState(MObjectTransfer::Completed);
        transfer.setTransferRequest(request);
        transfer.setStorageObject(object);
        const qint64 size = QFileInfo(local).size();
        transfer.setTotalBytes(size);
        transfer.setTransferredBytes(size);
        emit transferFinished(transfer, true);
        return;
    }
    d->cachingDownloads.insert(remote, local);
    d->vfs->excludePaths({remote});
    d->sender->scheduleTransfer(request);
}

void MObjectsManager::consolidateObject(const QString &path, bool force)
{
    Q_D(MObjectsManager);
    if (!d->sender || !d->vfs)
        return;
    const QString remote = MObjectsManagerPrivate::remotePath(path);
    const QString local = d->vfs->localPath(remote);
    if (local.isEmpty())
        return;
    bool consolidated = false;
    const bool cached = d->vfs->containsObject(remote, &consolidated);
    if (!force) {
        if (!cached)
            return;
        if (consolidated) {
            objectConsolidatedSlot(remote);
            return;
        }
    }
    MObjectTransferRequest request(local, remote, Tolvo::Upload);
    request.setAction(Tolvo::UploadCachedObject);
    Tolvo::TransferMode mode = Tolvo::SynchronisingUpload;
    if (force)
        mode |= Tolvo::ForceUpload;
    request.setMode(mode);
    request.setBaseHash(d->vfs->indexedHash(remote).toLatin1());
    d->sender->scheduleTransfer(request);
}

void MObjectsManager::openObject(const QString &path, const QUrl &appUrl)
{
    d_func()->openObject(path, appUrl, true);
}

void MObjectsManagerPrivate::openObject(const QString &path, const QUrl &appUrl, bool mayList)
{
    Q_Q(MObjectsManager);
    if (!vfs)
        return;
    const QString remote = remotePath(path);
    if (vfs->containsObject(remote)) {
        if (vfs->openObject(remote, appUrl))
            emit q->objectOpened(remote, vfs->localPath(remote));
        else
            emit q->objectCacheError(remote, Tolvo::ObjectCacheError);
        return;
    }
    pendingOpenUrls.insert(remote, appUrl);
    if (listingsCache.containsObject(remote)) {
        q->cacheObject(remote);
        return;
    }
    if (!mayList) {
        // Listed just now and not there: asking again would only loop.
        qCWarning(lcCoreObjects)
            << "(MObjectsManager) Cannot open an object its folder does not hold:" << remote;
        pendingOpenUrls.remove(remote);
        emit q->objectCacheError(remote, Tolvo::RemoteNotFound);
        return;
    }
    const QString directory = QFileInfo(remote).path();
    QStringList &waiting = pendingOpens[directory];
    if (!waiting.contains(remote))
        waiting.append(remote);
    if (!sendInternalListing(directory)) {
        waiting.removeAll(remote);
        pendingOpenUrls.remove(remote);
        emit q->objectCacheError(remote, Tolvo::ObjectCacheError);
    }
}

void MObjectsManagerPrivate::openPendingObjects(const QString &directory)
{
    Q_Q(MObjectsManager);
    const QString key = remotePath(directory);
    const QStringList waiting = pendingOpens.take(key);
    for (const QString &path : waiting)
        openObject(path, pendingOpenUrls.value(path), false);
    // Not listed even now: the object is gone, and its live update removes the copy.
    for (const QString &path : pendingRefreshes.take(key)) {
        if (listingsCache.containsObject(path))
            q->cacheObject(path);
    }
}

bool MObjectsManager::uncacheObject(const QString &path, bool force)
{
    Q_D(MObjectsManager);
    if (!d->vfs || (!d->vfs->containsObject(path) && !force))
        return false;
    d->vfs->removeObject(MObjectsManagerPrivate::remotePath(path), false, false);
    return true;
}

QString MObjectsManager::localCopyPath(const QString &path) const
{
    Q_D(const MObjectsManager);
    if (!d->vfs || !d->vfs->containsObject(path))
        return QString();
    return d->vfs->localPath(path);
}

void MObjectsManagerPrivate::handleCacheTransferCompletion(const MObjectTransfer &transfer)
{
    Q_Q(MObjectsManager);
    const MObjectTransferRequest request = transfer.transferRequest();
    const bool upload = request.direction() == Tolvo::Upload;
    const QString local = upload ? request.sourcePath() : request.destinationPath();
    if (transfer.state() == MObjectTransfer::Completed && upload) {
        // The hash the service committed, not the file's current one: an edit saved during
        // the upload is then staged rather than taken for uploaded.
        QString hash = transfer.storageObject().contentHash();
        if (hash.isEmpty())
            hash = QString::fromLatin1(transfer.finalHash());
        const bool indexed =
            hash.isEmpty() ? vfs->addObject(local, true) : vfs->addUploadedObject(local, hash);
        if (!indexed)
            qCWarning(lcCoreObjects)
                << "Cannot register cached object in index:" << vfs->shadowPath(local);
    } else if (transfer.state() == MObjectTransfer::Completed) {
        MStorageObject object = transfer.storageObject();
        if (!object.isValid())
            object = request.storageObject();
        object.setCached(true);
        listingsCache.updateObject(object, false);
        // The engine verified the file against this object's hash: no need to read it again.
        if (!vfs->addObject(object, true)) {
            qCWarning(lcCoreObjects)
                << "Cannot register cached object in index:" << vfs->shadowPath(local);
            vfs->includePaths({request.sourcePath()});
            return;
        }
        const QString remote = remotePath(request.sourcePath());
        if (pendingOpenUrls.contains(remote)) {
            const QUrl appUrl = pendingOpenUrls.take(remote);
            q->openObject(remote, appUrl);
        }
    } else if (upload) {
        // Failed, cancelled or expired: watched again, and staged anew when it was saved while
        // being sent.
        vfs->recheckObject(local);
    } else {
        vfs->includePaths({request.sourcePath()});
    }
}

// A file moved into the cache by an upload is indexed unconsolidated; the service's commit
// consolidates it. Failed, it stays staged for the next start rather than claiming a copy
// the service never got.
void MObjectsManagerPrivate::handleUploadIntoCacheCompletion(const MObjectTransfer &transfer)
{
    const MObjectTransferRequest request = transfer.transferRequest();
    if (request.direction() != Tolvo::Upload || transfer.state() != MObjectTransfer::Completed)
        return;
    const QString local = QDir::cleanPath(request.sourcePath());
    // Only a file inside the cache: any other local path would read as a remote one.
    if (!local.startsWith(vfs->fileSystemPath() + QStringLiteral("/objects/")))
        return;
    const QString key = vfs->shadowPath(local);
    if (key.isEmpty() || !vfs->containsObject(QLatin1Char('/') + key))
        return;
    QString hash = transfer.storageObject().contentHash();
    if (hash.isEmpty())
        hash = QString::fromLatin1(transfer.finalHash());
    if (hash.isEmpty() ? !vfs->addObject(local, true) : !vfs->addUploadedObject(local, hash))
        qCWarning(lcCoreObjects) << "Cannot register cached object in index:" << key;
}

void MObjectsManager::objectConsolidatedSlot(const QString &path)
{
    Q_D(MObjectsManager);
    const QString remote = MObjectsManagerPrivate::remotePath(path);
    const QString local = d->vfs->localPath(remote);
    MObjectTransferRequest request(local, remote, Tolvo::Upload);
    request.setAction(Tolvo::UploadCachedObject);
    request.setMode(Tolvo::SynchronisingUpload);
    MObjectTransfer transfer;
    transfer.setTransferRequest(request);
    const qint64 size = QFileInfo(local).size();
    transfer.setTotalBytes(size);
    transfer.setTransferredBytes(size);
    transfer.setState(MObjectTransfer::Completed);
    emit transferFinished(transfer, false);
}

void MObjectsManager::objectExpiredSlot(const QString &path, bool consolidated)
{
    if (!consolidated) {
        consolidateObject(path, false);
        return;
    }
    // Later: whoever expired the copy (a live update, the cache check) puts the object as it
    // now is into the listing first, and the download is checked against that.
    const QString remote = MObjectsManagerPrivate::remotePath(path);
    QMetaObject::invokeMethod(
        this, [this, remote] { d_func()->refreshExpiredCopy(remote); }, Qt::QueuedConnection);
}

void MObjectsManagerPrivate::refreshExpiredCopy(const QString &remote)
{
    Q_Q(MObjectsManager);
    if (listingsCache.containsObject(remote)) {
        q->cacheObject(remote);
        return;
    }
    const QString directory = QFileInfo(remote).path();
    QStringList &waiting = pendingRefreshes[directory];
    if (waiting.contains(remote))
        return;
    waiting.append(remote);
    if (waiting.size() == 1 && !sendInternalListing(directory))
        pendingRefreshes.remove(directory);
}

void MObjectsManager::objectsNeedConsolidation()
{
    Q_D(MObjectsManager);
    const QStringList paths = d->vfs->takeStagingObjects();
    for (const QString &path : paths)
        consolidateObject(path, false);
}

void MObjectsManager::objectsAddedToCache(const QStringList &paths, bool external)
{
    Q_D(MObjectsManager);
    if (!external || !d->sender)
        return;
    for (const QString &local : paths) {
        const QString key = d->vfs->shadowPath(local);
        if (key.isEmpty())
            continue;
        const QString remote = MObjectsManagerPrivate::remotePath(key);
        MObjectTransferRequest request(local, remote, Tolvo::Upload);
        if (QFileInfo(local).isDir()) {
            d->transferDirectory(request, Tolvo::UploadCachedObject, remote);
        } else {
            request.setAction(Tolvo::UploadCachedObject);
            d->sender->scheduleTransfer(request);
        }
    }
}

void MObjectsManager::objectRemovedFromCache(const QString &path, bool external)
{
    Q_D(MObjectsManager);
    const QString remote = MObjectsManagerPrivate::remotePath(path);
    if (external) {
        qCDebug(lcCoreObjects) << "MObjectsManager:" << remote
                               << "removed from cache externally: deleting...";
        deleteObjects({remote}, QVariant());
        return;
    }
    MStorageObject object;
    if (!d->listingsCache.containsObject(remote, &object) || !object.isValid())
        return;
    if (object.type() != MStorageObject::Directory) {
        object.setCached(false);
        d->listingsCache.updateObject(object, false);
        emit objectUncached(object);
        return;
    }
    const MStorageObjectList children = d->listingsCache.objects(object.fullPath());
    for (MStorageObject child : children) {
        if (child.type() == MStorageObject::Directory) {
            objectRemovedFromCache(child.fullPath(), false);
        } else {
            child.setCached(false);
            d->listingsCache.updateObject(child, false);
            emit objectUncached(child);
        }
    }
}

// The cached objects: adding, staging, renaming, moving, expiring and removing them, and the
// signals that follow.
#include "mobjectsvirtualfilesystem.h"
#include "mobjectsvirtualfilesystem_p.h"

#include "corelogging.h"
#include "mconfinedfolder.h"
#include "mfilenames.h"
#include "mfolderwatcher.h"
#include "tolvoprocess.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace {

bool holdsFiles(const QString &folder)
{
    QDirIterator files(folder, QDir::Files | QDir::Hidden | QDir::System,
                       QDirIterator::Subdirectories);
    return files.hasNext();
}

} // namespace

bool MObjectsVirtualFileSystemPrivate::addLocked(const MStorageObject &object, bool consolidated,
                                                 const QString &local)
{
    const QFileInfo info(local);
    if (!info.isFile())
        return false;
    const QString key = shadowPath(local);
    excludedPaths.remove(listEntry(key));
    MFSINode node;
    node.indexedHash = MFSINode::hashFromHex(object.contentHash());
    node.size = object.size();
    node.mtime = object.lastModified().isValid() ? object.lastModified().toMSecsSinceEpoch()
                                                 : info.lastModified().toMSecsSinceEpoch();
    node.flags = consolidated ? MFSINode::Consolidated : 0;
    index.insert(key, node);
    stagingObjects.removeAll(listEntry(key));
    watch(local);
    // Files dropped next to it later are found by the folder's scan.
    watch(info.path());
    return true;
}

void MObjectsVirtualFileSystemPrivate::fileChangedLocked(const QString &path, bool force,
                                                         Events *events,
                                                         const QByteArray &knownHash)
{
    const QString local = localPath(path);
    if (local.isEmpty())
        return;
    const QFileInfo info(local);
    if (!info.exists())
        return;
    watch(local);
    if (info.isDir()) {
        qCDebug(lcCoreCache) << "[MObjectsVFS : Debug] Is directory: skipping" << local;
        return;
    }
    if (info.isBundle()) {
        qCDebug(lcCoreCache) << "[MObjectsVFS : Debug] Is bundle: skipping" << local;
        return;
    }
    if (info.isSymLink()) {
        qCDebug(lcCoreCache) << "[MObjectsVFS : Debug] Is symlink: skipping" << local;
        return;
    }
    const QString key = shadowPath(local);
    if (isExcludedLocked(key)) {
        qCDebug(lcCoreCache) << "[MObjectsVFS : Debug] Path is excluded: skipping" << local;
        return;
    }
    MFSINode node = index.value(key);
    if (!force && info.lastModified().toMSecsSinceEpoch() <= node.mtime)
        return;
    QByteArray hash = knownHash;
    if (hash.isEmpty() && !fileHash(local, &hash)) {
        // Looked at again on its next change.
        qCWarning(lcCoreCache) << "[MObjectsVFS : Warning] Cannot read file for change detection:"
                               << local;
        return;
    }
    if (hash == node.indexedHash) {
        qCDebug(lcCoreCache) << "[MObjectsVFS : Info] Path" << key
                             << "=> File content did not change: no need for submission.";
        return;
    }
    qCDebug(lcCoreCache) << "[MObjectsVFS : Debug] Change detected: indexed hash ="
                         << node.indexedHash.toHex() << "new hash =" << hash.toHex();
    if (hash == node.stagingHash) {
        qCDebug(lcCoreCache) << "[MObjectsVFS : Debug] Staging hash already updated for" << key;
        return;
    }
    // Until its upload ends; what was saved meanwhile is looked at then.
    excludedPaths.insert(listEntry(key));
    node.stagingHash = hash;
    node.flags &= ~MFSINode::Consolidated;
    node.size = info.size();
    index.insert(key, node);
    if (!stagingObjects.contains(listEntry(key)))
        stagingObjects.append(listEntry(key));
    indexChangedLocked();
    events->staged = true;
}

void MObjectsVirtualFileSystemPrivate::removeLocked(const QString &path, bool indexOnly,
                                                    bool external, bool moveToBin, Events *events)
{
    const QString local = localPath(remoteKey(path));
    if (local.isEmpty()) {
        qCWarning(lcCoreCache)
            << "[MObjectsVFS : Warning] Refusing to remove a path outside the cache:" << path;
        return;
    }
    // A link planted in the working copy would take the removal wherever it points.
    const bool throughLink = MConfinedFolder(root).reachesThroughLink(local);
    if (throughLink)
        qCWarning(lcCoreCache) << "[MObjectsVFS : Warning] Not removing through a link:" << local;
    if (indexOnly || throughLink)
        index.remove(shadowPath(local));
    else
        removeEntryLocked(local, external, moveToBin, events);
    events->removed.append({path, external});
}

void MObjectsVirtualFileSystemPrivate::removeEntryLocked(const QString &local, bool external,
                                                         bool moveToBin, Events *events)
{
    const QString key = shadowPath(local);
    const MFSINode node = index.take(key);
    const QFileInfo info(local);
    if (info.isDir() && !info.isSymLink()) {
        const QFileInfoList entries = QDir(local).entryInfoList(
            QDir::Dirs | QDir::Files | QDir::NoSymLinks | QDir::Readable | QDir::NoDotAndDotDot);
        for (const QFileInfo &entry : entries) {
            removeEntryLocked(entry.filePath(), external, moveToBin, events);
            watcher->removePath(entry.filePath());
        }
        watcher->removePath(local);
        // A staged edit kept above keeps its folder too.
        if (!holdsFiles(local))
            QDir(local).removeRecursively();
        return;
    }
    if (!info.exists() && !info.isSymLink())
        return;
    watcher->removePath(local);
    if (moveToBin) {
        if (!this->moveToBin(local, node.indexedHash)) {
            // Left where it is, it would pass for a file the user added and be uploaded again.
            qCWarning(lcCoreCache)
                << "[MObjectsVFS : Error] Cannot move to the bin, keeping it indexed:" << local;
            index.insert(key, node);
            watch(local);
        }
    } else if (!node.hasStagingHash()) {
        QFile::remove(local);
    } else {
        // The edit is not on the service: it stays and is staged again.
        index.remove(key);
        excludedPaths.remove(listEntry(key));
        fileChangedLocked(local, true, events);
    }
}

void MObjectsVirtualFileSystemPrivate::consolidateLocked(const QString &key, const QByteArray &hash,
                                                         Events *events)
{
    auto it = index.find(key);
    if (it == index.end()) {
        qCWarning(lcCoreCache) << "Cannot find object in index for consolidation. Path:" << key;
        return;
    }
    if (it->isConsolidated())
        return;
    if (!hash.isEmpty()) {
        it->indexedHash = hash;
    } else if (!it->hasStagingHash()) {
        qCWarning(lcCoreCache) << "[MObjectsVFS : Warning] Staging hash is empty for object" << key
                               << ": unacceptable";
        return;
    } else {
        it->indexedHash = it->stagingHash;
    }
    it->stagingHash = QByteArray(MFSINode::HashSize, '\0');
    it->flags |= MFSINode::Consolidated;
    stagingObjects.removeAll(listEntry(key));
    events->consolidated.append(key);
    indexChangedLocked();
}

void MObjectsVirtualFileSystemPrivate::emitEvents(const Events &events)
{
    Q_Q(MObjectsVirtualFileSystem);
    for (const QString &key : events.consolidated)
        emit q->objectConsolidated(key);
    for (const auto &expired : events.expired)
        emit q->objectExpired(expired.first, expired.second);
    for (const auto &removed : events.removed)
        emit q->objectRemoved(removed.first, removed.second);
    if (events.staged)
        emit q->hasNewStagingObjects();
}

bool MObjectsVirtualFileSystem::addObject(const MStorageObject &object, bool consolidated)
{
    Q_D(MObjectsVirtualFileSystem);
    const QString local = localPath(object);
    const QFileInfo info(local);
    if (local.isEmpty() || !info.exists() || info.isDir()) {
        qCWarning(lcCoreCache) << "[MObjectsVFS : Error] Cannot add object" << object
                               << "; no readable file exists at path" << local;
        return false;
    }
    if (object.contentHash().isEmpty() && !(object.type() == MStorageObject::Directory))
        qCWarning(lcCoreCache, "MObjectsVirtualFileSystem: adding object with invalid hash");
    QMutexLocker locker(&d->mutex);
    d->addLocked(object, consolidated, local);
    d->indexChangedLocked();
    return true;
}

bool MObjectsVirtualFileSystem::addObject(const QString &localPath, bool consolidated)
{
    return !addObjects({localPath}, consolidated).isEmpty();
}

QStringList MObjectsVirtualFileSystem::addObjects(const QStringList &localPaths, bool consolidated)
{
    Q_D(MObjectsVirtualFileSystem);
    const QString root = fileSystemPath();
    QVector<QPair<QString, MStorageObject>> objects;
    for (const QString &path : localPaths) {
        const QString key = shadowPath(path);
        const QString local = key.isEmpty() ? QString() : localPath(key);
        const QFileInfo info(local);
        if (local.isEmpty() || !info.exists() || info.isDir() ||
            !mPathIsUnder(QDir::cleanPath(path), root)) {
            qCDebug(lcCoreCache)
                << "[MObjectsVFS : Error] Cannot add non-existing or unsupported file path" << path;
            continue;
        }
        // Hashed here, before the index is locked.
        const MStorageObject object(info, root + QStringLiteral("/objects"), QString());
        if (object.contentHash().isEmpty())
            qCWarning(lcCoreCache, "MObjectsVirtualFileSystem: adding object with invalid hash");
        objects.append({path, object});
    }
    QStringList added;
    QMutexLocker locker(&d->mutex);
    for (const auto &object : objects) {
        if (d->addLocked(object.second, consolidated, d->localPath(object.first)))
            added.append(object.first);
    }
    // One write for the lot: a folder of many files would otherwise rewrite it once each.
    if (!added.isEmpty())
        d->indexChangedLocked();
    return added;
}

bool MObjectsVirtualFileSystem::addUploadedObject(const QString &path, const QString &hash)
{
    Q_D(MObjectsVirtualFileSystem);
    const QString key = shadowPath(path);
    const QString local = key.isEmpty() ? QString() : localPath(key);
    const QFileInfo info(local);
    if (local.isEmpty() || !info.isFile())
        return false;
    const MStorageObject object(info, fileSystemPath() + QStringLiteral("/objects"), hash);
    MObjectsVirtualFileSystemPrivate::Events events;
    {
        QMutexLocker locker(&d->mutex);
        d->addLocked(object, true, local);
        // What was saved during the upload is staged now.
        d->fileChangedLocked(local, true, &events);
        d->indexChangedLocked();
    }
    d->emitEvents(events);
    return true;
}

void MObjectsVirtualFileSystem::recheckObject(const QString &path)
{
    Q_D(MObjectsVirtualFileSystem);
    MObjectsVirtualFileSystemPrivate::Events events;
    {
        QMutexLocker locker(&d->mutex);
        const QString key = d->shadowPath(path);
        if (key.isEmpty() || !d->index.contains(key))
            return;
        d->excludedPaths.remove(d->listEntry(key));
        d->fileChangedLocked(path, true, &events);
    }
    d->emitEvents(events);
}

void MObjectsVirtualFileSystem::removeObject(const QString &path, bool indexOnly, bool moveToBin)
{
    Q_D(MObjectsVirtualFileSystem);
    MObjectsVirtualFileSystemPrivate::Events events;
    {
        QMutexLocker locker(&d->mutex);
        d->removeLocked(path, indexOnly, false, moveToBin, &events);
    }
    d->emitEvents(events);
}

void MObjectsVirtualFileSystem::removeObject(const MStorageObject &object, bool indexOnly,
                                             bool moveToBin)
{
    removeObject(object.fullPath(), indexOnly, moveToBin);
}

bool MObjectsVirtualFileSystem::renameObject(const QString &from, const QString &to)
{
    Q_D(MObjectsVirtualFileSystem);
    if (!containsObject(from))
        return false;
    QMutexLocker locker(&d->mutex);
    const QString fromLocal = d->localPath(d->remoteKey(from));
    const QString toLocal = d->localPath(d->remoteKey(to));
    if (fromLocal.isEmpty() || toLocal.isEmpty()) {
        qCWarning(lcCoreCache) << "Cannot rename" << from << "to" << to << ": outside the cache";
        return false;
    }
    const MConfinedFolder confined(d->root);
    if (confined.reachesThroughLink(fromLocal) || confined.reachesThroughLink(toLocal)) {
        qCWarning(lcCoreCache) << "Cannot rename" << from << "to" << to << ": through a link";
        return false;
    }
    const QString fromKey = d->shadowPath(fromLocal);
    const QString toKey = d->shadowPath(toLocal);
    const QFileInfo destination(toLocal);
    QString target = destination.absoluteFilePath();
    if (destination.exists()) {
        const QString host = TolvoProcess::instance()->localHostName();
        target = destination.path() + QStringLiteral("/%1 - Conflicting copy of %2 - %3")
                                          .arg(destination.baseName(), host,
                                               QDateTime::currentDateTime().toString(Qt::TextDate));
        if (!destination.completeSuffix().isEmpty())
            target += QStringLiteral(".%1").arg(destination.completeSuffix());
    }
    QDir().mkpath(QFileInfo(target).path());
    const QString source = QFileInfo(fromLocal).absoluteFilePath();
    // An exclusion someone else set (a download under that name) stays theirs to lift.
    const bool sourceExcluded =
        d->excludedPaths.contains(MObjectsVirtualFileSystemPrivate::listEntry(fromKey));
    d->excludeLocked({source, target});
    // Without its watch and, once moved, its pending checks, nothing of the move reaches
    // change detection under the old name, which can then be included again.
    d->watcher->removePath(fromLocal);
    const bool renamed = QFile::rename(fromLocal, target);
    if (renamed) {
        if (d->index.contains(fromKey))
            d->index.insert(toKey, d->index.take(fromKey));
        stopPendingChanges(fromLocal);
        d->watch(target);
    } else {
        qCWarning(lcCoreCache) << "Cannot rename" << fromLocal << "to" << target;
        d->watch(fromLocal);
    }
    // A file made under the old name later is the user's new file, to be uploaded.
    d->includeLocked(sourceExcluded ? QStringList{target} : QStringList{source, target});
    d->indexChangedLocked();
    return renamed;
}

bool MObjectsVirtualFileSystem::moveDirectory(const QString &from, const QString &to)
{
    Q_D(MObjectsVirtualFileSystem);
    const QString fromLocal = localPath(from);
    const QString toLocal = localPath(to);
    if (fromLocal.isEmpty() || toLocal.isEmpty()) {
        qCWarning(lcCoreCache) << "Cannot move folder" << from << "to" << to
                               << ": outside the cache";
        return true;
    }
    const QString folder = QFileInfo(fromLocal).absoluteFilePath();
    // Kept from the scanner while its files move, then included again below (unless someone
    // else excluded it): a folder made under the old name later is the user's new folder.
    bool folderExcluded = false;
    {
        QMutexLocker locker(&d->mutex);
        folderExcluded = d->excludedPaths.contains(
            MObjectsVirtualFileSystemPrivate::listEntry(d->shadowPath(folder)));
        d->excludeLocked({folder});
    }
    const bool isDir = QFileInfo(fromLocal).isDir();
    if (isDir) {
        // Its own events of the move would otherwise come in once it is gone.
        d->watcher->removePath(fromLocal);
        QDir().mkpath(toLocal);
        const QFileInfoList entries = QDir(fromLocal).entryInfoList(
            QDir::Dirs | QDir::Files | QDir::Readable | QDir::NoDotAndDotDot);
        for (const QFileInfo &entry : entries) {
            const QString source = QDir::cleanPath(QStringLiteral("%1%2%3").arg(
                QDir::cleanPath(from), QStringLiteral("/"), entry.fileName()));
            const QString destination = QDir::cleanPath(QStringLiteral("%1%2%3").arg(
                QDir::cleanPath(to), QStringLiteral("/"), entry.fileName()));
            if (entry.isDir() && !entry.isSymLink())
                moveDirectory(source, destination);
            else
                renameObject(source, destination);
        }
    }
    if (isDir && !holdsFiles(fromLocal))
        QDir(fromLocal).removeRecursively();
    if (QFileInfo(fromLocal).isDir())
        d->watch(fromLocal);
    else if (isDir)
        stopPendingChanges(fromLocal);
    if (!folderExcluded) {
        QMutexLocker locker(&d->mutex);
        d->includeLocked({folder});
    }
    return true;
}

void MObjectsVirtualFileSystem::expireObject(const QString &path, const QByteArray &remoteHash)
{
    Q_D(MObjectsVirtualFileSystem);
    MObjectsVirtualFileSystemPrivate::Events events;
    {
        QMutexLocker locker(&d->mutex);
        const QString key = d->shadowPath(d->remoteKey(path));
        auto it = d->index.find(key);
        if (key.isEmpty() || it == d->index.end()) {
            qCWarning(lcCoreCache) << "Cannot find object in index for expiration. Path:" << key;
            return;
        }
        if (remoteHash == it->stagingHash) {
            // The service holds the staged edit.
            d->consolidateLocked(key, remoteHash, &events);
        } else if (remoteHash != it->indexedHash) {
            events.expired.append({key, it->isConsolidated()});
            it->flags |= MFSINode::Expired;
            d->indexChangedLocked();
        }
    }
    d->emitEvents(events);
}

void MObjectsVirtualFileSystem::consolidate(const MStorageObject &object)
{
    Q_D(MObjectsVirtualFileSystem);
    MObjectsVirtualFileSystemPrivate::Events events;
    {
        QMutexLocker locker(&d->mutex);
        const QString key = d->shadowPath(d->remoteKey(object.fullPath()));
        const QByteArray hash = object.contentHash().isEmpty()
                                    ? QByteArray()
                                    : MFSINode::hashFromHex(object.contentHash());
        d->consolidateLocked(key, hash, &events);
    }
    d->emitEvents(events);
}

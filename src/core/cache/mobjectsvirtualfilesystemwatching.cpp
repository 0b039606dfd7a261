// Watching the cached files and folders for the user's changes.
#include "mobjectsvirtualfilesystem.h"
#include "mobjectsvirtualfilesystem_p.h"

#include "corelogging.h"
#include "mfilenames.h"
#include "mfolderwatcher.h"
#include "mobjectsvfsscanner.h"

#include <QDebug>
#include <QFileInfo>
#include <QTimerEvent>

namespace {

constexpr int FileChangeDelay = 300;
constexpr int MissingFileDelay = 2000;

} // namespace

void MObjectsVirtualFileSystemPrivate::watch(const QString &path)
{
    if (!watcher->addPath(path))
        qCDebug(lcCoreCache) << "[MObjectsVFS : Error] Cannot watch for path" << path;
}

void MObjectsVirtualFileSystem::timerEvent(QTimerEvent *event)
{
    Q_D(MObjectsVirtualFileSystem);
    const int id = event->timerId();
    if (id == d->indexWriteTimerId) {
        d->indexWriteTimerFired();
    } else if (id == d->checkRetryTimerId) {
        killTimer(id);
        d->checkRetryTimerId = 0;
        sendCheckRequest();
    } else if (d->missingFileTimers.contains(id)) {
        // The record stays: the change detection below tells the re-check from a first miss.
        const QString path = d->missingFileTimers.value(id);
        killTimer(id);
        fileChanged(path);
    } else if (d->fileChangeTimers.contains(id)) {
        const QString path = d->fileChangeTimers.take(id);
        killTimer(id);
        fileChanged(path);
    } else if (d->directoryChangeTimers.contains(id)) {
        killTimer(id);
        const QString path = d->directoryChangeTimers.take(id);
        if (QFileInfo(path).isDir()) {
            if (d->scanner)
                d->scanner->scheduleScan(path);
        } else {
            fileChanged(path);
        }
    } else {
        qCWarning(lcCoreCache, "MObjectsVirtualFileSystem::timerEvent unexpected timer event.");
    }
}

void MObjectsVirtualFileSystem::stopMissingFileTimers(const QString &path)
{
    Q_D(MObjectsVirtualFileSystem);
    for (auto it = d->missingFileTimers.begin(); it != d->missingFileTimers.end();) {
        if (it.value() == path) {
            killTimer(it.key());
            it = d->missingFileTimers.erase(it);
        } else {
            ++it;
        }
    }
}

void MObjectsVirtualFileSystem::stopPendingChanges(const QString &local)
{
    Q_D(MObjectsVirtualFileSystem);
    for (QMap<int, QString> *timers :
         {&d->missingFileTimers, &d->fileChangeTimers, &d->directoryChangeTimers}) {
        for (auto it = timers->begin(); it != timers->end();) {
            if (mPathIsUnder(it.value(), local)) {
                killTimer(it.key());
                it = timers->erase(it);
            } else {
                ++it;
            }
        }
    }
}

void MObjectsVirtualFileSystem::fileChanged(const QString &path)
{
    Q_D(MObjectsVirtualFileSystem);
    MObjectsVirtualFileSystemPrivate::Events events;
    if (QFileInfo::exists(path)) {
        // Saved again in place (an editor's replace): a change, not a deletion.
        stopMissingFileTimers(path);
        QMutexLocker locker(&d->mutex);
        d->fileChangedLocked(path, false, &events);
    } else if (!d->missingFileTimers.values().contains(path)) {
        d->missingFileTimers.insert(startTimer(MissingFileDelay, Qt::CoarseTimer), path);
        return;
    } else {
        stopMissingFileTimers(path);
        QMutexLocker locker(&d->mutex);
        const QString key = d->shadowPath(path);
        if (key.isEmpty() || d->isExcludedLocked(key))
            return;
        // A vanished cache folder is not the user deleting each file in it: deleting every
        // remote object it held would be.
        if (!QFileInfo(d->objectsPath()).isDir()) {
            qCWarning(lcCoreCache)
                << "[MObjectsVFS : Warning] The cache folder is gone; not treating" << path
                << "as deleted";
            return;
        }
        qCInfo(lcCoreCache) << "[MObjectsVFS : Info] Deleted path" << path;
        d->removeLocked(key, true, true, false, &events);
    }
    d->emitEvents(events);
}

void MObjectsVirtualFileSystem::coalesceFileChanges(const QString &path)
{
    Q_D(MObjectsVirtualFileSystem);
    if (!d->fileChangeTimers.values().contains(path))
        d->fileChangeTimers.insert(startTimer(FileChangeDelay, Qt::CoarseTimer), path);
}

void MObjectsVirtualFileSystem::directoryChanged(const QString &path)
{
    Q_D(MObjectsVirtualFileSystem);
    if (!d->directoryChangeTimers.values().contains(path))
        d->directoryChangeTimers.insert(startTimer(FileChangeDelay, Qt::CoarseTimer), path);
}

void MObjectsVirtualFileSystem::handlePathsAdded(const QStringList &paths)
{
    Q_D(MObjectsVirtualFileSystem);
    QSet<QString> reported;
    QStringList files;
    for (const QString &path : paths) {
        const QString key = shadowPath(path);
        const QString local = key.isEmpty() ? QString() : localPath(key);
        if (local.isEmpty()) {
            continue;
        } else if (QFileInfo(local).isDir()) {
            if (!containsDirectory(key)) {
                d->watch(local);
                reported.insert(path);
            }
        } else if (!containsObject(key) && !isExcluded(key)) {
            files.append(path);
        }
    }
    // A file gone since the scan is not reported as added.
    const QStringList indexed = addObjects(files, false);
    reported.unite(QSet<QString>(indexed.cbegin(), indexed.cend()));
    QStringList result;
    for (const QString &path : paths) {
        if (reported.contains(path))
            result.append(path);
    }
    qCDebug(lcCoreCache) << "[MObjectsVFS : Debug] New paths added:" << result;
    if (!result.isEmpty())
        emit objectsAdded(result, true);
}

#include "mobjectsvfsscanner.h"

#include "mobjectsvirtualfilesystem.h"

#include <QDirIterator>

MObjectsVFSScanner::MObjectsVFSScanner(MObjectsVirtualFileSystem *cache)
    : cache(cache)
{}

void MObjectsVFSScanner::scheduleScan(const QString &path)
{
    QMetaObject::invokeMethod(
        this, [this, path] { scan(path); }, Qt::QueuedConnection);
}

void MObjectsVFSScanner::stop()
{
    stopRequested = true;
    QMutexLocker locker(&mutex);
    // A running scan reports its own end.
    if (!scanning)
        emit stopped();
}

void MObjectsVFSScanner::scan(const QString &path)
{
    {
        QMutexLocker locker(&mutex);
        scanning = true;
    }
    QStringList found;
    QDirIterator entries(path, QDir::Dirs | QDir::Files | QDir::NoSymLinks | QDir::Readable |
                                   QDir::NoDotAndDotDot);
    while (!stopRequested && entries.hasNext()) {
        const QString entry = entries.next();
        // Each lookup locks the cache's index on its own; the index may change in between,
        // which the cache's own handling of the result tolerates.
        const QString key = cache->shadowPath(entry);
        if (key.isEmpty())
            continue;
        if (!cache->containsObject(key) && !cache->isExcluded(key))
            found.append(entry);
    }
    {
        QMutexLocker locker(&mutex);
        scanning = false;
    }
    if (!found.isEmpty() && !stopRequested)
        emit pathsAdded(found);
    if (stopRequested)
        emit stopped();
}

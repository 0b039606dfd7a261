#include "mobjectsvirtualfilesystem.h"
#include "mobjectsvirtualfilesystem_p.h"

#include <QDir>
#include <QFileInfo>
#include <QTimerEvent>

MObjectsVirtualFileSystemPrivate::MObjectsVirtualFileSystemPrivate(MObjectsVirtualFileSystem *q)
    : q_ptr(q)
{}

QString MObjectsVirtualFileSystemPrivate::objectsPath() const
{
    return root + QStringLiteral("/objects");
}

QString MObjectsVirtualFileSystemPrivate::localPath(const QString &path) const
{
    if (root.isEmpty())
        return QString();
    if (path.startsWith(root + QLatin1Char('/')))
        return QDir::cleanPath(path);
    return QDir::cleanPath(objectsPath() + QLatin1Char('/') + path);
}

QString MObjectsVirtualFileSystemPrivate::shadowPath(const QString &path) const
{
    const QString local = localPath(path);
    if (local.isEmpty())
        return QString();
    return QDir(objectsPath()).relativeFilePath(local);
}

MObjectsVirtualFileSystem::MObjectsVirtualFileSystem(QObject *parent)
    : QObject(parent)
    , d_ptr(new MObjectsVirtualFileSystemPrivate(this))
{}

MObjectsVirtualFileSystem::~MObjectsVirtualFileSystem() = default;

void MObjectsVirtualFileSystem::setFileSystemPath(const QString &path)
{
    d_func()->root = QDir::cleanPath(path);
}

QString MObjectsVirtualFileSystem::fileSystemPath() const
{
    return d_func()->root;
}

QString MObjectsVirtualFileSystem::localPath(const QString &path) const
{
    return d_func()->localPath(path);
}

QString MObjectsVirtualFileSystem::localPath(const MStorageObject &object) const
{
    return localPath(object.fullPath());
}

QString MObjectsVirtualFileSystem::shadowPath(const QString &path) const
{
    return d_func()->shadowPath(path);
}

bool MObjectsVirtualFileSystem::containsObject(const QString &path, bool *consolidated,
                                               bool *expired) const
{
    Q_D(const MObjectsVirtualFileSystem);
    QMutexLocker locker(&d->mutex);
    const QString key = d->shadowPath(path);
    const auto it = d->index.constFind(key);
    if (key.isEmpty() || it == d->index.constEnd())
        return false;
    if (consolidated)
        *consolidated = it->isConsolidated();
    if (expired)
        *expired = it->isExpired();
    return QFileInfo::exists(d->localPath(key));
}

bool MObjectsVirtualFileSystem::containsObject(const MStorageObject &object, bool *consolidated,
                                               bool *expired) const
{
    return containsObject(object.fullPath(), consolidated, expired);
}

bool MObjectsVirtualFileSystem::containsDirectory(const QString &) const
{
    return false;
}

QString MObjectsVirtualFileSystem::indexedHash(const QString &path) const
{
    Q_D(const MObjectsVirtualFileSystem);
    QMutexLocker locker(&d->mutex);
    const auto it = d->index.constFind(d->shadowPath(path));
    if (it == d->index.constEnd())
        return QString();
    return QString::fromLatin1(it->indexedHash.toHex());
}

QStringList MObjectsVirtualFileSystem::indexedPaths() const
{
    Q_D(const MObjectsVirtualFileSystem);
    QMutexLocker locker(&d->mutex);
    return d->index.keys();
}

bool MObjectsVirtualFileSystem::isExcluded(const QString &) const
{
    return false;
}

bool MObjectsVirtualFileSystem::addObject(const MStorageObject &, bool)
{
    return false;
}

bool MObjectsVirtualFileSystem::addObject(const QString &, bool)
{
    return false;
}

void MObjectsVirtualFileSystem::removeObject(const QString &path, bool, bool)
{
    emit objectRemoved(path, false);
}

void MObjectsVirtualFileSystem::removeObject(const MStorageObject &object, bool indexOnly,
                                             bool moveToBin)
{
    removeObject(object.fullPath(), indexOnly, moveToBin);
}

bool MObjectsVirtualFileSystem::renameObject(const QString &, const QString &)
{
    return false;
}

bool MObjectsVirtualFileSystem::moveDirectory(const QString &, const QString &)
{
    return true;
}

void MObjectsVirtualFileSystem::expireObject(const QString &, const QByteArray &) {}

QStringList MObjectsVirtualFileSystem::takeStagingObjects()
{
    Q_D(MObjectsVirtualFileSystem);
    QMutexLocker locker(&d->mutex);
    return std::exchange(d->stagingObjects, {});
}

void MObjectsVirtualFileSystem::excludePaths(const QStringList &) {}

void MObjectsVirtualFileSystem::includePaths(const QStringList &) {}

bool MObjectsVirtualFileSystem::openObject(const QString &, const QUrl &)
{
    return false;
}

bool MObjectsVirtualFileSystem::openObject(const MStorageObject &object, const QUrl &appUrl)
{
    return openObject(object.fullPath(), appUrl);
}

void MObjectsVirtualFileSystem::consolidate(const MStorageObject &) {}

void MObjectsVirtualFileSystem::flush() {}

void MObjectsVirtualFileSystem::reload() {}

void MObjectsVirtualFileSystem::sendCheckRequest() {}

void MObjectsVirtualFileSystem::timerEvent(QTimerEvent *event)
{
    QObject::timerEvent(event);
}

void MObjectsVirtualFileSystem::fileChanged(const QString &) {}

void MObjectsVirtualFileSystem::coalesceFileChanges(const QString &) {}

void MObjectsVirtualFileSystem::responseObjectReadySlot(const QVariant &, const MNetworkRequest &,
                                                        const MNetworkReply &)
{}

void MObjectsVirtualFileSystem::decodeErrorSlot(const MNetworkRequest &, const QByteArray &,
                                                const MNetworkReply &)
{}

void MObjectsVirtualFileSystem::directoryChanged(const QString &) {}

void MObjectsVirtualFileSystem::handlePathsAdded(const QStringList &) {}

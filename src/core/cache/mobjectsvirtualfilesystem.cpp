#include "mobjectsvirtualfilesystem.h"
#include "mobjectsvirtualfilesystem_p.h"

#include "corelogging.h"
#include "mabstractfileopener.h"
#include "mfilenames.h"
#include "mfolderwatcher.h"
#include "mjsonrequestmanager.h"
#include "mobjectsvfsscanner.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

MObjectsVirtualFileSystemPrivate::MObjectsVirtualFileSystemPrivate(MObjectsVirtualFileSystem *q)
    : q_ptr(q)
{}

QString MObjectsVirtualFileSystemPrivate::objectsPath() const
{
    return root + QStringLiteral("/objects");
}

QString MObjectsVirtualFileSystemPrivate::localPath(const QString &path) const
{
    if (root.isEmpty() || path.contains(QChar(0)) || mPathHasParentComponent(path))
        return QString();
    const QString objects = objectsPath();
    const QString local = mPathIsUnder(QDir::cleanPath(path), root)
                              ? QDir::cleanPath(path)
                              : QDir::cleanPath(objects + QLatin1Char('/') + path);
    // Also refuses the cache's own files (root/index, the bin) named by a local path.
    if (!mPathIsUnder(local, objects))
        return QString();
    return local;
}

QString MObjectsVirtualFileSystemPrivate::shadowPath(const QString &path) const
{
    const QString local = localPath(path);
    if (local.isEmpty())
        return QString();
    return local.mid(objectsPath().size() + 1);
}

QString MObjectsVirtualFileSystemPrivate::remoteKey(const QString &remote)
{
    int start = 0;
    while (start < remote.size() && remote.at(start) == QLatin1Char('/'))
        ++start;
    return remote.mid(start);
}

QString MObjectsVirtualFileSystemPrivate::listEntry(const QString &key)
{
    return QDir::cleanPath(QLatin1Char('/') + key);
}

bool MObjectsVirtualFileSystemPrivate::fileHash(const QString &path, QByteArray *hash)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QCryptographicHash md5(QCryptographicHash::Md5);
    if (!md5.addData(&file) || file.error() != QFileDevice::NoError)
        return false;
    *hash = md5.result();
    return true;
}

bool MObjectsVirtualFileSystemPrivate::isExcludedLocked(const QString &key) const
{
    const QString entry = listEntry(key);
    if (excludedPaths.contains(entry))
        return true;
    // A folder whose files are being written (a download into a new folder) is not new.
    const QString prefix = entry + QLatin1Char('/');
    for (const QString &excluded : excludedPaths) {
        if (excluded.startsWith(prefix))
            return true;
    }
    return false;
}

void MObjectsVirtualFileSystemPrivate::excludeLocked(const QStringList &paths)
{
    for (const QString &path : paths) {
        const QString key = shadowPath(path);
        if (!key.isEmpty())
            excludedPaths.insert(listEntry(key));
    }
}

void MObjectsVirtualFileSystemPrivate::includeLocked(const QStringList &paths)
{
    for (const QString &path : paths) {
        const QString key = shadowPath(path);
        if (!key.isEmpty())
            excludedPaths.remove(listEntry(key));
    }
}

MObjectsVirtualFileSystem::MObjectsVirtualFileSystem(QObject *parent)
    : QObject(parent)
    , d_ptr(new MObjectsVirtualFileSystemPrivate(this))
{
    Q_D(MObjectsVirtualFileSystem);
    d->watcher = new MFolderWatcher(this);
    connect(d->watcher, &MFolderWatcher::fileChanged, this,
            &MObjectsVirtualFileSystem::coalesceFileChanges);
    connect(d->watcher, &MFolderWatcher::directoryChanged, this,
            &MObjectsVirtualFileSystem::directoryChanged);
    d->jsonManager = new MJsonRequestManager(this);
    d->jsonManager->adoptSettings();
    d->jsonManager->setRetryAuthenticatedRequests(true);
    connect(d->jsonManager, &MJsonRequestManager::responseObjectReady, this,
            &MObjectsVirtualFileSystem::responseObjectReadySlot);
    connect(d->jsonManager, &MJsonRequestManager::decodeError, this,
            &MObjectsVirtualFileSystem::decodeErrorSlot);
}

MObjectsVirtualFileSystem::~MObjectsVirtualFileSystem()
{
    Q_D(MObjectsVirtualFileSystem);
    if (d->scanner) {
        d->scanner->stop();
        d->scannerThread.wait();
        // Its thread has ended: nothing would run a deleteLater().
        delete d->scanner;
        d->scanner = nullptr;
    }
    QMutexLocker locker(&d->mutex);
    d->writeIndexLocked();
}

void MObjectsVirtualFileSystem::setFileSystemPath(const QString &path)
{
    Q_D(MObjectsVirtualFileSystem);
    const QString root = QDir::cleanPath(path);
    if (root == d->root)
        return;
    const QString failure = MObjectsVirtualFileSystemPrivate::makeLayout(root);
    if (!failure.isEmpty()) {
        // A full disk or a folder the user cannot write is no reason to stop the client.
        qCCritical(lcCoreCache).noquote()
            << "[MObjectsVFS : Error]" << failure << "- running without the local cache";
        QMutexLocker locker(&d->mutex);
        // The index of a previous root is written whole before the cache lets go of it.
        d->writeIndexLocked();
        d->root.clear();
        d->index.clear();
        d->stagingObjects.clear();
        return;
    }
    // The user's cached files are nobody else's to read.
    QFile::setPermissions(root,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    d->purgeBin(root);
    {
        QMutexLocker locker(&d->mutex);
        // A write held back belongs to the previous root.
        if (d->indexDirty)
            d->writeIndexLocked();
        d->root = root;
    }
    if (!d->scanner) {
        d->scanner = new MObjectsVFSScanner(this);
        d->scannerThread.setObjectName(QStringLiteral("com.kerloapp.dirscanner"));
        d->scanner->moveToThread(&d->scannerThread);
        connect(d->scanner, &MObjectsVFSScanner::stopped, &d->scannerThread, &QThread::quit,
                Qt::DirectConnection);
        connect(d->scanner, &MObjectsVFSScanner::pathsAdded, this,
                &MObjectsVirtualFileSystem::handlePathsAdded, Qt::QueuedConnection);
        d->scannerThread.start(QThread::InheritPriority);
    }
    d->watcher->addFolder(d->objectsPath());
    QTimer::singleShot(0, this, &MObjectsVirtualFileSystem::reload);
}

QString MObjectsVirtualFileSystem::fileSystemPath() const
{
    Q_D(const MObjectsVirtualFileSystem);
    QMutexLocker locker(&d->mutex);
    return d->root;
}

QString MObjectsVirtualFileSystem::localPath(const QString &path) const
{
    Q_D(const MObjectsVirtualFileSystem);
    QMutexLocker locker(&d->mutex);
    return d->localPath(d->remoteKey(path));
}

QString MObjectsVirtualFileSystem::localPath(const MStorageObject &object) const
{
    return localPath(object.fullPath());
}

QString MObjectsVirtualFileSystem::shadowPath(const QString &path) const
{
    Q_D(const MObjectsVirtualFileSystem);
    QMutexLocker locker(&d->mutex);
    return d->shadowPath(path);
}

bool MObjectsVirtualFileSystem::containsObject(const QString &path, bool *consolidated,
                                               bool *expired) const
{
    Q_D(const MObjectsVirtualFileSystem);
    QMutexLocker locker(&d->mutex);
    const QString key = d->shadowPath(d->remoteKey(path));
    const auto it = d->index.constFind(key);
    if (key.isEmpty() || it == d->index.constEnd())
        return false;
    const QFileInfo info(d->localPath(key));
    if (!info.exists())
        return false;
    if (info.isFile()) {
        if (consolidated)
            *consolidated = it->isConsolidated();
        if (expired)
            *expired = it->isExpired();
    }
    return true;
}

bool MObjectsVirtualFileSystem::containsObject(const MStorageObject &object, bool *consolidated,
                                               bool *expired) const
{
    return containsObject(object.fullPath(), consolidated, expired);
}

bool MObjectsVirtualFileSystem::containsDirectory(const QString &path) const
{
    Q_D(const MObjectsVirtualFileSystem);
    QMutexLocker locker(&d->mutex);
    const QString key = d->shadowPath(d->remoteKey(path));
    if (d->localPath(d->remoteKey(path)).isEmpty())
        return false;
    // The objects folder itself holds every key.
    if (key.isEmpty())
        return !d->index.isEmpty();
    const QString prefix = key + QLatin1Char('/');
    const auto it = d->index.lowerBound(prefix);
    return it != d->index.constEnd() && it.key().startsWith(prefix);
}

QString MObjectsVirtualFileSystem::indexedHash(const QString &path) const
{
    Q_D(const MObjectsVirtualFileSystem);
    QMutexLocker locker(&d->mutex);
    const QString key = d->shadowPath(d->remoteKey(path));
    const auto it = d->index.constFind(key);
    if (key.isEmpty() || it == d->index.constEnd())
        return QString();
    return QString::fromLatin1(it->indexedHash.toHex());
}

QStringList MObjectsVirtualFileSystem::indexedPaths() const
{
    Q_D(const MObjectsVirtualFileSystem);
    QMutexLocker locker(&d->mutex);
    return d->index.keys();
}

bool MObjectsVirtualFileSystem::isExcluded(const QString &path) const
{
    Q_D(const MObjectsVirtualFileSystem);
    QMutexLocker locker(&d->mutex);
    const QString key = d->shadowPath(d->remoteKey(path));
    return !key.isEmpty() && d->isExcludedLocked(key);
}

QStringList MObjectsVirtualFileSystem::takeStagingObjects()
{
    Q_D(MObjectsVirtualFileSystem);
    QMutexLocker locker(&d->mutex);
    return std::exchange(d->stagingObjects, {});
}

void MObjectsVirtualFileSystem::excludePaths(const QStringList &paths)
{
    Q_D(MObjectsVirtualFileSystem);
    QStringList keys;
    for (const QString &path : paths)
        keys.append(d->remoteKey(path));
    QMutexLocker locker(&d->mutex);
    d->excludeLocked(keys);
}

void MObjectsVirtualFileSystem::includePaths(const QStringList &paths)
{
    Q_D(MObjectsVirtualFileSystem);
    QStringList keys;
    for (const QString &path : paths)
        keys.append(d->remoteKey(path));
    QMutexLocker locker(&d->mutex);
    d->includeLocked(keys);
}

bool MObjectsVirtualFileSystem::openObject(const QString &path, const QUrl &appUrl)
{
    const QString local = localPath(path);
    MAbstractFileOpener *opener = MAbstractFileOpener::instance();
    if (local.isEmpty() || !opener || !QFileInfo::exists(local))
        return false;
    return opener->openFile(QUrl::fromLocalFile(local), appUrl, nullptr);
}

bool MObjectsVirtualFileSystem::openObject(const MStorageObject &object, const QUrl &appUrl)
{
    return openObject(object.fullPath(), appUrl);
}

// The index file, the folder layout and the bin of deleted files.
#include "mobjectsvirtualfilesystem.h"
#include "mobjectsvirtualfilesystem_p.h"

#include "corelogging.h"
#include "mconfinedfolder.h"
#include "mfolderwatcher.h"

#include <QDataStream>
#include <QDate>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QThread>

#include <cerrno>

namespace {

constexpr int BinKeepDays = 4;
// How long index writes are held back after one: changes in that time are written together
// at its end. A crash loses at most that much of the index, which the next start repairs
// (edits are found by their hashes, new files by the scan).
constexpr int IndexWriteInterval = 500;
// Key length (4), both hashes, size, mtime and flags: the least an entry takes in the file.
constexpr qint64 MinimumEntrySize = 4 + 2 * MFSINode::HashSize + 8 + 8 + 1;

} // namespace

bool MObjectsVirtualFileSystemPrivate::moveToBin(const QString &local, const QByteArray &hash)
{
    const QString folder = root + QLatin1Char('/') + QStringLiteral("deleted") + QLatin1Char('/') +
                           QDate::currentDate().toString(Qt::ISODate);
    // Made without following a link: one planted there would take the bin elsewhere.
    if (!MConfinedFolder(root).makeFolders(folder))
        return false;
    const QFileInfo info(local);
    const QString stem = folder + QLatin1Char('/') + info.baseName() + QLatin1Char(' ') +
                         QString::fromLatin1(hash.toHex());
    const QString suffix = QLatin1Char('.') + info.completeSuffix();
    QString target = stem + suffix;
    // Two files of one name and content binned on one day each keep their own copy.
    for (int n = 2; QFileInfo::exists(target) || QFileInfo(target).isSymLink(); ++n)
        target = stem + QLatin1Char(' ') + QString::number(n) + suffix;
    return QFile::rename(local, target);
}

void MObjectsVirtualFileSystemPrivate::indexChangedLocked()
{
    Q_Q(MObjectsVirtualFileSystem);
    if (root.isEmpty())
        return;
    if (indexWriteTimerId) {
        indexDirty = true;
        return;
    }
    writeIndexLocked();
    // Timers belong to the cache's thread; from another one, every change is written at once.
    if (QThread::currentThread() == q->thread())
        indexWriteTimerId = q->startTimer(IndexWriteInterval);
}

void MObjectsVirtualFileSystemPrivate::indexWriteTimerFired()
{
    Q_Q(MObjectsVirtualFileSystem);
    QMutexLocker locker(&mutex);
    if (indexDirty) {
        // Another interval for the changes still coming in.
        writeIndexLocked();
        return;
    }
    q->killTimer(indexWriteTimerId);
    indexWriteTimerId = 0;
}

void MObjectsVirtualFileSystemPrivate::writeIndexLocked()
{
    indexDirty = false;
    if (root.isEmpty())
        return;
    // A crash or a full disk while writing leaves the previous file whole.
    QSaveFile file(root + QStringLiteral("/index"));
    if (!file.open(QIODevice::WriteOnly)) {
        qCCritical(lcCoreCache) << "[MObjectsVFS : Error] Cannot write index file:"
                                << file.errorString();
        return;
    }
    // Built in memory and written in one go: streamed into the file, each field would pass
    // through the device's buffering on its own.
    QByteArray bytes;
    bytes.reserve(10 + index.size() * (MinimumEntrySize + 2 * 64));
    {
        QDataStream stream(&bytes, QIODevice::WriteOnly);
        stream.setVersion(QDataStream::Qt_5_3);
        stream << IndexMagic << IndexVersion << qint32(index.size());
        for (auto it = index.constBegin(); it != index.constEnd(); ++it)
            stream << it.key() << it.value();
    }
    if (file.write(bytes) != bytes.size() || !file.commit())
        qCCritical(lcCoreCache) << "[MObjectsVFS : Error] Cannot write index file:"
                                << file.errorString();
}

void MObjectsVirtualFileSystemPrivate::setIndexAside(const QString &reason)
{
    const QString path = root + QStringLiteral("/index");
    const QString aside =
        path + QStringLiteral(".damaged-") +
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddTHHmmsszzz"));
    qCCritical(lcCoreCache).noquote()
        << "[MObjectsVFS : Error]" << reason << "Index file set aside as" << aside;
    if (!QFile::rename(path, aside))
        qCCritical(lcCoreCache) << "[MObjectsVFS : Error] Cannot set the index file aside:" << path;
}

bool MObjectsVirtualFileSystemPrivate::readIndexLocked(Events *events)
{
    if (root.isEmpty())
        return false;
    QFile file(root + QStringLiteral("/index"));
    if (!file.open(QIODevice::ReadOnly)) {
        qCCritical(lcCoreCache) << "[MObjectsVFS : Error] Cannot read index file:"
                                << file.errorString();
        return false;
    }
    if (file.size() == 0)
        return false;
    QDataStream stream(&file);
    stream.setVersion(QDataStream::Qt_5_3);
    qint32 magic = 0;
    qint16 version = 0;
    qint32 count = 0;
    stream >> magic;
    if (magic != IndexMagic) {
        qCCritical(lcCoreCache, "Unexpected magic. Cannot load from index file.");
        file.close();
        // What is in memory is written in its place.
        setIndexAside(QStringLiteral("Unexpected magic."));
        writeIndexLocked();
        return false;
    }
    stream >> version >> count;
    // Entries read before any damage are kept; a count the file cannot hold is damage too.
    QMap<QString, MFSINode> entries;
    bool damaged = stream.status() != QDataStream::Ok || count < 0 ||
                   count > (file.size() - file.pos()) / MinimumEntrySize;
    for (qint32 i = 0; !damaged && i < count; ++i) {
        QString key;
        MFSINode node;
        stream >> key >> node;
        if (stream.status() != QDataStream::Ok) {
            damaged = true;
        } else if (key.isEmpty() || shadowPath(key) != key) {
            qCWarning(lcCoreCache)
                << "[MObjectsVFS : Warning] Dropping an index entry with a bad key:" << key;
        } else {
            entries.insert(key, node);
        }
    }
    if (!damaged && !stream.atEnd())
        damaged = true;
    file.close();
    if (damaged)
        setIndexAside(QStringLiteral("Damaged index file: %1 of %2 entries read.")
                          .arg(entries.size())
                          .arg(count));

    index.clear();
    stagingObjects.clear();
    // Local path and new MD5 of each file whose content differs from its entry's.
    QVector<QPair<QString, QByteArray>> changed;
    // Each file and its folder are watched: files dropped next to it are found by the
    // folder's scan.
    QSet<QString> folders;
    for (auto it = entries.constBegin(); it != entries.constEnd(); ++it) {
        const QString local = localPath(it.key());
        const QFileInfo info(local);
        if (!info.isFile()) {
            qCDebug(lcCoreCache) << "[MObjectsVFS : Debug] Path" << it.key()
                                 << "disappeared: skipping";
            continue;
        }
        QByteArray hash;
        if (!fileHash(local, &hash)) {
            // Kept as it was; its next change is looked at.
            qCWarning(lcCoreCache) << "[MObjectsVFS : Warning] Cannot read cached file:" << local;
        } else if (hash != it->indexedHash) {
            qCDebug(lcCoreCache) << "[MObjectsVFS : Debug] File" << local
                                 << "has new hash: notifying change.";
            changed.append({local, hash});
        }
        if (!it->isConsolidated())
            stagingObjects.append(listEntry(it.key()));
        index.insert(index.constEnd(), it.key(), it.value());
        const QString folder = info.path();
        if (!folders.contains(folder)) {
            folders.insert(folder);
            if (!watcher->addFolder(folder))
                qCDebug(lcCoreCache) << "[MObjectsVFS : Error] Cannot watch for path" << folder;
        }
        if (!watcher->addFile(local))
            qCDebug(lcCoreCache) << "[MObjectsVFS : Error] Cannot watch for path" << local;
    }
    // Staged whatever the modification time says: a copy that kept the old time (cp -p,
    // rsync -t) changed all the same. The hash just read is not read again.
    for (const auto &file : changed)
        fileChangedLocked(file.first, true, events, file.second);
    writeIndexLocked();
    return true;
}

QString MObjectsVirtualFileSystemPrivate::makeLayout(const QString &root)
{
    const QDir dir(root);
    for (const QString &name : {QStringLiteral("objects"), QStringLiteral("deleted")}) {
        errno = 0;
        if (!dir.mkpath(name)) {
            const int error = errno;
            return QStringLiteral("Cannot make directory at path %1: %2")
                .arg(dir.filePath(name),
                     error ? qt_error_string(error) : QStringLiteral("unknown error"));
        }
    }
    QFile index(root + QStringLiteral("/index"));
    if (!index.exists()) {
        if (!index.open(QIODevice::WriteOnly))
            return QStringLiteral("Cannot create index file at path %1: %2")
                .arg(index.fileName(), index.errorString());
        index.close();
    }
    return QString();
}

void MObjectsVirtualFileSystemPrivate::purgeBin(const QString &path)
{
    const QDir bin(path + QLatin1Char('/') + QStringLiteral("deleted"));
    const QDate today = QDate::currentDate();
    const QStringList days = bin.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &day : days) {
        const QDate date = QDate::fromString(day, Qt::ISODate);
        // Only an emptied day folder goes: a binned file may be the last copy of a file
        // deleted elsewhere, so it stays until the user removes it.
        if (date.isValid() && date.daysTo(today) >= BinKeepDays)
            bin.rmdir(day);
    }
}

void MObjectsVirtualFileSystem::flush()
{
    Q_D(MObjectsVirtualFileSystem);
    QMutexLocker locker(&d->mutex);
    d->writeIndexLocked();
}

void MObjectsVirtualFileSystem::reload()
{
    Q_D(MObjectsVirtualFileSystem);
    MObjectsVirtualFileSystemPrivate::Events events;
    bool loaded = false;
    {
        QMutexLocker locker(&d->mutex);
        loaded = d->readIndexLocked(&events);
    }
    d->emitEvents(events);
    if (loaded)
        emit ready();
}

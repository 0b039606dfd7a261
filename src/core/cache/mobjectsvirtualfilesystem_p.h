#ifndef MOBJECTSVIRTUALFILESYSTEM_P_H
#define MOBJECTSVIRTUALFILESYSTEM_P_H

#include "mfsinode.h"
#include "mobjectsvirtualfilesystem.h"

#include <QMap>
#include <QMutex>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QVector>

class MJsonRequestManager;
class MObjectsVFSScanner;
class MFolderWatcher;

// Members marked "locked" expect the caller to hold the index mutex; they never take it.
class MObjectsVirtualFileSystemPrivate
{
    Q_DECLARE_PUBLIC(MObjectsVirtualFileSystem)
public:
    // What an operation has to signal once the index mutex is released: the manager's slots
    // call back into the cache.
    struct Events
    {
        bool staged = false;
        QStringList consolidated;
        QVector<QPair<QString, bool>> expired;
        QVector<QPair<QString, bool>> removed;
    };

    static constexpr qint32 IndexMagic = 0x637b0000;
    static constexpr qint16 IndexVersion = 1;

    explicit MObjectsVirtualFileSystemPrivate(MObjectsVirtualFileSystem *q);

    QString objectsPath() const;
    // The one guard between names from the service and the disk: every path that reaches a
    // file operation goes through it.
    // Of a key or of a local path under the root.
    QString localPath(const QString &path) const;
    QString shadowPath(const QString &path) const;
    // The key a remote path maps to. A remote path always names something inside the objects
    // folder, even one that spells the cache's own location on this disk.
    static QString remoteKey(const QString &remote);
    static QString listEntry(const QString &key);
    // MD5 of the whole file; false when it cannot be read to the end.
    static bool fileHash(const QString &path, QByteArray *hash);

    bool isExcludedLocked(const QString &key) const;
    void excludeLocked(const QStringList &paths);
    void includeLocked(const QStringList &paths);

    // The cached objects (mobjectsvirtualfilesystemobjects.cpp).
    // False when local is no longer a file.
    bool addLocked(const MStorageObject &object, bool consolidated, const QString &local);
    // With force, content is compared whatever the modification time says. A knownHash is
    // the file's MD5 just read by the caller, used instead of reading the file again.
    void fileChangedLocked(const QString &path, bool force, Events *events,
                           const QByteArray &knownHash = QByteArray());
    void removeLocked(const QString &path, bool indexOnly, bool external, bool moveToBin,
                      Events *events);
    void removeEntryLocked(const QString &local, bool external, bool moveToBin, Events *events);
    void consolidateLocked(const QString &key, const QByteArray &hash, Events *events);
    void emitEvents(const Events &events);

    // The index file, the layout and the bin (mobjectsvirtualfilesystemindex.cpp).
    bool moveToBin(const QString &local, const QByteArray &indexedHash);
    void writeIndexLocked();
    // Writes the index now when it was not written in the last moments, and otherwise once
    // they are over: files added one at a time would rewrite the whole file each.
    void indexChangedLocked();
    void indexWriteTimerFired();
    // False when nothing was loaded (no root, an empty file).
    bool readIndexLocked(Events *events);
    void setIndexAside(const QString &reason);
    // Makes the folders and the empty index file under root where missing; what failed and
    // why, or an empty string.
    static QString makeLayout(const QString &root);
    void purgeBin(const QString &path);

    // Watching (mobjectsvirtualfilesystemwatching.cpp).
    void watch(const QString &path);

    // The cache check (mobjectsvirtualfilesystemcheck.cpp).
    void scheduleCheck();

    mutable QMutex mutex;
    MObjectsVirtualFileSystem *q_ptr;
    QString root;
    QMap<QString, MFSINode> index;
    MFolderWatcher *watcher = nullptr;
    QThread scannerThread;
    MObjectsVFSScanner *scanner = nullptr;
    // "/" + key, cleaned.
    QStringList stagingObjects;
    QSet<QString> excludedPaths;
    QMap<int, QString> missingFileTimers;
    QMap<int, QString> fileChangeTimers;
    QMap<int, QString> directoryChangeTimers;
    MJsonRequestManager *jsonManager = nullptr;
    // The check backs off on failures, from 1 s up to 30 s; a success starts over.
    int checkRetryDelay = 0;
    int checkRetryTimerId = 0;
    // Running while index writes are held back; indexDirty when one is owed.
    int indexWriteTimerId = 0;
    bool indexDirty = false;
};

#endif // MOBJECTSVIRTUALFILESYSTEM_P_H

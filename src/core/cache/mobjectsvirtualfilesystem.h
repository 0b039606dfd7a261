#ifndef MOBJECTSVIRTUALFILESYSTEM_H
#define MOBJECTSVIRTUALFILESYSTEM_H

#include "mnetworkreply.h"
#include "mnetworkrequest.h"
#include "mstorageobject.h"

#include <QObject>
#include <QScopedPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>

class MObjectsVirtualFileSystemPrivate;

// The local working copy of opened remote files. Under its root: "index" (the index file),
// "objects" (the remote file /A/b.txt is objects/A/b.txt) and "deleted" (a bin with one folder
// per day). It watches the working copy, stages local edits by MD5 for upload and tracks which
// copies match the service. Index keys are remote paths without the leading "/" (A/b.txt).
// Lives on the main thread; its folder scanner runs on "com.kerloapp.dirscanner", and the
// lookups marked so are safe from any thread.
class MObjectsVirtualFileSystem : public QObject
{
    Q_OBJECT
public:
    explicit MObjectsVirtualFileSystem(QObject *parent = nullptr);
    // Stops the scanner and writes the index.
    ~MObjectsVirtualFileSystem() override;

    // Creates the folders under path when missing, removes emptied bin day folders 4 or more days
    // old, watches the working copy and queues reload(). When the folders cannot be made, it logs
    // why and is left without a root: it then refuses every path and writes nothing. Nothing
    // happens for the current root.
    void setFileSystemPath(const QString &path);
    QString fileSystemPath() const;

    // Paths are remote paths (with or without their leading "/") unless a method says
    // otherwise: a remote path always names a file inside the working copy, even one that
    // spells the working copy's own location on this disk.

    // The local file of a remote path. Empty when the path has a ".." component, or when
    // there is no root: callers must then leave the path alone.
    QString localPath(const QString &path) const;
    QString localPath(const MStorageObject &object) const;
    // The index key (A/b.txt) of a local path under the working copy; empty for any other.
    QString shadowPath(const QString &localPath) const;

    // Whether the local file exists and is indexed. For a file, consolidated and expired
    // receive the entry's flags. Safe from any thread.
    bool containsObject(const QString &path, bool *consolidated = nullptr,
                        bool *expired = nullptr) const;
    bool containsObject(const MStorageObject &object, bool *consolidated = nullptr,
                        bool *expired = nullptr) const;
    // Whether some indexed key lies under the folder path.
    bool containsDirectory(const QString &path) const;
    // The indexed MD5 as 32 lower-case hex digits; empty when the path is not indexed.
    QString indexedHash(const QString &path) const;
    QStringList indexedPaths() const;
    // Whether "/" + key of path is among the paths change detection ignores. Safe from any
    // thread.
    bool isExcluded(const QString &path) const;

    // Indexes the file with its MD5 (the object's content hash when it has one); false when
    // no readable file is there.
    bool addObject(const MStorageObject &object, bool consolidated);
    bool addObject(const QString &localPath, bool consolidated);
    // Indexes each local file as addObject(localPath, consolidated) does, writing the index
    // once; for many files at a time (a folder). Returns the paths indexed.
    QStringList addObjects(const QStringList &localPaths, bool consolidated);
    // Indexes a local copy (a local path) whose upload the service committed with the MD5
    // hash (hex), and stages what was saved to it while the upload ran. False when the file
    // is gone.
    bool addUploadedObject(const QString &localPath, const QString &hash);
    // Watches an indexed file (a local path) again and stages it when it holds neither the
    // indexed nor the staged content (an upload that failed because the file changed under it).
    void recheckObject(const QString &localPath);
    // Takes the path out of the index and, unless indexOnly, out of the working copy: into
    // the bin with moveToBin, else deleted (a file with a staged edit stays and is staged
    // again). objectRemoved(path, false) follows.
    void removeObject(const QString &path, bool indexOnly, bool moveToBin);
    void removeObject(const MStorageObject &object, bool indexOnly, bool moveToBin);
    // Moves an indexed local copy; onto an existing file it goes to a conflicting-copy name
    // next to it. False when the source is not indexed or the move failed.
    bool renameObject(const QString &from, const QString &to);
    // Moves every local copy under the folder from to the folder to. Always true.
    bool moveDirectory(const QString &from, const QString &to);
    // The service holds content with the MD5 remoteHash (16 raw bytes): a staged edit with
    // that hash is consolidated; other content marks the entry expired (objectExpired()).
    void expireObject(const QString &path, const QByteArray &remoteHash);
    // The keys ("/" + key) staged since the last call.
    QStringList takeStagingObjects();
    // Paths whose file events are ignored, e.g. while a download writes them.
    void excludePaths(const QStringList &paths);
    void includePaths(const QStringList &paths);

    // Opens the local copy with the installed file opener; false when it cannot.
    bool openObject(const QString &path, const QUrl &appUrl = QUrl());
    bool openObject(const MStorageObject &object, const QUrl &appUrl = QUrl());

signals:
    // New keys wait in the staging list.
    void hasNewStagingObjects();
    // path is the entry's key.
    void objectConsolidated(const QString &path);
    // path is the entry's key; consolidated the entry's state before it expired.
    void objectExpired(const QString &path, bool consolidated);
    // external: the file disappeared from the disk rather than a caller removing it.
    void objectRemoved(const QString &path, bool external);
    // Local paths found in the working copy that were not indexed.
    void objectsAdded(const QStringList &objects, bool external);
    // The index file was loaded.
    void ready();

public slots:
    // Marks the entry of the uploaded object consolidated with the object's content hash.
    void consolidate(const MStorageObject &object);
    void flush();
    void reload();
    // Asks the service for the current state of every indexed path.
    void sendCheckRequest();

protected:
    void timerEvent(QTimerEvent *event) override;

private slots:
    void fileChanged(const QString &path);
    void coalesceFileChanges(const QString &path);
    void responseObjectReadySlot(const QVariant &responseObject, const MNetworkRequest &req,
                                 const MNetworkReply &reply);
    void decodeErrorSlot(const MNetworkRequest &req, const QByteArray &buffer,
                         const MNetworkReply &reply);
    void directoryChanged(const QString &path);
    void handlePathsAdded(const QStringList &paths);

private:
    void stopMissingFileTimers(const QString &path);
    // Drops the checks queued for the local path and the paths under it (it moved away).
    void stopPendingChanges(const QString &local);

    friend class MObjectsVirtualFileSystemPrivate;
    Q_DECLARE_PRIVATE(MObjectsVirtualFileSystem)
    QScopedPointer<MObjectsVirtualFileSystemPrivate> d_ptr;
};

#endif // MOBJECTSVIRTUALFILESYSTEM_H

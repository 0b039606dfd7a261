#ifndef MOBJECTSMANAGER_H
#define MOBJECTSMANAGER_H

#include "mobjecterror.h"
#include "mobjecttransfer.h"
#include "mobjecttransfergroup.h"
#include "mobjecttransferrequest.h"
#include "mreconnectable.h"
#include "msharelink.h"
#include "mshutdownable.h"
#include "mstorageobject.h"
#include "tolvo.h"
#include "tolvoprocess.h"

#include <QList>
#include <QObject>
#include <QScopedPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>

class MObjectSender;
class MObjectsManagerPrivate;

// The core's one facade onto the user's remote store. Every operation returns at once; its
// result comes as a signal carrying the caller's userData unchanged. Lives on the main thread;
// its transfer engine runs on a thread of its own from start() to shutdownCompleted().
class MObjectsManager
    : public QObject
    , public MShutdownable
    , public MReconnectable
{
    Q_OBJECT
public:
    explicit MObjectsManager(QObject *parent = nullptr);
    ~MObjectsManager() override;

    // A directory listed before is answered from the listing cache, after the call has
    // returned, unless force is set. While a listing of path is in flight, further calls for it
    // send nothing: the reply in flight answers, with its own userData.
    void listObjects(const QString &path, bool force, const QVariant &userData);
    // As listObjects() without force, but a listing of path in flight is canceled and sent
    // again: for a user asking again for a folder whose listing may never come.
    void listObjectsAgain(const QString &path, const QVariant &userData);
    // An object of a listed directory is answered at once, inside the call.
    void fetchInfo(const QString &path, const QVariant &userData);
    // A successful delete is not answered: the change reaches listeners as a live update.
    void deleteObject(const QString &path, const QVariant &userData);
    void deleteObject(const MStorageObject &object, const QVariant &userData);
    void deleteObjects(const QStringList &paths, const QVariant &userData);
    // A directory the listing cache already holds is reported to the user and not sent.
    void createDirectory(const QString &path, const QVariant &userData);
    void renameObject(const QString &source, const QString &destination, const QVariant &userData);
    void copyObject(const QString &source, const QString &destination, const QVariant &userData);

    void getShareLink(const QString &path, const QVariant &userData);
    void revokeShareLink(const QString &token, const QVariant &userData);
    void getShareLinksList(int offset, int limit, const QVariant &userData);
    void sendShareLinkByEmail(const QString &link, const QString &filename,
                              const QStringList &emails, const QString &message);

    // The first free name from path on ("Report 2.pdf", "Report 3.pdf", ...), as far as the
    // listing cache knows; path itself when it is free. Null for a path with a ".." component.
    QString suggestedFilePath(const QString &path) const;

    // One file either way. An upload onto a listed object (or, caching, onto a cached copy)
    // without the force bit of the mode is refused: the transfer returned is in state Error
    // with code 101 and nothing is queued. A folder cannot be uploaded here.
    MObjectTransfer transferObject(const MObjectTransferRequest &request);
    // transferObject() for each request, in order; the downloads among them are written to
    // the queue's file in one transaction.
    void transferObjects(const QList<MObjectTransferRequest> &requests);
    // Every file below a local folder, as one group. A download only lists the remote folder.
    MObjectTransferGroup transferDirectory(const MObjectTransferRequest &request);
    // transferDirectory() for an upload, without holding the caller's thread: the folder is
    // read and its group queued on the thread pool, and the group is announced by
    // transferGroupScheduled() as always. Transfers asked for meanwhile are queued after it.
    void transferDirectoryInBackground(const MObjectTransferRequest &request);
    // Deletes the local copy (a staged edit stays); false when none is cached and not force.
    bool uncacheObject(const QString &path, bool force);
    // The local file of a cached object; empty when path has no indexed local copy.
    QString localCopyPath(const QString &path) const;

    // The transfer engine; null before start() and once it has shut down. Its transfer
    // signals reach listeners through the manager's.
    MObjectSender *objectSender() const;

signals:
    // basePath is the directory the service answered for, or the caller's path for a listing
    // answered from the cache.
    void objectsReady(const QString &basePath, const MStorageObjectList &objects,
                      const QVariant &userData);
    void objectRenamed(const MStorageObject &currentObject, const MStorageObject &originalObject,
                       const QVariant &userData);
    void objectCopied(const MStorageObject &copiedObject, const MStorageObject &originalObject,
                      const QVariant &userData);
    void pathNotFound(const QString &requestPath, const QVariant &userData);
    // A listing or metadata request got no usable answer for another reason than a missing
    // path: status is the HTTP status (a success one when the reply could not be read), 0 when
    // no answer came.
    void fetchFailed(const QString &requestPath, int status, const QVariant &userData);
    void objectReady(const MStorageObject &object, const QVariant &userData);
    void objectActionErrors(const MObjectErrorList &errors, Tolvo::ObjectAction action,
                            const QVariant &userData);
    // Declared for listeners written against it; transfer failures reach the window as the
    // transfer engine's notifications instead, so nothing emits it.
    void objectTransferError(const MObjectError &error, const MObjectTransferRequest &req);
    void shareUrlReady(const MStorageObject &object, const QUrl &shareUrl,
                       const QVariant &userData);
    void shareLinksListReady(const QList<MShareLink> &list, const QVariant &userData);
    // userData is always invalid.
    void shareLinkEmailsSent(const QString &filename, const QStringList &recpts,
                             const QStringList &errors, const QVariant &userData);
    void shareUrlRevoked(const MShareLink &shareLink, const QVariant &userData);
    // caching: the transfer fills or empties the local cache. Progress comes at most once
    // per 500 ms per transfer, with its latest state.
    void transferScheduled(const MObjectTransfer &transfer, bool caching = false);
    void transferStarted(const MObjectTransfer &transfer, bool caching = false);
    void transferProgressed(const MObjectTransfer &transfer, bool caching = false);
    void transferPaused(const MObjectTransfer &transfer, bool caching = false);
    void transferFinished(const MObjectTransfer &transfer, bool caching = false);
    void transferGroupScheduled(const MObjectTransferGroup &group);
    void transferGroupStarted(const MObjectTransferGroup &group);
    void transferGroupProgressed(const MObjectTransferGroup &group);
    void transferGroupPaused(const MObjectTransferGroup &group);
    void transferGroupFinished(const MObjectTransferGroup &group);
    void objectUncached(const MStorageObject &object);
    void objectCacheError(const QString &path, Tolvo::Error error);
    void objectOpened(const QString &storagePath, const QString &localPath);
    void shutdownCompleted();
    // Changes made elsewhere, as the live-update poll learns them: once per poll reply, each
    // only when not empty, in this order, userData always invalid. paths[i] is where
    // objectPairs[i] (before, after) was before the change.
    void objectsAdded(const MStorageObjectList &objects, const QVariant &userData);
    void objectsDeleted(const MStorageObjectList &objects, const QVariant &userData);
    void objectsModified(const QStringList &paths, const QList<MStorageObjectPair> &objectPairs,
                         const QVariant &userData);

public slots:
    // Runs once; later calls do nothing. Starts the transfer engine.
    void start();
    // Cancels every request in flight and stops the transfer engine, which keeps unfinished
    // transfers for the next start; shutdownCompleted() follows, whether start() ran or not.
    void shutdown() override;
    // Stops the engine from the main thread with no event loop to help: its transfers are
    // saved for the next start and its thread ends, within timeoutMs.
    void stopTransfersNow(int timeoutMs);
    // Polls the service for changes made elsewhere until stopped. The cursor of the last
    // change seen is kept in config.db, for the signed-in user only.
    void startLiveUpdatesMonitor();
    void stopLiveUpdatesMonitor();
    void ensureRepetitiveServices(TolvoProcess::ConnectivityStatus previous,
                                  TolvoProcess::ConnectivityStatus current) override;

    // Hand the call to the engine from the global thread pool and return at once.
    void cancelTransfer(const MObjectTransfer &transfer);
    void pauseTransfer(const MObjectTransfer &transfer);
    void resumeTransfer(const MObjectTransfer &transfer);
    void cancelGroup(const MObjectTransferGroup &group);
    void pauseGroup(const MObjectTransferGroup &group);
    void resumeGroup(const MObjectTransferGroup &group);

    // Downloads a listed remote file into the local cache, unless a current copy is there
    // (then transferFinished() comes at once). One download per path at a time.
    void cacheObject(const QString &path);
    // Uploads the local copy's edit against the hash it was based on.
    void consolidateObject(const QString &path, bool force = false);
    // Opens the local copy, downloading it first (and listing its folder once) when needed.
    void openObject(const QString &path, const QUrl &appUrl = QUrl());

protected:
    void timerEvent(QTimerEvent *event) override;

private slots:
    void transferStateChanged(const MObjectTransfer &transfer);
    // The local cache names its entries by key (A/b.txt); these take keys or remote paths.
    void objectExpiredSlot(const QString &path, bool consolidated);
    void objectConsolidatedSlot(const QString &path);
    void objectsNeedConsolidation();
    void objectsAddedToCache(const QStringList &paths, bool external);
    void objectRemovedFromCache(const QString &path, bool external);

private:
    Q_DECLARE_PRIVATE(MObjectsManager)
    QScopedPointer<MObjectsManagerPrivate> d_ptr;
};

#endif // MOBJECTSMANAGER_H

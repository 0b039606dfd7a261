#ifndef MOBJECTSMANAGER_P_H
#define MOBJECTSMANAGER_P_H

#include "mobjectslistcache.h"
#include "mobjectsmanager.h"

#include <QFuture>
#include <QHash>
#include <QJsonObject>
#include <QMap>
#include <QSet>
#include <QSqlQuery>
#include <QString>
#include <QThread>
#include <QUrl>
#include <QVariant>
#include <QVariantMap>

#include <memory>

class MJsonRequestManager;
class MNetworkReply;
class MNetworkRequest;
class MObjectSender;
class MObjectsVirtualFileSystem;

// Everything runs on the manager's thread, so the tables need no lock of their own.
// A large listing reply with its objects, made on the thread that decoded it.
struct MDecodedListing
{
    QJsonObject body;
    MStorageObjectList objects;
    // The objects as the listings cache keeps them, assigned there too.
    MObjectsListCache::Listing cached;
};
Q_DECLARE_METATYPE(MDecodedListing)

class MObjectsManagerPrivate
{
    Q_DECLARE_PUBLIC(MObjectsManager)
public:
    explicit MObjectsManagerPrivate(MObjectsManager *q);
    static MObjectsManagerPrivate *get(MObjectsManager *q) { return q->d_func(); }

    // Requests carry paths as callers wrote them; the cache and the pending table meet them
    // in this form, the one replies are matched by.
    static QString remotePath(const QString &path);

    // False when the request could not be built (nobody signed in, a refused path); nothing
    // is sent then. The identifier of the request sent goes to requestId when given.
    bool sendActionRequest(const QVariant &argument, int action, const QVariant &userData,
                           QString *requestId = nullptr);

    void objectArrivedForRequest(const QVariant &body, const MNetworkRequest &request,
                                 const MNetworkReply &reply);
    // status: the reply's HTTP status.
    void decodeErrorForRequest(const MNetworkRequest &request, int status);
    // A listing of path got no usable answer: the callers other than own hear of it, and the
    // folder's kept listing is dropped, so that the next look at it asks the service.
    void listingFailed(const QString &path, int status, const QVariantList &callers,
                       const QVariant &own);
    void setDeltaCursor(const QString &cursor);
    // The cursor saved after each delta entry through one statement prepared for the reply:
    // preparing it for each entry would cost as much as the save itself.
    static std::unique_ptr<QSqlQuery> prepareDeltaCursorUpdate();
    static bool updateDeltaCursor(QSqlQuery *statement, const QString &cursor);
    // The cursor's saves leave config.db's write-ahead log to grow: checkpointing it syncs the
    // disk, which can hold the main thread for tens of milliseconds. It is checkpointed on
    // another thread instead, once enough saves have gone into it.
    void checkpointConfigAfterCursorSaves(int saves, bool force);

    // Live updates (mobjectsmanagerdelta.cpp).
    struct DeltaChanges;
    // A delta reply being applied, a slice per turn of the event loop.
    struct PendingDelta;
    void applyDeltaSlice();
    // Drops the rest of a reply being applied; its entries come again, after the saved cursor.
    void abandonDelta();
    void releaseDeleteExclusions(const QStringList &paths, bool deleted);
    void checkForHierarchyUpdates();
    // Arms the poll timer unless it runs; 300 ms unless a failure asks for longer.
    void startUpdatesTimer(int delay = 0);
    void stopUpdatesTimer();
    void updatesTimerFired();
    void deltaArrived(const QVariantMap &body, const MNetworkRequest &request,
                      const MNetworkReply &reply);
    void deltaUndecodable(const MNetworkRequest &request);
    void deltaFailed();
    void applyDelta(const QVariantMap &body);
    void applyDeltaEntry(const QVariantMap &entry, DeltaChanges *changes);
    void applyAdded(MStorageObject object, DeltaChanges *changes);
    // elsewhere: another device made the change.
    void applyDeleted(const QString &path, const MStorageObject &object, bool elsewhere,
                      DeltaChanges *changes);
    // False for an entry that contradicts itself or names a path outside the store.
    bool applyUpdated(const QString &path, const QVariantMap &attributes,
                      MStorageObject finalObject, DeltaChanges *changes);
    // Forgets a cursor that belongs to a user other than userId (-1: unknown, kept).
    bool dropCursorOfOtherUser(qint64 userId);

    void handleSuccess(int action, const QVariantMap &body, const QVariant &userData,
                       const QVariantMap &info);
    // The object marked cached and consolidated as its local copy is.
    MStorageObject withCacheState(MStorageObject object) const;
    // A listing reply's objects, with their cache state; any thread.
    MStorageObjectList listedObjects(const QJsonObject &body) const;
    // One entry of a listing appended to objects (with its cache state), or dropped with a
    // warning when it is invalid.
    void appendListed(const QJsonObject &entry, MStorageObjectList *objects) const;
    // A listing reply's body and objects decoded from its bytes entry by entry; false when
    // they are not a listing's shape (the reply is then parsed whole).
    bool decodeListing(const QByteArray &bytes, MDecodedListing *listing) const;
    // decoded: the body's objects, when they were made where the reply was decoded.
    // callers: the user data of each caller that waits for this listing.
    void handleListing(const QJsonObject &body, const QVariantList &callers,
                       const MDecodedListing *decoded = nullptr);
    void postFileExists(int action, const QVariantMap &argument, const QVariant &userData);
    void postDirectoryExists(const QString &path, const QVariant &userData);
    // info: the request's user info, which names the object of a new folder or a rename.
    void postServiceErrors(int action, const QVariant &errors, const QVariant &userData,
                           const QVariantMap &info);
    // A new folder or a rename failed without an answer that says why (no answer, an
    // unexpected status, an unreadable body): its views must learn which object it was.
    void postActionFailed(int action, const QVariantMap &info);
    // Answers a reply the manager cannot use (with its HTTP status) as an undecodable one.
    void reportUndecodable(int action, const QVariantMap &info, int status);

    MObjectTransferGroup transferDirectory(const MObjectTransferRequest &request, int action,
                                           const QString &identifier);
    // What transferDirectory() checks and moves into the cache before reading the folder;
    // false (and told) when nothing is to be uploaded. r is the request to read from.
    bool prepareDirectoryUpload(const MObjectTransferRequest &request, MObjectTransferRequest *r);
    // A folder read on the thread pool for its group ended: the transfers held behind it go.
    void directoryReadEnded(const QStringList &cachedFiles);
    // Waits for the folders being read, so that their groups are queued before the engine
    // stops (as a folder read at once would have been).
    void waitForDirectoryReads();
    // Asks the engine to save its transfers and end with its thread, once.
    void stopSender();
    // Registers a finished cache download or upload with the local cache.
    void handleCacheTransferCompletion(const MObjectTransfer &transfer);
    // Moves a user's file or folder into the local cache; false (and a warning) when it
    // cannot.
    bool moveIntoCache(const QString &source, const QString &local);
    // Lists directory for the manager's own use, unless a listing of it is in flight already:
    // either one's reply opens what waits for it. False (and a warning) when nothing could be
    // sent.
    bool sendInternalListing(const QString &directory);
    // Opens the objects waiting for the listing of directory, without listing it again.
    void openPendingObjects(const QString &directory);
    void handleUploadIntoCacheCompletion(const MObjectTransfer &transfer);
    void refreshExpiredCopy(const QString &remote);
    void openObject(const QString &path, const QUrl &appUrl, bool mayList);

    MObjectsManager *q_ptr;
    MJsonRequestManager *jsonManager = nullptr;
    // The live-update cursor, kept in config.db under "lhid", and the id of the user it
    // belongs to ("lhidUser"; -1 when unknown).
    QString deltaCursor;
    // While a delta reply is applied.
    QSqlQuery *cursorStatement = nullptr;
    // Cursor saves since config.db was last checkpointed, and whether a checkpoint is running.
    int cursorSavesUnchecked = 0;
    std::shared_ptr<QAtomicInt> checkpointRunning = std::make_shared<QAtomicInt>(0);
    std::shared_ptr<PendingDelta> pendingDelta;
    qint64 deltaCursorUser = -1;
    bool liveUpdatesMonitored = false;
    int updatesTimerId = 0;
    // The poll in flight; empty when none. Replies to any other poll are stale.
    QString deltaRequestId;
    // Failed polls in a row; each doubles the wait before the next one, up to a bound.
    int deltaFailures = 0;
    int lastDeltaStatus = 200;
    // A listing in flight and everyone who waits for it. Callers asking for a folder already
    // being listed join that request, and each hears the reply under its own user data: a
    // caller waiting on its own request (a navigation, say) would otherwise never be answered.
    struct PendingListing
    {
        QString requestId;
        QVariantList callers; // each caller's user data, once; none for an internal listing
    };
    // The listings in flight by cleaned path.
    QHash<QString, PendingListing> pendingListings;
    // Folders live updates reported new that were not listed since: the changes inside them
    // do not report them again.
    QSet<QString> reportedNewFolders;
    // The listing of path ended (answered or failed): it is no longer in flight, unless it
    // was replaced by a newer one. Returns the user data of the callers that wait for it.
    QVariantList listingEnded(const QString &path, const MNetworkRequest &request);
    // replace: a listing of path in flight is canceled and a new one sent.
    void listObjects(const QString &path, bool force, bool replace, const QVariant &userData);
    MObjectsListCache listingsCache;
    // Latest progress per transfer identifier, flushed by the progress timer.
    QMap<qint64, MObjectTransfer> pendingProgress;
    // Drops its pending progress, which would show it running again, and says it is paused.
    void reportPaused(const MObjectTransfer &transfer);
    int progressTimerId = 0;
    MObjectSender *sender = nullptr;
    // The local cache of opened files; a child of the manager, created by start().
    MObjectsVirtualFileSystem *vfs = nullptr;
    // Remote source → local destination of each download into the local cache in flight.
    QMap<QString, QString> cachingDownloads;
    // Remote path → application of an open waiting for its download.
    QMap<QString, QUrl> pendingOpenUrls;
    // Directory → paths to open once it is listed.
    QHash<QString, QStringList> pendingOpens;
    // Directory → expired local copies to download again once it is listed.
    QHash<QString, QStringList> pendingRefreshes;
    // Folders being read for an upload on the thread pool (what shutdown waits for), how many
    // of them have not reported their end yet, and the transfers asked for meanwhile, which
    // wait so that the queue keeps the order they were asked in. The count, not the futures,
    // says when the reads are over: a finished read reports its end later, on this thread.
    QList<QFuture<void>> directoryReads;
    int unendedDirectoryReads = 0;
    QList<MObjectTransferRequest> transfersAfterReads;
    bool started = false;
    bool senderStopping = false;
    QThread transfersThread;
};

#endif // MOBJECTSMANAGER_P_H

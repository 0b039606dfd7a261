#ifndef MOBJECTSENDER_P_H
#define MOBJECTSENDER_P_H

#include "mchunkedupload.h"
#include "mheldfile.h"
#include "mnetworkreply.h"
#include "mnetworkrequest.h"
#include "mobjectsender.h"
#include "mstreamhasher.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFuture>
#include <QHash>
#include <QMutex>
#include <QPointer>
#include <QUrl>

#include <atomic>
#include <functional>
#include <memory>

class MJsonRequestManager;
class MNetworkRequestManager;
class QBuffer;
class QNetworkReply;
class QTimer;

class MObjectSenderPrivate
{
    Q_DECLARE_PUBLIC(MObjectSender)
public:
    enum Step { Hashing, Sync, Chunk, Commit, CommitCheck, Download, Verifying };

    // What a download's reply has put into its partial file so far. Touched on the engine's
    // thread only.
    struct Received
    {
        bool headers = false; // the reply's headers have been read
        bool refused = false; // a status without a body for the file
        qint64 start = 0;     // where the body lands in the file
        qint64 end = -1;      // where it must end, when the reply says
        qint64 written = 0;   // the file's length
        // The MD5 of the file as written, when the body started at its first byte.
        std::unique_ptr<MStreamHasher> hasher;
        // The body is read from the reply into block, which goes to the file (and the
        // hasher) once full: large writes, no copy per arrival.
        QPointer<QNetworkReply> reply;
        QByteArray block;
        int filled = 0;
        // Progress is saved every few MiB or once a second, not at every signal.
        qint64 savedBytes = -1;
        QElapsedTimer sinceSave;
    };

    // The work in flight for one transfer. Each one holds a slot; events that do not carry
    // the identifier of the transfer's current flight are stale and change nothing.
    struct Flight
    {
        QString id; // the request's identifier, or the engine's own for hashing and verifying
        Step step = Hashing;
        int chunk = -1;
        QPointer<QBuffer> body;
        std::shared_ptr<std::atomic_bool> canceled;
        // Downloads.
        std::shared_ptr<QFile> file;
        // The partial file from its first write to its move: checked and moved through its
        // descriptors, never by path.
        MHeldFile held;
        QString partial; // the file's path: opened by descriptor, it keeps no name
        std::shared_ptr<Received> received;
        QString destination;
        QString expectedHash;
        qint64 resumeOffset = 0; // the partial file's length when the request went out
        bool cache = false;
        bool placeholder = false; // destination is an empty file reserved by this download
        // A commit the service no longer knows: its refusal, reported unless the check finds
        // the object committed after all.
        QVariantMap refusal;
        // Restarted whenever a byte of the request goes out or a byte of its reply comes in.
        std::shared_ptr<QElapsedTimer> quiet;
    };

    explicit MObjectSenderPrivate(MObjectSender *q);

    void setState(MObjectSender::State state);
    MObjectSender::State state() const;
    void _resume();
    void _pause();
    void _shutdown();
    void pauseForAuthorization();
    // An upload step that never reached the service waits for it, as a queued upload does.
    void waitForService(MObjectTransfer transfer, int waitingState);
    void serviceReachable();
    void handleTransfers();
    bool startTransfer(MObjectTransfer transfer);

    QString newLocalId();
    void addFlight(qint64 transferId, const Flight &flight);
    Flight flight(qint64 transferId) const;
    // Removes the flight when it is the current one; false for a stale event.
    bool takeFlight(qint64 transferId, const QString &id, Flight *flight = nullptr);
    // A freed slot is filled at once rather than at the next tick.
    void kick();
    // Fails every request that has gone without a byte either way for stallTimeout.
    void failStalledFlights();
    static void noteActivity(const Flight &flight);
    void failStalledDownload(const MObjectTransfer &transfer, const Flight &stalled);
    // Cancels whatever the transfer has in flight and frees its slot.
    void abortFlight(qint64 transferId);
    void releaseFlight(const Flight &flight);
    static qint64 transferIdOf(const MNetworkRequest &request);

    // A transfer that could not be sent for want of a signed request goes back to the queue
    // as it was, and the engine waits for a sign-in.
    void requeue(MObjectTransfer transfer, int state);
    void fail(MObjectTransfer transfer, int errorCode);
    void finish(const MObjectTransfer &transfer);

    // Uploads.
    bool startUpload(MObjectTransfer transfer);
    // Runs hash on the thread pool under flight, then hands the result to ready on the
    // engine's thread; hash is given the flight's cancellation, which stops it between blocks.
    using HashesHandler = void (MObjectSenderPrivate::*)(qint64, const QString &,
                                                         const MChunkedUpload::Hashes &);
    using HashWork = std::function<MChunkedUpload::Hashes(const std::atomic_bool *)>;
    void hashAside(qint64 transferId, const Flight &flight, const HashWork &hash,
                   HashesHandler ready);
    void hashesReady(qint64 transferId, const QString &flightId,
                     const MChunkedUpload::Hashes &hashes);
    bool startUploadSync(MObjectTransfer transfer, const QByteArray &firstChunk);
    bool uploadChunk(MObjectTransfer transfer, int index);
    // Reads chunk index aside while the request before it is in flight.
    void prefetchChunk(const MObjectTransfer &transfer, int index);
    QByteArray takePrefetchedChunk(qint64 transferId, int index);
    bool commitUpload(MObjectTransfer transfer);
    MNetworkRequest createUploadRequest(const QUrl &url, MNetworkRequest::RequestMethod method,
                                        const MObjectTransfer &transfer, bool *authenticated);
    void sendUpload(MObjectTransfer transfer, MNetworkRequest request, const QByteArray &body,
                    Step step, int chunk);
    void failUpload(MObjectTransfer transfer, int errorCode, const QString &details = QString());
    bool checkCommittedObject(MObjectTransfer transfer, const QVariantMap &refusal);
    void commitCheckArrived(MObjectTransfer transfer, const Flight &check, int status,
                            const QVariantMap &reply);
    void completeUpload(MObjectTransfer transfer, const MStorageObject &object);
    void uploadRefused(MObjectTransfer transfer, int status, const QVariantMap &reply,
                       const MNetworkReply &networkReply);
    void postUploadIOError(const MObjectTransfer &transfer);
    void objectArrivedForRequest(const QVariant &reply, const MNetworkRequest &request,
                                 const MNetworkReply &networkReply);
    void decodeErrorForRequest(const MNetworkRequest &request);
    void uploadProgressSlot(const MNetworkRequest &request, qint64 bytesSent, qint64 bytesTotal);
    // A byte of an upload step's answer arrived: the step is not silent.
    void answerProgressed(const MNetworkRequest &request);

    // Downloads.
    bool startDownload(MObjectTransfer transfer);
    void downloadHeadersArrived(qint64 transferId, const QString &flightId, QNetworkReply *reply);
    // Ends a download whose body stopped short: what it received is kept for a later range
    // when it is a cache download.
    void downloadInterrupted(qint64 transferId, const QString &flightId);
    void verify(MObjectTransfer transfer, Flight flight);
    void verificationReady(qint64 transferId, const QString &flightId,
                           const MChunkedUpload::Hashes &hashes);
    void completeDownload(MObjectTransfer transfer, const Flight &done,
                          const MChunkedUpload::Hashes &hashes);
    // Parks the partial file of a cache download that ends unfinished; removes any other's.
    void releasePartial(const MObjectTransfer &transfer);
    void failDownload(MObjectTransfer transfer, const Flight &flight, int errorCode,
                      const QString &message);
    // Fails a download whose write into folder failed: as out of room when the disk holding
    // folder has less than bytes left (what it wrote is freed), as an I/O error otherwise.
    void failWriting(MObjectTransfer transfer, const Flight &flight, const QString &folder,
                     qint64 bytes);
    // Reads what the reply has into the flight's block; false once the flight failed.
    bool readDownload(qint64 transferId, const QString &flightId);
    // Writes the block's bytes to the partial file and hands them to the hasher.
    bool flushDownloadBlock(qint64 transferId, const Flight &flight);
    void downloadProgressSlot(const MNetworkRequest &request, const MNetworkReply &reply,
                              qint64 received, qint64 total);
    void downloadFinished(const MNetworkRequest &request, const MNetworkReply &reply);

    // Control, engine thread.
    void pauseTransfer(qint64 transferId, bool notify);
    void cancelTransfer(qint64 transferId);
    void resumeTransfer(qint64 transferId);
    void pauseGroup(qint64 groupId);
    void cancelGroup(qint64 groupId);
    void resumeGroup(qint64 groupId);

    // Groups follow their members: progress is the members' sum, and a group is finished
    // once none of its members is left unfinished.
    void memberStarted(const MObjectTransfer &transfer);
    void memberProgressed(const MObjectTransfer &transfer);
    void memberFinished(const MObjectTransfer &transfer);
    // Sets the group's total to what its members have transferred, the given member counting
    // bytes: one pass over the members the first time a group is met in this run, then only
    // the member's change, so that a large folder's progress is not quadratic.
    void countGroupBytes(MObjectTransferGroup *group, qint64 memberId, qint64 bytes);

    MObjectSender *q_ptr;
    // Guards flights.
    mutable QMutex mutex;
    std::atomic_int senderState{MObjectSender::Initial};
    std::atomic_int maxConcurrentTransfers{3};
    std::atomic_int stallTimeout;
    // Groups whose members are being saved: none of their members is started before the
    // group knows them all, or the first to finish would find the group complete.
    std::atomic_int groupsBeingScheduled{0};
    QElapsedTimer lastCheckpoint;
    // By group, the bytes each member counts in the group's total (engine thread only).
    QHash<qint64, QHash<qint64, qint64>> groupMemberBytes;
    QTimer *stallTimer = nullptr;
    MJsonRequestManager *jsonRequestManager = nullptr;
    MNetworkRequestManager *networkRequestManager = nullptr;
    QUrl apiURL;
    QTimer *timer = nullptr;
    QHash<qint64, Flight> flights;
    bool pausedForAuthorization = false;
    // Paused because the service could not be reached; it tries again after serviceRetryDelay
    // (doubled at each miss, bounded) or as soon as the service answers the connectivity check.
    bool waitingForService = false;
    int serviceRetryDelay = 0;
    QTimer *serviceRetry = nullptr;
    bool kickPending = false;
    quint64 lastLocalId = 0;
    QList<QMetaObject::Connection> managerConnections;
    // Uploads hashed in this run: their file as it was hashed, so that a chunk can be sent
    // under the hash computed then without hashing it again.
    QHash<qint64, MChunkedUpload::FileStamp> uploadStamps;
    struct Prefetch
    {
        int index = -1;
        QFuture<QByteArray> bytes;
    };
    QHash<qint64, Prefetch> prefetches;
};

#endif // MOBJECTSENDER_P_H

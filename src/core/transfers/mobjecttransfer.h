#ifndef MOBJECTTRANSFER_H
#define MOBJECTTRANSFER_H

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QSharedDataPointer>
#include <QStringList>
#include <QVariantMap>
#include <QVector>

#include "mobjecterror.h"
#include "mobjecttransferrequest.h"
#include "mstorageobject.h"

class QDataStream;
class QDebug;
class MObjectTransferGroup;
class MObjectTransferPrivate;

// One queued upload or download: its request, state, byte counts and the protocol data that
// lets it go on where it stopped. A snapshot: others see a change once it is saved or sent.
class MObjectTransfer
{
public:
    // Below Paused and not Running is runnable; Completed and above is finished.
    enum State {
        Invalid = -1,
        Scheduled = 0,
        Running = 1,
        Idle = 2,
        Paused = 3,
        Completed = 4,
        Expired = 5,
        Canceled = 6,
        Error = 7
    };

    // Keys of the attribute map, stored as their decimal text.
    enum Attribute {
        SendRequestIdentifier = 1, // QString, the upload token of the service
        ChunkHashes = 2,           // QStringList, MD5 hex of each chunk in order
        MissingChunkHashes = 3,    // QStringList, as the service listed them
        LastUploadedChunk = 4,     // int, -1 until the upload has a token
        FinalHash = 5,             // QByteArray, MD5 hex of the whole file
        MissingChunks = 7,         // QVector<int>, indexes into ChunkHashes still to send
        UserString = 8,            // QString, free for the engine's use
        ResumeOffset = 12          // qulonglong, size of the partial file a download resumes
    };

    MObjectTransfer();
    MObjectTransfer(const MObjectTransfer &other);
    MObjectTransfer &operator=(const MObjectTransfer &other);
    ~MObjectTransfer();

    void swap(MObjectTransfer &other) noexcept { d.swap(other.d); }

    bool isValid() const;

    int state() const;
    // Keeps the current state as the previous one, even when both are equal.
    void setState(int state);
    int previousState() const;

    // The row identifier in the transfer queue; 0 until first saved.
    qint64 identifier() const;
    void setIdentifier(qint64 identifier);
    qint64 groupIdentifier() const;
    void setGroup(const MObjectTransferGroup &group);

    MObjectTransferRequest transferRequest() const;
    void setTransferRequest(const MObjectTransferRequest &request);
    MStorageObject storageObject() const;
    void setStorageObject(const MStorageObject &storageObject);

    qint64 totalBytes() const;
    void setTotalBytes(qint64 totalBytes);
    // Bytes moved by the current run.
    qint64 transferredBytes() const;
    void setTransferredBytes(qint64 transferredBytes);
    // Bytes done in all, including what a resumed download already had.
    qint64 totalTransferredBytes() const;
    void setTotalTransferredBytes(qint64 totalTransferredBytes);

    // A Tolvo::Error.
    int errorCode() const;
    void setErrorCode(int errorCode);
    QList<MObjectError> errors() const;
    void setErrors(const QList<MObjectError> &errors);

    QDateTime createdAt() const;
    void setCreatedAt(const QDateTime &createdAt);
    // The account and service root that queued it (MObjectStatesQueue::ownerKey); the queue
    // sets it at the first save. Empty for a transfer queued before owners were recorded.
    QString owner() const;
    void setOwner(const QString &owner);

    // Null when the stored token is not one plain URL path segment, so that a token from the
    // service can never point an upload request at another endpoint.
    QString sendRequestIdentifier() const;
    void setSendRequestIdentifier(const QString &identifier);
    QStringList chunkHashes() const;
    void setChunkHashes(const QStringList &hashes);
    QStringList missingChunkHashes() const;
    void setMissingChunkHashes(const QStringList &hashes);
    int lastUploadedChunk() const;
    void setLastUploadedChunk(int chunk);
    QByteArray finalHash() const;
    void setFinalHash(const QByteArray &hash);
    QVector<int> missingChunks() const;
    void setMissingChunks(const QVector<int> &chunks);
    QString userString() const;
    void setUserString(const QString &string);
    qint64 resumeOffset() const;
    void setResumeOffset(qint64 offset);

    // An invalid QVariant when unset.
    QVariant attribute(MObjectTransfer::Attribute attribute) const;
    void setAttribute(MObjectTransfer::Attribute attribute, const QVariant &value);
    QVariantMap attributes() const;
    void setAttributes(const QVariantMap &attributes);

    // Transfers are the same transfer when their identifiers are equal.
    bool operator==(const MObjectTransfer &other) const;
    bool operator!=(const MObjectTransfer &other) const { return !(*this == other); }

    // The transfer queue of the core application. save() may set the identifier and the
    // creation date on this object.
    void save();
    // save() for each, in one transaction.
    static void saveAll(QList<MObjectTransfer> &transfers);
    void remove();
    // An invalid group when the transfer has none.
    MObjectTransferGroup group() const;
    // Takes the next runnable transfer out of the queue; found tells whether it is valid.
    static MObjectTransfer takeNext(bool *found = nullptr);
    static bool hasPendingTransfers();
    // An invalid transfer when none has that identifier.
    static MObjectTransfer fromIdentifier(qint64 identifier);
    static bool setDatabasePath(const QString &path);
    static QString databasePath();

private:
    friend QDataStream &operator<<(QDataStream &stream, const MObjectTransfer &transfer);
    friend QDataStream &operator>>(QDataStream &stream, MObjectTransfer &transfer);

    QSharedDataPointer<MObjectTransferPrivate> d;
};

// By identifier, as equality is.
uint qHash(const MObjectTransfer &transfer, uint seed = 0) noexcept;

// The form a transfer takes inside a stored variant, always at Qt_5_3. The identifier, group,
// creation date, owner and errors are not part of it; reading leaves them as they were.
QDataStream &operator<<(QDataStream &stream, const MObjectTransfer &transfer);
QDataStream &operator>>(QDataStream &stream, MObjectTransfer &transfer);

QDataStream &operator<<(QDataStream &stream, MObjectTransfer::State state);
QDataStream &operator>>(QDataStream &stream, MObjectTransfer::State &state);
// "Running (1)".
QDebug operator<<(QDebug debug, MObjectTransfer::State state);

Q_DECLARE_SHARED(MObjectTransfer)
Q_DECLARE_METATYPE(MObjectTransfer)
Q_DECLARE_METATYPE(MObjectTransfer::State)

#endif // MOBJECTTRANSFER_H

#include "mobjecttransfer.h"

#include "corelogging.h"
#include "mobjectstatesqueue.h"
#include "mobjecttransfergroup.h"

#include <QDataStream>
#include <QDebug>

class MObjectTransferPrivate : public QSharedData
{
public:
    MObjectTransferPrivate()
    {
        attributes.insert(enumToStr(MObjectTransfer::LastUploadedChunk), -1);
    }

    static QString enumToStr(MObjectTransfer::Attribute attribute)
    {
        return QString::number(int(attribute));
    }

    int state = MObjectTransfer::Invalid;
    int previousState = MObjectTransfer::Invalid;
    qint64 identifier = 0;
    MObjectTransferRequest request;
    MStorageObject storageObject;
    qint64 totalBytes = 0;
    qint64 transferredBytes = 0;
    qint64 totalTransferredBytes = 0;
    QVariantMap attributes;
    QList<MObjectError> errors;
    int errorCode = 0;
    qint64 groupIdentifier = 0;
    QDateTime createdAt;
    QString owner;
};

namespace {

MObjectStatesQueue *statesQueue()
{
    MObjectStatesQueue *queue = MObjectStatesQueue::applicationQueue();
    if (!queue)
        qCWarning(lcCoreTransfers, "MObjectTransfer: the core has no transfer queue");
    return queue;
}

// The characters that stay themselves in a URL path segment; "." and ".." would not.
bool isPlainPathSegment(const QString &text)
{
    if (text.isEmpty() || text == QLatin1String(".") || text == QLatin1String(".."))
        return false;
    for (const QChar c : text) {
        const ushort u = c.unicode();
        const bool plain = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
                           (u >= '0' && u <= '9') || u == '.' || u == '_' || u == '~' || u == '-';
        if (!plain)
            return false;
    }
    return true;
}

} // namespace

MObjectTransfer::MObjectTransfer()
    : d(new MObjectTransferPrivate)
{}

MObjectTransfer::MObjectTransfer(const MObjectTransfer &other) = default;
MObjectTransfer &MObjectTransfer::operator=(const MObjectTransfer &other) = default;
MObjectTransfer::~MObjectTransfer() = default;

bool MObjectTransfer::isValid() const
{
    return d->state != Invalid;
}

int MObjectTransfer::state() const
{
    return d->state;
}

void MObjectTransfer::setState(int state)
{
    d->previousState = d->state;
    d->state = state;
}

int MObjectTransfer::previousState() const
{
    return d->previousState;
}

qint64 MObjectTransfer::identifier() const
{
    return d->identifier;
}

void MObjectTransfer::setIdentifier(qint64 identifier)
{
    d->identifier = identifier;
}

qint64 MObjectTransfer::groupIdentifier() const
{
    return d->groupIdentifier;
}

void MObjectTransfer::setGroup(const MObjectTransferGroup &group)
{
    d->groupIdentifier = group.identifier();
}

MObjectTransferRequest MObjectTransfer::transferRequest() const
{
    return d->request;
}

void MObjectTransfer::setTransferRequest(const MObjectTransferRequest &request)
{
    d->request = request;
}

MStorageObject MObjectTransfer::storageObject() const
{
    return d->storageObject;
}

void MObjectTransfer::setStorageObject(const MStorageObject &storageObject)
{
    d->storageObject = storageObject;
}

qint64 MObjectTransfer::totalBytes() const
{
    return d->totalBytes;
}

void MObjectTransfer::setTotalBytes(qint64 totalBytes)
{
    d->totalBytes = totalBytes;
}

qint64 MObjectTransfer::transferredBytes() const
{
    return d->transferredBytes;
}

void MObjectTransfer::setTransferredBytes(qint64 transferredBytes)
{
    d->transferredBytes = transferredBytes;
}

qint64 MObjectTransfer::totalTransferredBytes() const
{
    return d->totalTransferredBytes;
}

void MObjectTransfer::setTotalTransferredBytes(qint64 totalTransferredBytes)
{
    d->totalTransferredBytes = totalTransferredBytes;
}

int MObjectTransfer::errorCode() const
{
    return d->errorCode;
}

void MObjectTransfer::setErrorCode(int errorCode)
{
    d->errorCode = errorCode;
}

QList<MObjectError> MObjectTransfer::errors() const
{
    return d->errors;
}

void MObjectTransfer::setErrors(const QList<MObjectError> &errors)
{
    d->errors = errors;
}

QDateTime MObjectTransfer::createdAt() const
{
    return d->createdAt;
}

void MObjectTransfer::setCreatedAt(const QDateTime &createdAt)
{
    d->createdAt = createdAt;
}

QString MObjectTransfer::owner() const
{
    return d->owner;
}

void MObjectTransfer::setOwner(const QString &owner)
{
    d->owner = owner;
}

QString MObjectTransfer::sendRequestIdentifier() const
{
    const QString token = attribute(SendRequestIdentifier).toString();
    return isPlainPathSegment(token) ? token : QString();
}

void MObjectTransfer::setSendRequestIdentifier(const QString &identifier)
{
    setAttribute(SendRequestIdentifier, identifier);
}

QStringList MObjectTransfer::chunkHashes() const
{
    return attribute(ChunkHashes).toStringList();
}

void MObjectTransfer::setChunkHashes(const QStringList &hashes)
{
    setAttribute(ChunkHashes, hashes);
}

QStringList MObjectTransfer::missingChunkHashes() const
{
    return attribute(MissingChunkHashes).toStringList();
}

void MObjectTransfer::setMissingChunkHashes(const QStringList &hashes)
{
    setAttribute(MissingChunkHashes, hashes);
}

int MObjectTransfer::lastUploadedChunk() const
{
    return attribute(LastUploadedChunk).toInt();
}

void MObjectTransfer::setLastUploadedChunk(int chunk)
{
    setAttribute(LastUploadedChunk, chunk);
}

QByteArray MObjectTransfer::finalHash() const
{
    return attribute(FinalHash).toByteArray();
}

void MObjectTransfer::setFinalHash(const QByteArray &hash)
{
    setAttribute(FinalHash, hash);
}

QVector<int> MObjectTransfer::missingChunks() const
{
    return attribute(MissingChunks).value<QVector<int>>();
}

void MObjectTransfer::setMissingChunks(const QVector<int> &chunks)
{
    setAttribute(MissingChunks, QVariant::fromValue(chunks));
}

QString MObjectTransfer::userString() const
{
    return attribute(UserString).toString();
}

void MObjectTransfer::setUserString(const QString &string)
{
    setAttribute(UserString, string);
}

qint64 MObjectTransfer::resumeOffset() const
{
    return attribute(ResumeOffset).toLongLong();
}

void MObjectTransfer::setResumeOffset(qint64 offset)
{
    setAttribute(ResumeOffset, qulonglong(offset));
}

QVariant MObjectTransfer::attribute(MObjectTransfer::Attribute attribute) const
{
    return d->attributes.value(MObjectTransferPrivate::enumToStr(attribute));
}

void MObjectTransfer::setAttribute(MObjectTransfer::Attribute attribute, const QVariant &value)
{
    d->attributes.insert(MObjectTransferPrivate::enumToStr(attribute), value);
}

QVariantMap MObjectTransfer::attributes() const
{
    return d->attributes;
}

void MObjectTransfer::setAttributes(const QVariantMap &attributes)
{
    d->attributes = attributes;
}

bool MObjectTransfer::operator==(const MObjectTransfer &other) const
{
    return d->identifier == other.d->identifier;
}

void MObjectTransfer::save()
{
    if (MObjectStatesQueue *queue = statesQueue())
        queue->saveTransfer(*this);
}

void MObjectTransfer::saveAll(QList<MObjectTransfer> &transfers)
{
    MObjectStatesQueue *queue = statesQueue();
    if (!queue)
        return;
    const QList<MObjectTransfer> saved = queue->saveTransfers(transfers);
    if (saved.size() == transfers.size())
        transfers = saved;
}

void MObjectTransfer::remove()
{
    if (MObjectStatesQueue *queue = statesQueue())
        queue->removeTransfer(*this);
}

MObjectTransferGroup MObjectTransfer::group() const
{
    MObjectStatesQueue *queue = statesQueue();
    return queue ? queue->group(d->groupIdentifier) : MObjectTransferGroup();
}

MObjectTransfer MObjectTransfer::takeNext(bool *found)
{
    if (MObjectStatesQueue *queue = statesQueue())
        return queue->takeNextTransfer(found);
    if (found)
        *found = false;
    return MObjectTransfer();
}

bool MObjectTransfer::hasPendingTransfers()
{
    MObjectStatesQueue *queue = statesQueue();
    return queue && queue->hasPendingTransfers();
}

MObjectTransfer MObjectTransfer::fromIdentifier(qint64 identifier)
{
    MObjectStatesQueue *queue = statesQueue();
    return queue ? queue->transfer(identifier) : MObjectTransfer();
}

bool MObjectTransfer::setDatabasePath(const QString &path)
{
    MObjectStatesQueue *queue = statesQueue();
    return queue && queue->setDatabasePath(path);
}

QString MObjectTransfer::databasePath()
{
    MObjectStatesQueue *queue = statesQueue();
    return queue ? queue->databasePath() : QString();
}

uint qHash(const MObjectTransfer &transfer, uint seed) noexcept
{
    return qHash(transfer.identifier(), seed);
}

QDataStream &operator<<(QDataStream &stream, const MObjectTransfer &transfer)
{
    const int version = stream.version();
    stream.setVersion(QDataStream::Qt_5_3);
    const MObjectTransferPrivate &d = *transfer.d;
    stream << qint32(d.state) << d.request << d.storageObject << d.totalBytes << d.transferredBytes
           << d.totalTransferredBytes << qint32(d.previousState) << d.attributes
           << qint32(d.errorCode);
    stream.setVersion(version);
    return stream;
}

QDataStream &operator>>(QDataStream &stream, MObjectTransfer &transfer)
{
    const int version = stream.version();
    stream.setVersion(QDataStream::Qt_5_3);
    // Read into a copy, so that a short or corrupt stream leaves the transfer as it was.
    MObjectTransfer read(transfer);
    MObjectTransferPrivate &d = *read.d;
    qint32 state = MObjectTransfer::Invalid;
    qint32 previousState = MObjectTransfer::Invalid;
    qint32 errorCode = 0;
    stream >> state >> d.request >> d.storageObject >> d.totalBytes >> d.transferredBytes >>
        d.totalTransferredBytes >> previousState >> d.attributes >> errorCode;
    stream.setVersion(version);
    if (stream.status() == QDataStream::Ok) {
        d.state = state;
        d.previousState = previousState;
        d.errorCode = errorCode;
        transfer = read;
    }
    return stream;
}

QDataStream &operator<<(QDataStream &stream, MObjectTransfer::State state)
{
    return stream << qint32(state);
}

QDataStream &operator>>(QDataStream &stream, MObjectTransfer::State &state)
{
    qint32 value = MObjectTransfer::Invalid;
    stream >> value;
    state = MObjectTransfer::State(value);
    return stream;
}

QDebug operator<<(QDebug debug, MObjectTransfer::State state)
{
    const char *name = "Unknown";
    switch (state) {
    case MObjectTransfer::Invalid:
        name = "Invalid";
        break;
    case MObjectTransfer::Scheduled:
        name = "Scheduled";
        break;
    case MObjectTransfer::Running:
        name = "Running";
        break;
    case MObjectTransfer::Idle:
        name = "Idle";
        break;
    case MObjectTransfer::Paused:
        name = "Paused";
        break;
    case MObjectTransfer::Completed:
        name = "Completed";
        break;
    case MObjectTransfer::Expired:
        name = "Expired";
        break;
    case MObjectTransfer::Canceled:
        name = "Canceled";
        break;
    case MObjectTransfer::Error:
        name = "Error";
        break;
    }
    QDebugStateSaver saver(debug);
    debug.nospace() << name << " (" << int(state) << ')';
    return debug;
}

#include "mobjecttransfergroup.h"

#include "corelogging.h"
#include "mobjectstatesqueue.h"

class MObjectTransferGroupPrivate : public QSharedData
{
public:
    qint64 identifier = 0;
    QList<MObjectTransfer> transfers;
    qint64 overallTransferredBytes = 0;
    qint64 totalBytes = 0;
    qint64 completedCount = 0;
    int state = MObjectTransfer::Invalid;
    MObjectTransferRequest request;
    QString humanReadableIdentifier;
    QDateTime createdAt;
};

namespace {

MObjectStatesQueue *statesQueue()
{
    MObjectStatesQueue *queue = MObjectStatesQueue::applicationQueue();
    if (!queue)
        qCWarning(lcCoreTransfers, "MObjectTransferGroup: the core has no transfer queue");
    return queue;
}

} // namespace

MObjectTransferGroup::MObjectTransferGroup()
    : d(new MObjectTransferGroupPrivate)
{}

MObjectTransferGroup::MObjectTransferGroup(const MObjectTransferGroup &other) = default;
MObjectTransferGroup &MObjectTransferGroup::operator=(const MObjectTransferGroup &other) = default;
MObjectTransferGroup::~MObjectTransferGroup() = default;

bool MObjectTransferGroup::isValid() const
{
    return d->identifier != 0;
}

qint64 MObjectTransferGroup::identifier() const
{
    return d->identifier;
}

void MObjectTransferGroup::setIdentifier(qint64 identifier)
{
    d->identifier = identifier;
}

QList<MObjectTransfer> MObjectTransferGroup::transfers() const
{
    return d->transfers;
}

qint64 MObjectTransferGroup::overallTransferredBytes() const
{
    return d->overallTransferredBytes;
}

void MObjectTransferGroup::setOverallTransferredBytes(qint64 bytes)
{
    d->overallTransferredBytes = bytes;
}

qint64 MObjectTransferGroup::totalBytes() const
{
    return d->totalBytes;
}

void MObjectTransferGroup::setTotalBytes(qint64 bytes)
{
    d->totalBytes = bytes;
}

qint64 MObjectTransferGroup::completedCount() const
{
    return d->completedCount;
}

void MObjectTransferGroup::setCompletedCount(qint64 count)
{
    d->completedCount = count;
}

int MObjectTransferGroup::state() const
{
    return d->state;
}

void MObjectTransferGroup::setState(int state)
{
    d->state = state;
}

MObjectTransferRequest MObjectTransferGroup::transferRequest() const
{
    return d->request;
}

void MObjectTransferGroup::setTransferRequest(const MObjectTransferRequest &request)
{
    d->request = request;
}

QString MObjectTransferGroup::humanReadableIdentifier() const
{
    return d->humanReadableIdentifier;
}

void MObjectTransferGroup::setHumanReadableIdentifier(const QString &identifier)
{
    d->humanReadableIdentifier = identifier;
}

QDateTime MObjectTransferGroup::createdAt() const
{
    return d->createdAt;
}

void MObjectTransferGroup::setCreatedAt(const QDateTime &createdAt)
{
    d->createdAt = createdAt;
}

void MObjectTransferGroup::addTransfer(MObjectTransfer &transfer)
{
    transfer.setGroup(*this);
    d->transfers.append(transfer);
    d->totalBytes += transfer.totalBytes();
    if (transfer.state() == MObjectTransfer::Completed)
        ++d->completedCount;
    d->overallTransferredBytes += transfer.transferredBytes();
}

void MObjectTransferGroup::save()
{
    if (MObjectStatesQueue *queue = statesQueue())
        queue->saveGroup(*this);
}

MObjectTransferGroup MObjectTransferGroup::fromIdentifier(qint64 identifier)
{
    MObjectStatesQueue *queue = statesQueue();
    return queue ? queue->group(identifier) : MObjectTransferGroup();
}

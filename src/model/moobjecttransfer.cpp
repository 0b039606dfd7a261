#include "moobjecttransfer.h"

#include "mobjecttransfer.h"
#include "mobjecttransfergroup.h"
#include "mocorevalues_p.h"
#include "mqbindings.h"

#include <QHash>

class MOObjectTransferPrivate : public QSharedData
{
public:
    MObjectTransfer transfer;
    // The group as first looked up; the object reports a snapshot, so once is enough.
    mutable bool groupLoaded = false;
    mutable std::optional<MOObjectTransferGroup> group;
};

MOObjectTransfer::MOObjectTransfer()
    : d(new MOObjectTransferPrivate)
{}

MOObjectTransfer MOCoreValues::objectTransferWithCXXObjectTransfer(const MObjectTransfer &transfer)
{
    MOObjectTransfer value;
    value.d->transfer = transfer;
    return value;
}

MOObjectTransfer::MOObjectTransfer(const MOObjectTransfer &other) = default;
MOObjectTransfer &MOObjectTransfer::operator=(const MOObjectTransfer &other) = default;
MOObjectTransfer::~MOObjectTransfer() = default;

bool MOObjectTransfer::isValid() const
{
    return d->transfer.isValid();
}

MOStorageObject MOObjectTransfer::storageObject() const
{
    return MOCoreValues::storageObjectWithCXXStorageObject(d->transfer.storageObject());
}

MOObjectTransferRequest MOObjectTransfer::transferRequest() const
{
    return MOCoreValues::objectTransferRequestWithCXXObjectTransferRequest(
        d->transfer.transferRequest());
}

MOObjectTransfer::State MOObjectTransfer::state() const
{
    return State(d->transfer.state());
}

qint64 MOObjectTransfer::transferredBytes() const
{
    return d->transfer.transferredBytes();
}

qint64 MOObjectTransfer::totalTransferredBytes() const
{
    return d->transfer.totalTransferredBytes();
}

qint64 MOObjectTransfer::totalBytes() const
{
    return d->transfer.totalBytes();
}

qint64 MOObjectTransfer::identifier() const
{
    return d->transfer.identifier();
}

std::optional<MOObjectTransferGroup> MOObjectTransfer::group() const
{
    if (!d->groupLoaded) {
        d->groupLoaded = true;
        // A transfer of its own names no group; there is nothing to look up.
        if (d->transfer.groupIdentifier() != 0) {
            const MObjectTransferGroup group = d->transfer.group();
            if (group.isValid())
                d->group = MOCoreValues::objectTransferGroupWithCXXObjectTransferGroup(group);
        }
    }
    return d->group;
}

QDateTime MOObjectTransfer::createdAt() const
{
    return QDateTimeToNSDate(d->transfer.createdAt());
}

bool MOObjectTransfer::hasRecordedOwner() const
{
    return !d->transfer.owner().isEmpty();
}

MObjectTransfer MOCoreValues::cxxTransfer(const MOObjectTransfer &value)
{
    return value.d->transfer;
}

bool MOObjectTransfer::operator==(const MOObjectTransfer &other) const
{
    if (d == other.d)
        return true;
    const qint64 identifier = d->transfer.identifier();
    return identifier != 0 && identifier == other.d->transfer.identifier();
}

uint qHash(const MOObjectTransfer &transfer, uint seed) noexcept
{
    return qHash(transfer.identifier(), seed);
}

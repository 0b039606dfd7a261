#include "moobjecttransfergroup.h"

#include "mobjecttransfergroup.h"
#include "mocorevalues_p.h"
#include "moobjecttransfer.h"
#include "mqbindings.h"

#include <QHash>

class MOObjectTransferGroupPrivate : public QSharedData
{
public:
    MObjectTransferGroup group;
};

MOObjectTransferGroup::MOObjectTransferGroup()
    : d(new MOObjectTransferGroupPrivate)
{}

MOObjectTransferGroup
MOCoreValues::objectTransferGroupWithCXXObjectTransferGroup(const MObjectTransferGroup &group)
{
    MOObjectTransferGroup value;
    value.d->group = group;
    return value;
}

MOObjectTransferGroup::MOObjectTransferGroup(const MOObjectTransferGroup &other) = default;
MOObjectTransferGroup &
MOObjectTransferGroup::operator=(const MOObjectTransferGroup &other) = default;
MOObjectTransferGroup::~MOObjectTransferGroup() = default;

bool MOObjectTransferGroup::isValid() const
{
    return d->group.identifier() != 0;
}

qint64 MOObjectTransferGroup::identifier() const
{
    return d->group.identifier();
}

QList<MOObjectTransfer> MOObjectTransferGroup::transfers() const
{
    QList<MOObjectTransfer> transfers;
    const QList<MObjectTransfer> members = d->group.transfers();
    transfers.reserve(members.size());
    for (const MObjectTransfer &transfer : members)
        transfers.append(MOCoreValues::objectTransferWithCXXObjectTransfer(transfer));
    return transfers;
}

qint64 MOObjectTransferGroup::totalBytes() const
{
    return d->group.totalBytes();
}

void MOObjectTransferGroup::setTotalBytes(qint64 bytes)
{
    d->group.setTotalBytes(bytes);
}

qint64 MOObjectTransferGroup::overallTransferredBytes() const
{
    return d->group.overallTransferredBytes();
}

void MOObjectTransferGroup::setOverallTransferredBytes(qint64 bytes)
{
    d->group.setOverallTransferredBytes(bytes);
}

qint64 MOObjectTransferGroup::completedCount() const
{
    return d->group.completedCount();
}

void MOObjectTransferGroup::setCompletedCount(qint64 count)
{
    d->group.setCompletedCount(count);
}

QString MOObjectTransferGroup::humanReadableIdentifier() const
{
    return d->group.humanReadableIdentifier();
}

void MOObjectTransferGroup::setHumanReadableIdentifier(const QString &identifier)
{
    d->group.setHumanReadableIdentifier(identifier);
}

MOObjectTransfer::State MOObjectTransferGroup::state() const
{
    return MOObjectTransfer::State(d->group.state());
}

void MOObjectTransferGroup::setState(qint64 state)
{
    d->group.setState(int(state));
}

MOObjectTransferRequest MOObjectTransferGroup::transferRequest() const
{
    return MOCoreValues::objectTransferRequestWithCXXObjectTransferRequest(
        d->group.transferRequest());
}

void MOObjectTransferGroup::setTransferRequest(const MOObjectTransferRequest &request)
{
    d->group.setTransferRequest(MOCoreValues::cxxTransferRequest(request));
}

QDateTime MOObjectTransferGroup::createdAt() const
{
    return QDateTimeToNSDate(d->group.createdAt());
}

MObjectTransferGroup MOCoreValues::cxxTransferGroup(const MOObjectTransferGroup &value)
{
    return value.d->group;
}

bool MOObjectTransferGroup::operator==(const MOObjectTransferGroup &other) const
{
    if (d == other.d)
        return true;
    const qint64 identifier = d->group.identifier();
    return identifier != 0 && identifier == other.d->group.identifier();
}

uint qHash(const MOObjectTransferGroup &group, uint seed) noexcept
{
    return qHash(group.identifier(), seed);
}

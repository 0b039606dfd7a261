#include "mojoininvitation.h"

#include "mjoininvitation.h"
#include "mouseraccount.h"
#include "mqbindings.h"

class MOJoinInvitationPrivate : public QSharedData
{
public:
    MJoinInvitation invitation;
};

MOJoinInvitation::MOJoinInvitation()
    : d(new MOJoinInvitationPrivate)
{}

MOJoinInvitation::MOJoinInvitation(const MJoinInvitation &invitation)
    : d(new MOJoinInvitationPrivate)
{
    d->invitation = invitation;
}

MOJoinInvitation::MOJoinInvitation(const MOJoinInvitation &other) = default;
MOJoinInvitation &MOJoinInvitation::operator=(const MOJoinInvitation &other) = default;
MOJoinInvitation::~MOJoinInvitation() = default;

MOUserAccount MOJoinInvitation::sender() const
{
    return MOUserAccount(d->invitation.sender());
}

qint64 MOJoinInvitation::identifier() const
{
    return d->invitation.identifier();
}

QDateTime MOJoinInvitation::createdAt() const
{
    return QDateTimeToNSDate(d->invitation.createdAt());
}

QDateTime MOJoinInvitation::acceptedAt() const
{
    return QDateTimeToNSDate(d->invitation.acceptedAt());
}

QDateTime MOJoinInvitation::revokedAt() const
{
    return QDateTimeToNSDate(d->invitation.revokedAt());
}

QDateTime MOJoinInvitation::rejectedAt() const
{
    return QDateTimeToNSDate(d->invitation.rejectedAt());
}

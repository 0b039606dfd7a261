#include "mojoininvitation.h"

#include "mjoininvitation.h"
#include "modates_p.h"
#include "mouseraccount.h"

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
    return moWholeSeconds(d->invitation.createdAt());
}

QDateTime MOJoinInvitation::acceptedAt() const
{
    return moWholeSeconds(d->invitation.acceptedAt());
}

QDateTime MOJoinInvitation::revokedAt() const
{
    return moWholeSeconds(d->invitation.revokedAt());
}

QDateTime MOJoinInvitation::rejectedAt() const
{
    return moWholeSeconds(d->invitation.rejectedAt());
}

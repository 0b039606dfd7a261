#include "mojoininvitation.h"

#include "mjoininvitation.h"
#include "mocorevalues_p.h"
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

MOJoinInvitation
MOCoreValues::joinInvitationWithCXXJoinInvitation(const MJoinInvitation &invitation)
{
    MOJoinInvitation value;
    value.d->invitation = invitation;
    return value;
}

MOJoinInvitation::MOJoinInvitation(const MOJoinInvitation &other) = default;
MOJoinInvitation &MOJoinInvitation::operator=(const MOJoinInvitation &other) = default;
MOJoinInvitation::~MOJoinInvitation() = default;

MOUserAccount MOJoinInvitation::sender() const
{
    return MOCoreValues::userAccountWithCXXUserAccount(d->invitation.sender());
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

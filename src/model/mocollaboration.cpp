#include "mocollaboration.h"

#include "mcollaboration.h"
#include "moconversation.h"
#include "mocorevalues_p.h"
#include "moobjectmodeltypes_p.h"
#include "mouseraccount.h"
#include "mqbindings.h"

#include <QHash>

class MOCollaborationPrivate : public QSharedData
{
public:
    MCollaboration collaboration;
};

MOCollaboration::MOCollaboration()
    : d(new MOCollaborationPrivate)
{}

MOCollaboration MOCoreValues::collaborationWithCXXCollaboration(const MCollaboration &collaboration)
{
    MOCollaboration value;
    value.d->collaboration = collaboration;
    return value;
}

MOCollaboration::MOCollaboration(const MOCollaboration &other) = default;
MOCollaboration &MOCollaboration::operator=(const MOCollaboration &other) = default;
MOCollaboration::~MOCollaboration() = default;

MOConversation MOCollaboration::conversation() const
{
    return MOCoreValues::conversationWithCXXConversation(d->collaboration.conversation());
}

MOUserAccount MOCollaboration::sender() const
{
    return MOCoreValues::userAccountWithCXXUserAccount(d->collaboration.sender());
}

MOUserAccount MOCollaboration::recipient() const
{
    return MOCoreValues::userAccountWithCXXUserAccount(d->collaboration.recipient());
}

QString MOCollaboration::token() const
{
    return d->collaboration.token();
}

QString MOCollaboration::uniqueIdentifier() const
{
    return d->collaboration.uniqueIdentifier();
}

QString MOCollaboration::sourceProvider() const
{
    return d->collaboration.sourceProvider();
}

uint MOCollaboration::type() const
{
    return uint(d->collaboration.type());
}

uint MOCollaboration::errorCode() const
{
    return uint(d->collaboration.errorCode());
}

QDateTime MOCollaboration::createdAt() const
{
    return QDateTimeToNSDate(d->collaboration.createdAt());
}

QDateTime MOCollaboration::acceptedAt() const
{
    return QDateTimeToNSDate(d->collaboration.acceptedAt());
}

QDateTime MOCollaboration::rejectedAt() const
{
    return QDateTimeToNSDate(d->collaboration.rejectedAt());
}

QDateTime MOCollaboration::revokedAt() const
{
    return QDateTimeToNSDate(d->collaboration.revokedAt());
}

bool MOCollaboration::accepted() const
{
    return d->collaboration.accepted();
}

void MOCollaboration::setAccepted(bool accepted)
{
    d->collaboration.setAccepted(accepted);
}

bool MOCollaboration::rejected() const
{
    return d->collaboration.rejected();
}

void MOCollaboration::setRejected(bool rejected)
{
    d->collaboration.setRejected(rejected);
}

bool MOCollaboration::revoked() const
{
    return d->collaboration.revoked();
}

QVariant MOCollaboration::resource() const
{
    // A storage object comes out as an MOStorageObject once its conversion is known.
    registerObjectModelTypes();
    return QVariantToNSObject(d->collaboration.resource());
}

void MOCollaboration::setResource(const QVariant &resource)
{
    d->collaboration.setResource(NSObjectToQVariant(resource));
}

MCollaboration MOCoreValues::cxxCollaboration(const MOCollaboration &value)
{
    return value.d->collaboration;
}

bool MOCollaboration::operator==(const MOCollaboration &other) const
{
    return d->collaboration == other.d->collaboration;
}

uint qHash(const MOCollaboration &collaboration, uint seed) noexcept
{
    return qHash(collaboration.token(), seed);
}

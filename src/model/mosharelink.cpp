#include "mosharelink.h"

#include "mocorevalues_p.h"
#include "mqbindings.h"
#include "msharelink.h"

#include <QHash>

class MOShareLinkPrivate : public QSharedData
{
public:
    MShareLink link;
};

MOShareLink::MOShareLink()
    : d(new MOShareLinkPrivate)
{}

MOShareLink MOCoreValues::shareLinkWithCXXShareLink(const MShareLink &link)
{
    MOShareLink value;
    value.d->link = link;
    return value;
}

MOShareLink::MOShareLink(const MOShareLink &other) = default;
MOShareLink &MOShareLink::operator=(const MOShareLink &other) = default;
MOShareLink::~MOShareLink() = default;

QString MOShareLink::filePath() const
{
    return d->link.filePath();
}

void MOShareLink::setFilePath(const QString &filePath)
{
    d->link.setFilePath(filePath);
}

QString MOShareLink::token() const
{
    return d->link.token();
}

void MOShareLink::setToken(const QString &token)
{
    d->link.setToken(token);
}

qint64 MOShareLink::visitCount() const
{
    return d->link.visitCount();
}

void MOShareLink::setVisitCount(qint64 visitCount)
{
    d->link.setVisitCount(visitCount);
}

qint64 MOShareLink::isPublic() const
{
    return d->link.isPublic() ? 1 : 0;
}

void MOShareLink::setIsPublic(qint64 isPublic)
{
    d->link.setIsPublic(isPublic != 0);
}

qint64 MOShareLink::expiresIn() const
{
    return d->link.expiresIn();
}

void MOShareLink::setExpiresIn(qint64 expiresIn)
{
    d->link.setExpiresIn(expiresIn);
}

QDateTime MOShareLink::createdAt() const
{
    return QDateTimeToNSDate(d->link.createdAt());
}

void MOShareLink::setCreatedAt(const QDateTime &createdAt)
{
    d->link.setCreatedAt(NSDateToQDateTime(createdAt));
}

QDateTime MOShareLink::revokedAt() const
{
    return QDateTimeToNSDate(d->link.revokedAt());
}

void MOShareLink::setRevokedAt(const QDateTime &revokedAt)
{
    d->link.setRevokedAt(NSDateToQDateTime(revokedAt));
}

QDateTime MOShareLink::updatedAt() const
{
    return QDateTimeToNSDate(d->link.updatedAt());
}

void MOShareLink::setUpdatedAt(const QDateTime &updatedAt)
{
    d->link.setUpdatedAt(NSDateToQDateTime(updatedAt));
}

QString MOShareLink::publicUri() const
{
    return d->link.publicUri();
}

void MOShareLink::setPublicUri(const QString &publicUri)
{
    d->link.setPublicUri(publicUri);
}

MShareLink MOCoreValues::cxxShareLink(const MOShareLink &value)
{
    return value.d->link;
}

bool MOShareLink::operator==(const MOShareLink &other) const
{
    return d->link == other.d->link;
}

uint qHash(const MOShareLink &link, uint seed) noexcept
{
    return qHash(link.token(), seed);
}

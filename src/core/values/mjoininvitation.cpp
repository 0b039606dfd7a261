#include "mjoininvitation.h"

#include "socialjson_p.h"

class MJoinInvitationPrivate : public QSharedData
{
public:
    MUserAccount sender;
    QDateTime createdAt;
    QDateTime acceptedAt;
    QDateTime revokedAt;
    QDateTime rejectedAt;
    qint64 id = 0;
};

MJoinInvitation::MJoinInvitation()
    : d(new MJoinInvitationPrivate)
{}

MJoinInvitation::MJoinInvitation(const QVariantMap &json)
    : d(new MJoinInvitationPrivate)
{
    const auto sender = json.constFind(QStringLiteral("sender"));
    if (sender != json.constEnd())
        d->sender = MUserAccount(sender->toMap());
    d->createdAt = SocialJson::toDate(json.value(QStringLiteral("created_at")));
    d->revokedAt = SocialJson::toDate(json.value(QStringLiteral("revoked_at")));
    d->rejectedAt = SocialJson::toDate(json.value(QStringLiteral("rejected_at")));
    d->acceptedAt = SocialJson::toDate(json.value(QStringLiteral("accepted_at")));
    d->id = SocialJson::toInt64(json.value(QStringLiteral("id")), 0);
}

MJoinInvitation::MJoinInvitation(const MJoinInvitation &other) = default;
MJoinInvitation &MJoinInvitation::operator=(const MJoinInvitation &other) = default;
MJoinInvitation::~MJoinInvitation() = default;

qint64 MJoinInvitation::identifier() const
{
    return d->id;
}

MUserAccount MJoinInvitation::sender() const
{
    return d->sender;
}

QDateTime MJoinInvitation::createdAt() const
{
    return d->createdAt;
}

QDateTime MJoinInvitation::acceptedAt() const
{
    return d->acceptedAt;
}

QDateTime MJoinInvitation::revokedAt() const
{
    return d->revokedAt;
}

QDateTime MJoinInvitation::rejectedAt() const
{
    return d->rejectedAt;
}

bool MJoinInvitation::operator==(const MJoinInvitation &other) const
{
    return d->id == other.d->id;
}

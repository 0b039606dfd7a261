#include "msharelink.h"

#include "socialjson_p.h"

class MShareLinkPrivate : public QSharedData
{
public:
    QString filePath;
    QString token;
    qint64 visitCount = 0;
    bool isPublic = false;
    qint64 expiresIn = 0;
    QDateTime createdAt;
    QDateTime revokedAt;
    QDateTime updatedAt;
    QString publicUri;
};

MShareLink::MShareLink()
    : d(new MShareLinkPrivate)
{}

MShareLink::MShareLink(const QVariantMap &json)
    : d(new MShareLinkPrivate)
{
    d->filePath = json.value(QStringLiteral("path")).toString();
    d->token = json.value(QStringLiteral("token")).toString();
    d->visitCount = SocialJson::toInt64(json.value(QStringLiteral("visit_count")), 0);
    d->isPublic = json.value(QStringLiteral("public")).toBool();
    d->expiresIn = SocialJson::toInt64(json.value(QStringLiteral("expires_in")), 0);
    d->revokedAt = SocialJson::toDate(json.value(QStringLiteral("revoked_at")));
    d->createdAt = SocialJson::toDate(json.value(QStringLiteral("created_at")));
    d->updatedAt = SocialJson::toDate(json.value(QStringLiteral("updated_at")));
    d->publicUri = json.value(QStringLiteral("public_uri")).toString();
}

MShareLink::MShareLink(const MShareLink &other) = default;
MShareLink &MShareLink::operator=(const MShareLink &other) = default;
MShareLink::~MShareLink() = default;

QString MShareLink::filePath() const
{
    return d->filePath;
}

void MShareLink::setFilePath(const QString &filePath)
{
    d->filePath = filePath;
}

QString MShareLink::token() const
{
    return d->token;
}

void MShareLink::setToken(const QString &token)
{
    d->token = token;
}

qint64 MShareLink::visitCount() const
{
    return d->visitCount;
}

void MShareLink::setVisitCount(qint64 visitCount)
{
    d->visitCount = visitCount;
}

bool MShareLink::isPublic() const
{
    return d->isPublic;
}

void MShareLink::setIsPublic(bool isPublic)
{
    d->isPublic = isPublic;
}

qint64 MShareLink::expiresIn() const
{
    return d->expiresIn;
}

void MShareLink::setExpiresIn(qint64 expiresIn)
{
    d->expiresIn = expiresIn;
}

QDateTime MShareLink::createdAt() const
{
    return d->createdAt;
}

void MShareLink::setCreatedAt(const QDateTime &createdAt)
{
    d->createdAt = createdAt;
}

QDateTime MShareLink::revokedAt() const
{
    return d->revokedAt;
}

void MShareLink::setRevokedAt(const QDateTime &revokedAt)
{
    d->revokedAt = revokedAt;
}

QDateTime MShareLink::updatedAt() const
{
    return d->updatedAt;
}

void MShareLink::setUpdatedAt(const QDateTime &updatedAt)
{
    d->updatedAt = updatedAt;
}

QString MShareLink::publicUri() const
{
    return d->publicUri;
}

void MShareLink::setPublicUri(const QString &publicUri)
{
    d->publicUri = publicUri;
}

bool MShareLink::operator==(const MShareLink &other) const
{
    return d->token == other.d->token;
}

#include "mcollaboration.h"

#include "mstorageobject.h"
#include "socialjson_p.h"

class MCollaborationPrivate : public QSharedData
{
public:
    bool accepted = false;
    bool revoked = false;
    bool rejected = false;
    QDateTime acceptedAt;
    QDateTime createdAt;
    QDateTime revokedAt;
    QDateTime rejectedAt;
    MUserAccount sender;
    MUserAccount recipient;
    MConversation conversation;
    QString token;
    MCollaboration::Type type = MCollaboration::NoType;
    QVariant resource;
    MCollaboration::Error errorCode = MCollaboration::NoError;
    QString uniqueIdentifier;
    QString sourceProvider;
};

namespace {

// A missing key and a JSON null both decode as a null variant.
bool given(const QVariant &value)
{
    return !value.isNull();
}

} // namespace

MCollaboration::MCollaboration()
    : d(new MCollaborationPrivate)
{}

MCollaboration::MCollaboration(const QVariantMap &json, MCollaboration::Type type)
    : d(new MCollaborationPrivate)
{
    if (type != FileTransfer)
        return;

    const QVariant acceptedAt = json.value(QStringLiteral("accepted_at"));
    if (given(acceptedAt)) {
        d->accepted = true;
        d->acceptedAt = SocialJson::toDate(acceptedAt);
    }
    d->createdAt = SocialJson::toDate(json.value(QStringLiteral("created_at")));

    // A destination the service gave wins, even when it is not an object.
    QVariant object = json.value(QStringLiteral("destination_object"));
    if (!given(object))
        object = json.value(QStringLiteral("source_object"));
    if (object.userType() == QMetaType::QVariantMap)
        d->resource = QVariant::fromValue(MStorageObject(object.toMap()));

    const QVariant recipient = json.value(QStringLiteral("recipient"));
    if (given(recipient))
        d->recipient = MUserAccount(recipient.toMap());
    const QVariant sender = json.value(QStringLiteral("sender"));
    if (sender.userType() == QMetaType::QVariantMap)
        d->sender = MUserAccount(sender.toMap());

    const QVariant rejectedAt = json.value(QStringLiteral("rejected_at"));
    if (given(rejectedAt)) {
        d->rejected = true;
        d->rejectedAt = SocialJson::toDate(rejectedAt);
    }
    const QVariant revokedAt = json.value(QStringLiteral("revoked_at"));
    if (given(revokedAt)) {
        d->revoked = true;
        d->revokedAt = SocialJson::toDate(revokedAt);
    }

    d->type = FileTransfer;
    d->token = json.value(QStringLiteral("token")).toString();

    const auto conversation = json.constFind(QStringLiteral("conversation"));
    if (conversation != json.constEnd())
        d->conversation = MConversation(conversation->toMap());
    const auto identifier = json.constFind(QStringLiteral("unique_identifier"));
    if (identifier != json.constEnd())
        d->uniqueIdentifier = identifier->toString();
    const auto provider = json.constFind(QStringLiteral("source_provider"));
    if (provider != json.constEnd())
        d->sourceProvider = provider->toString();
}

MCollaboration::MCollaboration(const MCollaboration &other) = default;
MCollaboration &MCollaboration::operator=(const MCollaboration &other) = default;
MCollaboration::~MCollaboration() = default;

bool MCollaboration::accepted() const
{
    return d->accepted;
}

void MCollaboration::setAccepted(bool accepted)
{
    d->accepted = accepted;
}

bool MCollaboration::revoked() const
{
    return d->revoked;
}

void MCollaboration::setRevoked(bool revoked)
{
    d->revoked = revoked;
}

bool MCollaboration::rejected() const
{
    return d->rejected;
}

void MCollaboration::setRejected(bool rejected)
{
    d->rejected = rejected;
}

QDateTime MCollaboration::acceptedAt() const
{
    return d->acceptedAt;
}

QDateTime MCollaboration::createdAt() const
{
    return d->createdAt;
}

QDateTime MCollaboration::revokedAt() const
{
    return d->revokedAt;
}

QDateTime MCollaboration::rejectedAt() const
{
    return d->rejectedAt;
}

MUserAccount MCollaboration::sender() const
{
    return d->sender;
}

void MCollaboration::setSender(const MUserAccount &sender)
{
    d->sender = sender;
}

MUserAccount MCollaboration::recipient() const
{
    return d->recipient;
}

void MCollaboration::setRecipient(const MUserAccount &recipient)
{
    d->recipient = recipient;
}

MConversation MCollaboration::conversation() const
{
    return d->conversation;
}

QString MCollaboration::token() const
{
    return d->token;
}

QString MCollaboration::uniqueIdentifier() const
{
    return d->uniqueIdentifier;
}

void MCollaboration::setUniqueIdentifier(const QString &identifier)
{
    d->uniqueIdentifier = identifier;
}

QString MCollaboration::sourceProvider() const
{
    return d->sourceProvider;
}

void MCollaboration::setSourceProvider(const QString &provider)
{
    d->sourceProvider = provider;
}

MCollaboration::Type MCollaboration::type() const
{
    return d->type;
}

void MCollaboration::setType(MCollaboration::Type type)
{
    d->type = type;
}

QVariant MCollaboration::resource() const
{
    return d->resource;
}

void MCollaboration::setResource(const QVariant &resource)
{
    d->resource = resource;
}

MCollaboration::Error MCollaboration::errorCode() const
{
    return d->errorCode;
}

void MCollaboration::setErrorCode(MCollaboration::Error error)
{
    d->errorCode = error;
}

bool MCollaboration::operator==(const MCollaboration &other) const
{
    return d->token == other.d->token;
}

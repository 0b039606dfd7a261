#include "mmessage.h"

#include "socialjson_p.h"

#include <QHash>

class MMessagePrivate : public QSharedData
{
public:
    qint64 id = 0;
    QString body;
    QDateTime createdAt;
    MConversation conversation;
    MUserAccount sender;
    QDateTime sentAt;
};

MMessage::MMessage()
    : d(new MMessagePrivate)
{}

MMessage::MMessage(const QVariantMap &json)
    : d(new MMessagePrivate)
{
    d->id = SocialJson::toInt64(json.value(QStringLiteral("id")), 0);
    d->body = json.value(QStringLiteral("body")).toString();
    d->createdAt = SocialJson::toDate(json.value(QStringLiteral("created_at")));
    d->sentAt = SocialJson::toDate(json.value(QStringLiteral("sent_at")));

    const QVariant conversation = json.value(QStringLiteral("conversation"));
    if (!conversation.isNull())
        d->conversation = MConversation(conversation.toMap());
}

MMessage::MMessage(const MMessage &other) = default;
MMessage &MMessage::operator=(const MMessage &other) = default;
MMessage::~MMessage() = default;

qint64 MMessage::messageId() const
{
    return d->id;
}

QString MMessage::body() const
{
    return d->body;
}

void MMessage::setBody(const QString &body)
{
    d->body = body;
}

QDateTime MMessage::createdAt() const
{
    return d->createdAt;
}

void MMessage::setCreatedAt(const QDateTime &createdAt)
{
    d->createdAt = createdAt;
}

MConversation MMessage::conversation() const
{
    return d->conversation;
}

void MMessage::setConversation(const MConversation &conversation)
{
    d->conversation = conversation;
}

MUserAccount MMessage::sender() const
{
    return d->sender;
}

void MMessage::setSender(const MUserAccount &sender)
{
    d->sender = sender;
}

QDateTime MMessage::sentAt() const
{
    return d->sentAt;
}

void MMessage::setSentAt(const QDateTime &sentAt)
{
    d->sentAt = sentAt;
}

bool MMessage::operator==(const MMessage &other) const
{
    if (d == other.d)
        return true;
    if (d->id == 0 || other.d->id == 0)
        return false;
    return d->id == other.d->id;
}

uint qHash(const MMessage &message, uint seed) noexcept
{
    const MMessagePrivate *d = message.d.constData();
    // Equal messages must hash alike, and messages with an id are equal by id alone.
    if (d->id != 0)
        return qHash(quint64(d->id), seed);
    return qHash(quint64(d->conversation.identifier()), seed) ^ qHash(d->sentAt, seed) ^
           qHash(d->body, seed);
}

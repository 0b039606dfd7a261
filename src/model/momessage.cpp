#include "momessage.h"

#include "mmessage.h"
#include "moconversation.h"
#include "mocorevalues_p.h"
#include "mouseraccount.h"
#include "mqbindings.h"

class MOMessagePrivate : public QSharedData
{
public:
    MMessage message;
};

MOMessage::MOMessage()
    : d(new MOMessagePrivate)
{}

MOMessage MOCoreValues::messageWithCXXMessage(const MMessage &message)
{
    MOMessage value;
    value.d->message = message;
    return value;
}

MOMessage::MOMessage(const MOMessage &other) = default;
MOMessage &MOMessage::operator=(const MOMessage &other) = default;
MOMessage::~MOMessage() = default;

QString MOMessage::body() const
{
    return d->message.body();
}

void MOMessage::setBody(const QString &body)
{
    d->message.setBody(body);
}

QDateTime MOMessage::createdAt() const
{
    return QDateTimeToNSDate(d->message.createdAt());
}

void MOMessage::setCreatedAt(const QDateTime &createdAt)
{
    d->message.setCreatedAt(NSDateToQDateTime(createdAt));
}

MOConversation MOMessage::conversation() const
{
    return MOCoreValues::conversationWithCXXConversation(d->message.conversation());
}

MOUserAccount MOMessage::sender() const
{
    return MOCoreValues::userAccountWithCXXUserAccount(d->message.sender());
}

void MOMessage::setSender(const MOUserAccount &sender)
{
    d->message.setSender(MOCoreValues::cxxUserAccount(sender));
}

QDateTime MOMessage::sentAt() const
{
    return QDateTimeToNSDate(d->message.sentAt());
}

void MOMessage::setSentAt(const QDateTime &sentAt)
{
    d->message.setSentAt(NSDateToQDateTime(sentAt));
}

quint64 MOMessage::messageId() const
{
    return quint64(d->message.messageId());
}

MMessage MOCoreValues::cxxMessage(const MOMessage &value)
{
    return value.d->message;
}

bool MOMessage::operator==(const MOMessage &other) const
{
    // Copies of one wrapper share the core record, which the core takes for the same message.
    return d->message == other.d->message;
}

uint qHash(const MOMessage &message, uint seed) noexcept
{
    return qHash(message.d->message, seed);
}

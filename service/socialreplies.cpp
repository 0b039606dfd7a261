#include "socialreplies.h"

#include "accountstore.h"
#include "chatmessage.h"
#include "collaboration.h"
#include "conversationstore.h"
#include "joininvitation.h"

#include <QDateTime>

namespace {

QJsonValue objectOrNull(const QJsonObject &object)
{
    return object.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(object);
}

} // namespace

SocialReplies::SocialReplies(const AccountStore &accounts, const ConversationStore &conversations)
    : accounts(accounts)
    , conversations(conversations)
{}

QJsonValue SocialReplies::date(qint64 seconds)
{
    if (seconds == 0)
        return QJsonValue::Null;
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toString(Qt::ISODate);
}

QJsonValue SocialReplies::user(qint64 userId) const
{
    const std::optional<UserAccount> found = accounts.user(userId);
    return found ? QJsonValue(found->toReplyJson()) : QJsonValue(QJsonValue::Null);
}

QJsonObject SocialReplies::contact(qint64 viewerId, const UserAccount &user) const
{
    QJsonObject json = user.toReplyJson();
    if (const std::optional<Conversation> main = conversations.existingMain(viewerId, user.id))
        json.insert(QStringLiteral("conversation"), conversation(*main));
    return json;
}

QJsonObject SocialReplies::conversation(const Conversation &conversation) const
{
    // An object keyed by user id, not a list: the client reads it that way.
    QJsonObject users;
    for (const qint64 userId : conversation.userIds)
        users.insert(QString::number(userId), user(userId));
    return {{QStringLiteral("id"), conversation.id},
            {QStringLiteral("created_at"), date(conversation.createdAt)},
            {QStringLiteral("updated_at"), date(conversation.updatedAt)},
            {QStringLiteral("token"), conversation.token},
            {QStringLiteral("name"), conversation.name},
            {QStringLiteral("users"), users},
            {QStringLiteral("main"), conversation.main},
            {QStringLiteral("group"), !conversation.main}};
}

QJsonValue SocialReplies::conversationById(qint64 id) const
{
    const std::optional<Conversation> found = conversations.conversation(id);
    return found ? QJsonValue(conversation(*found)) : QJsonValue(QJsonValue::Null);
}

QJsonObject SocialReplies::message(const ChatMessage &message) const
{
    return {{QStringLiteral("id"), message.id},
            {QStringLiteral("body"), message.body},
            {QStringLiteral("created_at"), date(message.createdAt)},
            {QStringLiteral("sent_at"), message.sentAt},
            {QStringLiteral("conversation"), conversationById(message.conversationId)},
            {QStringLiteral("sender"), user(message.senderId)}};
}

QJsonObject SocialReplies::joinInvitation(const JoinInvitation &invitation) const
{
    return {{QStringLiteral("id"), invitation.id},
            {QStringLiteral("sender"), user(invitation.senderId)},
            {QStringLiteral("created_at"), date(invitation.createdAt)},
            {QStringLiteral("accepted_at"), date(invitation.acceptedAt)},
            {QStringLiteral("rejected_at"), date(invitation.rejectedAt)},
            {QStringLiteral("revoked_at"), QJsonValue::Null}};
}

QJsonObject SocialReplies::collaboration(const Collaboration &record) const
{
    return {{QStringLiteral("token"), record.token},
            {QStringLiteral("sender"), user(record.senderId)},
            {QStringLiteral("recipient"), user(record.recipientId)},
            {QStringLiteral("conversation"), conversationById(record.conversationId)},
            {QStringLiteral("source_object"), record.sourceObject},
            {QStringLiteral("destination_object"), objectOrNull(record.destinationObject)},
            {QStringLiteral("created_at"), date(record.createdAt)},
            {QStringLiteral("accepted_at"), date(record.acceptedAt)},
            {QStringLiteral("rejected_at"), date(record.rejectedAt)},
            {QStringLiteral("revoked_at"), date(record.revokedAt)},
            {QStringLiteral("unique_identifier"), record.uniqueIdentifier},
            {QStringLiteral("source_provider"), record.sourceProvider.isEmpty()
                                                    ? QJsonValue(QJsonValue::Null)
                                                    : QJsonValue(record.sourceProvider)}};
}

#ifndef SOCIALREPLIES_H
#define SOCIALREPLIES_H

#include <QJsonObject>
#include <QJsonValue>

class AccountStore;
class ConversationStore;
struct ChatMessage;
struct Collaboration;
struct Conversation;
struct JoinInvitation;
struct UserAccount;

// The user, conversation, message, join-invitation and collaboration objects of the API, as
// the client reads them. Dates are ISO 8601 UTC, null for what has not happened.
class SocialReplies
{
public:
    SocialReplies(const AccountStore &accounts, const ConversationStore &conversations);

    static QJsonValue date(qint64 seconds);

    // null for an unknown id.
    QJsonValue user(qint64 userId) const;
    // The user with the main conversation it has with viewerId, if any.
    QJsonObject contact(qint64 viewerId, const UserAccount &user) const;
    QJsonObject conversation(const Conversation &conversation) const;
    QJsonObject message(const ChatMessage &message) const;
    QJsonObject joinInvitation(const JoinInvitation &invitation) const;
    QJsonObject collaboration(const Collaboration &record) const;

private:
    QJsonValue conversationById(qint64 id) const;

    const AccountStore &accounts;
    const ConversationStore &conversations;
};

#endif // SOCIALREPLIES_H

#include "socialcontrol.h"

#include "accountstore.h"
#include "chatmessage.h"
#include "collaboration.h"
#include "collaborationsapi.h"
#include "contactsapi.h"
#include "conversationsapi.h"
#include "joininvitation.h"
#include "jsonbody.h"
#include "jsonreply.h"
#include "objectpath.h"
#include "requestvalues.h"
#include "router.h"
#include "socialreplies.h"

#include <QDateTime>
#include <QJsonArray>

namespace {

using Action = std::function<void(const UserAccount &sender, const QJsonObject &json,
                                  httplib::Response &response)>;

// A route that runs action for the user named by the body's "email".
Router::Handler asUser(AccountStore &accounts, Action action)
{
    return [&accounts, action](const httplib::Request &request, httplib::Response &response,
                               const RouteCaptures &) {
        const std::optional<QJsonObject> json = JsonBody::object(request, response);
        if (!json)
            return;
        const std::optional<UserAccount> user =
            accounts.user(json->value(QLatin1String("email")).toString());
        if (!user) {
            JsonReply::sendErrors(response, 404, {QStringLiteral("no user has that \"email\"")});
            return;
        }
        action(*user, *json, response);
    };
}

void sendError(httplib::Response &response, const StoreError &error)
{
    JsonReply::sendErrors(response, error.status, {error.message});
}

// The conversation a call names: "conversation_id", or the main one with the contact whose
// e-mail is "recipient".
StoreError conversationOf(ConversationsApi &conversations, const UserAccount &sender,
                          const QJsonObject &json, qint64 *id)
{
    if (json.contains(QLatin1String("recipient")))
        return conversations.mainConversationWith(
            sender, json.value(QLatin1String("recipient")).toString(), id);
    const std::optional<qint64> given =
        RequestValues::count(json.value(QLatin1String("conversation_id")));
    if (!given)
        return {400, QStringLiteral("\"conversation_id\" or \"recipient\" is required")};
    *id = *given;
    return {};
}

} // namespace

SocialControl::SocialControl(AccountStore &accounts, ContactsApi &contacts,
                             CollaborationsApi &collaborations, ConversationsApi &conversations,
                             const SocialReplies &replies)
    : accounts(accounts)
    , contacts(contacts)
    , collaborations(collaborations)
    , conversations(conversations)
    , replies(replies)
{}

void SocialControl::addRoutes(Router &router, const std::string &prefix)
{
    // {"email", "conversation_id" or "recipient", "content", "sent_at" (default: now),
    //  "count" (default 1: that many messages, "<content> <n>" from 1, all in one second)}
    router.add("POST", prefix + "/messages",
               asUser(accounts, [this](const UserAccount &sender, const QJsonObject &json,
                                       httplib::Response &response) {
                   const QString sentAt =
                       json.value(QLatin1String("sent_at"))
                           .toString(QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
                   const QString content = json.value(QLatin1String("content")).toString();
                   QStringList contents;
                   if (json.contains(QLatin1String("count"))) {
                       const std::optional<qint64> count =
                           RequestValues::count(json.value(QLatin1String("count")));
                       if (!count || *count < 1 || *count > 5000)
                           return sendError(response,
                                            {400, QStringLiteral("\"count\" must be an integer "
                                                                 "from 1 to 5000")});
                       for (qint64 n = 1; n <= *count; ++n)
                           contents.append(QStringLiteral("%1 %2").arg(content).arg(n));
                   } else {
                       contents.append(content);
                   }
                   qint64 id = 0;
                   std::vector<ChatMessage> made;
                   StoreError error = conversationOf(conversations, sender, json, &id);
                   if (!error)
                       error = conversations.post(sender, id, contents, sentAt, &made);
                   if (error)
                       return sendError(response, error);
                   QJsonArray listed;
                   for (const ChatMessage &message : made)
                       listed.append(replies.message(message));
                   JsonReply::send(response, 200,
                                   {{QStringLiteral("message"), replies.message(made.back())},
                                    {QStringLiteral("messages"), listed}});
               }));

    // {"email" (a member), "conversation_id" (a group)}: the member taken out of the group.
    router.add("POST", prefix + "/conversations/remove-member",
               asUser(accounts, [this](const UserAccount &member, const QJsonObject &json,
                                       httplib::Response &response) {
                   const std::optional<qint64> id =
                       RequestValues::count(json.value(QLatin1String("conversation_id")));
                   const StoreError error =
                       id ? conversations.removeMember(member, *id)
                          : StoreError{400, QStringLiteral("\"conversation_id\" is required")};
                   if (error)
                       return sendError(response, error);
                   JsonReply::send(response, 200, {});
               }));

    // {"email", "conversation_id" or "recipient", "object" (a path of the sender's)}
    router.add("POST", prefix + "/collaborations",
               asUser(accounts, [this](const UserAccount &sender, const QJsonObject &json,
                                       httplib::Response &response) {
                   const std::optional<QString> path =
                       ObjectPath::normalized(json.value(QLatin1String("object")).toString());
                   qint64 id = 0;
                   std::vector<Collaboration> made;
                   StoreError error = conversationOf(conversations, sender, json, &id);
                   if (!error)
                       error = path ? collaborations.send(sender, id, *path, &made)
                                    : StoreError{400, QStringLiteral("\"object\" is required")};
                   if (error)
                       return sendError(response, error);
                   QJsonArray sent;
                   for (const Collaboration &record : made)
                       sent.append(replies.collaboration(record));
                   JsonReply::send(response, 200, {{QStringLiteral("invites"), sent}});
               }));

    // {"email", "recipient" (an e-mail address)}
    router.add(
        "POST", prefix + "/contact-invitations",
        asUser(accounts, [this](const UserAccount &sender, const QJsonObject &json,
                                httplib::Response &response) {
            JoinInvitation invitation;
            UserAccount recipient;
            if (const StoreError error =
                    contacts.invite(sender, json.value(QLatin1String("recipient")).toString(),
                                    &invitation, &recipient))
                return sendError(response, error);
            JsonReply::send(response, 200,
                            {{QStringLiteral("invite"), replies.joinInvitation(invitation)}});
        }));

    // {"email" (the recipient), "sender" (the inviter's e-mail)}: answers as the recipient.
    router.add(
        "POST", prefix + "/contact-invitations/{accept|decline}",
        [this](const httplib::Request &request, httplib::Response &response,
               const RouteCaptures &captures) {
            const bool accept = captures[1].str() == "accept";
            asUser(accounts, [this, accept](const UserAccount &recipient, const QJsonObject &json,
                                            httplib::Response &response) {
                JoinInvitation invitation;
                if (const StoreError error = contacts.answerFrom(
                        recipient, json.value(QLatin1String("sender")).toString(), accept,
                        &invitation))
                    return sendError(response, error);
                JsonReply::send(response, 200,
                                {{QStringLiteral("invite"), replies.joinInvitation(invitation)}});
            })(request, response, captures);
        });

    // {"email"}: the contact invitations the user sent or received, oldest first, each with
    // its "recipient" too.
    router.add("POST", prefix + "/contact-invitations/list",
               asUser(accounts, [this](const UserAccount &user, const QJsonObject &,
                                       httplib::Response &response) {
                   QJsonArray listed;
                   for (const JoinInvitation &invitation : contacts.invitationsOf(user.id)) {
                       QJsonObject item = replies.joinInvitation(invitation);
                       item.insert(QStringLiteral("recipient"),
                                   replies.user(invitation.recipientId));
                       listed.append(item);
                   }
                   JsonReply::send(response, 200, {{QStringLiteral("invites"), listed}});
               }));

    // {"email", "online_status"}
    router.add("POST", prefix + "/presence",
               asUser(accounts, [this](const UserAccount &user, const QJsonObject &json,
                                       httplib::Response &response) {
                   const std::optional<qint64> status =
                       RequestValues::count(json.value(QLatin1String("online_status")));
                   if (!status || *status > 0x7fffffff) {
                       JsonReply::sendErrors(
                           response, 400,
                           {QStringLiteral("\"online_status\" must be a non-negative integer")});
                       return;
                   }
                   accounts.updateUser(user.id, [&status](UserAccount &stored) {
                       stored.onlineStatus = int(*status);
                   });
                   JsonReply::send(response, 200, {});
               }));
}

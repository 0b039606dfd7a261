#include "conversationsapi.h"

#include "accountstore.h"
#include "authapi.h"
#include "contactbook.h"
#include "conversationstore.h"
#include "jsonbody.h"
#include "jsonreply.h"
#include "newsledger.h"
#include "requestvalues.h"
#include "router.h"
#include "socialreplies.h"

#include <QDateTime>
#include <QJsonArray>

#include <algorithm>

namespace {

constexpr qint64 defaultPageSize = 100;
constexpr qint64 maximumPageSize = 1000;

void sendNoConversation(httplib::Response &response)
{
    JsonReply::sendErrors(response, 404, {QStringLiteral("No such conversation of yours")});
}

bool isDigits(const std::string &text)
{
    return !text.empty() && text.size() <= 18 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

ConversationsApi::ConversationsApi(const AuthApi &auth, const AccountStore &accounts,
                                   const ContactBook &contacts, ConversationStore &conversations,
                                   NewsLedger &news, const SocialReplies &replies)
    : auth(auth)
    , accounts(accounts)
    , contacts(contacts)
    , conversations(conversations)
    , news(news)
    , replies(replies)
{}

void ConversationsApi::addRoutes(Router &router)
{
    const auto add = [this, &router](const char *method, const char *pattern, Answer answer) {
        auth.addUserRoute(router, method, pattern, this, answer);
    };
    add("GET", R"(/api/v1/conversations)", &ConversationsApi::answerList);
    add("GET", R"(/api/v1/conversations/notifications)", &ConversationsApi::answerNews);
    add("POST", R"(/api/v1/conversations/start)", &ConversationsApi::answerStart);
    add("GET", R"(/api/v1/conversations/{id}/users)", &ConversationsApi::answerUsers);
    add("GET", R"(/api/v1/conversations/{id}/messages)", &ConversationsApi::answerMessages);
    add("POST", R"(/api/v1/conversations/{id})", &ConversationsApi::answerPost);
}

StoreError ConversationsApi::post(const UserAccount &sender, qint64 conversationId,
                                  const QString &content, const QString &sentAt,
                                  ChatMessage *message)
{
    std::vector<ChatMessage> made;
    const StoreError error = post(sender, conversationId, QStringList{content}, sentAt, &made);
    if (!error)
        *message = made.front();
    return error;
}

StoreError ConversationsApi::post(const UserAccount &sender, qint64 conversationId,
                                  const QStringList &contents, const QString &sentAt,
                                  std::vector<ChatMessage> *messages)
{
    const std::optional<Conversation> conversation = conversations.conversation(conversationId);
    if (conversation && conversation->hadMember(sender.id) && !conversation->hasMember(sender.id))
        return {403, QStringLiteral("You are no longer a member of this conversation")};
    if (!conversation || !conversation->hasMember(sender.id))
        return {404, QStringLiteral("No such conversation of yours")};
    const bool someEmpty = std::any_of(contents.begin(), contents.end(),
                                       [](const QString &content) { return content.isEmpty(); });
    if (contents.isEmpty() || someEmpty || !QDateTime::fromString(sentAt, Qt::ISODate).isValid())
        return {400, QStringLiteral("\"content\" must not be empty and \"sent_at\" must be an "
                                    "ISO 8601 date")};
    *messages = conversations.post(conversationId, sender.id, contents, sentAt);
    return {};
}

StoreError ConversationsApi::removeMember(const UserAccount &member, qint64 conversationId)
{
    return conversations.removeMember(conversationId, member.id)
               ? StoreError{}
               : StoreError{404, QStringLiteral("No such group of that user")};
}

StoreError ConversationsApi::mainConversationWith(const UserAccount &user, const QString &email,
                                                  qint64 *id)
{
    const std::optional<UserAccount> contact = accounts.user(email);
    if (!contact || !contacts.areContacts(user.id, contact->id))
        return {404, QStringLiteral("%1 is not a contact").arg(email)};
    *id = conversations.mainConversation(user.id, contact->id).id;
    return {};
}

void ConversationsApi::answerList(const UserAccount &user, const httplib::Request &request,
                                  httplib::Response &response, const RouteCaptures &)
{
    const std::vector<Conversation> mine = conversations.conversationsOf(user.id);
    QJsonArray listed;
    for (const Conversation &conversation : mine)
        listed.append(replies.conversation(conversation));
    news.update(auth.deviceId(request, user), [&mine](NewsLedger::Given &given) {
        for (const Conversation &conversation : mine)
            given.conversations.insert(conversation.id);
    });
    JsonReply::send(response, 200, {{QStringLiteral("conversations"), listed}});
}

void ConversationsApi::answerUsers(const UserAccount &user, const httplib::Request &,
                                   httplib::Response &response, const RouteCaptures &captures)
{
    const std::optional<qint64> id = RequestValues::capturedId(captures[1].str());
    const std::optional<Conversation> conversation =
        id ? conversations.conversation(*id) : std::nullopt;
    if (!conversation || !conversation->hasMember(user.id)) {
        sendNoConversation(response);
        return;
    }
    QJsonArray users;
    for (const qint64 userId : conversation->userIds)
        users.append(replies.user(userId));
    JsonReply::send(response, 200,
                    {{QStringLiteral("users"), users},
                     {QStringLiteral("conversation"), replies.conversation(*conversation)}});
}

void ConversationsApi::answerMessages(const UserAccount &user, const httplib::Request &request,
                                      httplib::Response &response, const RouteCaptures &captures)
{
    const std::optional<qint64> id = RequestValues::capturedId(captures[1].str());
    const std::optional<Conversation> conversation =
        id ? conversations.conversation(*id) : std::nullopt;
    if (!conversation || !conversation->hasMember(user.id)) {
        sendNoConversation(response);
        return;
    }
    const std::optional<qint64> before = RequestValues::queryCount(request, "before", 0);
    const std::optional<qint64> beforeId = RequestValues::queryCount(request, "before_id", 0);
    const std::optional<qint64> limit =
        RequestValues::queryCount(request, "limit", defaultPageSize);
    if (!before || !beforeId || !limit || *limit > maximumPageSize) {
        JsonReply::sendErrors(
            response, 400,
            {QStringLiteral("\"before\" must be whole seconds, \"before_id\" a message id and "
                            "\"limit\" at most %1")
                 .arg(maximumPageSize)});
        return;
    }
    const std::vector<ChatMessage> page = conversations.messages(*id, *before, *limit, *beforeId);
    QJsonArray messages;
    for (const ChatMessage &message : page)
        messages.append(replies.message(message));
    if (!page.empty()) {
        news.update(auth.deviceId(request, user), [&page, id](NewsLedger::Given &given) {
            qint64 &last = given.lastMessages[*id];
            last = std::max(last, page.front().id);
        });
    }
    JsonReply::send(response, 200,
                    {{QStringLiteral("conversation"), replies.conversation(*conversation)},
                     {QStringLiteral("messages"), messages}});
}

void ConversationsApi::answerPost(const UserAccount &user, const httplib::Request &request,
                                  httplib::Response &response, const RouteCaptures &captures)
{
    const std::optional<qint64> id = RequestValues::capturedId(captures[1].str());
    const std::optional<QJsonObject> json = JsonBody::object(request, response);
    if (!json)
        return;
    const QJsonValue content = json->value(QLatin1String("content"));
    const QJsonValue sentAt = json->value(QLatin1String("sent_at"));
    if (!content.isString() || !sentAt.isString()) {
        JsonReply::sendErrors(response, 400,
                              {QStringLiteral("\"content\" and \"sent_at\" must be strings")});
        return;
    }
    ChatMessage message;
    const StoreError error = id ? post(user, *id, content.toString(), sentAt.toString(), &message)
                                : StoreError{404, QStringLiteral("No such conversation")};
    if (error) {
        JsonReply::sendErrors(response, error.status, {error.message});
        return;
    }
    JsonReply::send(
        response, 200,
        {{QStringLiteral("message"), replies.message(message)},
         {QStringLiteral("conversation"), replies.conversation(*conversations.conversation(*id))}});
}

void ConversationsApi::answerStart(const UserAccount &user, const httplib::Request &request,
                                   httplib::Response &response, const RouteCaptures &)
{
    const std::optional<QJsonObject> json = JsonBody::object(request, response);
    if (!json)
        return;
    const QJsonValue emails = json->value(QLatin1String("users"));
    const QJsonValue name = json->value(QLatin1String("name"));
    if (!emails.isArray() || emails.toArray().isEmpty() ||
        !(name.isUndefined() || name.isString())) {
        JsonReply::sendErrors(response, 400,
                              {QStringLiteral("\"users\" must list e-mail addresses and "
                                              "\"name\" be a string")});
        return;
    }
    std::vector<qint64> members{user.id};
    for (const QJsonValue &email : emails.toArray()) {
        const std::optional<UserAccount> member = accounts.user(email.toString());
        if (!email.isString() || !member) {
            JsonReply::sendErrors(
                response, 404,
                {QStringLiteral("Nobody has the e-mail address %1").arg(email.toString())});
            return;
        }
        if (member->id != user.id)
            members.push_back(member->id);
    }
    std::sort(members.begin(), members.end());
    members.erase(std::unique(members.begin(), members.end()), members.end());
    if (members.size() < 2) {
        JsonReply::sendErrors(response, 400, {QStringLiteral("A conversation needs someone else")});
        return;
    }
    // Two people without a name talk in their main conversation.
    const Conversation conversation = members.size() == 2 && name.toString().isEmpty()
                                          ? conversations.mainConversation(members[0], members[1])
                                          : conversations.startGroup(members, name.toString());
    JsonReply::send(response, 200,
                    {{QStringLiteral("conversation"), replies.conversation(conversation)}});
}

void ConversationsApi::answerNews(const UserAccount &user, const httplib::Request &request,
                                  httplib::Response &response, const RouteCaptures &)
{
    // "<conversation id>=<seconds>" for each conversation the client follows.
    std::map<qint64, qint64> cursors;
    std::optional<qint64> lastConversationId;
    for (const auto &param : request.params) {
        const std::optional<qint64> value =
            RequestValues::count(QString::fromStdString(param.second));
        const bool known = param.first == "last_conversation_id" || isDigits(param.first);
        if (known && !value) {
            JsonReply::sendErrors(response, 400,
                                  {QStringLiteral("Parameters must be whole numbers")});
            return;
        }
        if (param.first == "last_conversation_id")
            lastConversationId = value;
        else if (known)
            cursors[*RequestValues::capturedId(param.first)] = *value;
    }

    std::vector<UserAccount> contactAccounts;
    for (const qint64 contactId : contacts.contactsOf(user.id)) {
        if (const std::optional<UserAccount> contact = accounts.user(contactId))
            contactAccounts.push_back(*contact);
    }
    const std::vector<JoinInvitation> pending = contacts.pendingFor(user.id);
    const std::vector<Conversation> mine = conversations.conversationsOf(user.id);

    QJsonObject messages;
    QJsonArray newContacts;
    QJsonArray statuses;
    QJsonArray invites;
    QJsonArray newConversations;
    news.update(auth.deviceId(request, user), [&](NewsLedger::Given &given) {
        for (const auto &cursor : cursors) {
            const auto conversation =
                std::find_if(mine.begin(), mine.end(),
                             [&cursor](const Conversation &c) { return c.id == cursor.first; });
            if (conversation == mine.end())
                continue;
            qint64 &last = given.lastMessages[cursor.first];
            const std::vector<ChatMessage> fresh =
                conversations.messagesSince(cursor.first, cursor.second, last);
            if (fresh.empty())
                continue;
            QJsonArray list;
            for (const ChatMessage &message : fresh)
                list.append(replies.message(message));
            messages.insert(QString::number(cursor.first), list);
            last = fresh.front().id;
        }
        for (const UserAccount &contact : contactAccounts) {
            if (given.contacts.insert(contact.id).second)
                newContacts.append(replies.contact(user.id, contact));
            else if (given.statuses[contact.id] != contact.onlineStatus)
                statuses.append(contact.toReplyJson());
            given.statuses[contact.id] = contact.onlineStatus;
        }
        for (const JoinInvitation &invitation : pending) {
            if (given.invitations.insert(invitation.id).second)
                invites.append(replies.joinInvitation(invitation));
        }
        for (const Conversation &conversation : mine) {
            // The client already has those up to the id it names.
            const bool known = lastConversationId && conversation.id <= *lastConversationId;
            if (given.conversations.insert(conversation.id).second && !known)
                newConversations.append(replies.conversation(conversation));
        }
    });
    JsonReply::send(response, 200,
                    {{QStringLiteral("messages"), messages},
                     {QStringLiteral("contacts"), newContacts},
                     {QStringLiteral("statuses"), statuses},
                     {QStringLiteral("invites"), invites},
                     {QStringLiteral("conversations"), newConversations}});
}

#include "contactsapi.h"

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

#include <QJsonArray>

namespace {

bool matches(const UserAccount &user, const QString &query)
{
    for (const QString &field : {user.email, user.firstName, user.lastName,
                                 user.firstName + QLatin1Char(' ') + user.lastName}) {
        if (field.contains(query, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace

ContactsApi::ContactsApi(const AuthApi &auth, AccountStore &accounts, ContactBook &contacts,
                         ConversationStore &conversations, NewsLedger &news,
                         const SocialReplies &replies)
    : auth(auth)
    , accounts(accounts)
    , contacts(contacts)
    , conversations(conversations)
    , news(news)
    , replies(replies)
{}

void ContactsApi::addRoutes(Router &router)
{
    const auto add = [this, &router](const char *method, const char *pattern, Answer answer) {
        auth.addUserRoute(router, method, pattern, this, answer);
    };
    add("GET", R"(/api/v1/contacts.json)", &ContactsApi::answerContacts);
    add("GET", R"(/api/v1/contacts/search.json)", &ContactsApi::answerSearch);
    add("POST", R"(/api/v1/contacts/invite.json)", &ContactsApi::answerInvite);
    add("GET", R"(/api/v1/contacts/invites)", &ContactsApi::answerInvitations);
    add("GET", R"(/api/v1/contacts/invites/{id})", &ContactsApi::answerInvitations);
    add("POST", R"(/api/v1/contacts/invites/{id}/{accept|decline})",
        &ContactsApi::answerInvitation);
}

StoreError ContactsApi::invite(const UserAccount &sender, const QString &email,
                               JoinInvitation *invitation, UserAccount *recipient)
{
    const std::optional<UserAccount> found = accounts.user(email);
    if (!found)
        return {404, QStringLiteral("Nobody has the e-mail address %1").arg(email)};
    *recipient = *found;
    if (found->id == sender.id)
        return {400, QStringLiteral("You cannot invite yourself")};
    if (contacts.areContacts(sender.id, found->id))
        return {409, QStringLiteral("%1 is a contact already").arg(email)};
    *invitation = contacts.invite(sender.id, found->id);
    return {};
}

StoreError ContactsApi::answerFrom(const UserAccount &recipient, const QString &senderEmail,
                                   bool accept, JoinInvitation *invitation)
{
    const std::optional<UserAccount> sender = accounts.user(senderEmail);
    if (sender) {
        for (const JoinInvitation &pending : contacts.pendingFor(recipient.id)) {
            if (pending.senderId == sender->id)
                return answer(recipient.id, pending.id, accept, invitation);
        }
    }
    return {404, QStringLiteral("No pending invitation from %1").arg(senderEmail)};
}

std::vector<JoinInvitation> ContactsApi::invitationsOf(qint64 userId) const
{
    return contacts.invitationsOf(userId);
}

StoreError ContactsApi::answer(qint64 recipientId, qint64 id, bool accept,
                               JoinInvitation *invitation)
{
    const StoreError error = contacts.answer(recipientId, id, accept, invitation);
    if (!error && accept)
        conversations.mainConversation(invitation->senderId, invitation->recipientId);
    return error;
}

void ContactsApi::answerContacts(const UserAccount &user, const httplib::Request &request,
                                 httplib::Response &response, const RouteCaptures &)
{
    QJsonArray listed;
    std::vector<UserAccount> shown;
    for (const qint64 contactId : contacts.contactsOf(user.id)) {
        if (const std::optional<UserAccount> contact = accounts.user(contactId)) {
            listed.append(replies.contact(user.id, *contact));
            shown.push_back(*contact);
        }
    }
    news.update(auth.deviceId(request, user), [&shown](NewsLedger::Given &given) {
        for (const UserAccount &contact : shown) {
            given.contacts.insert(contact.id);
            given.statuses[contact.id] = contact.onlineStatus;
        }
    });
    JsonReply::send(response, 200, {{QStringLiteral("contacts"), listed}});
}

void ContactsApi::answerSearch(const UserAccount &user, const httplib::Request &request,
                               httplib::Response &response, const RouteCaptures &)
{
    const QString query = RequestValues::queryText(request, "q").trimmed();
    if (query.isEmpty()) {
        JsonReply::sendErrors(response, 400, {QStringLiteral("\"q\" must not be empty")});
        return;
    }
    QJsonArray found;
    for (const UserAccount &candidate : accounts.allUsers()) {
        if (candidate.id != user.id && matches(candidate, query))
            found.append(replies.contact(user.id, candidate));
    }
    JsonReply::send(response, 200,
                    {{QStringLiteral("users"), found}, {QStringLiteral("query"), query}});
}

void ContactsApi::answerInvite(const UserAccount &user, const httplib::Request &request,
                               httplib::Response &response, const RouteCaptures &)
{
    const std::optional<QJsonObject> json = JsonBody::object(request, response);
    if (!json)
        return;
    const QJsonValue email = json->value(QLatin1String("email"));
    if (!email.isString() || email.toString().isEmpty()) {
        JsonReply::sendErrors(response, 400, {QStringLiteral("\"email\" is required")});
        return;
    }
    JoinInvitation invitation;
    UserAccount recipient;
    if (const StoreError error = invite(user, email.toString(), &invitation, &recipient)) {
        JsonReply::sendErrors(response, error.status, {error.message});
        return;
    }
    JsonReply::send(response, 200, {{QStringLiteral("user"), replies.contact(user.id, recipient)}});
}

void ContactsApi::answerInvitations(const UserAccount &user, const httplib::Request &request,
                                    httplib::Response &response, const RouteCaptures &captures)
{
    const std::optional<qint64> id = captures[1].matched
                                         ? RequestValues::capturedId(captures[1].str())
                                         : std::optional<qint64>(0);
    if (!id) {
        JsonReply::sendErrors(response, 404, {QStringLiteral("No such invitation")});
        return;
    }
    // 0 is what the client sends for "all pending ones".
    std::vector<JoinInvitation> listed;
    if (*id == 0) {
        listed = contacts.pendingFor(user.id);
    } else if (const std::optional<JoinInvitation> one = contacts.invitation(user.id, *id)) {
        listed.push_back(*one);
    } else {
        JsonReply::sendErrors(response, 404, {QStringLiteral("No invitation %1").arg(*id)});
        return;
    }
    QJsonArray invites;
    for (const JoinInvitation &invitation : listed)
        invites.append(replies.joinInvitation(invitation));
    news.update(auth.deviceId(request, user), [&listed, &user](NewsLedger::Given &given) {
        for (const JoinInvitation &invitation : listed) {
            if (invitation.recipientId == user.id)
                given.invitations.insert(invitation.id);
        }
    });
    JsonReply::send(response, 200, {{QStringLiteral("invites"), invites}});
}

void ContactsApi::answerInvitation(const UserAccount &user, const httplib::Request &,
                                   httplib::Response &response, const RouteCaptures &captures)
{
    const std::optional<qint64> id = RequestValues::capturedId(captures[1].str());
    const bool accept = captures[2].str() == "accept";
    JoinInvitation invitation;
    const StoreError error = id ? answer(user.id, *id, accept, &invitation)
                                : StoreError{404, QStringLiteral("No such invitation")};
    const QJsonValue invite = invitation.id == 0 ? QJsonValue(QJsonValue::Null)
                                                 : QJsonValue(replies.joinInvitation(invitation));
    if (error) {
        JsonReply::send(response, error.status,
                        {{QStringLiteral("errors"), QJsonArray{error.message}},
                         {QStringLiteral("invite"), invite}});
        return;
    }
    JsonReply::send(response, 200, {{QStringLiteral("invite"), invite}});
}

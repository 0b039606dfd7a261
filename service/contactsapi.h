#ifndef CONTACTSAPI_H
#define CONTACTSAPI_H

#include "storeerror.h"

#include <httplib.h>

#include "routecaptures.h"

#include <vector>

class AccountStore;
class AuthApi;
class ContactBook;
class ConversationStore;
class NewsLedger;
class Router;
class SocialReplies;
struct JoinInvitation;
struct UserAccount;

// The signed calls on contacts: list, search, invite by e-mail, and the invitations a user
// received, to list, accept or decline. Accepting starts the pair's main conversation.
class ContactsApi
{
public:
    ContactsApi(const AuthApi &auth, AccountStore &accounts, ContactBook &contacts,
                ConversationStore &conversations, NewsLedger &news, const SocialReplies &replies);

    void addRoutes(Router &router);

    // Invites the user with that e-mail; *recipient is set when there is one.
    StoreError invite(const UserAccount &sender, const QString &email, JoinInvitation *invitation,
                      UserAccount *recipient);
    // Answers, as recipient, the pending invitation the user with senderEmail sent.
    StoreError answerFrom(const UserAccount &recipient, const QString &senderEmail, bool accept,
                          JoinInvitation *invitation);
    // Every invitation the user sent or received, oldest first.
    std::vector<JoinInvitation> invitationsOf(qint64 userId) const;

private:
    // Accepting starts the pair's main conversation.
    StoreError answer(qint64 recipientId, qint64 id, bool accept, JoinInvitation *invitation);

    using Answer = void (ContactsApi::*)(const UserAccount &, const httplib::Request &,
                                         httplib::Response &, const RouteCaptures &);

    void answerContacts(const UserAccount &user, const httplib::Request &request,
                        httplib::Response &response, const RouteCaptures &captures);
    void answerSearch(const UserAccount &user, const httplib::Request &request,
                      httplib::Response &response, const RouteCaptures &captures);
    void answerInvite(const UserAccount &user, const httplib::Request &request,
                      httplib::Response &response, const RouteCaptures &captures);
    void answerInvitations(const UserAccount &user, const httplib::Request &request,
                           httplib::Response &response, const RouteCaptures &captures);
    void answerInvitation(const UserAccount &user, const httplib::Request &request,
                          httplib::Response &response, const RouteCaptures &captures);

    const AuthApi &auth;
    AccountStore &accounts;
    ContactBook &contacts;
    ConversationStore &conversations;
    NewsLedger &news;
    const SocialReplies &replies;
};

#endif // CONTACTSAPI_H

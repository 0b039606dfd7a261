#ifndef CONTACTSAPI_H
#define CONTACTSAPI_H

#include "storeerror.h"

#include <httplib.h>

#include "routecaptures.h"

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

private:
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

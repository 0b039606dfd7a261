#ifndef CONVERSATIONSAPI_H
#define CONVERSATIONSAPI_H

#include "storeerror.h"

#include <QStringList>
#include <httplib.h>

#include <vector>

#include "routecaptures.h"

class AccountStore;
class AuthApi;
class ContactBook;
class ConversationStore;
class NewsLedger;
class Router;
class SocialReplies;
struct ChatMessage;
struct UserAccount;

// The signed calls on conversations: list them, their users and messages, post, start one,
// and the news poll, which gives each client (device) every new item once.
class ConversationsApi
{
public:
    ConversationsApi(const AuthApi &auth, const AccountStore &accounts, const ContactBook &contacts,
                     ConversationStore &conversations, NewsLedger &news,
                     const SocialReplies &replies);

    void addRoutes(Router &router);

    // sentAt: ISO 8601 text, kept as sent.
    StoreError post(const UserAccount &sender, qint64 conversationId, const QString &content,
                    const QString &sentAt, ChatMessage *message);
    // Several at once, in the same second.
    StoreError post(const UserAccount &sender, qint64 conversationId, const QStringList &contents,
                    const QString &sentAt, std::vector<ChatMessage> *messages);
    // The main conversation of user and the contact with that e-mail (404 for a non-contact).
    StoreError mainConversationWith(const UserAccount &user, const QString &email, qint64 *id);
    // Takes the user out of the group, as its owner or the service would.
    StoreError removeMember(const UserAccount &member, qint64 conversationId);

private:
    using Answer = void (ConversationsApi::*)(const UserAccount &, const httplib::Request &,
                                              httplib::Response &, const RouteCaptures &);

    void answerList(const UserAccount &user, const httplib::Request &request,
                    httplib::Response &response, const RouteCaptures &captures);
    void answerUsers(const UserAccount &user, const httplib::Request &request,
                     httplib::Response &response, const RouteCaptures &captures);
    void answerMessages(const UserAccount &user, const httplib::Request &request,
                        httplib::Response &response, const RouteCaptures &captures);
    void answerPost(const UserAccount &user, const httplib::Request &request,
                    httplib::Response &response, const RouteCaptures &captures);
    void answerStart(const UserAccount &user, const httplib::Request &request,
                     httplib::Response &response, const RouteCaptures &captures);
    void answerNews(const UserAccount &user, const httplib::Request &request,
                    httplib::Response &response, const RouteCaptures &captures);

    const AuthApi &auth;
    const AccountStore &accounts;
    const ContactBook &contacts;
    ConversationStore &conversations;
    NewsLedger &news;
    const SocialReplies &replies;
};

#endif // CONVERSATIONSAPI_H

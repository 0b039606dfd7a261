#ifndef COLLABORATIONSAPI_H
#define COLLABORATIONSAPI_H

#include "storeerror.h"

#include <httplib.h>

#include "routecaptures.h"
#include <mutex>
#include <vector>

class AuthApi;
class CollaborationStore;
class ConversationStore;
class ObjectStore;
class Router;
class SocialReplies;
struct Collaboration;
struct UserAccount;

// The signed calls on collaborations: send a file to the other members of a conversation,
// accept (which copies it into the recipient's store), reject or revoke, and the lists and
// polls of received and sent ones.
class CollaborationsApi
{
public:
    CollaborationsApi(const AuthApi &auth, ObjectStore &objects, CollaborationStore &store,
                      const ConversationStore &conversations, const SocialReplies &replies);

    void addRoutes(Router &router);

    // One invitation for each other member of the conversation. A file of another provider's
    // folder (provider not empty) is not in this store: the sender must have linked that
    // provider, and the invitation keeps its path and provider.
    StoreError send(const UserAccount &sender, qint64 conversationId, const QString &path,
                    std::vector<Collaboration> *made, const QString &provider = QString());

private:
    using Answer = void (CollaborationsApi::*)(const UserAccount &, const httplib::Request &,
                                               httplib::Response &, const RouteCaptures &);

    void answerSend(const UserAccount &user, const httplib::Request &request,
                    httplib::Response &response, const RouteCaptures &captures);
    void answerAccept(const UserAccount &user, const httplib::Request &request,
                      httplib::Response &response, const RouteCaptures &captures);
    void answerReject(const UserAccount &user, const httplib::Request &request,
                      httplib::Response &response, const RouteCaptures &captures);
    void answerReceived(const UserAccount &user, const httplib::Request &request,
                        httplib::Response &response, const RouteCaptures &captures);
    void answerSent(const UserAccount &user, const httplib::Request &request,
                    httplib::Response &response, const RouteCaptures &captures);
    void answerSentChanges(const UserAccount &user, const httplib::Request &request,
                           httplib::Response &response, const RouteCaptures &captures);
    // An error reply with the "type" the client tells failures apart by.
    void sendFailure(httplib::Response &response, int status, const char *type,
                     const QString &message, const Collaboration *record) const;

    const AuthApi &auth;
    ObjectStore &objects;
    CollaborationStore &store;
    const ConversationStore &conversations;
    const SocialReplies &replies;
    // An answer reads, copies and writes back; two at once must not both succeed.
    std::mutex answering;
};

#endif // COLLABORATIONSAPI_H

#ifndef SHAREAPI_H
#define SHAREAPI_H

#include <httplib.h>

#include <QString>

#include <regex>

class AuthApi;
class ObjectStore;
class Router;
class ShareLinkStore;
struct UserAccount;

// The signed calls on share links: share a path, revoke a link, list the user's links, and
// send a link by e-mail (checked, never sent).
class ShareApi
{
public:
    // tls: links are https ones.
    ShareApi(const AuthApi &auth, ObjectStore &objects, ShareLinkStore &links, bool tls);

    void addRoutes(Router &router);

private:
    using Answer = void (ShareApi::*)(const UserAccount &, const httplib::Request &,
                                      httplib::Response &, const std::smatch &);

    void answerShare(const UserAccount &user, const httplib::Request &request,
                     httplib::Response &response, const std::smatch &captures);
    void answerRevoke(const UserAccount &user, const httplib::Request &request,
                      httplib::Response &response, const std::smatch &captures);
    void answerList(const UserAccount &user, const httplib::Request &request,
                    httplib::Response &response, const std::smatch &captures);
    void answerEmail(const UserAccount &user, const httplib::Request &request,
                     httplib::Response &response, const std::smatch &captures);
    // Links point at the host the client reached us by.
    QString publicUrl(const httplib::Request &request, const QString &token) const;

    const AuthApi &auth;
    ObjectStore &objects;
    ShareLinkStore &links;
    const bool tls;
};

#endif // SHAREAPI_H

#ifndef SHAREAPI_H
#define SHAREAPI_H

#include <httplib.h>

#include <QString>

#include "routecaptures.h"

class AuthApi;
class ObjectStore;
class Router;
class ShareLinkStore;
struct UserAccount;

// The signed calls on share links: share a path, revoke a link, list the user's links, and
// send a link by e-mail (checked, never sent). And the links themselves: "/s/<token>" serves
// the shared file to anyone, without signing, while the link is active.
class ShareApi
{
public:
    // serverUrl: the server's own address ("http://127.0.0.1:<port>"), set before serving.
    ShareApi(const AuthApi &auth, ObjectStore &objects, ShareLinkStore &links,
             const QString &serverUrl);

    void addRoutes(Router &router);

private:
    using Answer = void (ShareApi::*)(const UserAccount &, const httplib::Request &,
                                      httplib::Response &, const RouteCaptures &);

    void answerShare(const UserAccount &user, const httplib::Request &request,
                     httplib::Response &response, const RouteCaptures &captures);
    void answerRevoke(const UserAccount &user, const httplib::Request &request,
                      httplib::Response &response, const RouteCaptures &captures);
    void answerList(const UserAccount &user, const httplib::Request &request,
                    httplib::Response &response, const RouteCaptures &captures);
    void answerEmail(const UserAccount &user, const httplib::Request &request,
                     httplib::Response &response, const RouteCaptures &captures);
    void answerVisit(const httplib::Request &request, httplib::Response &response,
                     const RouteCaptures &captures);
    // Links point at the host the client reached us by.
    QString publicUrl(const QString &token) const;

    const AuthApi &auth;
    ObjectStore &objects;
    ShareLinkStore &links;
    const QString &serverUrl;
};

#endif // SHAREAPI_H

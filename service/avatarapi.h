#ifndef AVATARAPI_H
#define AVATARAPI_H

#include <httplib.h>

#include <QString>

#include "routecaptures.h"

class AccountStore;
class AuthApi;
class Router;
struct UserAccount;

// Avatars: a signed upload of the image bytes, and the unsigned image URL the user object
// points to. Every upload gets a new file name, under avatars/<user id>/ in the data folder.
class AvatarApi
{
public:
    // serverUrl: the server's own address ("http://127.0.0.1:<port>"), set before serving.
    AvatarApi(const AuthApi &auth, AccountStore &accounts, const QString &dataPath,
              const QString &serverUrl);

    void addRoutes(Router &router);

private:
    void answerUpload(const UserAccount &user, const httplib::Request &request,
                      httplib::Response &response, const RouteCaptures &captures);
    void answerImage(const httplib::Request &request, httplib::Response &response,
                     const RouteCaptures &captures) const;

    const AuthApi &auth;
    AccountStore &accounts;
    const QString rootPath;
    const QString &serverUrl;
};

#endif // AVATARAPI_H

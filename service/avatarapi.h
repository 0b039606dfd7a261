#ifndef AVATARAPI_H
#define AVATARAPI_H

#include <httplib.h>

#include <QString>

#include <regex>

class AccountStore;
class AuthApi;
class Router;
struct UserAccount;

// Avatars: a signed upload of the image bytes, and the unsigned image URL the user object
// points to. Every upload gets a new file name, under avatars/<user id>/ in the data folder.
class AvatarApi
{
public:
    // tls: image URLs are https ones.
    AvatarApi(const AuthApi &auth, AccountStore &accounts, const QString &dataPath, bool tls);

    void addRoutes(Router &router);

private:
    void answerUpload(const UserAccount &user, const httplib::Request &request,
                      httplib::Response &response, const std::smatch &captures);
    void answerImage(const httplib::Request &request, httplib::Response &response,
                     const std::smatch &captures) const;

    const AuthApi &auth;
    AccountStore &accounts;
    const QString rootPath;
    const bool tls;
};

#endif // AVATARAPI_H

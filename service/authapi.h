#ifndef AUTHAPI_H
#define AUTHAPI_H

#include "useraccount.h"

#include <httplib.h>

#include <optional>
#include <string>

class AccountStore;
class Router;

// Sign-in: the API key for e-mail and password, OAuth2 tokens for the key, the signed-in
// user, and the check that guards every signed request.
class AuthApi
{
public:
    explicit AuthApi(AccountStore &accounts);

    // Every path under /api/v1 needs a signature, but the probe and key.json.
    static bool requiresSignature(const std::string &path);
    // True for a request signed with a live access token and its user's API key; otherwise
    // answers 401.
    bool admit(const httplib::Request &request, httplib::Response &response) const;

    void addRoutes(Router &router);

private:
    std::optional<UserAccount> signer(const httplib::Request &request) const;
    void answerKey(const httplib::Request &request, httplib::Response &response) const;
    void answerToken(const httplib::Request &request, httplib::Response &response) const;
    void answerMe(const httplib::Request &request, httplib::Response &response) const;

    AccountStore &accounts;
};

#endif // AUTHAPI_H

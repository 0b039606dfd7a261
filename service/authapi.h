#ifndef AUTHAPI_H
#define AUTHAPI_H

#include "router.h"
#include "useraccount.h"

#include <httplib.h>

#include <functional>
#include <optional>
#include <string>

class AccountStore;

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
    using UserHandler = std::function<void(const UserAccount &user, const httplib::Request &,
                                           httplib::Response &, const RouteCaptures &captures)>;
    // A route handler that runs handler for the signed-in user, or answers 401: a token may
    // expire between admit() and the handler.
    Router::Handler forUser(UserHandler handler) const;
    // Adds a signed route answered by one of api's member functions.
    template<typename Api>
    void addUserRoute(Router &router, const std::string &method, const std::string &pattern,
                      Api *api,
                      void (Api::*answer)(const UserAccount &, const httplib::Request &,
                                          httplib::Response &, const RouteCaptures &)) const
    {
        router.add(method, pattern,
                   forUser([api, answer](const UserAccount &user, const httplib::Request &request,
                                         httplib::Response &response, const RouteCaptures &captures) {
                       (api->*answer)(user, request, response, captures);
                   }));
    }
    // The id of the device that sent request, registered when it is new.
    qint64 deviceId(const httplib::Request &request, const UserAccount &user) const;

    void addRoutes(Router &router);

private:
    std::optional<UserAccount> signer(const httplib::Request &request) const;
    // The signer; nullopt after answering 401.
    std::optional<UserAccount> signedInUser(const httplib::Request &request,
                                            httplib::Response &response) const;
    void answerKey(const httplib::Request &request, httplib::Response &response) const;
    void answerToken(const httplib::Request &request, httplib::Response &response) const;
    void answerMe(const httplib::Request &request, httplib::Response &response) const;
    // The user's devices, the one seen most recently first.
    void answerDevices(const UserAccount &user, const httplib::Request &request,
                       httplib::Response &response, const RouteCaptures &);

    AccountStore &accounts;
};

#endif // AUTHAPI_H

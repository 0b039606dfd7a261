#ifndef ACCOUNTCONTROL_H
#define ACCOUNTCONTROL_H

#include <string>

class AccountStore;
class Router;

// The control calls on accounts: create users, expire or revoke their tokens, and show
// the keys and tokens handed out, so that tests can check what the client sends and logs.
class AccountControl
{
public:
    explicit AccountControl(AccountStore &accounts);

    void addRoutes(Router &router, const std::string &prefix);

private:
    AccountStore &accounts;
};

#endif // ACCOUNTCONTROL_H

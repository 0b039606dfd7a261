#ifndef OBJECTCONTROL_H
#define OBJECTCONTROL_H

#include <string>

class AccountStore;
class ObjectStore;
class Router;

// The control call that puts files and folders into a user's store, as another device
// would: journalled, and counted against the quota.
class ObjectControl
{
public:
    ObjectControl(AccountStore &accounts, ObjectStore &objects);

    void addRoutes(Router &router, const std::string &prefix);

private:
    AccountStore &accounts;
    ObjectStore &objects;
};

#endif // OBJECTCONTROL_H

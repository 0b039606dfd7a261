#ifndef OBJECTCONTROL_H
#define OBJECTCONTROL_H

#include <string>

class AccountStore;
class ObjectStore;
class Router;

// The control calls that change a user's store as another device would: put, delete and
// move files and folders, journalled and counted against the quota. Others journal a raw
// entry for tests of hostile deltas, seed large folders for benchmarks, and end the process
// in the middle of a change for tests of what survives it.
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

#ifndef DOWNLOADAPI_H
#define DOWNLOADAPI_H

#include <httplib.h>

#include "routecaptures.h"

class AuthApi;
class ObjectStore;
class Router;
class StopFlag;
class TransferSwitchTable;
struct UserAccount;

// File downloads: the raw bytes, whole or one range, streamed from the blob store, with the
// object in the x-kerlo-metadata header.
class DownloadApi
{
public:
    DownloadApi(const AuthApi &auth, ObjectStore &objects, TransferSwitchTable &switches,
                const StopFlag &stopFlag);

    void addRoutes(Router &router);

private:
    void answer(const UserAccount &user, const httplib::Request &request,
                httplib::Response &response, const RouteCaptures &captures);

    const AuthApi &auth;
    ObjectStore &objects;
    TransferSwitchTable &switches;
    const StopFlag &stopFlag;
};

#endif // DOWNLOADAPI_H

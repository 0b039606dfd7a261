#ifndef THUMBNAILAPI_H
#define THUMBNAILAPI_H

#include <httplib.h>

#include "routecaptures.h"

class AuthApi;
class ObjectStore;
class Router;
struct UserAccount;

// The signed thumbnail batch: for each path, images scaled to the sizes asked for, all in
// one body, with a header "x-kerlo-thumbnails" saying where each one lies in it.
class ThumbnailApi
{
public:
    ThumbnailApi(const AuthApi &auth, ObjectStore &objects);

    void addRoutes(Router &router);

private:
    void answer(const UserAccount &user, const httplib::Request &request,
                httplib::Response &response);

    const AuthApi &auth;
    ObjectStore &objects;
};

#endif // THUMBNAILAPI_H

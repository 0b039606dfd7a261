#ifndef OBJECTSAPI_H
#define OBJECTSAPI_H

#include <httplib.h>

#include "routecaptures.h"

class AuthApi;
class ObjectStore;
class Router;
struct UserAccount;

// The signed calls on the remote store: list, metadata (one path, or a batch), delete,
// mkdir, rename, copy, and the changes since a cursor.
class ObjectsApi
{
public:
    ObjectsApi(const AuthApi &auth, ObjectStore &objects);

    void addRoutes(Router &router);

private:
    using Answer = void (ObjectsApi::*)(const UserAccount &, const httplib::Request &,
                                        httplib::Response &, const RouteCaptures &);

    void answerList(const UserAccount &user, const httplib::Request &request,
                    httplib::Response &response, const RouteCaptures &captures);
    void answerMetadata(const UserAccount &user, const httplib::Request &request,
                        httplib::Response &response, const RouteCaptures &captures);
    void answerBatchMetadata(const UserAccount &user, const httplib::Request &request,
                             httplib::Response &response, const RouteCaptures &captures);
    void answerDelete(const UserAccount &user, const httplib::Request &request,
                      httplib::Response &response, const RouteCaptures &captures);
    void answerMakeFolder(const UserAccount &user, const httplib::Request &request,
                          httplib::Response &response, const RouteCaptures &captures);
    void answerRename(const UserAccount &user, const httplib::Request &request,
                      httplib::Response &response, const RouteCaptures &captures);
    void answerCopy(const UserAccount &user, const httplib::Request &request,
                    httplib::Response &response, const RouteCaptures &captures);
    void answerDelta(const UserAccount &user, const httplib::Request &request,
                     httplib::Response &response, const RouteCaptures &captures);

    const AuthApi &auth;
    ObjectStore &objects;
};

#endif // OBJECTSAPI_H

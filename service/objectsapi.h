#ifndef OBJECTSAPI_H
#define OBJECTSAPI_H

#include <httplib.h>

#include <regex>

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
                                        httplib::Response &, const std::smatch &);

    void answerList(const UserAccount &user, const httplib::Request &request,
                    httplib::Response &response, const std::smatch &captures);
    void answerMetadata(const UserAccount &user, const httplib::Request &request,
                        httplib::Response &response, const std::smatch &captures);
    void answerBatchMetadata(const UserAccount &user, const httplib::Request &request,
                             httplib::Response &response, const std::smatch &captures);
    void answerDelete(const UserAccount &user, const httplib::Request &request,
                      httplib::Response &response, const std::smatch &captures);
    void answerMakeFolder(const UserAccount &user, const httplib::Request &request,
                          httplib::Response &response, const std::smatch &captures);
    void answerRename(const UserAccount &user, const httplib::Request &request,
                      httplib::Response &response, const std::smatch &captures);
    void answerCopy(const UserAccount &user, const httplib::Request &request,
                    httplib::Response &response, const std::smatch &captures);
    void answerDelta(const UserAccount &user, const httplib::Request &request,
                     httplib::Response &response, const std::smatch &captures);

    const AuthApi &auth;
    ObjectStore &objects;
};

#endif // OBJECTSAPI_H

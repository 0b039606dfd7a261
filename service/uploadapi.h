#ifndef UPLOADAPI_H
#define UPLOADAPI_H

#include <httplib.h>

#include "routecaptures.h"

class AccountStore;
class AuthApi;
class ObjectStore;
class Router;
class TransferSwitchTable;
class UploadStore;
struct UploadSession;
struct UserAccount;

// Chunked uploads: a sync or plain upload announces the file by the MD5 of each chunk and
// carries the first one, the missing chunks follow one call each, and the commit places
// the file.
class UploadApi
{
public:
    UploadApi(const AuthApi &auth, AccountStore &accounts, ObjectStore &objects,
              UploadStore &uploads, TransferSwitchTable &switches);

    // Before the other routes: a remote file may be called "/list/...".
    void addRoutes(Router &router);

private:
    void answerOpen(bool sync, const UserAccount &user, const httplib::Request &request,
                    httplib::Response &response, const RouteCaptures &captures);
    void answerChunk(const UserAccount &user, const httplib::Request &request,
                     httplib::Response &response, const RouteCaptures &captures);
    void answerCommit(const UserAccount &user, const httplib::Request &request,
                      httplib::Response &response, const RouteCaptures &captures);
    // The session's terms and the quota against what is at its path now.
    bool admit(const UploadSession &session, const httplib::Request &request,
               httplib::Response &response);

    const AuthApi &auth;
    AccountStore &accounts;
    ObjectStore &objects;
    UploadStore &uploads;
    TransferSwitchTable &switches;
};

#endif // UPLOADAPI_H

#ifndef MREQUESTAUTHORIZER_H
#define MREQUESTAUTHORIZER_H

#include "mnetworkrequest.h"

#include <QObject>

// The sign-in as the network layer sees it: a request refused for want of authorization
// waits for a new token and is sent again signed with it. The sign-in manager implements
// it; the application object hands it to MNetworkRequestManager.
class MRequestAuthorizer : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Someone is signed in or signing in, so a new token may come.
    virtual bool isSignInActive() const = 0;
    // The request with fresh signing headers when signed in; otherwise unchanged.
    virtual MNetworkRequest authenticateRequest(const MNetworkRequest &request,
                                                bool *ok = nullptr) = 0;
    // Signed in, and the request carries a token older than the one held: refused, it goes
    // again with the new one rather than asking for yet another.
    virtual bool isSignedWithOlderToken(const MNetworkRequest &request) const = 0;

public slots:
    // Asks for a new access token; false when none will come.
    virtual bool refresh() = 0;

signals:
    // A new token is held: waiting requests may go again.
    void authorizationRenewed();
    // No token will come: waiting requests fail as they were refused.
    void authorizationLost();
};

#endif // MREQUESTAUTHORIZER_H

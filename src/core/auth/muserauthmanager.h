#ifndef MUSERAUTHMANAGER_H
#define MUSERAUTHMANAGER_H

#include "mdevice.h"
#include "mnetworkreply.h"
#include "mnetworkrequest.h"
#include "mrequestauthorizer.h"
#include "museraccount.h"

#include <QList>
#include <QNetworkReply>
#include <QObject>
#include <QScopedPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

class MNetworkRequestManager;
class MUserAuthManagerPrivate;

// Signs the user in (e-mail and password give an API key, the API key gives an access and a
// refresh token), keeps the credentials in the installed MAuthStore and signs every later
// request. Lives on the thread of its request manager; the signing calls and refresh() may
// be used from any thread.
class MUserAuthManager : public MRequestAuthorizer
{
    Q_OBJECT
public:
    enum State {
        Idle = 0,                // signed out, or never started
        CheckingCredentials = 1, // "/me.json" with the held token
        WaitingForKey = 2,
        WaitingForToken = 3,
        RefreshingToken = 4,
        Authorized = 6,
        AuthorizationFailed = 7 // the refresh token was refused
    };
    Q_ENUM(State)

    explicit MUserAuthManager(QObject *parent = nullptr);
    ~MUserAuthManager() override;

    // The application object's manager, which the other managers sign their requests with;
    // null until the application object sets it and once it is destroyed.
    static MUserAuthManager *applicationManager();
    static void setApplicationManager(MUserAuthManager *manager);

    // Every sign-in request goes through this manager; its authorization failures are
    // reported, never retried.
    void setNetworkRequestManager(MNetworkRequestManager *manager);
    MNetworkRequestManager *networkRequestManager() const;

    void authenticateUser(const QString &username, const QString &password);
    // The API key is accepted.
    bool isAuthenticated() const;
    State state() const;
    bool isSignInActive() const override;

    // A signed request, or, when not signed in, a GET without URL that must not be sent
    // (ok false); in that case a token refresh is started.
    MNetworkRequest createAuthenticatedRequest(const QUrl &url,
                                               MNetworkRequest::RequestMethod method,
                                               bool *ok = nullptr);
    // The request with fresh signing headers when signed in; otherwise unchanged.
    MNetworkRequest authenticateRequest(const MNetworkRequest &request,
                                        bool *ok = nullptr) override;
    bool isSignedWithOlderToken(const MNetworkRequest &request) const override;

    MUserAccount account() const;
    void setAccount(const MUserAccount &account);
    // Asks the service for the signed-in account again, apart from the sign-in steps;
    // accountReloaded() tells whether it answered with one, which account() then holds.
    void reloadAccount();
    MDevice device() const;

signals:
    void shutdownCompleted();
    void authenticationSuccess(const QString &username);
    void authorizationSuccess(const QString &username);
    // statusCode: the service's answer to the failed step (200 for an answer without what it
    // should hold), 0 when none came.
    void authenticationFailure(const QString &username, const QList<QString> &errors,
                               int statusCode);
    void authorizationFailed(const QString &username, const QStringList &errors);
    void needAuthenticationDetails();
    void logoutPerformed();
    void accountSizesChanged();
    void authorizationRefreshed();
    void accountReloaded(bool reloaded);

public slots:
    void shutdown();
    // Starts from the stored credentials, or asks for them when there are none.
    void reload();
    // Signs out, or asks for credentials when nobody is signed in.
    virtual void reset();
    // Asks for a new access token. False when there is nothing to refresh with, or the
    // refresh token was refused; true when a refresh (or another sign-in step that ends
    // with a usable token) is under way.
    bool refresh() override;

protected:
    virtual void loadStoredCredentials();
    // Persists the map when it holds an API key.
    virtual void setAuthInfo(const QVariantMap &info);

protected slots:
    void testAuthentication();

private slots:
    void errorForRequest(const MNetworkRequest &request, QNetworkReply::NetworkError code);
    void dataArrivedForRequest(const MNetworkRequest &request, const QByteArray &data,
                               const MNetworkReply &reply);
    void replyFinishedForRequest(const MNetworkRequest &request, const MNetworkReply &reply);

private:
    Q_DECLARE_PRIVATE(MUserAuthManager)
    QScopedPointer<MUserAuthManagerPrivate> d_ptr;
};

#endif // MUSERAUTHMANAGER_H

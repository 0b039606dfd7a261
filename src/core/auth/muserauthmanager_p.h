#ifndef MUSERAUTHMANAGER_P_H
#define MUSERAUTHMANAGER_P_H

#include "mdevice.h"
#include "mnetworkrequest.h"
#include "museraccount.h"
#include "muserauthmanager.h"

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QPointer>
#include <QString>
#include <QVariantMap>

class MNetworkRequestManager;

// Keys of the stored credentials.
inline const QString ApiKeyKey = QStringLiteral("MAuthToken");
inline const QString UsernameKey = QStringLiteral("MUsername");
inline const QString RefreshTokenKey = QStringLiteral("MRefreshToken");
inline const QString AccessTokenKey = QStringLiteral("MOAuthToken");
inline const QString TokenTypeKey = QStringLiteral("MOAuthTokenType");

// Tags in a sign-in request's user info: which step it is and which attempt of it.
inline const QString RequestKindKey = QStringLiteral("MUserAuthRequestKind");
inline const QString GenerationKey = QStringLiteral("MUserAuthRequestGeneration");
inline const QString AccountReloadKey = QStringLiteral("MUserAuthAccountReload");

class MUserAuthManagerPrivate
{
    Q_DECLARE_PUBLIC(MUserAuthManager)
public:
    // What a sign-in request asks for; each kind has the state that waits for it.
    enum RequestKind { NoRequest = 0, KeyRequest, TokenRequest, RefreshRequest, CheckRequest };

    explicit MUserAuthManagerPrivate(MUserAuthManager *q)
        : q_ptr(q)
    {}

    // Makes the request the one whose reply is awaited, sets the matching state and sends
    // it. Replies to any earlier request are ignored from then on.
    void send(RequestKind kind, MNetworkRequest request);
    // The caller holds the mutex.
    MNetworkRequest signedRequest(MNetworkRequest request) const;
    // The "Authorization" header signedRequest() puts on now.
    QByteArray authorizationHeader() const;
    static MNetworkRequest keyRequest(const QString &username, const QString &password);
    static MNetworkRequest tokenRequest(const QString &apiKey);
    static MNetworkRequest refreshRequest(const QString &refreshToken);
    // The caller holds the mutex.
    MNetworkRequest checkRequest() const;
    // afterGrant: the check follows a token grant.
    void sendCheck(bool afterGrant);
    void sendRefresh();
    void logOut();

    // The replies (muserauthmanagerreplies.cpp).
    void handleSuccess(RequestKind kind, const QVariantMap &reply, bool wasRefreshing);
    void handleTokenReply(RequestKind kind, const QVariantMap &reply, bool wasRefreshing);
    void handleRefused(RequestKind kind, const QVariantMap &reply, bool afterGrant);
    void handleFailure(int statusCode, const QVariantMap &reply);
    // A check or refresh that failed for a passing reason (no connection, no answer in
    // time, a 5xx) is sent again after a growing delay; the session stays as it is.
    void retryLater(RequestKind kind, bool wasRefreshing, bool afterGrant);

    MUserAuthManager *q_ptr;
    // Guards everything below but the reply buffers. Never held while the credential
    // store is called, a request is sent or a signal is emitted.
    mutable QMutex mutex;
    QString username;
    QPointer<MNetworkRequestManager> networkRequestManager;
    bool authenticated = false;
    QVariantMap credentials;
    MUserAuthManager::State state = MUserAuthManager::Idle;
    // The token refresh was asked for by refresh(): its success is reported as such.
    bool refreshing = false;
    // The awaited check follows a token grant: a refused token then means signing out,
    // not another refresh.
    bool checkingNewToken = false;
    RequestKind pendingKind = NoRequest;
    QString pendingRequestId; // the request of pendingKind, cancelled at sign-out
    quint64 generation = 0;
    // The delay before the next retry of a check or refresh; 0 after any other outcome.
    int retryDelay = 0;
    MUserAccount account;
    MDevice device;

    // Bytes of each sign-in reply in progress, by request identifier. Touched only on the
    // manager's thread.
    QHash<QString, QByteArray> replyBuffers;
};

#endif // MUSERAUTHMANAGER_P_H

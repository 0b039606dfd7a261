#include "muserauthmanager.h"
#include "muserauthmanager_p.h"

#include "corelogging.h"
#include "mauthstore.h"
#include "mformencoding.h"
#include "mnetworkrequestmanager.h"
#include "mprocessinstance.h"
#include "tolvoprocess.h"

#include <QDebug>
#include <QMutexLocker>
#include <QThread>

#include <utility>

namespace {

QUrl withPath(QUrl base, const QString &path)
{
    QString basePath = base.path();
    while (basePath.endsWith(QLatin1Char('/')))
        basePath.chop(1);
    base.setPath(basePath + path);
    return base;
}

MNetworkRequest formRequest(const QUrl &url, const QByteArray &body)
{
    MNetworkRequest request(url, MNetworkRequest::Post);
    request.setContentType(QStringLiteral("application/x-www-form-urlencoded"));
    request.setBody(body);
    return request;
}

// A null value would remove the header; the signing headers go out even when empty.
QByteArray headerValue(const QString &value)
{
    const QByteArray bytes = value.toLocal8Bit();
    return bytes.isNull() ? QByteArray("") : bytes;
}

MUserAuthManager::State stateWaitingFor(MUserAuthManagerPrivate::RequestKind kind)
{
    switch (kind) {
    case MUserAuthManagerPrivate::KeyRequest:
        return MUserAuthManager::WaitingForKey;
    case MUserAuthManagerPrivate::TokenRequest:
        return MUserAuthManager::WaitingForToken;
    case MUserAuthManagerPrivate::RefreshRequest:
        return MUserAuthManager::RefreshingToken;
    case MUserAuthManagerPrivate::CheckRequest:
        return MUserAuthManager::CheckingCredentials;
    case MUserAuthManagerPrivate::NoRequest:
        break;
    }
    return MUserAuthManager::Idle;
}

} // namespace

void MUserAuthManagerPrivate::send(RequestKind kind, MNetworkRequest request)
{
    MNetworkRequestManager *manager = networkRequestManager;
    if (!manager) {
        qCWarning(lcCoreAuth, "MUserAuthManager: no network request manager to sign in with");
        return;
    }
    quint64 tag = 0;
    {
        QMutexLocker locker(&mutex);
        pendingKind = kind;
        tag = ++generation;
        state = stateWaitingFor(kind);
    }
    request.setUserInfo(QVariantMap{{RequestKindKey, int(kind)}, {GenerationKey, tag}});
    const QString id = manager->sendRequest(request);
    QMutexLocker locker(&mutex);
    pendingRequestId = id;
}

QByteArray MUserAuthManagerPrivate::authorizationHeader() const
{
    const QString type = credentials.value(TokenTypeKey).toString();
    const QString token = credentials.value(AccessTokenKey).toString();
    return headerValue(QStringLiteral("%1 %2").arg(type, token));
}

MNetworkRequest MUserAuthManagerPrivate::signedRequest(MNetworkRequest request) const
{
    request.setRawHeader("Authorization", authorizationHeader());
    request.setRawHeader("M-Auth-Token", headerValue(credentials.value(ApiKeyKey).toString()));
    const QString userAgent = TolvoProcess::instance()->userAgent();
    if (!userAgent.isEmpty())
        request.setUserAgent(userAgent);
    return request;
}

MNetworkRequest MUserAuthManagerPrivate::keyRequest(const QString &username,
                                                    const QString &password)
{
    const TolvoProcess *app = TolvoProcess::instance();
    return formRequest(withPath(app->baseAPIURL(), QStringLiteral("/key.json")),
                       mFormEncode({{"email", username}, {"password", password}}));
}

MNetworkRequest MUserAuthManagerPrivate::tokenRequest(const QString &apiKey)
{
    const TolvoProcess *app = TolvoProcess::instance();
    return formRequest(withPath(app->authorizationURL(), QStringLiteral("/token.json")),
                       mFormEncode({{"grant_type", QStringLiteral("password")},
                                    {"client_id", app->OAuth2ClientID()},
                                    {"client_secret", app->OAuth2ClientSecret()},
                                    {"auth_token", apiKey}}));
}

MNetworkRequest MUserAuthManagerPrivate::refreshRequest(const QString &refreshToken)
{
    const TolvoProcess *app = TolvoProcess::instance();
    return formRequest(withPath(app->authorizationURL(), QStringLiteral("/token")),
                       mFormEncode({{"grant_type", QStringLiteral("refresh_token")},
                                    {"refresh_token", refreshToken},
                                    {"client_id", app->OAuth2ClientID()},
                                    {"client_secret", app->OAuth2ClientSecret()}}));
}

MNetworkRequest MUserAuthManagerPrivate::checkRequest() const
{
    MNetworkRequest request(
        withPath(TolvoProcess::instance()->baseAPIURL(), QStringLiteral("/me.json")),
        MNetworkRequest::Get);
    request.setContentType(QStringLiteral("application/json"));
    return signedRequest(request);
}

void MUserAuthManagerPrivate::sendCheck(bool afterGrant)
{
    MNetworkRequest request;
    {
        QMutexLocker locker(&mutex);
        if (credentials.isEmpty())
            return;
        username = credentials.value(UsernameKey).toString();
        checkingNewToken = afterGrant;
        request = checkRequest();
    }
    qCDebug(lcCoreAuth) << "Sending request to url" << request.url();
    send(CheckRequest, request);
}

void MUserAuthManagerPrivate::sendRefresh()
{
    QString refreshToken;
    {
        QMutexLocker locker(&mutex);
        refreshToken = credentials.value(RefreshTokenKey).toString();
    }
    send(RefreshRequest, refreshRequest(refreshToken));
}

void MUserAuthManagerPrivate::logOut()
{
    Q_Q(MUserAuthManager);
    QString pending;
    {
        QMutexLocker locker(&mutex);
        pending = std::exchange(pendingRequestId, QString());
        username.clear();
        credentials.clear();
        authenticated = false;
        refreshing = false;
        pendingKind = NoRequest;
        retryDelay = 0;
        state = MUserAuthManager::Idle;
    }
    // A sign-in request still out is no longer awaited: left open, a service that answers it
    // late, or a connection that drops and makes Qt send it again, would reach the service
    // after the sign-out.
    if (!pending.isEmpty() && networkRequestManager)
        networkRequestManager->cancelRequest(pending);
    if (MAuthStore *store = MAuthStore::instance())
        store->clear();
    emit q->logoutPerformed();
}

MUserAuthManager::MUserAuthManager(QObject *parent)
    : MRequestAuthorizer(parent)
    , d_ptr(new MUserAuthManagerPrivate(this))
{
    // A refresh that ends with a new check of the credentials reports a sign-in.
    using M = MUserAuthManager;
    connect(this, &M::authorizationRefreshed, this, &M::authorizationRenewed);
    connect(this, &M::authorizationSuccess, this, &M::authorizationRenewed);
    connect(this, &M::authorizationFailed, this, &M::authorizationLost);
    connect(this, &M::authenticationFailure, this, &M::authorizationLost);
    connect(this, &M::logoutPerformed, this, &M::authorizationLost);
}

MUserAuthManager::~MUserAuthManager() = default;

namespace {
MProcessInstance<MUserAuthManager> applicationManagerInstance;
} // namespace

MUserAuthManager *MUserAuthManager::applicationManager()
{
    return applicationManagerInstance.get();
}

void MUserAuthManager::setApplicationManager(MUserAuthManager *manager)
{
    applicationManagerInstance.set(manager);
}

void MUserAuthManager::setNetworkRequestManager(MNetworkRequestManager *manager)
{
    Q_D(MUserAuthManager);
    if (d->networkRequestManager)
        d->networkRequestManager->disconnect(this);
    d->networkRequestManager = manager;
    if (!manager)
        return;
    manager->setUserAgent(TolvoProcess::instance()->userAgent());
    manager->setRetryAuthenticatedRequests(false);
    connect(manager,
            QOverload<const MNetworkRequest &, QNetworkReply::NetworkError>::of(
                &MNetworkRequestManager::errorForRequest),
            this, &MUserAuthManager::errorForRequest);
    connect(manager, &MNetworkRequestManager::dataArrivedForRequest, this,
            &MUserAuthManager::dataArrivedForRequest);
    connect(manager, &MNetworkRequestManager::replyFinishedForRequest, this,
            &MUserAuthManager::replyFinishedForRequest);
    connect(manager, &MNetworkRequestManager::shutdownCompleted, this,
            &MUserAuthManager::shutdownCompleted);
}

MNetworkRequestManager *MUserAuthManager::networkRequestManager() const
{
    return d_func()->networkRequestManager;
}

void MUserAuthManager::authenticateUser(const QString &username, const QString &password)
{
    Q_D(MUserAuthManager);
    {
        QMutexLocker locker(&d->mutex);
        d->username = username;
        d->refreshing = false;
    }
    d->send(MUserAuthManagerPrivate::KeyRequest, d->keyRequest(username, password));
}

bool MUserAuthManager::isAuthenticated() const
{
    Q_D(const MUserAuthManager);
    QMutexLocker locker(&d->mutex);
    return d->authenticated;
}

MUserAuthManager::State MUserAuthManager::state() const
{
    Q_D(const MUserAuthManager);
    QMutexLocker locker(&d->mutex);
    return d->state;
}

bool MUserAuthManager::isSignInActive() const
{
    return state() != Idle;
}

MNetworkRequest MUserAuthManager::createAuthenticatedRequest(const QUrl &url,
                                                             MNetworkRequest::RequestMethod method,
                                                             bool *ok)
{
    Q_D(MUserAuthManager);
    bool authenticated = false;
    MNetworkRequest request;
    {
        QMutexLocker locker(&d->mutex);
        authenticated = d->authenticated;
        if (authenticated)
            request = d->signedRequest(MNetworkRequest(url, method));
    }
    if (ok)
        *ok = authenticated;
    if (authenticated)
        return request;
    refresh();
    return MNetworkRequest(QUrl(), MNetworkRequest::Get);
}

MNetworkRequest MUserAuthManager::authenticateRequest(const MNetworkRequest &request, bool *ok)
{
    Q_D(MUserAuthManager);
    QMutexLocker locker(&d->mutex);
    if (ok)
        *ok = d->authenticated;
    return d->authenticated ? d->signedRequest(request) : request;
}

bool MUserAuthManager::isSignedWithOlderToken(const MNetworkRequest &request) const
{
    Q_D(const MUserAuthManager);
    QMutexLocker locker(&d->mutex);
    const QByteArray sent = request.rawHeader("Authorization");
    return d->authenticated && !sent.isEmpty() && sent != d->authorizationHeader();
}

MUserAccount MUserAuthManager::account() const
{
    Q_D(const MUserAuthManager);
    QMutexLocker locker(&d->mutex);
    return d->account;
}

void MUserAuthManager::setAccount(const MUserAccount &account)
{
    Q_D(MUserAuthManager);
    MUserAccount previous;
    {
        QMutexLocker locker(&d->mutex);
        previous = std::exchange(d->account, account);
    }
    if (previous.usedSize() != account.usedSize() || previous.totalSize() != account.totalSize())
        emit accountSizesChanged();
}

void MUserAuthManager::reloadAccount()
{
    Q_D(MUserAuthManager);
    MNetworkRequest request;
    bool signedIn = false;
    {
        QMutexLocker locker(&d->mutex);
        signedIn = d->authenticated && d->networkRequestManager;
        if (signedIn)
            request = d->checkRequest();
    }
    if (!signedIn) {
        emit accountReloaded(false);
        return;
    }
    request.setUserInfo(QVariantMap{{AccountReloadKey, true}});
    d->networkRequestManager->sendRequest(request);
}

MDevice MUserAuthManager::device() const
{
    Q_D(const MUserAuthManager);
    QMutexLocker locker(&d->mutex);
    return d->device;
}

void MUserAuthManager::shutdown()
{
    Q_D(MUserAuthManager);
    if (d->networkRequestManager)
        d->networkRequestManager->shutdown();
    else
        emit shutdownCompleted();
}

void MUserAuthManager::reload()
{
    Q_D(MUserAuthManager);
    loadStoredCredentials();
    bool stored = false;
    {
        QMutexLocker locker(&d->mutex);
        stored = !d->credentials.isEmpty();
    }
    if (stored)
        testAuthentication();
    else
        emit needAuthenticationDetails();
}

void MUserAuthManager::reset()
{
    Q_D(MUserAuthManager);
    bool signedIn = false;
    {
        QMutexLocker locker(&d->mutex);
        signedIn = !d->credentials.isEmpty();
    }
    if (signedIn)
        d->logOut();
    else
        emit needAuthenticationDetails();
}

bool MUserAuthManager::refresh()
{
    Q_D(MUserAuthManager);
    const bool here = QThread::currentThread() == thread();
    {
        QMutexLocker locker(&d->mutex);
        // A refused refresh token stays refused until the next sign-in.
        if (d->credentials.isEmpty() || d->state == AuthorizationFailed)
            return false;
        // Whatever is awaited (sign-in, check or refresh) ends with a usable token or a
        // failure that is reported.
        if (d->pendingKind != MUserAuthManagerPrivate::NoRequest)
            return true;
        if (here)
            d->refreshing = true;
    }
    if (!here) {
        // The sign-in requests belong to this object's thread. No waiting for it: it may be
        // waiting for the caller.
        QMetaObject::invokeMethod(
            this, [this] { refresh(); }, Qt::QueuedConnection);
        return true;
    }
    d->sendRefresh();
    return true;
}

void MUserAuthManager::loadStoredCredentials()
{
    Q_D(MUserAuthManager);
    MAuthStore *store = MAuthStore::instance();
    if (!store)
        return;
    const QVariantMap stored = store->authInfo();
    if (stored.isEmpty())
        return;
    QMutexLocker locker(&d->mutex);
    d->credentials = stored;
}

void MUserAuthManager::setAuthInfo(const QVariantMap &info)
{
    if (info.value(ApiKeyKey).toString().isEmpty())
        return;
    if (MAuthStore *store = MAuthStore::instance())
        store->storeAuthInfo(info);
}

void MUserAuthManager::testAuthentication()
{
    d_func()->sendCheck(false);
}

// The sign-in replies: the credentials they grant, refusals, failures and retries.
#include "muserauthmanager.h"
#include "muserauthmanager_p.h"

#include "corelogging.h"

#include <QDebug>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutexLocker>
#include <QTimer>

#include <utility>

namespace {

const char *kindName(MUserAuthManagerPrivate::RequestKind kind)
{
    switch (kind) {
    case MUserAuthManagerPrivate::KeyRequest:
        return "key";
    case MUserAuthManagerPrivate::TokenRequest:
        return "token";
    case MUserAuthManagerPrivate::RefreshRequest:
        return "refresh";
    case MUserAuthManagerPrivate::CheckRequest:
        return "check";
    case MUserAuthManagerPrivate::NoRequest:
        break;
    }
    return "none";
}

constexpr int FirstRetryDelay = 1000;
constexpr int LongestRetryDelay = 30000;

// The service may answer the same request differently later: the session stays.
bool isPassingFailure(int statusCode)
{
    return statusCode == 0 || statusCode >= 500;
}

bool isSignInRequest(const MNetworkRequest &request)
{
    return request.userInfo().toMap().contains(RequestKindKey);
}

bool isAccountReload(const MNetworkRequest &request)
{
    return request.userInfo().toMap().contains(AccountReloadKey);
}

} // namespace

void MUserAuthManagerPrivate::handleSuccess(RequestKind kind, const QVariantMap &reply,
                                            bool wasRefreshing)
{
    Q_Q(MUserAuthManager);
    switch (kind) {
    case CheckRequest: {
        // A check that does not name the account authorizes nothing.
        const MUserAccount checked(reply.value(QStringLiteral("user")).toMap());
        if (reply.value(QStringLiteral("user")).type() != QVariant::Map ||
            checked.email().isEmpty()) {
            qCWarning(lcCoreAuth) << "A token check was answered without the account";
            handleFailure(200, reply);
            return;
        }
        QString name;
        {
            QMutexLocker locker(&mutex);
            state = MUserAuthManager::Authorized;
            account = checked;
            device = MDevice(reply.value(QStringLiteral("device")).toMap());
            authenticated = true;
            name = username;
        }
        emit q->authorizationSuccess(name);
        break;
    }
    case KeyRequest: {
        const QString apiKey = reply.value(QStringLiteral("api_key")).toString();
        if (apiKey.isEmpty()) {
            handleFailure(200, reply);
            return;
        }
        QString name;
        {
            QMutexLocker locker(&mutex);
            credentials.insert(ApiKeyKey, apiKey);
            authenticated = true;
            name = username;
        }
        send(TokenRequest, tokenRequest(apiKey));
        emit q->authenticationSuccess(name);
        break;
    }
    case TokenRequest:
    case RefreshRequest:
        handleTokenReply(kind, reply, wasRefreshing);
        break;
    case NoRequest:
        break;
    }
}

void MUserAuthManagerPrivate::handleTokenReply(RequestKind kind, const QVariantMap &reply,
                                               bool wasRefreshing)
{
    Q_Q(MUserAuthManager);
    const QString accessToken = reply.value(QStringLiteral("access_token")).toString();
    if (accessToken.isEmpty()) {
        handleFailure(200, reply);
        return;
    }
    QString type = reply.value(QStringLiteral("token_type")).toString().toLower();
    if (type == QLatin1String("bearer"))
        type = QStringLiteral("Bearer");
    else
        qCWarning(lcCoreAuth) << "Unsupported token type" << type;

    // An OAuth2 refresh reply may leave the refresh token out: the held one stays valid.
    const QString refreshToken = reply.value(QStringLiteral("refresh_token")).toString();
    QVariantMap info;
    QString name;
    bool check = false;
    {
        QMutexLocker locker(&mutex);
        credentials.insert(TokenTypeKey, type);
        credentials.insert(AccessTokenKey, accessToken);
        if (kind == TokenRequest || !refreshToken.isEmpty())
            credentials.insert(RefreshTokenKey, refreshToken);
        credentials.insert(UsernameKey, username);
        info = credentials;
        name = username;
        // A password grant may be for another user than the account still held.
        check = kind == TokenRequest || account.email().isEmpty();
        // A new token after a failed refresh makes the session usable again.
        if (!check) {
            state = MUserAuthManager::Authorized;
            authenticated = true;
        }
    }
    q->setAuthInfo(info);
    if (check)
        sendCheck(true);
    else if (wasRefreshing)
        emit q->authorizationRefreshed();
    else
        emit q->authorizationSuccess(name);
}

void MUserAuthManagerPrivate::handleRefused(RequestKind kind, const QVariantMap &reply,
                                            bool afterGrant)
{
    Q_Q(MUserAuthManager);
    switch (kind) {
    case CheckRequest:
        // A token that was just granted and is refused at once will not do better after
        // another refresh.
        if (afterGrant)
            logOut();
        else
            sendRefresh();
        break;
    case KeyRequest: {
        const QStringList errors =
            reply.contains(QStringLiteral("errors"))
                ? reply.value(QStringLiteral("errors")).toStringList()
                : QStringList{reply.value(QStringLiteral("error")).toString()};
        QString name;
        {
            QMutexLocker locker(&mutex);
            name = username;
        }
        emit q->authenticationFailure(name, errors, 401);
        break;
    }
    case TokenRequest:
        logOut();
        break;
    case RefreshRequest: {
        QString name;
        {
            QMutexLocker locker(&mutex);
            state = MUserAuthManager::AuthorizationFailed;
            authenticated = false;
            name = username;
        }
        emit q->authorizationFailed(name,
                                    QStringList{reply.value(QStringLiteral("error")).toString()});
        break;
    }
    case NoRequest:
        break;
    }
}

void MUserAuthManagerPrivate::retryLater(RequestKind kind, bool wasRefreshing, bool afterGrant)
{
    Q_Q(MUserAuthManager);
    quint64 tag = 0;
    int delay = 0;
    {
        QMutexLocker locker(&mutex);
        // Still awaited: refresh() does not send another, and a sign-out or a new sign-in
        // meanwhile (a new generation) calls the retry off.
        pendingKind = kind;
        refreshing = wasRefreshing;
        checkingNewToken = afterGrant;
        tag = ++generation;
        delay = retryDelay = retryDelay ? qMin(retryDelay * 2, LongestRetryDelay) : FirstRetryDelay;
    }
    qCInfo(lcCoreAuth) << "Sign-in" << kindName(kind) << "failed for now; trying again in" << delay
                       << "ms";
    QTimer::singleShot(delay, q, [this, kind, tag, afterGrant] {
        {
            QMutexLocker locker(&mutex);
            if (pendingKind != kind || generation != tag)
                return;
        }
        if (kind == RefreshRequest)
            sendRefresh();
        else
            sendCheck(afterGrant);
    });
}

void MUserAuthManagerPrivate::handleFailure(int statusCode, const QVariantMap &reply)
{
    Q_Q(MUserAuthManager);
    qCDebug(lcCoreAuth) << "Generic error:" << statusCode << "with keys" << reply.keys();
    const QStringList errors = reply.value(QStringLiteral("errors")).toStringList();
    QString name;
    {
        QMutexLocker locker(&mutex);
        authenticated = false;
        name = username;
    }
    emit q->authenticationFailure(name, errors, statusCode);
}

void MUserAuthManager::errorForRequest(const MNetworkRequest &request,
                                       QNetworkReply::NetworkError code)
{
    if (isSignInRequest(request))
        qCDebug(lcCoreAuth) << "A network error occurred: " << code;
}

void MUserAuthManager::dataArrivedForRequest(const MNetworkRequest &request, const QByteArray &data,
                                             const MNetworkReply &)
{
    Q_D(MUserAuthManager);
    if (isSignInRequest(request) || isAccountReload(request))
        d->replyBuffers[request.requestId()].append(data);
}

void MUserAuthManager::replyFinishedForRequest(const MNetworkRequest &request,
                                               const MNetworkReply &reply)
{
    Q_D(MUserAuthManager);
    if (isAccountReload(request)) {
        const QByteArray buffer = d->replyBuffers.take(request.requestId());
        const QVariantMap user = reply.statusCode() == 200 ? QJsonDocument::fromJson(buffer)
                                                                 .object()
                                                                 .value(QLatin1String("user"))
                                                                 .toObject()
                                                                 .toVariantMap()
                                                           : QVariantMap();
        qCDebug(lcCoreAuth) << "Account reload, status" << reply.statusCode();
        if (!user.isEmpty())
            setAccount(MUserAccount(user));
        emit accountReloaded(!user.isEmpty());
        return;
    }
    if (!isSignInRequest(request))
        return;
    const QByteArray buffer = d->replyBuffers.take(request.requestId());
    const QVariantMap tags = request.userInfo().toMap();
    const auto kind = MUserAuthManagerPrivate::RequestKind(tags.value(RequestKindKey).toInt());

    // Only the reply to the request sent last counts: a late, repeated or superseded reply
    // must not touch the credentials.
    bool wasRefreshing = false;
    bool afterGrant = false;
    {
        QMutexLocker locker(&d->mutex);
        if (kind == MUserAuthManagerPrivate::NoRequest || kind != d->pendingKind ||
            tags.value(GenerationKey).toULongLong() != d->generation) {
            locker.unlock();
            qCDebug(lcCoreAuth) << "Ignoring a" << kindName(kind)
                                << "reply that is no longer awaited";
            return;
        }
        d->pendingKind = MUserAuthManagerPrivate::NoRequest;
        wasRefreshing = std::exchange(d->refreshing, false);
        afterGrant = std::exchange(d->checkingNewToken, false);
    }

    // Sign-in replies carry secrets: only their status and field names are logged.
    QVariantMap map;
    const QJsonDocument document = QJsonDocument::fromJson(buffer);
    if (document.isNull())
        qCDebug(lcCoreAuth) << "Unable to decode response data:" << buffer.size() << "bytes";
    else
        map = document.object().toVariantMap();
    qCDebug(lcCoreAuth) << "Sign-in" << kindName(kind) << "reply, status" << reply.statusCode()
                        << "with keys" << map.keys();

    const int status = reply.statusCode();
    if ((kind == MUserAuthManagerPrivate::RefreshRequest ||
         kind == MUserAuthManagerPrivate::CheckRequest) &&
        isPassingFailure(status)) {
        d->retryLater(kind, wasRefreshing, afterGrant);
        return;
    }
    {
        QMutexLocker locker(&d->mutex);
        d->retryDelay = 0;
    }
    switch (status) {
    case 200:
        d->handleSuccess(kind, map, wasRefreshing);
        break;
    case 400:
        // The service refuses the refresh token (an OAuth2 "invalid_grant").
        if (kind == MUserAuthManagerPrivate::RefreshRequest)
            d->handleRefused(kind, map, afterGrant);
        else
            d->handleFailure(status, map);
        break;
    case 401:
        d->handleRefused(kind, map, afterGrant);
        break;
    case 204:
        break;
    default:
        d->handleFailure(status, map);
        break;
    }
}

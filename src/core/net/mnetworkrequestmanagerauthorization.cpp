// Requests refused for want of authorization: queued for a new token, then sent again or
// reported as refused.
#include "mnetworkrequestmanager.h"
#include "mnetworkrequestmanager_p.h"

#include "muserauthmanager.h"
#include "tolvoappimpl.h"

#include <QMutexLocker>
#include <QTimer>

#include <utility>

namespace {

MUserAuthManager *applicationAuthManager()
{
    TolvoApp *app = TolvoApp::instance();
    return app ? app->authManager() : nullptr;
}

} // namespace

bool MNetworkRequestManagerPrivate::queueForAuthorization(QNetworkReply *reply,
                                                          const MNetworkRequest &request,
                                                          const QByteArray &body)
{
    MUserAuthManager *authManager = applicationAuthManager();
    if (!authManager || authManager->state() == MUserAuthManager::Idle)
        return false;
    // A streamed body cannot be sent twice; a request refused again with a new token is
    // refused for another reason than an expired one.
    if (request.hasUploadDevice() || reauthorizedIds.contains(request.requestId()))
        return false;
    {
        QMutexLocker locker(&mutex);
        authenticationQueue.append({request, body, MNetworkReply(reply, true)});
    }
    if (authManager->refresh()) {
        queuedReplies.insert(reply);
        return true;
    }
    QMutexLocker locker(&mutex);
    authenticationQueue.removeLast();
    return false;
}

void MNetworkRequestManager::setRetryAuthenticatedRequests(bool retry)
{
    using M = MNetworkRequestManager;
    d_func()->retryAuthenticatedRequests = retry;
    MUserAuthManager *authManager = applicationAuthManager();
    if (!retry) {
        if (authManager)
            disconnect(authManager, nullptr, this, nullptr);
        failAuthenticatedRequests();
        return;
    }
    if (!authManager)
        return;
    // A refresh that ends with a new check of the credentials reports a sign-in.
    connect(authManager, &MUserAuthManager::authorizationRefreshed, this,
            &M::retryAuthenticatedRequests, Qt::UniqueConnection);
    connect(authManager, &MUserAuthManager::authorizationSuccess, this,
            &M::retryAuthenticatedRequests, Qt::UniqueConnection);
    connect(authManager, &MUserAuthManager::authorizationFailed, this,
            &M::failAuthenticatedRequests, Qt::UniqueConnection);
    connect(authManager, &MUserAuthManager::authenticationFailure, this,
            &M::failAuthenticatedRequests, Qt::UniqueConnection);
    connect(authManager, &MUserAuthManager::logoutPerformed, this, &M::failAuthenticatedRequests,
            Qt::UniqueConnection);
}

void MNetworkRequestManager::retryAuthenticatedRequests()
{
    // Lets the sign-in manager finish handling its reply first.
    QTimer::singleShot(0, this, [this] {
        Q_D(MNetworkRequestManager);
        QList<MNetworkRequestManagerPrivate::RefusedRequest> queue;
        {
            QMutexLocker locker(&d->mutex);
            queue = std::exchange(d->authenticationQueue, {});
        }
        MUserAuthManager *authManager = applicationAuthManager();
        for (const MNetworkRequestManagerPrivate::RefusedRequest &refused : qAsConst(queue)) {
            const MNetworkRequest request =
                authManager ? authManager->authenticateRequest(refused.request) : refused.request;
            d->reauthorizedIds.insert(request.requestId());
            d->registerReply(request.requestId(), _submitRequest(request, true));
        }
    });
}

void MNetworkRequestManager::failAuthenticatedRequests()
{
    Q_D(MNetworkRequestManager);
    QList<MNetworkRequestManagerPrivate::RefusedRequest> queue;
    {
        QMutexLocker locker(&d->mutex);
        queue = std::exchange(d->authenticationQueue, {});
    }
    // The signals a refused request gets when it is not retried, in the same order.
    for (const MNetworkRequestManagerPrivate::RefusedRequest &refused : qAsConst(queue)) {
        if (!refused.body.isEmpty())
            emit dataArrivedForRequest(refused.request, refused.body, refused.reply);
        emit errorForRequest(refused.request, QNetworkReply::AuthenticationRequiredError);
        emit errorForRequest(refused.request, refused.reply);
        emit replyFinishedForRequest(refused.request, refused.reply);
    }
}

// Requests refused for want of authorization: queued for a new token, then sent again or
// reported as refused.
#include "mnetworkrequestmanager.h"
#include "mnetworkrequestmanager_p.h"

#include "mprocessinstance.h"
#include "mrequestauthorizer.h"

#include <QMutexLocker>
#include <QTimer>

#include <utility>

namespace {
MProcessInstance<MRequestAuthorizer> processAuthorizerInstance;
} // namespace

MRequestAuthorizer *MNetworkRequestManager::authorizer()
{
    return processAuthorizerInstance.get();
}

void MNetworkRequestManager::setAuthorizer(MRequestAuthorizer *authorizer)
{
    processAuthorizerInstance.set(authorizer);
}

bool MNetworkRequestManagerPrivate::queueForAuthorization(QNetworkReply *reply,
                                                          const MNetworkRequest &request,
                                                          const QByteArray &body)
{
    MRequestAuthorizer *authManager = MNetworkRequestManager::authorizer();
    if (!authManager || !authManager->isSignInActive())
        return false;
    // A streamed body cannot be sent twice; a request refused again with a new token is
    // refused for another reason than an expired one.
    if (request.hasUploadDevice() || request.hasMultiPart() ||
        reauthorizedIds.contains(request.requestId()))
        return false;
    // Refused for a token a refresh has replaced since it was sent: it goes again now, after
    // its refusal is handled, and the new token is not thrown away for another.
    if (authManager->isSignedWithOlderToken(request)) {
        queuedReplies.insert(reply);
        QTimer::singleShot(0, q_ptr, [this, request] { resendSigned(request, false); });
        return true;
    }
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

void MNetworkRequestManagerPrivate::resendSigned(const MNetworkRequest &refused, bool lastTry)
{
    MRequestAuthorizer *authManager = MNetworkRequestManager::authorizer();
    const MNetworkRequest request =
        authManager ? authManager->authenticateRequest(refused) : refused;
    if (lastTry)
        reauthorizedIds.insert(request.requestId());
    registerReply(request.requestId(), q_ptr->_submitRequest(request, true));
}

void MNetworkRequestManager::setRetryAuthenticatedRequests(bool retry)
{
    using M = MNetworkRequestManager;
    d_func()->retryAuthenticatedRequests = retry;
    MRequestAuthorizer *authManager = MNetworkRequestManager::authorizer();
    if (!retry) {
        if (authManager)
            disconnect(authManager, nullptr, this, nullptr);
        failAuthenticatedRequests();
        return;
    }
    if (!authManager)
        return;
    connect(authManager, &MRequestAuthorizer::authorizationRenewed, this,
            &M::retryAuthenticatedRequests, Qt::UniqueConnection);
    connect(authManager, &MRequestAuthorizer::authorizationLost, this,
            &M::failAuthenticatedRequests, Qt::UniqueConnection);
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
        for (const MNetworkRequestManagerPrivate::RefusedRequest &refused : qAsConst(queue))
            d->resendSigned(refused.request, true);
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

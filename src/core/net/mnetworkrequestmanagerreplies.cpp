// The replies: their errors, data, progress and end, reported as signals per request.
#include "mnetworkrequestmanager.h"
#include "mnetworkrequestmanager_p.h"

#include "corelogging.h"
#include "mnetworkreply_p.h"

#include <QDebug>
#include <QMutexLocker>

namespace {

// The most of a body handed on in one turn of the manager's thread. Qt may hold tens of MiB
// of it at once (a compressed listing is inflated whole as it ends): copied out in one turn,
// with the pages it fills, they held the window for a third of a second.
constexpr qint64 BodySlice = 1024 * 1024;

bool isStalled(const QNetworkReply *reply)
{
    return reply->property(MStalledReplyProperty).toBool();
}

bool isSafeToRepeat(const MNetworkRequest &request)
{
    return request.method() == MNetworkRequest::Get || request.method() == MNetworkRequest::Head;
}

} // namespace

void MNetworkRequestManager::handleSslErrors(QNetworkReply *reply, const QList<QSslError> &errors)
{
    Q_D(MNetworkRequestManager);
    if (d->ignoreSslErrors) {
        reply->ignoreSslErrors(errors);
        return;
    }
    // Left in force: the reply fails once listeners have been told why.
    emit sslErrorsForRequest(MNetworkRequest(reply->request()), errors);
}

void MNetworkRequestManager::handleReplyError(QNetworkReply *reply,
                                              QNetworkReply::NetworkError code)
{
    Q_D(MNetworkRequestManager);
    if (isStalled(reply))
        code = QNetworkReply::TimeoutError;
    else if (code == QNetworkReply::OperationCanceledError)
        return;
    else if (code == QNetworkReply::ContentReSendError)
        code = QNetworkReply::RemoteHostClosedError;
    const MNetworkRequest request(reply->request());
    if (code < QNetworkReply::ProxyConnectionRefusedError) {
        // Only a request that changes nothing is sent again: the service may have acted on
        // the lost one. A service that began to answer has the request.
        if (d->resendAfterReconnection && isSafeToRepeat(request) &&
            !reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid()) {
            d->reconnectionQueue.append(request);
            d->heldReplies.insert(reply);
        }
        d->askForConnectivityCheck();
        return;
    }
    qCDebug(lcCoreNet) << "Error" << int(code) << "for request URL" << request.url()
                       << reply->errorString();
    if (code == QNetworkReply::AuthenticationRequiredError && d->retryAuthenticatedRequests) {
        const QByteArray body = reply->readAll();
        if (d->queueForAuthorization(reply, request, body))
            return;
        // Held back by handleDataArrived until the request's fate was known.
        if (!body.isEmpty())
            emit dataArrivedForRequest(request, body, MNetworkReply(reply, true));
    }
    emit errorForRequest(request, code);
    emit errorForRequest(request, MNetworkReply(reply, false));
}

void MNetworkRequestManager::handleDataArrived(QNetworkReply *reply)
{
    Q_D(MNetworkRequestManager);
    // What came on top of a body being handed on follows it, in its turns.
    if (d->bodiesBeingRead.contains(reply))
        return;
    // Qt hands over a refused reply's body before it reports the refusal. Listeners must
    // not see it when the request is sent again, so it waits for handleReplyError.
    if (d->retryAuthenticatedRequests &&
        reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 401 &&
        (reply->error() == QNetworkReply::NoError || d->queuedReplies.contains(reply)))
        return;
    const MNetworkRequest request(reply->request());
    const QVariant target = reply->attribute(QNetworkRequest::RedirectionTargetAttribute);
    if (target.isValid()) {
        const QUrl to = request.url().resolved(target.toUrl());
        if (to != request.url()) {
            qCDebug(lcCoreNet) << "Redirect requested from" << request.url() << "to" << to;
            return;
        }
    }
    d->readBodySlice(reply);
}

void MNetworkRequestManagerPrivate::readBodySlice(QNetworkReply *reply)
{
    Q_Q(MNetworkRequestManager);
    const QByteArray slice = reply->read(BodySlice);
    // The rest goes in later turns, and what the reply says meanwhile waits for it.
    if (reply->bytesAvailable() > 0 && !bodiesBeingRead.contains(reply))
        bodiesBeingRead.insert(reply, {});
    emit q->dataArrivedForRequest(MNetworkRequest(reply->request()), slice,
                                  MNetworkReply(reply, true));
    // Unless a listener canceled it meanwhile, which dropped the rest.
    if (bodiesBeingRead.contains(reply) && reply->bytesAvailable() > 0)
        QTimer::singleShot(0, reply, [this, reply] { readRestOfBody(reply); });
}

void MNetworkRequestManagerPrivate::readRestOfBody(QNetworkReply *reply)
{
    if (!bodiesBeingRead.contains(reply))
        return;
    if (reply->isOpen() && reply->bytesAvailable() > 0) {
        readBodySlice(reply);
        if (!bodiesBeingRead.contains(reply) || reply->bytesAvailable() > 0)
            return;
    }
    const QList<std::function<void()>> waiting = bodiesBeingRead.take(reply);
    for (const std::function<void()> &then : waiting)
        then();
}

void MNetworkRequestManagerPrivate::afterBody(QNetworkReply *reply, std::function<void()> then)
{
    const auto it = bodiesBeingRead.find(reply);
    if (it != bodiesBeingRead.end()) {
        if (reply->isOpen() && reply->bytesAvailable() > 0) {
            it->append(std::move(then));
            return;
        }
        // Aborted: the rest of its body is gone, what waited for it goes first.
        const QList<std::function<void()>> waiting = bodiesBeingRead.take(reply);
        for (const std::function<void()> &earlier : waiting)
            earlier();
    }
    then();
}

bool MNetworkRequestManagerPrivate::cancelBody(QNetworkReply *reply)
{
    Q_Q(MNetworkRequestManager);
    if (!reply->isFinished() || !bodiesBeingRead.contains(reply))
        return false;
    // What it said after its body (an error, its end) no longer holds.
    bodiesBeingRead.remove(reply);
    canceledBodies.insert(reply);
    q->handleFinished(reply);
    q->removeReply(reply);
    return true;
}

bool MNetworkRequestManagerPrivate::isCanceled(QNetworkReply *reply) const
{
    return (reply->error() == QNetworkReply::OperationCanceledError && !isStalled(reply)) ||
           canceledBodies.contains(reply);
}

void MNetworkRequestManager::handleFinished(QNetworkReply *reply)
{
    Q_D(MNetworkRequestManager);
    const MNetworkRequest request(reply->request());
    const bool queued = d->queuedReplies.remove(reply);
    const bool held = d->heldReplies.remove(reply);
    if (!queued)
        d->reauthorizedIds.remove(request.requestId());
    if (d->isCanceled(reply)) {
        emit requestCanceled(request);
        return;
    }
    if (reply->error() == QNetworkReply::AuthenticationRequiredError)
        qCDebug(lcCoreNet) << "MNetworkRequestManager::handleFinished: Authentication Required"
                           << "Status code:"
                           << reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // Its answer comes with the request sent again, or with the refusal when no new token
    // comes.
    if (queued || held)
        return;
    emit replyFinishedForRequest(request, MNetworkReply(reply, false));
}

void MNetworkRequestManager::handleDownloadProgress(QNetworkReply *reply, qint64 received,
                                                    qint64 total)
{
    if (reply->error() != QNetworkReply::NoError)
        return;
    emit downloadProgress(MNetworkRequest(reply->request()), MNetworkReply(reply, true), received,
                          total);
}

void MNetworkRequestManager::handleUploadProgress(QNetworkReply *reply, qint64 sent, qint64 total)
{
    if (total == 0)
        return;
    emit uploadProgress(MNetworkRequest(reply->request()), sent, total);
}

void MNetworkRequestManager::removeReply(QNetworkReply *reply)
{
    Q_D(MNetworkRequestManager);
    reply->deleteLater();
    bool known = false;
    bool reportCancel = false;
    {
        QMutexLocker locker(&d->mutex);
        const auto it = d->activeReplies.find(reply->objectName());
        known = it != d->activeReplies.end();
        if (known && it.value() == reply)
            d->activeReplies.erase(it);
        if (d->activeReplies.isEmpty() && (d->isCanceled(reply) || d->cancelingAll)) {
            d->cancelingAll = false;
            reportCancel = true;
        }
    }
    d->canceledBodies.remove(reply);
    Q_ASSERT_X(known, "MNetworkRequestManager::removeReply",
               "activeReplies.remove(sender->objectName())");
    if (reportCancel)
        emit allRequestsCanceled();
}

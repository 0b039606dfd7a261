#include "mnetworkrequestmanager.h"
#include "mnetworkrequestmanager_p.h"

#include "corelogging.h"
#include "mlowdelaysockets.h"
#include "mnetworkreply_p.h"
#include "msynchronousreplymanager.h"
#include "munrepeatablebody.h"
#include "muserauthmanager.h"
#include "tolvoappimpl.h"

#include <QDebug>
#include <QHttpMultiPart>
#include <QMutexLocker>
#include <QNetworkConfigurationManager>
#include <QPointer>
#include <QRandomGenerator>
#include <QThread>
#include <QTimer>

#include <utility>

namespace {

constexpr int RequestIdLength = 32;
constexpr int DefaultStallTimeout = 60000;

int defaultStallTimeout()
{
    static const int timeout = [] {
        bool ok = false;
        const int value = qEnvironmentVariableIntValue("LUMARIN_STALL_TIMEOUT_MS", &ok);
        return ok && value > 0 ? value : DefaultStallTimeout;
    }();
    return timeout;
}

bool isStalled(const QNetworkReply *reply)
{
    return reply->property(MStalledReplyProperty).toBool();
}

bool isSafeToRepeat(const MNetworkRequest &request)
{
    return request.method() == MNetworkRequest::Get || request.method() == MNetworkRequest::Head;
}

// Queued signals carry these types; the manager may exist before the application's init().
void registerNetworkMetaTypes()
{
    static const bool registered = [] {
        qRegisterMetaType<MNetworkRequest>("MNetworkRequest");
        qRegisterMetaType<MNetworkRequest::RequestMethod>("MNetworkRequest::RequestMethod");
        qRegisterMetaType<MNetworkReply>("MNetworkReply");
        qRegisterMetaType<QNetworkReply::NetworkError>("QNetworkReply::NetworkError");
        qRegisterMetaType<QList<QSslError>>("QList<QSslError>");
        qRegisterMetaType<TolvoApp::ConnectivityStatus>("TolvoApp::ConnectivityStatus");
        if (!mLowDelaySocketsInstalled())
            qCWarning(lcCoreNet) << "MNetworkRequestManager: small requests will wait for delayed"
                                 << "acknowledgements (no TCP_NODELAY hook)";
        return true;
    }();
    Q_UNUSED(registered)
}

MUserAuthManager *applicationAuthManager()
{
    TolvoApp *app = TolvoApp::instance();
    return app ? app->authManager() : nullptr;
}

} // namespace

MNetworkRequestManagerPrivate::MNetworkRequestManagerPrivate(MNetworkRequestManager *q)
    : q_ptr(q)
    , stallTimeout(defaultStallTimeout())
{
    if (TolvoApp *app = TolvoApp::instance()) {
        sslConfiguration = app->sslConfiguration();
        ignoreSslErrors = app->ignoresSslErrors();
    }
}

QString MNetworkRequestManagerPrivate::newRequestId() const
{
    static const char alphabet[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    QString id(RequestIdLength, Qt::Uninitialized);
    do {
        for (int i = RequestIdLength - 1; i >= 0; --i)
            id[i] = QLatin1Char(alphabet[QRandomGenerator::global()->bounded(62)]);
    } while (activeReplies.contains(id));
    return id;
}

void MNetworkRequestManagerPrivate::attach(QNetworkReply *reply, bool progress)
{
    Q_Q(MNetworkRequestManager);
    using M = MNetworkRequestManager;
    if (progress) {
        QObject::connect(reply, &QNetworkReply::downloadProgress, q, &M::handleDownloadProgress);
        QObject::connect(reply, &QNetworkReply::uploadProgress, q, &M::handleUploadProgress);
    }
    QObject::connect(reply, &QNetworkReply::sslErrors, q, &M::handleSslErrors);
    QObject::connect(reply, &QNetworkReply::finished, q, &M::handleFinished);
    if (!MNetworkRequest(reply->request()).bodyReadByCaller())
        QObject::connect(reply, &QNetworkReply::readyRead, q, &M::handleDataArrived);
    QObject::connect(reply, &QNetworkReply::errorOccurred, q, &M::handleReplyError);
    watchForStall(reply);
}

void MNetworkRequestManagerPrivate::watchForStall(QNetworkReply *reply)
{
    const int timeout = stallTimeout;
    if (timeout <= 0)
        return;
    auto *timer = new QTimer(reply);
    timer->setSingleShot(true);
    timer->setInterval(timeout);
    const auto activity = [timer] {
        timer->start();
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, timer, activity);
    QObject::connect(reply, &QNetworkReply::readyRead, timer, activity);
    QObject::connect(reply, &QNetworkReply::downloadProgress, timer, activity);
    QObject::connect(reply, &QNetworkReply::uploadProgress, timer, activity);
    QObject::connect(reply, &QNetworkReply::finished, timer, &QTimer::stop);
    QObject::connect(timer, &QTimer::timeout, reply, [reply, timeout] {
        qCWarning(lcCoreNet) << "No answer for" << timeout << "ms from" << reply->url()
                             << "; giving up on the request";
        // Read by the handlers and by the reply's snapshot: the abort is a timeout.
        reply->setProperty(MStalledReplyProperty, true);
        reply->abort();
    });
    timer->start();
}

void MNetworkRequestManagerPrivate::registerReply(const QString &requestId, QNetworkReply *reply)
{
    Q_Q(MNetworkRequestManager);
    {
        QMutexLocker locker(&mutex);
        // A re-sent request takes over its identifier even if the failed reply is still
        // finishing; removeReply leaves the newer entry alone.
        activeReplies.insert(requestId, reply);
    }
    QObject::connect(reply, &QNetworkReply::finished, q, &MNetworkRequestManager::removeReply);
}

// The status only changes by itself while it is not "online": after a transport failure the
// service may have gone away, so probe again. The probe's report (online included) is what
// sends the reconnection queue again and tells the interface.
void MNetworkRequestManagerPrivate::askForConnectivityCheck()
{
    TolvoAppImpl *app = TolvoApp::instance();
    if (!app)
        return;
    QMetaObject::invokeMethod(
        app,
        [app] {
            if (app->connectivityStatus() == TolvoApp::Online)
                app->scheduleConnectivityCheck();
        },
        Qt::QueuedConnection);
}

void MNetworkRequestManagerPrivate::ensureRepetitiveServices(TolvoApp::ConnectivityStatus,
                                                             TolvoApp::ConnectivityStatus current)
{
    Q_Q(MNetworkRequestManager);
    // Bearer management is deprecated in Qt 5.15 but still decides whether requests go out.
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    if (current == TolvoApp::Offline) {
        q->setNetworkAccessible(QNetworkAccessManager::NotAccessible);
        return;
    }
    TolvoApp *app = TolvoApp::instance();
    if (app && app->networkConfigurationManager())
        q->setConfiguration(app->networkConfigurationManager()->defaultConfiguration());
    q->setNetworkAccessible(QNetworkAccessManager::Accessible);
    QT_WARNING_POP

    // Only a reachable service is worth a retry; each queued request is sent once per
    // return to online, and goes back to the queue if it fails again.
    if (current != TolvoApp::Online)
        return;
    const QList<MNetworkRequest> queue = std::exchange(reconnectionQueue, {});
    for (const MNetworkRequest &request : queue)
        registerReply(request.requestId(), q->_submitRequest(request, true));
}

bool MNetworkRequestManagerPrivate::queueForAuthorization(QNetworkReply *reply,
                                                          const MNetworkRequest &request,
                                                          const QByteArray &body)
{
    MUserAuthManager *authManager = applicationAuthManager();
    if (!authManager || authManager->state() == MUserAuthManager::Idle)
        return false;
    // A streamed body cannot be sent twice; a request refused again with a new token is
    // refused for another reason than an expired one.
    if (request.hasUploadDevice() || request.hasMultiPart() ||
        reauthorizedIds.contains(request.requestId()))
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

MNetworkRequestManager::MNetworkRequestManager(QObject *parent)
    : QNetworkAccessManager(parent)
    , d_ptr(new MNetworkRequestManagerPrivate(this))
{
    registerNetworkMetaTypes();
    if (TolvoApp *app = TolvoApp::instance())
        connect(app, &TolvoApp::connectivityStatusChanged, this,
                &MNetworkRequestManager::ensureRepetitiveServices);
}

MNetworkRequestManager::MNetworkRequestManager(const MNetworkRequestManager &other)
    : QNetworkAccessManager(nullptr)
    , MShutdownable()
    , d_ptr(new MNetworkRequestManagerPrivate(this))
{
    registerNetworkMetaTypes();
    d_ptr->sslConfiguration = other.sslConfiguration();
}

MNetworkRequestManager::~MNetworkRequestManager()
{
    Q_D(MNetworkRequestManager);
    // QNetworkAccessManager deletes its replies after this part of the object is gone.
    for (QNetworkReply *reply : qAsConst(d->activeReplies))
        reply->disconnect(this);
}

QString MNetworkRequestManager::sendRequest(const MNetworkRequest &request)
{
    Q_ASSERT_X(!request.url().isEmpty(), "MNetworkRequestManager::sendRequest",
               "!request.url().isEmpty()");
    QString requestId;
    submitRequest(request, &requestId, true);
    return requestId;
}

bool MNetworkRequestManager::cancelRequest(const QString &requestId)
{
    Q_D(MNetworkRequestManager);
    QNetworkReply *reply = nullptr;
    {
        QMutexLocker locker(&d->mutex);
        reply = d->activeReplies.value(requestId);
    }
    if (!reply) {
        // The reconnection queue belongs to the manager's thread.
        if (QThread::currentThread() != thread())
            return false;
        for (int i = 0; i < d->reconnectionQueue.size(); ++i) {
            if (d->reconnectionQueue.at(i).requestId() == requestId) {
                emit requestCanceled(d->reconnectionQueue.takeAt(i));
                return true;
            }
        }
        return false;
    }
    // Replies belong to the manager's thread; from elsewhere, look the request up again there.
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, requestId] { cancelRequest(requestId); }, Qt::QueuedConnection);
        return true;
    }
    reply->abort();
    return true;
}

void MNetworkRequestManager::adoptSettings(const MNetworkRequestManager *other)
{
    if (!other) {
        TolvoAppImpl *app = TolvoApp::instance();
        other = app ? app->networkRequestManager() : nullptr;
    }
    if (!other || other == this)
        return;
    setSslConfiguration(other->sslConfiguration());
    setIgnoreSslErrors(other->ignoreSslErrors());
    setUserAgent(other->userAgent());
}

MNetworkReply MNetworkRequestManager::sendSynchronousRequest(const MNetworkRequest &request,
                                                             int timeout, bool *timedOut)
{
    auto *manager = new MNetworkRequestManager;
    manager->adoptSettings(this);
    auto *replyManager = new MSynchronousReplyManager(manager, request, timeout);

    QThread thread;
    thread.setObjectName(QStringLiteral("com.kerloapp.network-sync"));
    manager->moveToThread(&thread);
    replyManager->moveToThread(&thread);

    bool expired = false;
    MNetworkReply reply;
    // Read on the worker thread before both objects are deleted there as it ends.
    connect(
        replyManager, &MSynchronousReplyManager::finished, replyManager,
        [&] {
            expired = replyManager->timedOut();
            reply = replyManager->reply();
        },
        Qt::DirectConnection);
    connect(&thread, &QThread::started, replyManager, &MSynchronousReplyManager::run,
            Qt::QueuedConnection);
    connect(replyManager, &MSynchronousReplyManager::finished, &thread, &QThread::quit,
            Qt::DirectConnection);
    connect(&thread, &QThread::finished, replyManager, &QObject::deleteLater);
    connect(&thread, &QThread::finished, manager, &QObject::deleteLater);

    thread.start(QThread::InheritPriority);
    thread.wait();

    if (timedOut)
        *timedOut = expired;
    return reply;
}

QSslConfiguration MNetworkRequestManager::sslConfiguration() const
{
    return d_func()->sslConfiguration;
}

void MNetworkRequestManager::setSslConfiguration(const QSslConfiguration &configuration)
{
    d_func()->sslConfiguration = configuration;
}

bool MNetworkRequestManager::ignoreSslErrors() const
{
    return d_func()->ignoreSslErrors;
}

void MNetworkRequestManager::setIgnoreSslErrors(bool ignore)
{
    d_func()->ignoreSslErrors = ignore;
}

QString MNetworkRequestManager::userAgent() const
{
    return d_func()->userAgent;
}

void MNetworkRequestManager::setUserAgent(const QString &userAgent)
{
    d_func()->userAgent = userAgent;
}

bool MNetworkRequestManager::retriesAuthenticatedRequests() const
{
    return d_func()->retryAuthenticatedRequests;
}

bool MNetworkRequestManager::resendsAfterReconnection() const
{
    return d_func()->resendAfterReconnection;
}

void MNetworkRequestManager::setResendAfterReconnection(bool resend)
{
    Q_D(MNetworkRequestManager);
    d->resendAfterReconnection = resend;
    if (resend)
        return;
    // Nothing was reported for them yet: their listeners hear that they are dropped.
    const QList<MNetworkRequest> waiting = std::exchange(d->reconnectionQueue, {});
    for (const MNetworkRequest &request : waiting)
        emit requestCanceled(request);
}

int MNetworkRequestManager::stallTimeout() const
{
    return d_func()->stallTimeout;
}

void MNetworkRequestManager::setStallTimeout(int milliseconds)
{
    d_func()->stallTimeout = qMax(0, milliseconds);
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

QNetworkReply *MNetworkRequestManager::submitRequest(MNetworkRequest request, QString *requestId,
                                                     bool progress)
{
    Q_D(MNetworkRequestManager);
    QString id;
    {
        QMutexLocker locker(&d->mutex);
        id = d->newRequestId();
    }
    if (!request.hasRawHeader("User-Agent")) {
        TolvoApp *app = TolvoApp::instance();
        if (app && !app->userAgent().isEmpty())
            request.setUserAgent(app->userAgent());
    }
    request.setRequestId(id);
    QNetworkReply *reply = _submitRequest(request, progress);
    d->registerReply(id, reply);
    if (requestId)
        *requestId = id;
    return reply;
}

QNetworkReply *MNetworkRequestManager::_submitRequest(MNetworkRequest request, bool progress)
{
    Q_D(MNetworkRequestManager);
    const QString reqId = request.requestId();
    Q_ASSERT_X(!reqId.isEmpty(), "MNetworkRequestManager::_submitRequest", "!reqId.isEmpty()");
    // An HTTP reply ignores a configuration set on it after creation: it goes on the request.
    if (!d->sslConfiguration.isNull())
        request.setSslConfiguration(d->sslConfiguration);

    QNetworkReply *reply = nullptr;
    MUnrepeatableBody *body = nullptr;
    switch (request.method()) {
    case MNetworkRequest::Get:
        reply = get(request);
        break;
    case MNetworkRequest::Head:
        reply = head(request);
        break;
    case MNetworkRequest::Delete:
        // With a body that Qt cannot rewind, like every request that changes something.
        body = new MUnrepeatableBody(QByteArray(), nullptr);
        request.setHeader(QNetworkRequest::ContentLengthHeader, 0);
        reply = sendCustomRequest(request, "DELETE", body);
        break;
    case MNetworkRequest::Post:
    case MNetworkRequest::Put: {
        const bool isPost = request.method() == MNetworkRequest::Post;
        if (request.hasMultiPart()) {
            reply = isPost ? post(request, request.multiPart()) : put(request, request.multiPart());
        } else if (request.hasUploadDevice() && request.uploadDevice()->isSequential()) {
            // Qt keeps this body and a multipart one in buffers of its own, which it rewinds:
            // nothing that must go out once is sent with them.
            reply = isPost ? post(request, request.uploadDevice())
                           : put(request, request.uploadDevice());
        } else {
            body = request.hasUploadDevice()
                       ? new MUnrepeatableBody(request.uploadDevice(), nullptr)
                       : new MUnrepeatableBody(request.body(), nullptr);
            if (!request.header(QNetworkRequest::ContentLengthHeader).isValid())
                request.setHeader(QNetworkRequest::ContentLengthHeader, body->size());
            reply = isPost ? post(request, body) : put(request, body);
        }
        break;
    }
    default:
        // Fatal in every build: there is no reply to go on with.
        qt_assert_x("MNetworkRequestManager::_submitRequest", "Unsupported request method.",
                    __FILE__, __LINE__);
    }

    if (body)
        body->setParent(reply);
    reply->setObjectName(reqId);
    d->attach(reply, progress);
    return reply;
}

void MNetworkRequestManager::handleSslErrors(const QList<QSslError> &errors)
{
    Q_D(MNetworkRequestManager);
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    if (d->ignoreSslErrors) {
        reply->ignoreSslErrors(errors);
        return;
    }
    // Left in force: the reply fails once listeners have been told why.
    emit sslErrorsForRequest(MNetworkRequest(reply->request()), errors);
}

void MNetworkRequestManager::handleReplyError(QNetworkReply::NetworkError code)
{
    Q_D(MNetworkRequestManager);
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
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

void MNetworkRequestManager::handleDataArrived()
{
    Q_D(MNetworkRequestManager);
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
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
    emit dataArrivedForRequest(request, reply->readAll(), MNetworkReply(reply, true));
}

void MNetworkRequestManager::handleFinished()
{
    Q_D(MNetworkRequestManager);
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    const MNetworkRequest request(reply->request());
    const bool queued = d->queuedReplies.remove(reply);
    const bool held = d->heldReplies.remove(reply);
    if (!queued)
        d->reauthorizedIds.remove(request.requestId());
    if (reply->error() == QNetworkReply::OperationCanceledError && !isStalled(reply)) {
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

void MNetworkRequestManager::handleDownloadProgress(qint64 received, qint64 total)
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply || reply->error() != QNetworkReply::NoError)
        return;
    emit downloadProgress(MNetworkRequest(reply->request()), MNetworkReply(reply, true), received,
                          total);
}

void MNetworkRequestManager::handleUploadProgress(qint64 sent, qint64 total)
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply || total == 0)
        return;
    emit uploadProgress(MNetworkRequest(reply->request()), sent, total);
}

void MNetworkRequestManager::removeReply()
{
    Q_D(MNetworkRequestManager);
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply)
        return;
    reply->deleteLater();
    bool known = false;
    bool reportCancel = false;
    {
        QMutexLocker locker(&d->mutex);
        const auto it = d->activeReplies.find(reply->objectName());
        known = it != d->activeReplies.end();
        if (known && it.value() == reply)
            d->activeReplies.erase(it);
        if (d->activeReplies.isEmpty() &&
            ((reply->error() == QNetworkReply::OperationCanceledError && !isStalled(reply)) ||
             d->cancelingAll)) {
            d->cancelingAll = false;
            reportCancel = true;
        }
    }
    Q_ASSERT_X(known, "MNetworkRequestManager::removeReply",
               "activeReplies.remove(sender->objectName())");
    if (reportCancel)
        emit allRequestsCanceled();
}

void MNetworkRequestManager::ensureRepetitiveServices(TolvoApp::ConnectivityStatus previous,
                                                      TolvoApp::ConnectivityStatus current)
{
    d_func()->ensureRepetitiveServices(previous, current);
}

void MNetworkRequestManager::shutdown()
{
    Q_D(MNetworkRequestManager);
    d->reconnectionQueue.clear();
    {
        QMutexLocker locker(&d->mutex);
        d->authenticationQueue.clear();
    }
    connect(this, &MNetworkRequestManager::allRequestsCanceled, this,
            &MNetworkRequestManager::shutdownCompleted, Qt::UniqueConnection);
    QMetaObject::invokeMethod(this, &MNetworkRequestManager::cancelAllActiveRequests,
                              Qt::QueuedConnection);
}

void MNetworkRequestManager::cancelAllActiveRequests()
{
    Q_D(MNetworkRequestManager);
    QList<QPointer<QNetworkReply>> replies;
    {
        QMutexLocker locker(&d->mutex);
        for (QNetworkReply *reply : qAsConst(d->activeReplies))
            replies.append(reply);
        d->cancelingAll = !replies.isEmpty();
    }
    if (replies.isEmpty()) {
        emit allRequestsCanceled();
        return;
    }
    // No lock here: each abort finishes its reply, which takes the mutex again. A finished
    // reply still listed is being removed by its own finished() handling.
    for (const QPointer<QNetworkReply> &reply : qAsConst(replies)) {
        if (reply && !reply->isFinished())
            reply->abort();
    }
}

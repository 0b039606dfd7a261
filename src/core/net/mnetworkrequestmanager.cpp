#include "mnetworkrequestmanager.h"
#include "mnetworkrequestmanager_p.h"

#include "corelogging.h"
#include "mlowdelaysockets.h"
#include "mnetworkreply_p.h"
#include "mprocessinstance.h"
#include "msynchronousreplymanager.h"
#include "munrepeatablebody.h"
#include "tolvoprocess.h"

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

// Queued signals carry these types; the manager may exist before the application's init().
void registerNetworkMetaTypes()
{
    static const bool registered = [] {
        qRegisterMetaType<MNetworkRequest>("MNetworkRequest");
        qRegisterMetaType<MNetworkRequest::RequestMethod>("MNetworkRequest::RequestMethod");
        qRegisterMetaType<MNetworkReply>("MNetworkReply");
        qRegisterMetaType<QNetworkReply::NetworkError>("QNetworkReply::NetworkError");
        qRegisterMetaType<QList<QSslError>>("QList<QSslError>");
        qRegisterMetaType<TolvoProcess::ConnectivityStatus>("TolvoProcess::ConnectivityStatus");
        if (!mLowDelaySocketsInstalled())
            qCWarning(lcCoreNet) << "MNetworkRequestManager: small requests will wait for delayed"
                                 << "acknowledgements (no TCP_NODELAY hook)";
        return true;
    }();
    Q_UNUSED(registered)
}

} // namespace

MNetworkRequestManagerPrivate::MNetworkRequestManagerPrivate(MNetworkRequestManager *q)
    : q_ptr(q)
    , stallTimeout(MNetworkRequestManager::defaultStallTimeout())
{
    if (TolvoProcess *app = TolvoProcess::instance()) {
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
    // Each handler is told its reply: QObject::sender() walks every connection made to the
    // manager, thousands while a sign-in's requests wait for their turn.
    if (progress) {
        QObject::connect(reply, &QNetworkReply::downloadProgress, q,
                         [q, reply](qint64 received, qint64 total) {
                             q->handleDownloadProgress(reply, received, total);
                         });
        QObject::connect(
            reply, &QNetworkReply::uploadProgress, q,
            [q, reply](qint64 sent, qint64 total) { q->handleUploadProgress(reply, sent, total); });
    }
    QObject::connect(
        reply, &QNetworkReply::sslErrors, q,
        [q, reply](const QList<QSslError> &errors) { q->handleSslErrors(reply, errors); });
    // Listeners hear of an error and of the end after the whole body, as Qt reports them.
    QObject::connect(reply, &QNetworkReply::finished, q, [this, q, reply] {
        afterBody(reply, [q, reply] { q->handleFinished(reply); });
    });
    if (!MNetworkRequest(reply->request()).bodyReadByCaller())
        QObject::connect(reply, &QNetworkReply::readyRead, q,
                         [q, reply] { q->handleDataArrived(reply); });
    QObject::connect(reply, &QNetworkReply::errorOccurred, q,
                     [this, q, reply](QNetworkReply::NetworkError code) {
                         afterBody(reply, [q, reply, code] { q->handleReplyError(reply, code); });
                     });
    watchForStall(reply);
}

void MNetworkRequestManagerPrivate::watchForStall(QNetworkReply *reply)
{
    Q_Q(MNetworkRequestManager);
    const int timeout = stallTimeout;
    const int deadline = MNetworkRequest(reply->request()).answerDeadline();
    if (timeout <= 0 && deadline <= 0)
        return;
    if (!clock.isValid())
        clock.start();
    const qint64 now = clock.elapsed();
    watchedReplies.insert(reply, {reply, timeout, now, deadline, now});
    const auto activity = [this, reply] {
        const auto it = watchedReplies.find(reply);
        if (it != watchedReplies.end())
            it->lastActivity = clock.elapsed();
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, q, activity);
    QObject::connect(reply, &QNetworkReply::readyRead, q, activity);
    QObject::connect(reply, &QNetworkReply::downloadProgress, q, activity);
    QObject::connect(reply, &QNetworkReply::uploadProgress, q, activity);
    QObject::connect(reply, &QNetworkReply::finished, q,
                     [this, reply] { watchedReplies.remove(reply); });
    // A stall is caught within a quarter of the shortest time watched, a second at most.
    const int shortest = timeout <= 0    ? deadline
                         : deadline <= 0 ? timeout
                                         : qMin(timeout, deadline);
    const int interval = qBound(10, shortest / 4, 1000);
    if (!stallSweep) {
        stallSweep = new QTimer(q);
        QObject::connect(stallSweep, &QTimer::timeout, q, [this] { sweepStalledReplies(); });
    }
    if (!stallSweep->isActive() || stallSweep->interval() > interval)
        stallSweep->start(interval);
}

void MNetworkRequestManagerPrivate::sweepStalledReplies()
{
    const qint64 now = clock.elapsed();
    QList<Watched> stalled;
    for (auto it = watchedReplies.begin(); it != watchedReplies.end();) {
        if (!it->reply) {
            it = watchedReplies.erase(it);
            continue;
        }
        // A reply that trickles in never goes silent: its deadline ends it.
        if ((it->timeout > 0 && now - it->lastActivity >= it->timeout) ||
            (it->deadline > 0 && now - it->sent >= it->deadline)) {
            stalled.append(*it);
            it = watchedReplies.erase(it);
            continue;
        }
        ++it;
    }
    if (watchedReplies.isEmpty())
        stallSweep->stop();
    // Aborting finishes the reply at once, which its handlers act on.
    for (const Watched &watched : qAsConst(stalled)) {
        QNetworkReply *reply = watched.reply;
        if (!reply || reply->isFinished())
            continue;
        if (watched.deadline > 0 && now - watched.sent >= watched.deadline)
            qCWarning(lcCoreNet) << "No whole answer within" << watched.deadline << "ms from"
                                 << reply->url() << "; giving up on the request";
        else
            qCWarning(lcCoreNet) << "No answer for" << watched.timeout << "ms from" << reply->url()
                                 << "; giving up on the request";
        // Read by the handlers and by the reply's snapshot: the abort is a timeout.
        reply->setProperty(MStalledReplyProperty, true);
        reply->abort();
    }
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
    QObject::connect(reply, &QNetworkReply::finished, q,
                     [this, q, reply] { afterBody(reply, [q, reply] { q->removeReply(reply); }); });
}

// The status only changes by itself while it is not "online": after a transport failure the
// service may have gone away, so probe again. The probe's report (online included) is what
// sends the reconnection queue again and tells the interface.
void MNetworkRequestManagerPrivate::askForConnectivityCheck()
{
    TolvoProcess *app = TolvoProcess::instance();
    if (!app)
        return;
    QMetaObject::invokeMethod(
        app,
        [app] {
            if (app->connectivityStatus() == TolvoProcess::Online)
                app->scheduleConnectivityCheck();
        },
        Qt::QueuedConnection);
}

void MNetworkRequestManagerPrivate::ensureRepetitiveServices(
    TolvoProcess::ConnectivityStatus, TolvoProcess::ConnectivityStatus current)
{
    Q_Q(MNetworkRequestManager);
    // Bearer management is deprecated in Qt 5.15 but still decides whether requests go out.
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    if (current == TolvoProcess::Offline) {
        q->setNetworkAccessible(QNetworkAccessManager::NotAccessible);
        return;
    }
    TolvoProcess *app = TolvoProcess::instance();
    if (app && app->networkConfigurationManager())
        q->setConfiguration(app->networkConfigurationManager()->defaultConfiguration());
    q->setNetworkAccessible(QNetworkAccessManager::Accessible);
    QT_WARNING_POP

    // Only a reachable service is worth a retry; each queued request is sent once per
    // return to online, and goes back to the queue if it fails again.
    if (current != TolvoProcess::Online)
        return;
    const QList<MNetworkRequest> queue = std::exchange(reconnectionQueue, {});
    for (const MNetworkRequest &request : queue)
        registerReply(request.requestId(), q->_submitRequest(request, true));
}

namespace {
MProcessInstance<MNetworkRequestManager> applicationManagerInstance;
} // namespace

MNetworkRequestManager *MNetworkRequestManager::applicationManager()
{
    return applicationManagerInstance.get();
}

void MNetworkRequestManager::setApplicationManager(MNetworkRequestManager *manager)
{
    applicationManagerInstance.set(manager);
}

MNetworkRequestManager::MNetworkRequestManager(QObject *parent)
    : QNetworkAccessManager(parent)
    , d_ptr(new MNetworkRequestManagerPrivate(this))
{
    registerNetworkMetaTypes();
    if (TolvoProcess *app = TolvoProcess::instance())
        connect(app, &TolvoProcess::connectivityStatusChanged, this,
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
    if (!d->cancelBody(reply))
        reply->abort();
    return true;
}

void MNetworkRequestManager::adoptSettings(const MNetworkRequestManager *other)
{
    if (!other) {
        other = applicationManager();
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

int MNetworkRequestManager::defaultStallTimeout()
{
    static const int timeout = [] {
        bool ok = false;
        const int value = qEnvironmentVariableIntValue("LUMARIN_STALL_TIMEOUT_MS", &ok);
        return ok && value > 0 ? value : DefaultStallTimeout;
    }();
    return timeout;
}

int MNetworkRequestManager::stallTimeout() const
{
    return d_func()->stallTimeout;
}

void MNetworkRequestManager::setStallTimeout(int milliseconds)
{
    d_func()->stallTimeout = qMax(0, milliseconds);
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
        TolvoProcess *app = TolvoProcess::instance();
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
        if (request.hasMultiPart() && !request.hasBody()) {
            // The multipart object writes its own type and boundary; the form type a POST
            // starts with would hide them and leave the parts unreadable.
            request.setHeader(QNetworkRequest::ContentTypeHeader, QVariant());
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

void MNetworkRequestManager::ensureRepetitiveServices(TolvoProcess::ConnectivityStatus previous,
                                                      TolvoProcess::ConnectivityStatus current)
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
        if (reply && !d->cancelBody(reply) && !reply->isFinished())
            reply->abort();
    }
}

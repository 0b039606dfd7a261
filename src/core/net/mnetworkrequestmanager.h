#ifndef MNETWORKREQUESTMANAGER_H
#define MNETWORKREQUESTMANAGER_H

#include "mnetworkreply.h"
#include "mnetworkrequest.h"
#include "mshutdownable.h"
#include "tolvoprocess.h"

#include <QList>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QScopedPointer>
#include <QSslConfiguration>
#include <QSslError>

class MRequestAuthorizer;

class MNetworkRequestManagerPrivate;

// The HTTP client of the core. Every request gets a 32-character identifier; every signal
// carries the request as sent (identifier and user info included) and a reply snapshot.
// A request that fails at the network layer, or goes silent for the stall timeout, is
// reported as failed (status 0) and dropped, unless the manager holds such requests for the
// connection: then nothing is reported until the request, sent again once the service is
// online, is answered. Either way a listener hears of a request's fate once. A request that
// changes something (any method but GET and HEAD) goes out once, never again behind the
// caller's back: the service may have carried it out before its connection closed, so it
// fails as a dropped connection (QNetworkReply::RemoteHostClosedError). With the retry
// flag on, requests refused for authorization wait, silently, for a new token and are sent
// again signed with it. Live on one thread: replies and signals belong to the manager's
// thread.
class MNetworkRequestManager
    : public QNetworkAccessManager
    , public MShutdownable
{
    Q_OBJECT
public:
    // Starts with the application's TLS policy and follows its connectivity status.
    explicit MNetworkRequestManager(QObject *parent = nullptr);
    // A manager without parent that takes over the other's SSL configuration and nothing
    // else; it does not follow the connectivity status.
    MNetworkRequestManager(const MNetworkRequestManager &other);
    ~MNetworkRequestManager() override;

    // Handed over by the application object: its own manager, whose settings adoptSettings()
    // copies by default, and the sign-in every manager of the process waits on for a new
    // token. Null until set and once destroyed.
    static MNetworkRequestManager *applicationManager();
    static void setApplicationManager(MNetworkRequestManager *manager);
    static MRequestAuthorizer *authorizer();
    static void setAuthorizer(MRequestAuthorizer *authorizer);

    // Returns the identifier given to the request.
    QString sendRequest(const MNetworkRequest &request);
    // Aborts the request when it is in flight, or drops it while it waits for the
    // connection (requestCanceled() either way); false for an unknown identifier.
    bool cancelRequest(const QString &requestId);
    // Sends on a private thread and blocks until the reply is complete or timeout seconds
    // have passed (0: no limit).
    MNetworkReply sendSynchronousRequest(const MNetworkRequest &request, int timeout,
                                         bool *timedOut = nullptr);

    QSslConfiguration sslConfiguration() const;
    void setSslConfiguration(const QSslConfiguration &configuration);
    // Ignoring SSL errors is an explicit opt-in for test or private CAs.
    bool ignoreSslErrors() const;
    void setIgnoreSslErrors(bool ignore);
    QString userAgent() const;
    void setUserAgent(const QString &userAgent);
    // Takes the SSL configuration, the SSL-error policy and the user agent of other, or of
    // the application's manager when other is null, so every client of the core looks alike.
    void adoptSettings(const MNetworkRequestManager *other = nullptr);
    bool retriesAuthenticatedRequests() const;
    // Off at first. On, it follows the application's sign-in manager as it is at the call:
    // a refused request waits while a new token is fetched, and fails as it was refused
    // when none comes. Off again, the waiting requests fail at once.
    void setRetryAuthenticatedRequests(bool retry);
    // Off at first: a request that fails at the network layer is reported as failed and
    // never sent again. On, such a request waits for the service to be online again without
    // anything being reported, and is sent again under its identifier, unless the service
    // had begun to answer it or it changes something (any method but GET and HEAD): the
    // service may have acted on it. Turned off, the waiting requests are canceled.
    void setResendAfterReconnection(bool resend);
    // Milliseconds a request in flight may go without a byte either way before it fails
    // as a dropped connection does (QNetworkReply::TimeoutError, status 0); 0: no limit.
    // defaultStallTimeout() at first. Applies to requests sent after the call.
    int stallTimeout() const;
    void setStallTimeout(int milliseconds);
    // 60 s, or the value of the LUMARIN_STALL_TIMEOUT_MS environment variable: the one limit
    // of every request, the transfer engine's included.
    static int defaultStallTimeout();

    // Gives the request an identifier (written to requestId when given), a default
    // User-Agent and sends it.
    virtual QNetworkReply *submitRequest(MNetworkRequest request, QString *requestId,
                                         bool progress);

signals:
    void sslErrorsForRequest(const MNetworkRequest &request, const QList<QSslError> &errors);
    void errorForRequest(const MNetworkRequest &request, QNetworkReply::NetworkError code);
    void errorForRequest(const MNetworkRequest &request, const MNetworkReply &reply);
    void dataArrivedForRequest(const MNetworkRequest &request, const QByteArray &data,
                               const MNetworkReply &reply);
    void replyFinishedForRequest(const MNetworkRequest &request, const MNetworkReply &reply);
    void downloadProgress(const MNetworkRequest &request, const MNetworkReply &reply,
                          qint64 received, qint64 total);
    void uploadProgress(const MNetworkRequest &request, qint64 sent, qint64 total);
    void requestCanceled(const MNetworkRequest &req);
    void allRequestsCanceled();
    void shutdownCompleted();

public slots:
    // Cancels everything in flight and drops the requests waiting for connectivity or for
    // a new token; shutdownCompleted() follows the last canceled reply.
    void shutdown() override;
    void cancelAllActiveRequests();

protected:
    // Sends a request that already has its identifier.
    virtual QNetworkReply *_submitRequest(MNetworkRequest request, bool progress);

protected slots:
    virtual void handleSslErrors(QNetworkReply *reply, const QList<QSslError> &errors);
    virtual void handleReplyError(QNetworkReply *reply, QNetworkReply::NetworkError code);
    virtual void handleDataArrived(QNetworkReply *reply);
    virtual void handleFinished(QNetworkReply *reply);
    // Sends the requests that waited for a new token again, signed with it.
    virtual void retryAuthenticatedRequests();
    virtual void handleDownloadProgress(QNetworkReply *reply, qint64 received, qint64 total);
    virtual void handleUploadProgress(QNetworkReply *reply, qint64 sent, qint64 total);

private slots:
    void removeReply(QNetworkReply *reply);
    void ensureRepetitiveServices(TolvoProcess::ConnectivityStatus previous,
                                  TolvoProcess::ConnectivityStatus current);
    // No token is coming: each waiting request is answered with its refusal.
    void failAuthenticatedRequests();

private:
    Q_DECLARE_PRIVATE(MNetworkRequestManager)
    QScopedPointer<MNetworkRequestManagerPrivate> d_ptr;
};

#endif // MNETWORKREQUESTMANAGER_H

#include "mconnectivitychecker.h"

#include "tolvoappimpl.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <atomic>

namespace {

constexpr int MinimumProbeTimeout = 1000;
constexpr int MaximumProbeTimeout = 10000;
constexpr int ProbeTimeoutStep = 1000;
// How often a waiting probe looks whether the core is shutting down.
constexpr int ShutdownPollInterval = 50;

std::atomic<int> sharedProbeTimeout{MinimumProbeTimeout};

// Slow answers lengthen the wait for the next probe, quick ones shorten it again.
void adaptProbeTimeout(bool timedOut, qint64 elapsed, int timeout)
{
    if (timedOut)
        sharedProbeTimeout = qMin(timeout + ProbeTimeoutStep, MaximumProbeTimeout);
    else if (elapsed < timeout - ProbeTimeoutStep)
        sharedProbeTimeout = qMax(timeout - ProbeTimeoutStep, MinimumProbeTimeout);
}

} // namespace

MConnectivityChecker::MConnectivityChecker(QObject *parent)
    : QObject(parent)
{}

int MConnectivityChecker::portForUrl(const QUrl &url)
{
    if (url.port() > 0)
        return url.port();
    if (url.scheme() == QLatin1String("https"))
        return 443;
    if (url.scheme() == QLatin1String("http"))
        return 80;
    return -1;
}

int MConnectivityChecker::probeTimeout()
{
    return sharedProbeTimeout;
}
void MConnectivityChecker::resetProbeTimeout()
{
    sharedProbeTimeout = MinimumProbeTimeout;
}

void MConnectivityChecker::run()
{
    QThread::currentThread()->setObjectName(QStringLiteral("com.kerloapp.connectivity-checker"));
    TolvoAppImpl *app = TolvoApp::instance();
    if (!app)
        return;
    const QUrl url = app->baseAPIURL();
    const int port = portForUrl(url);
    if (port < 0)
        qFatal("Unsupported port");

    const int timeout = sharedProbeTimeout;
    QElapsedTimer clock;
    clock.start();

    QTcpSocket socket;
    socket.connectToHost(url.host(QUrl::FullyDecoded), static_cast<quint16>(port));
    if (!socket.waitForConnected(timeout)) {
        adaptProbeTimeout(socket.error() == QAbstractSocket::SocketTimeoutError, clock.elapsed(),
                          timeout);
        emit connectivityStatusChanged(TolvoApp::HostUnreachable);
        return;
    }

    // Everything lives on this pool thread and is destroyed here, when the probe returns.
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setSslConfiguration(app->sslConfiguration());
    QNetworkReply *reply = manager.get(request);
    if (app->ignoresSslErrors())
        reply->ignoreSslErrors();

    bool timedOut = false;
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer timeoutTimer;
    timeoutTimer.setSingleShot(true);
    QObject::connect(
        &timeoutTimer, &QTimer::timeout, reply,
        [&] {
            timedOut = true;
            reply->abort();
        },
        Qt::DirectConnection);
    QTimer shutdownPoll;
    QObject::connect(&shutdownPoll, &QTimer::timeout, reply, [&] {
        if (app->isShuttingDown())
            reply->abort();
    });
    clock.restart();
    timeoutTimer.start(timeout);
    shutdownPoll.start(ShutdownPollInterval);
    if (!reply->isFinished())
        loop.exec();

    const int statusCode = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // The host answers, but not with a certificate this system trusts: no maintenance.
    const bool untrusted = reply->error() == QNetworkReply::SslHandshakeFailedError;
    delete reply;

    adaptProbeTimeout(timedOut, clock.elapsed(), timeout);
    const TolvoApp::ConnectivityStatus status = (!timedOut && statusCode == 200) ? TolvoApp::Online
                                                : untrusted ? TolvoApp::UntrustedCertificate
                                                            : TolvoApp::ServiceUnavailable;
    emit connectivityStatusChanged(status);
}

#ifndef MCONNECTIVITYCHECKER_H
#define MCONNECTIVITYCHECKER_H

#include "tolvoapp.h"

#include <QObject>
#include <QRunnable>

// A one-shot probe of the service, run on the global thread pool: a TCP connection to the
// API host, then a GET of the base API URL. Reports one status and is deleted by the pool.
class MConnectivityChecker
    : public QObject
    , public QRunnable
{
    Q_OBJECT
public:
    explicit MConnectivityChecker(QObject *parent = nullptr);

    void run() override;

    // The explicit port of the URL, else 443 for https and 80 for http; -1 otherwise.
    static int portForUrl(const QUrl &url);

    // The timeout shared by every probe of the process, in milliseconds (1000 to 10000).
    static int probeTimeout();
    static void resetProbeTimeout();

signals:
    void connectivityStatusChanged(TolvoApp::ConnectivityStatus status);
};

#endif // MCONNECTIVITYCHECKER_H

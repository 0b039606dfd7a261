#ifndef TOLVOAPP_P_H
#define TOLVOAPP_P_H

#include "tolvoapp.h"

#include <QLockFile>
#include <QSslConfiguration>
#include <QString>
#include <QUrl>

#include <atomic>
#include <memory>

class TolvoAppPrivate
{
    Q_DECLARE_PUBLIC(TolvoApp)
public:
    explicit TolvoAppPrivate(TolvoApp *q);

    void lockSupportFolder();

    TolvoApp *q_ptr;
    QString mainIdentifier;
    QString supportPath;
    QString cachePath;
    QString tempPath;
    QUrl baseAPIURL;
    QUrl authorizationURL;
    QString OAuth2ClientID;
    QString OAuth2ClientSecret;
    QString userAgent;
    QString localHostName;
    bool cacheEnabled = true;
    QString applicationString;
    QSslConfiguration sslConfiguration;
    bool ignoreSslErrors = false;
    // Read by connectivity probes on pool threads.
    std::atomic<int> connectivityStatus{TolvoApp::Offline};
    std::atomic<bool> shuttingDown{false};
    // Held while this process uses the support folder.
    std::unique_ptr<QLockFile> supportLock;
    QString lockedSupportPath;
};

#endif // TOLVOAPP_P_H

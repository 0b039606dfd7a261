#ifndef TOLVOPROCESS_P_H
#define TOLVOPROCESS_P_H

#include "tolvoprocess.h"

#include <QLockFile>
#include <QSqlError>
#include <QSslConfiguration>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <atomic>
#include <memory>

class TolvoProcessPrivate
{
    Q_DECLARE_PUBLIC(TolvoProcess)
public:
    explicit TolvoProcessPrivate(TolvoProcess *q);

    void lockSupportFolder();
    enum class ConfigState { Ready, Damaged, Failed };
    // Opens config.db at filePath, making it when missing, or a new one in memory when
    // filePath is empty; error says why it is not ready.
    ConfigState openConfig(const QString &filePath, QSqlError *error);

    TolvoProcess *q_ptr;
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
    std::atomic<int> connectivityStatus{TolvoProcess::Offline};
    std::atomic<bool> shuttingDown{false};
    // Held while this process uses the support folder.
    std::unique_ptr<QLockFile> supportLock;
    QString lockedSupportPath;
    QStringList lostAtStart;
};

#endif // TOLVOPROCESS_P_H

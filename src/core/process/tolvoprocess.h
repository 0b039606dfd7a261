#ifndef TOLVOPROCESS_H
#define TOLVOPROCESS_H

#include <QObject>
#include <QSslConfiguration>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>

class QNetworkConfigurationManager;
class TolvoProcessPrivate;

// What every floor of the core reads of the process: the configuration the host hands
// over, the paths, the connectivity status and whether the core is shutting down. The
// application object, which owns the managers, derives from it.
class TolvoProcess : public QObject
{
    Q_OBJECT
public:
    enum ConnectivityStatus {
        Offline = 0,             // the platform reports the machine offline
        HostUnreachable = 1,     // the API host did not accept a TCP connection in time
        ServiceUnavailable = 2,  // connected, but the base URL did not answer 200 in time
        Online = 3,              // the base URL answered 200
        UntrustedCertificate = 4 // connected, but the service's certificate is not trusted
    };
    Q_ENUM(ConnectivityStatus)

    // The live application object; null before it is created and once it has been destroyed.
    static TolvoProcess *instance();

    ~TolvoProcess() override;

    QString mainIdentifier() const;
    void setMainIdentifier(const QString &identifier);

    QString supportPath() const;
    // Cleans and stores the path, derives "cache" and "temp" under it when they are not
    // set, takes the single-instance lock of the folder and opens its config.db.
    void setSupportPath(const QString &path);

    QString cachePath() const;
    void setCachePath(const QString &path);
    // Creates the folder when missing (its parent must exist).
    QString tempPath() const;
    void setTempPath(const QString &path);
    // Empty without a support path; otherwise created with its parents when missing.
    QString thumbnailsPath() const;
    QString avatarsPath() const;

    QUrl baseAPIURL() const;
    void setBaseAPIURL(const QUrl &url);
    QUrl authorizationURL() const;
    void setAuthorizationURL(const QUrl &url);
    QString OAuth2ClientID() const;
    void setOAuth2ClientID(const QString &clientId);
    QString OAuth2ClientSecret() const;
    void setOAuth2ClientSecret(const QString &clientSecret);

    QString userAgent() const;
    void setUserAgent(const QString &userAgent);
    QString localHostName() const;
    void setLocalHostName(const QString &name);
    bool isCacheEnabled() const;
    void setCacheEnabled(bool enabled);
    QString applicationString() const;
    // Stores the string and rebuilds the user agent with it.
    void setApplicationString(const QString &applicationString);

    // The TLS policy of every connection to the service: certificates are verified
    // against this configuration's CA list; errors are ignored only when explicitly
    // asked for.
    QSslConfiguration sslConfiguration() const;
    void setSslConfiguration(const QSslConfiguration &configuration);
    bool ignoresSslErrors() const;
    void setIgnoreSslErrors(bool ignore);

    ConnectivityStatus connectivityStatus() const;
    virtual void setConnectivityStatus(TolvoProcess::ConnectivityStatus status);

    // True once shutdown() was called; long-running work checks it to finish early.
    bool isShuttingDown() const;
    // Gives the support folder's lock up once the shut-down is over, before the process ends:
    // a process relaunched meanwhile (Sign Out) takes the folder as soon as it may.
    void releaseSupportFolder();

    // What this start could not keep of the last run because a store was damaged (it was set
    // aside), a sentence for the user each; empty when nothing was lost. Main thread.
    QStringList lostAtStart() const;
    void reportLostAtStart(const QString &sentence);

    virtual QNetworkConfigurationManager *networkConfigurationManager() const = 0;

    // A hashed machine identifier: 32 lowercase hexadecimal digits, stable per machine.
    static QString stringWithMachineUUID();

public slots:
    // Probes the service soon, when no probe is scheduled yet.
    virtual void scheduleConnectivityCheck() = 0;

signals:
    void connectivityStatusChanged(TolvoProcess::ConnectivityStatus previous,
                                   TolvoProcess::ConnectivityStatus current);

protected:
    explicit TolvoProcess(QObject *parent = nullptr);
    void initConfig();
    void setShuttingDown();

private:
    Q_DECLARE_PRIVATE(TolvoProcess)
    QScopedPointer<TolvoProcessPrivate> d_ptr;
};

Q_DECLARE_METATYPE(TolvoProcess::ConnectivityStatus)

// The user agent of every request: host name, machine identifier and, when given, the
// application identifier.
QString deviceDescriptionString(const QString &uuid, const QString &applicationIdentifier);

#endif // TOLVOPROCESS_H

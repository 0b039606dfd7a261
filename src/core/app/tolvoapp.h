#ifndef TOLVOAPP_H
#define TOLVOAPP_H

#include <QObject>
#include <QSslConfiguration>
#include <QString>
#include <QUrl>
#include <QVariant>

#include "mnetworkrequest.h"
#include "tolvo.h"

class QNetworkConfigurationManager;
class MNetworkRequestManager;
class MUserAuthManager;
class MObjectsManager;
class MObjectStatesQueue;
class TolvoAppImpl;
class TolvoAppPrivate;

// The one process-wide object of the core: the configuration the host hands over,
// the core managers, the connectivity status and the orderly shut-down.
class TolvoApp : public QObject
{
    Q_OBJECT
public:
    enum ConnectivityStatus {
        Offline = 0,            // the platform reports the machine offline
        HostUnreachable = 1,    // the API host did not accept a TCP connection in time
        ServiceUnavailable = 2, // connected, but the base URL did not answer 200 in time
        Online = 3              // the base URL answered 200
    };
    Q_ENUM(ConnectivityStatus)

    // The live instance, created on first call; null once it has been destroyed.
    static TolvoAppImpl *instance();

    ~TolvoApp() override;

    QString mainIdentifier() const;
    void setMainIdentifier(const QString &identifier);

    QString supportPath() const;
    // Cleans and stores the path, derives "cache" and "temp" under it when they are not
    // set, takes the single-instance lock of the folder and opens its config.db.
    void setSupportPath(const QString &path);

    QString cachePath() const;
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
    virtual void setConnectivityStatus(TolvoApp::ConnectivityStatus status);

    // True once shutdown() was called; long-running work checks it to finish early.
    bool isShuttingDown() const;

    virtual MNetworkRequestManager *networkRequestManager() const = 0;
    virtual MUserAuthManager *authManager() const = 0;
    virtual MObjectsManager *objectsManager() const = 0;
    virtual QNetworkConfigurationManager *networkConfigurationManager() const = 0;
    virtual MObjectStatesQueue *statesQueue() const = 0;
    virtual bool isInitialized() const = 0;

    // Turns a numbered action and its parameter (a map, a path or a list of paths) into a
    // signed request with its request-info map. ok is false when nobody is signed in; the
    // request must then not be sent.
    MNetworkRequest createActionRequest(const QVariant &params, int action,
                                        const QVariant &userData, bool *ok, bool internal = false);

    // A hashed machine identifier: 32 lowercase hexadecimal digits, stable per machine.
    static QString stringWithMachineUUID();

public slots:
    virtual void init() = 0;
    virtual void shutdown() = 0;
    virtual void setupNetwork() = 0;

signals:
    void ready();
    void readyToQuit();
    void connectivityStatusChanged(TolvoApp::ConnectivityStatus previous,
                                   TolvoApp::ConnectivityStatus current);

protected:
    explicit TolvoApp(QObject *parent = nullptr);
    void initConfig();
    void setShuttingDown();

private:
    Q_DECLARE_PRIVATE(TolvoApp)
    QScopedPointer<TolvoAppPrivate> d_ptr;
};

Q_DECLARE_METATYPE(TolvoApp::ConnectivityStatus)

// The path component of the object actions 1 to 6 ("list" ... "copy"); empty otherwise.
QString mObjectAction(Tolvo::ObjectAction action);

// Keys of the request-info map that travels with every action request.
extern const QString ReqActionKey; // "ReqAction"
extern const QString ReqPathKey;   // "ReqPath"
extern const QString ReqPathsKey;  // "ReqPaths"
extern const QString ReqMapKey;    // "ReqMap"
extern const QString ReqArgKey;    // "ReqArg"
extern const QString MObjectRequestUserDataKey;
extern const QString MObjectRequestIsInternalKey;

// The user agent of every request: host name, machine identifier and, when given, the
// application identifier.
QString deviceDescriptionString(const QString &uuid, const QString &applicationIdentifier);

#endif // TOLVOAPP_H

#ifndef MOAPPLICATION_H
#define MOAPPLICATION_H

#include <QObject>
#include <QScopedPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

class MOApplicationDelegate;
class MOApplicationPrivate;

// The interface's handle on the core application: it hands over the configuration, sets up
// the support folder and the core, starts networking and asks for the shut-down. The delegate
// hears when the core is ready and when it has shut down. Main thread only.
class MOApplication : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool initialized READ isInitialized)
public:
    ~MOApplication() override;

    static MOApplication *sharedInstance();

    // Whether the core has been initialised by setup().
    bool isInitialized() const;

    // Once per process: creates the support folder (with its parents, mode 0700), hands it to
    // the core, installs the platform's credential store and file opener unless others are
    // installed, then initialises the core. Every configuration value must be set before.
    // A support folder that cannot be made is reported (a critical log line naming it and
    // the reason) and the core runs without one. Later calls do nothing.
    void setup();
    // Starts the connectivity checks; the delegate's applicationDidFinishSetup follows once
    // the service has been reached.
    void setupNetwork();
    // Stops every core manager; the delegate's applicationDidFinishShutdown follows.
    void shutdown();
    // For an end with no event loop left to run (the display went): the transfers in flight
    // are saved as for a restart before this returns; nothing else is stopped, and the
    // process must end right after.
    void shutdownNow();

    // The support folder: the user's data location (XDG_DATA_HOME) plus the application
    // name; empty before setup() and when it could not be made.
    QString supportPath() const;
    // What setup() could not keep of the last run because a store in the support folder was
    // damaged (it was set aside), a sentence for the user each; empty when nothing was lost.
    QStringList lostAtStart() const;

    // 32 lower-case hexadecimal digits that identify this machine for this application.
    QString stringWithMachineUUID() const;

    MOApplicationDelegate *delegate() const;
    // Not owned; a delegate that is a QObject is forgotten when it is destroyed.
    void setDelegate(MOApplicationDelegate *delegate);

    QString mainIdentifier() const;
    void setMainIdentifier(const QString &identifier);
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
    QString applicationString() const;
    // Also makes the core rebuild the user agent from it.
    void setApplicationString(const QString &applicationString);

private:
    MOApplication();
    template<class T> friend class MOSingleton;

    Q_DECLARE_PRIVATE(MOApplication)
    QScopedPointer<MOApplicationPrivate> d_ptr;
};

#endif // MOAPPLICATION_H

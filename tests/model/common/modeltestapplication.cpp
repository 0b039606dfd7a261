#include "modeltestapplication.h"

#include "mouserauthenticationmanager.h"
#include "mouserauthenticationmanagerdelegate.h"

#include <QCoreApplication>
#include <QTest>

namespace {

// Stands in for the facade's delegate while a helper waits for an outcome.
class AuthOutcome : public MOUserAuthenticationManagerDelegate
{
public:
    explicit AuthOutcome(MOUserAuthenticationManager *manager)
        : m_manager(manager)
        , m_previous(manager->delegate())
    {
        manager->setDelegate(this);
    }
    ~AuthOutcome() override { m_manager->setDelegate(m_previous); }

    void authManagerDidAuthenticateSuccessfully(MOUserAuthenticationManager *,
                                                const QString &) override
    {}
    void authManagerDidAuthorizeClientSuccessfully(MOUserAuthenticationManager *,
                                                   const QString &) override
    {
        authorized = true;
    }
    void authManagerDidFailAuthenticatingUserWithError(MOUserAuthenticationManager *,
                                                       const QString &, const MOError &) override
    {
        failed = true;
    }
    void authManagerDidFailAuthorizingClientWithError(MOUserAuthenticationManager *,
                                                      const QString &, const MOError &) override
    {
        failed = true;
    }
    void authManagerRequiresAuthentication(MOUserAuthenticationManager *) override
    {
        failed = true;
    }
    void authManagerLogoutPerformed(MOUserAuthenticationManager *) override { loggedOut = true; }

    bool authorized = false;
    bool failed = false;
    bool loggedOut = false;

private:
    MOUserAuthenticationManager *m_manager;
    MOUserAuthenticationManagerDelegate *m_previous;
};

} // namespace

namespace ModelTest {

QString signIn(const QString &email, const QString &password, int timeout)
{
    MOUserAuthenticationManager *auth = MOUserAuthenticationManager::sharedInstance();
    if (auth->isAuthenticated()) {
        AuthOutcome signOut(auth);
        auth->reset();
        if (!QTest::qWaitFor([&] { return signOut.loggedOut; }, timeout))
            return QStringLiteral("sign-out failed");
    }
    AuthOutcome outcome(auth);
    auth->authenticateUser(email, password);
    if (!QTest::qWaitFor([&] { return outcome.authorized || outcome.failed; }, timeout) ||
        !outcome.authorized)
        return QStringLiteral("sign-in as %1 failed").arg(email);
    return QString();
}

bool reload(int timeout)
{
    MOUserAuthenticationManager *auth = MOUserAuthenticationManager::sharedInstance();
    AuthOutcome outcome(auth);
    auth->reload();
    return QTest::qWaitFor([&] { return outcome.authorized || outcome.failed; }, timeout) &&
           outcome.authorized;
}

QString useTemporaryDataLocation()
{
    static QTemporaryDir root;
    const QString location = root.path() + QStringLiteral("/missing/share");
    qputenv("XDG_DATA_HOME", QFile::encodeName(location));
    return location;
}

QString mainIdentifier()
{
    // The keyring item is named by it, and the suites of one run share a keyring.
    return QStringLiteral("com.kerloapp.lumarin.tests.%1").arg(QCoreApplication::applicationPid());
}

void configureApplication(const KerloLocal &server)
{
    QCoreApplication::setApplicationName(QStringLiteral("LumarinTests"));
    MOApplication *application = MOApplication::sharedInstance();
    application->setMainIdentifier(mainIdentifier());
    application->setApplicationString(QStringLiteral("com.kerloapp.lumarin.tests - 0.1 (1)"));
    application->setBaseAPIURL(server.apiUrl());
    application->setAuthorizationURL(server.oauthUrl());
    application->setOAuth2ClientID(QString(64, QLatin1Char('a')));
    application->setOAuth2ClientSecret(QString(64, QLatin1Char('b')));
}

bool startApplication(const KerloLocal &server, MOApplicationDelegate *delegate, int timeout)
{
    configureApplication(server);
    MOApplication *application = MOApplication::sharedInstance();
    struct Waiter : MOApplicationDelegate
    {
        MOApplicationDelegate *inner = nullptr;
        bool ready = false;
        void applicationDidFinishSetup(MOApplication *app) override
        {
            ready = true;
            if (inner)
                inner->applicationDidFinishSetup(app);
        }
    };
    static Waiter waiter;
    waiter.inner = delegate;
    application->setDelegate(&waiter);
    application->setup();
    application->setupNetwork();
    const bool ready = QTest::qWaitFor([] { return waiter.ready; }, timeout);
    application->setDelegate(delegate);
    return ready;
}

} // namespace ModelTest

void RecordingApplicationDelegate::applicationDidFinishSetup(MOApplication *application)
{
    ++setupCount;
    lastApplication = application;
    offMainThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
}

void RecordingApplicationDelegate::applicationDidFinishShutdown(MOApplication *application)
{
    ++shutdownCount;
    lastApplication = application;
    offMainThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
}

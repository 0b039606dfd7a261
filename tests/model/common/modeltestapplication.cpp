#include "modeltestapplication.h"

#include "memoryauthstore.h"

#include <QCoreApplication>
#include <QTest>

namespace ModelTest {

QString useTemporaryDataLocation()
{
    static QTemporaryDir root;
    const QString location = root.path() + QStringLiteral("/missing/share");
    qputenv("XDG_DATA_HOME", QFile::encodeName(location));
    return location;
}

void configureApplication(const KerloLocal &server)
{
    QCoreApplication::setApplicationName(QStringLiteral("LumarinTests"));
    MOApplication *application = MOApplication::sharedInstance();
    application->setMainIdentifier(QStringLiteral("com.kerloapp.lumarin.tests"));
    application->setApplicationString(QStringLiteral("com.kerloapp.lumarin.tests - 0.1 (1)"));
    application->setBaseAPIURL(server.apiUrl());
    application->setAuthorizationURL(server.oauthUrl());
    application->setOAuth2ClientID(QString(64, QLatin1Char('a')));
    application->setOAuth2ClientSecret(QString(64, QLatin1Char('b')));
}

bool startApplication(const KerloLocal &server, MOApplicationDelegate *delegate, int timeout)
{
    // Installed before setup(), which then leaves the keyring store out.
    static MemoryAuthStore store;
    MAuthStore::setInstance(&store);
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

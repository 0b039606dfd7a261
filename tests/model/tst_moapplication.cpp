#include "kerlolocal.h"
#include "moapplication.h"
#include "modeltestapplication.h"
#include "subprocess.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QtTest>

namespace {

constexpr QFile::Permissions OwnerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                         QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;

// A set-up whose support folder cannot be made: XDG_DATA_HOME lies below a regular file.
int runCase(const QString &name, const QStringList &arguments)
{
    if (name != QLatin1String("unmakeable"))
        return 2;
    qputenv("XDG_DATA_HOME", QFile::encodeName(arguments.value(0) + "/share"));
    MOApplication *application = MOApplication::sharedInstance();
    application->setMainIdentifier(QStringLiteral("com.kerloapp.lumarin.tests"));
    application->setBaseAPIURL(QUrl("http://127.0.0.1:9/api/v1"));
    application->setAuthorizationURL(QUrl("http://127.0.0.1:9/oauth"));
    application->setOAuth2ClientID(QString(64, QLatin1Char('a')));
    application->setOAuth2ClientSecret(QString(64, QLatin1Char('b')));
    application->setup();
    printf("initialized=%d support=[%s]\n", application->isInitialized(),
           qPrintable(application->supportPath()));
    return 0;
}

} // namespace

// MOApplication as the shell drives it: its configuration, the one set-up with its private
// support folder, a support folder that cannot be made, and the shutdown. How the core follows
// the set-up is checked in wiring/tst_applicationwiring.
class TestMOApplication : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(server.start());
        dataLocation = ModelTest::useTemporaryDataLocation();
    }

    void configurationCrossesAsGiven()
    {
        MOApplication *application = MOApplication::sharedInstance();
        QVERIFY(!application->isInitialized());
        application->setMainIdentifier(QString());
        QVERIFY(application->mainIdentifier().isNull());
        application->setBaseAPIURL(QUrl());
        QVERIFY(application->baseAPIURL().isEmpty());
        application->setAuthorizationURL(QUrl("http://[broken"));
        QVERIFY(application->authorizationURL().isEmpty());

        // The application string rebuilds the user agent; one set afterwards stays.
        application->setUserAgent(QStringLiteral("custom"));
        application->setApplicationString(QStringLiteral("com.example - 1.0 (2)"));
        QVERIFY(application->userAgent().contains(QStringLiteral("com.example - 1.0 (2)")));
        application->setUserAgent(QStringLiteral("custom"));
        QCOMPARE(application->userAgent(), QStringLiteral("custom"));

        QVERIFY(QRegularExpression("^[0-9a-f]{32}$")
                    .match(application->stringWithMachineUUID())
                    .hasMatch());
    }

    void setupMakesAPrivateSupportFolderOnce()
    {
        QVERIFY(!QFileInfo::exists(dataLocation));
        QVERIFY(ModelTest::startApplication(server, &delegate));
        MOApplication *application = MOApplication::sharedInstance();
        QVERIFY(application->isInitialized());
        QCOMPARE(application->mainIdentifier(), ModelTest::mainIdentifier());
        QCOMPARE(application->baseAPIURL(), server.apiUrl());

        const QString support = dataLocation + QStringLiteral("/LumarinTests");
        QCOMPARE(application->supportPath(), support);
        for (const QString &folder : {support, dataLocation, QFileInfo(dataLocation).path()}) {
            QVERIFY2(QFileInfo(folder).isDir(), qPrintable(folder));
            QCOMPARE(QFileInfo(folder).permissions() & ~QFile::Permissions(OwnerOnly),
                     QFile::Permissions());
        }
        QVERIFY(QFileInfo::exists(support + QStringLiteral("/config.db")));

        // A second setup neither moves the folder nor initialises again.
        application->setup();
        QCOMPARE(application->supportPath(), support);

        QCOMPARE(delegate.setupCount, 1);
        QCOMPARE(delegate.lastApplication, application);
        QVERIFY(!delegate.offMainThread);
    }

    void unmakeableSupportFolderIsReported()
    {
        QTemporaryDir scratch;
        QFile blocker(scratch.filePath("file"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const auto result = Subprocess::run("unmakeable", {blocker.fileName()});
        QVERIFY2(!result.crashed && result.exitCode == 0, result.standardError);
        QVERIFY2(result.standardError.contains(
                     "Cannot make support directory. Your application is likely to crash without "
                     "such directory. Please check your configuration."),
                 result.standardError);
        QVERIFY2(result.standardError.contains("is not a folder"), result.standardError);
        QVERIFY2(result.standardOutput.contains("initialized=1 support=[]"), result.standardOutput);
    }

    void shutdownReachesTheDelegate()
    {
        MOApplication::sharedInstance()->shutdown();
        QTRY_COMPARE_WITH_TIMEOUT(delegate.shutdownCount, 1, 10000);
        QVERIFY(!delegate.offMainThread);
        QCOMPARE(delegate.setupCount, 1);
    }

private:
    KerloLocal server;
    QString dataLocation;
    RecordingApplicationDelegate delegate;
};

TEST_MAIN_WITH_SUBPROCESS(TestMOApplication, runCase)

#include "tst_moapplication.moc"

#include "kerlolocal.h"
#include "mavatarmanager.h"
#include "mcollaborationmanager.h"
#include "mcontactsmanager.h"
#include "mconversationsmanager.h"
#include "mnetworkrequestmanager.h"
#include "mnotificationmanager.h"
#include "moapiavailabilitymanager.h"
#include "moapplication.h"
#include "moavailabilitynotification.h"
#include "mobjectsmanager.h"
#include "mobjectstatesqueue.h"
#include "moconstants.h"
#include "modeltestapplication.h"
#include "monotificationspy.h"
#include "mostrongnsobjectcontainer.h"
#include "mpreviewmanager.h"
#include "muserauthmanager.h"
#include "testcore.h"
#include "testdata.h"
#include "tolvoapp.h"
#include "tolvoappimpl.h"

#include <QFileInfo>
#include <QMetaMethod>
#include <QtTest>

namespace {

constexpr QFile::Permissions OwnerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                         QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;

// QObject::isSignalConnected is protected; its member pointer, named through a subclass, is not.
struct SignalPeek : QObject
{
    static constexpr auto isConnected = &SignalPeek::isSignalConnected;
};

// The signals of meta whose parameter types Qt could not queue; given an object, only
// those it has receivers for.
QStringList unqueueableSignals(const QMetaObject *meta, const QObject *object = nullptr)
{
    QStringList missing;
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.methodType() != QMetaMethod::Signal)
            continue;
        if (object && !(object->*SignalPeek::isConnected)(method))
            continue;
        for (const QByteArray &type : method.parameterTypes()) {
            if (QMetaType::type(type.constData()) == QMetaType::UnknownType)
                missing.append(QString::fromLatin1(meta->className()) +
                               "::" + method.methodSignature() + " " + type);
        }
    }
    // Qt's own classes are Qt's business.
    const QMetaObject *super = meta->superClass();
    if (super && !QByteArray(super->className()).startsWith('Q'))
        missing += unqueueableSignals(super, object);
    return missing;
}

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
        // Made before the core starts, so it hears the first status.
        availability = std::make_unique<MONotificationSpy>(
            MOAPIAvailabilityManager::sharedInstance()->notificationCenter(),
            MOAPIAvailabilityChangedNotification);
        defaultCentre = std::make_unique<MONotificationSpy>(MONotificationCenter::defaultCenter(),
                                                            MOAPIAvailabilityChangedNotification);

        QVERIFY(!QFileInfo::exists(dataLocation));
        QVERIFY(ModelTest::startApplication(server, &delegate));
        MOApplication *application = MOApplication::sharedInstance();
        QVERIFY(application->isInitialized());
        QCOMPARE(application->mainIdentifier(), ModelTest::mainIdentifier());
        QCOMPARE(application->baseAPIURL(), server.apiUrl());

        const QString support = dataLocation + QStringLiteral("/LumarinTests");
        QCOMPARE(application->supportPath(), support);
        QCOMPARE(TolvoApp::instance()->supportPath(), support);
        for (const QString &folder : {support, dataLocation, QFileInfo(dataLocation).path()}) {
            QVERIFY2(QFileInfo(folder).isDir(), qPrintable(folder));
            QCOMPARE(QFileInfo(folder).permissions() & ~QFile::Permissions(OwnerOnly),
                     QFile::Permissions());
        }
        QVERIFY(QFileInfo::exists(support + QStringLiteral("/config.db")));

        // A second setup neither moves the folder nor initialises again.
        MOStatesQueueProbe queue{TolvoApp::instance()->statesQueue()};
        application->setup();
        QCOMPARE(application->supportPath(), support);
        QCOMPARE(TolvoApp::instance()->statesQueue(), queue.queue);

        QCOMPARE(delegate.setupCount, 1);
        QCOMPARE(delegate.lastApplication, application);
        QVERIFY(!delegate.offMainThread);
    }

    void setupIsReportedOnce()
    {
        // The service is reached again and again; the core is ready only once.
        TolvoApp::instance()->setConnectivityStatus(TolvoApp::Online);
        TolvoApp::instance()->setConnectivityStatus(TolvoApp::Online);
        QCoreApplication::processEvents();
        QCOMPARE(delegate.setupCount, 1);
        // They were still changes of status, each one posted.
        QVERIFY(availability->waitForCount(3));
        availability->notifications.erase(availability->notifications.begin() + 1,
                                          availability->notifications.end());
        availability->threads.erase(availability->threads.begin() + 1, availability->threads.end());
    }

    void unmakeableSupportFolderIsReported()
    {
        QTemporaryDir scratch;
        QFile blocker(scratch.filePath("file"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const auto result = TestCore::runSubprocess("unmakeable", {blocker.fileName()});
        QVERIFY2(!result.crashed && result.exitCode == 0, result.standardError);
        QVERIFY2(result.standardError.contains(
                     "Cannot make support directory. Your application is likely to crash without "
                     "such directory. Please check your configuration."),
                 result.standardError);
        QVERIFY2(result.standardError.contains("is not a folder"), result.standardError);
        QVERIFY2(result.standardOutput.contains("initialized=1 support=[]"), result.standardOutput);
    }

    void queuedSignalTypesAreRegistered()
    {
        // Every signal the layer is connected to now.
        TolvoAppImpl *app = TolvoApp::instance();
        const QList<const QObject *> live{app,
                                          app->authManager(),
                                          app->objectsManager(),
                                          app->networkRequestManager(),
                                          app->statesQueue(),
                                          MNotificationManager::instance()};
        QStringList missing;
        for (const QObject *object : live) {
            QVERIFY(object);
            missing += unqueueableSignals(object->metaObject(), object);
        }
        // And every signal of the managers the facades wrap, connected or not yet.
        for (const QMetaObject *meta :
             {&TolvoApp::staticMetaObject, &MUserAuthManager::staticMetaObject,
              &MObjectsManager::staticMetaObject, &MPreviewManager::staticMetaObject,
              &MNotificationManager::staticMetaObject, &MCollaborationManager::staticMetaObject,
              &MContactsManager::staticMetaObject, &MConversationsManager::staticMetaObject,
              &MAvatarManager::staticMetaObject, &MNetworkRequestManager::staticMetaObject})
            missing += unqueueableSignals(meta);
        missing.removeDuplicates();
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join('\n')));
    }

    void availabilityFollowsTheService()
    {
        MOAPIAvailabilityManager *manager = MOAPIAvailabilityManager::sharedInstance();
        QCOMPARE(manager->connectivityStatus(), uint(MOAPIAvailabilityManager::Online));
        QCOMPARE(availability->count(), 1);

        server.stop();
        // Once online the core probes again only when asked, as it is after a failed request.
        TolvoApp::instance()->scheduleConnectivityCheck();
        QVERIFY(availability->waitForCount(2, 30000));
        QVERIFY(server.restart());
        QVERIFY(QTest::qWaitFor(
            [&] {
                return MOAvailabilityNotification(availability->last()).status() ==
                       MOAPIAvailabilityManager::Online;
            },
            30000));

        const QVariantList statuses = availability->values(MOAvailabilityStatusFlagsKey);
        QCOMPARE(statuses.first(), QVariant(3u));
        QCOMPARE(statuses.last(), QVariant(3u));
        // Between them only failures, as often as the core probed.
        for (int i = 1; i < statuses.size() - 1; ++i)
            QVERIFY2(statuses.at(i) == QVariant(1u) || statuses.at(i) == QVariant(2u),
                     qPrintable(statuses.at(i).toString()));
        QVERIFY(statuses.size() >= 3);
        QVERIFY(availability->allOnMainThread());
        for (const MOPostedNotification &notification : qAsConst(availability->notifications)) {
            QCOMPARE(MOAvailabilityNotification(notification).manager(), manager);
            QCOMPARE(notification.userInfo.size(), 1);
        }
        QCOMPARE(MOAvailabilityNotification(availability->at(1)).status(),
                 MOAPIAvailabilityManager::Status(statuses.at(1).toUInt()));
        QCOMPARE(manager->connectivityStatus(), uint(MOAPIAvailabilityManager::Online));
        QCOMPARE(defaultCentre->count(), 0);
        QCOMPARE(delegate.setupCount, 1);
    }

    void userDataSurvivesACoreRequest()
    {
        MUserAuthManager *auth = TolvoApp::instance()->authManager();
        QSignalSpy signedIn(auth, &MUserAuthManager::authorizationSuccess);
        auth->authenticateUser(TestData::demoEmail, TestData::demoPassword);
        QVERIFY(signedIn.wait(20000));

        QObject node;
        QSharedPointer<QObject> shared(new QObject);
        const QVariantMap map{{"MCRequestedActionTypeKey", 1}, {"nested", QVariantMap{{"a", "b"}}}};
        const QList<QVariant> payloads{QVariant(), QVariant(map), QVariant::fromValue(&node),
                                       QVariant::fromValue(shared), QVariant(7)};
        MObjectsManager *objects = TolvoApp::instance()->objectsManager();
        QSignalSpy ready(objects, &MObjectsManager::objectsReady);
        // One at a time: the core merges listings of one folder that are pending together.
        for (const QVariant &payload : payloads) {
            ready.clear();
            objects->listObjects(QStringLiteral("/"), true,
                                 MOStrongNSObjectContainer::wrap(payload));
            QVERIFY(ready.wait(20000));
            const QVariant back = MOStrongNSObjectContainer::unwrap(ready.first().at(2));
            QCOMPARE(back, payload);
            QCOMPARE(back.userType(), payload.userType());
        }
        QCOMPARE(MOStrongNSObjectContainer::unwrap(ready.first().at(2)).toInt(), 7);
    }

    void shutdownReachesTheDelegate()
    {
        MOApplication::sharedInstance()->shutdown();
        QTRY_COMPARE_WITH_TIMEOUT(delegate.shutdownCount, 1, 10000);
        QVERIFY(!delegate.offMainThread);
        QCOMPARE(delegate.setupCount, 1);
    }

private:
    struct MOStatesQueueProbe
    {
        MObjectStatesQueue *queue;
    };

    KerloLocal server;
    QString dataLocation;
    RecordingApplicationDelegate delegate;
    std::unique_ptr<MONotificationSpy> availability;
    std::unique_ptr<MONotificationSpy> defaultCentre;
};

TESTCORE_MAIN_WITH_SUBPROCESS(TestMOApplication, runCase)

#include "tst_moapplication.moc"

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
#include "monotificationcenter.h"
#include "monotificationspy.h"
#include "mostrongnsobjectcontainer.h"
#include "mpreviewmanager.h"
#include "muserauthmanager.h"
#include "testdata.h"
#include "tolvoapp.h"
#include "tolvoappimpl.h"

#include <QFileInfo>
#include <QMetaMethod>
#include <QtTest>

namespace {

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

} // namespace

// How the core follows MOApplication's set-up: one core, ready once, its queued signal types
// registered, its connectivity probes posted as availability, the caller's data carried through
// a core request. These reach into the core on purpose, so they live apart from the facades'
// suites; the facade's own behaviour is checked in tst_moapplication.
class TestApplicationWiring : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(server.start());
        ModelTest::useTemporaryDataLocation();
    }

    void coreFollowsTheSetup()
    {
        // Made before the core starts, so it hears the first status.
        availability = std::make_unique<MONotificationSpy>(
            MOAPIAvailabilityManager::sharedInstance()->notificationCenter(),
            MOAPIAvailabilityChangedNotification);
        defaultCentre = std::make_unique<MONotificationSpy>(MONotificationCenter::defaultCenter(),
                                                            MOAPIAvailabilityChangedNotification);

        QVERIFY(ModelTest::startApplication(server, &delegate));
        MOApplication *application = MOApplication::sharedInstance();
        QCOMPARE(TolvoApp::instance()->supportPath(), application->supportPath());

        // A second setup does not initialise the core again.
        MOStatesQueueProbe queue{TolvoApp::instance()->statesQueue()};
        application->setup();
        QCOMPARE(TolvoApp::instance()->statesQueue(), queue.queue);
        QCOMPARE(delegate.setupCount, 1);
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

private:
    struct MOStatesQueueProbe
    {
        MObjectStatesQueue *queue;
    };

    KerloLocal server;
    RecordingApplicationDelegate delegate;
    std::unique_ptr<MONotificationSpy> availability;
    std::unique_ptr<MONotificationSpy> defaultCentre;
};

QTEST_GUILESS_MAIN(TestApplicationWiring)

#include "tst_applicationwiring.moc"

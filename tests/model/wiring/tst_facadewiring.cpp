#include "kerlolocal.h"
#include "moaccountsizesnotification.h"
#include "moconstants.h"
#include "modeltestapplication.h"
#include "monotificationcenter.h"
#include "monotificationspy.h"
#include "moobjectsmanager.h"
#include "motransfernotification.h"
#include "mouserauthenticationmanager.h"
#include "testdata.h"

#include "mobjectsmanager.h"
#include "mobjecttransfer.h"
#include "museraccount.h"
#include "muserauthmanager.h"
#include "tolvoappimpl.h"

#include <QtTest>

using TestData::demoEmail;

// How the facades hear the core: every signal the bridges must connect is connected, and
// what the core emits on its worker threads reaches the facades' observers on the main
// thread. These reach into the core on purpose, so they live apart from the facades' suites.
class TestFacadeWiring : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void everyDeclaredSignalIsConnected();
    void coreSignalsFromOtherThreadsArriveOnTheMainThread();
    void accountSizesFromOtherThreadsArriveOnTheMainThread();

private:
    MOObjectsManager *objects() { return MOObjectsManager::sharedInstance(); }
    MObjectsManager *core() { return TolvoApp::instance()->objectsManager(); }

    KerloLocal server;
};

void TestFacadeWiring::initTestCase()
{
    ModelTest::useTemporaryDataLocation();
    QVERIFY(server.start());
    QVERIFY(ModelTest::startApplication(server, nullptr));
    QCOMPARE(ModelTest::signIn(demoEmail, TestData::demoPassword), QString());
    objects()->start();
}

void TestFacadeWiring::everyDeclaredSignalIsConnected()
{
    // By signature: a signal the manager declares but the bridge misspells would be lost.
    const QList<QByteArray> reported{
        "objectsReady(QString,MStorageObjectList,QVariant)",
        "pathNotFound(QString,QVariant)",
        "objectReady(MStorageObject,QVariant)",
        "objectsDeleted(MStorageObjectList,QVariant)",
        "objectRenamed(MStorageObject,MStorageObject,QVariant)",
        "objectsAdded(MStorageObjectList,QVariant)",
        "objectsModified(QStringList,QList<MStorageObjectPair>,QVariant)",
        "objectCopied(MStorageObject,MStorageObject,QVariant)",
        "transferScheduled(MObjectTransfer,bool)",
        "transferStarted(MObjectTransfer,bool)",
        "transferPaused(MObjectTransfer,bool)",
        "transferProgressed(MObjectTransfer,bool)",
        "transferFinished(MObjectTransfer,bool)",
        "transferGroupScheduled(MObjectTransferGroup)",
        "transferGroupStarted(MObjectTransferGroup)",
        "transferGroupProgressed(MObjectTransferGroup)",
        "transferGroupPaused(MObjectTransferGroup)",
        "transferGroupFinished(MObjectTransferGroup)",
        "shareUrlReady(MStorageObject,QUrl,QVariant)",
        "shareUrlRevoked(MShareLink,QVariant)",
        "shareLinksListReady(QList<MShareLink>,QVariant)",
        "shareLinkEmailsSent(QString,QStringList,QStringList,QVariant)",
        "objectUncached(MStorageObject)",
        "objectCacheError(QString,Tolvo::Error)"};
    // The protected QObject::isSignalConnected, reached through a member pointer.
    struct Peek : QObject
    {
        using QObject::isSignalConnected;
    };
    const auto isConnected = &Peek::isSignalConnected;
    const QMetaObject *meta = core()->metaObject();
    int declared = 0;
    for (const QByteArray &signature : reported) {
        const int index = meta->indexOfSignal(signature);
        if (index < 0)
            continue;
        ++declared;
        QVERIFY2((core()->*isConnected)(meta->method(index)), signature.constData());
    }
    QVERIFY(declared >= 17);
}

void TestFacadeWiring::coreSignalsFromOtherThreadsArriveOnTheMainThread()
{
    MONotificationSpy spy(objects()->notificationCenter(), QString());
    MObjectTransfer transfer;
    transfer.setIdentifier(4242);
    transfer.setState(MObjectTransfer::Paused);
    transfer.setState(MObjectTransfer::Running);
    MObjectTransferRequest request(QStringLiteral("/r"), QStringLiteral("/tmp/r"), 1);
    request.setAction(Tolvo::DownloadToCache);
    transfer.setTransferRequest(request);
    MObjectsManager *manager = core();
    // As the engine's thread would: the manager's signals emitted off the main thread.
    QThread *worker = QThread::create([manager, transfer] {
        emit manager->transferStarted(transfer, true);
        emit manager->transferProgressed(transfer, true);
    });
    worker->start();
    QVERIFY(spy.waitForCount(2));
    worker->wait();
    delete worker;
    QVERIFY(spy.allOnMainThread());
    // Resumed, not started, after a pause; a local-copy transfer reports the caching domain
    // and its action as its type.
    QCOMPARE(spy.at(0).name, MOObjectTransferDidResumeNotification);
    QVERIFY(MOTransferNotification(spy.at(0)).isCaching());
    QCOMPARE(MOTransferNotification(spy.at(0)).requestType(), qint64(15));
    QCOMPARE(spy.at(1).name, MOObjectTransferDidProgressNotification);
}

void TestFacadeWiring::accountSizesFromOtherThreadsArriveOnTheMainThread()
{
    const MOUserAccount first = MOUserAuthenticationManager::sharedInstance()->account();
    const MOUserAccount second = MOUserAuthenticationManager::sharedInstance()->account();
    // The core announces new sizes from whatever thread learnt them; the notification comes
    // on the default centre, on the main thread, and older objects keep their sizes.
    MONotificationSpy sizes(MONotificationCenter::defaultCenter(),
                            MOUserAccountSizesChangedNotification);
    QVariantMap grown{{"id", 1},
                      {"email", demoEmail},
                      {"used_size", first.usedSize() + 4096},
                      {"total_size", first.totalSize()}};
    QThread *worker = QThread::create(
        [grown] { TolvoApp::instance()->authManager()->setAccount(MUserAccount(grown)); });
    worker->start();
    QVERIFY(sizes.waitForCount(1));
    worker->wait();
    delete worker;
    QCOMPARE(MOAccountSizesNotification(sizes.last()).manager(),
             MOUserAuthenticationManager::sharedInstance());
    QVERIFY(sizes.last().userInfo.isEmpty());
    QVERIFY(sizes.allOnMainThread());
    QCOMPARE(MOUserAuthenticationManager::sharedInstance()->account().usedSize(),
             first.usedSize() + 4096);
    QCOMPARE(second.usedSize(), first.usedSize());
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    TestFacadeWiring test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_facadewiring.moc"

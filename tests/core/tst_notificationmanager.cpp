#include "mnotification.h"
#include "mnotificationmanager.h"

#include <QDataStream>
#include <QThread>
#include <QtTest>

class tst_NotificationManager : public QObject
{
    Q_OBJECT
private slots:
    // Runs first: nothing else may have created the manager yet.
    void firstUseFromWorkerDeliversOnMainThread();
    void cannedPosts();
    void notificationValue();
    void streamRoundTrip();
    void debugFormat();
};

void tst_NotificationManager::firstUseFromWorkerDeliversOnMainThread()
{
    MNotificationManager *workerSeen = nullptr;
    QScopedPointer<QThread> worker(QThread::create([&workerSeen] {
        workerSeen = MNotificationManager::instance();
        for (int i = 0; i < 200; ++i)
            workerSeen->post(MNotification(MNotification::INFO, QString::number(i), 0));
    }));
    worker->start();
    QVERIFY(worker->wait());

    MNotificationManager *manager = MNotificationManager::instance();
    QVERIFY(manager);
    QCOMPARE(manager, workerSeen);
    QCOMPARE(manager->thread(), QThread::currentThread());

    QStringList received;
    QObject context;
    connect(manager, &MNotificationManager::notificationReady, &context,
            [&received](const MNotification &n) {
                if (QThread::currentThread() == qApp->thread())
                    received.append(n.message());
            });
    QCoreApplication::processEvents();

    QStringList expected;
    for (int i = 0; i < 200; ++i)
        expected.append(QString::number(i));
    QCOMPARE(received, expected);
}

void tst_NotificationManager::cannedPosts()
{
    MNotificationManager *manager = MNotificationManager::instance();
    QSignalSpy spy(manager, &MNotificationManager::notificationReady);
    manager->postUnauthenticatedClientErrorNotification();
    manager->postIOErrorNotification(Tolvo::DownloadObject, "/tmp/a b.txt");
    manager->postSpaceQuotaExceededError(Tolvo::UploadObject);
    QCOMPARE(spy.count(), 0); // delivered by the event loop, never from inside the post
    QCoreApplication::processEvents();
    QCOMPARE(spy.count(), 3);

    struct Expected
    {
        QString message;
        QVariant code;
        QVariant action;
    };
    const QList<Expected> expected{
        {"You are not authenticated. Sign in before continuing", 61, QVariant()},
        {"Unable to access file at path '/tmp/a b.txt'", 104, int(Tolvo::DownloadObject)},
        {"You don't have enough cloud space available", 507, int(Tolvo::UploadObject)}};
    for (int i = 0; i < expected.size(); ++i) {
        const auto n = spy.at(i).at(0).value<MNotification>();
        QCOMPARE(n.type(), MNotification::ERROR);
        QCOMPARE(n.subtype(), 0);
        QCOMPARE(n.message(), expected.at(i).message);
        QCOMPARE(n.attribute(MNotification::ErrorCode), expected.at(i).code);
        QCOMPARE(n.attribute(MNotification::Action), expected.at(i).action);
        QVERIFY(!n.attribute(MNotification::Transfer).isValid());
        QVERIFY(!n.attribute(MNotification::Path).isValid());
    }
}

void tst_NotificationManager::notificationValue()
{
    MNotification n;
    QCOMPARE(int(n.type()), 0);
    QVERIFY(!n.attribute(MNotification::ErrorCode).isValid());
    n.setAttribute(MNotification::Path, "/first");
    n.setAttribute(MNotification::Path, "/second");
    QCOMPARE(n.attribute(MNotification::Path), QVariant("/second"));
}

void tst_NotificationManager::streamRoundTrip()
{
    MNotification n(MNotification::ERROR, "failed", 3);
    n.setAttribute(MNotification::ErrorCode, 805);
    n.setAttribute(MNotification::Details, "404 not found");
    n.setAttribute(MNotification::UserData, QVariantMap{{"k", 1}});

    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << n;
    QDataStream in(bytes);
    MNotification read(MNotification::INFO, "stale", 1);
    read.setAttribute(MNotification::Path, "/stale");
    in >> read;
    QCOMPARE(in.status(), QDataStream::Ok);
    QCOMPARE(read.type(), MNotification::ERROR);
    QCOMPARE(read.subtype(), 3);
    QCOMPARE(read.message(), QString("failed"));
    QCOMPARE(read.attribute(MNotification::ErrorCode), QVariant(805));
    QCOMPARE(read.attribute(MNotification::Details), QVariant("404 not found"));
    QCOMPARE(read.attribute(MNotification::UserData), QVariant(QVariantMap{{"k", 1}}));
    QVERIFY(!read.attribute(MNotification::Path).isValid());
}

void tst_NotificationManager::debugFormat()
{
    MNotification n(MNotification::ERROR, "No \"space\"", 0);
    n.setAttribute(MNotification::Action, int(Tolvo::UploadObject));
    QTest::ignoreMessage(QtDebugMsg,
                         "[MNotification: \"ERROR\"] => \"No \\\"space\\\"\" \"UploadObject\" "
                         "(action: 12)");
    qDebug() << n;

    QTest::ignoreMessage(QtDebugMsg, "[MNotification: \"\"] => \"\" \"\" (action: 0)");
    qDebug() << MNotification();
}

QTEST_GUILESS_MAIN(tst_NotificationManager)
#include "tst_notificationmanager.moc"

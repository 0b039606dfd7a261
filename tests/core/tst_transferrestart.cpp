#include "kerlolocal.h"
#include "mjsonrequestmanager.h"
#include "mnotificationmanager.h"
#include "mobjectsender.h"
#include "mobjectsmanager.h"
#include "mobjectstatesqueue.h"
#include "muserauthmanager.h"
#include "signedincore.h"
#include "testcore.h"
#include "tolvoappimpl.h"

#include <QDeadlineTimer>
#include <QJsonObject>
#include <QPointer>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <functional>

namespace {

constexpr qint64 MiB = 1024 * 1024;
constexpr qint64 FileSize = 64 * MiB;

// Child process: starts a download of args[2] into args[3] and shuts the core down while it
// runs (the parent holds the download back). Reports what was left at the engine's and at the
// sign-in manager's end: the engine's thread calls the sign-in manager until it ends.
int quitCase(const QStringList &args)
{
    SignedInCore core;
    if (args.size() < 4 || !core.startCore(QUrl(args.at(0)), args.at(1)) || !core.signIn())
        return 3;
    TolvoApp *app = TolvoApp::instance();
    MObjectsManager *manager = app->objectsManager();
    manager->start();
    const QPointer<MObjectsManager> managerAlive(manager);
    std::atomic_bool engineKnownAtItsEnd{false};
    QObject::connect(
        manager->objectSender(), &QObject::destroyed, manager->objectSender(),
        [&] { engineKnownAtItsEnd = manager->objectSender() != nullptr; }, Qt::DirectConnection);
    bool engineLeftAtSignInsEnd = false;
    QObject::connect(core.auth(), &QObject::destroyed, qApp,
                     [&] { engineLeftAtSignInsEnd = !managerAlive.isNull(); });
    QObject::connect(manager, &MObjectsManager::transferStarted, app, [app] { app->shutdown(); });
    QObject::connect(app, &TolvoApp::readyToQuit, qApp, [] { qApp->exit(0); });
    MObjectTransferRequest request(args.at(2), args.at(3), 1);
    request.setAction(Tolvo::DownloadObject);
    manager->transferObject(request);
    const int result = QCoreApplication::exec();
    std::printf("engine known at its end=%d, engine left at the sign-in's end=%d\n",
                int(engineKnownAtItsEnd), int(engineLeftAtSignInsEnd));
    return result;
}

// Child process: signs in on its own support folder and runs the engine through the objects
// manager. "interrupt" schedules the transfer and freezes the engine once a third of it is
// done, for the parent to kill (or, with the window "sync" or "commit", as the reply to the
// upload's opening or its commit starts to arrive: the service has acted, the engine has not
// recorded it); "finish" lets the queue left behind run and reports how the transfer ended,
// 7 when an error was shown on the way.
int transferCase(const QString &name, const QStringList &args)
{
    if (name == QLatin1String("quit"))
        return quitCase(args);
    if (args.size() < 7)
        return 2;
    const QUrl url(args.at(0));
    const QString support = args.at(1);
    const int direction = args.at(2).toInt();
    const QString source = args.at(3);
    const QString destination = args.at(4);
    const QString window = args.value(7, QStringLiteral("progress"));

    SignedInCore core;
    if (!core.startCore(url, support) || !core.signIn())
        return 3;
    TolvoApp *app = TolvoApp::instance();

    MObjectsManager *manager = app->objectsManager();
    int result = 4;
    QObject::connect(app, &TolvoApp::readyToQuit, qApp, [&] { qApp->exit(result); });
    if (name == QLatin1String("finish")) {
        if (!app->statesQueue()->hasPendingTransfers())
            return 5;
        bool errorShown = false;
        QObject::connect(MNotificationManager::instance(), &MNotificationManager::notificationReady,
                         qApp, [&](const MNotification &notification) {
                             errorShown |= notification.type() == MNotification::ERROR;
                         });
        QObject::connect(
            manager, &MObjectsManager::transferFinished, qApp,
            [&](const MObjectTransfer &transfer) {
                result = transfer.state() != MObjectTransfer::Completed ? 6 : errorShown ? 7 : 0;
                app->shutdown();
            });
        manager->start();
        return QCoreApplication::exec();
    }

    const auto freeze = [] {
        std::puts("mid");
        std::fflush(stdout);
        // Nothing more reaches the disk or the service until the parent kills us.
        QSemaphore never;
        never.acquire();
    };
    manager->start();
    MObjectSender *engine = manager->objectSender();
    if (window != QLatin1String("progress")) {
        // The engine makes its request managers once its thread runs.
        QDeadlineTimer started(30000);
        while (engine->state() == MObjectSender::Initial && !started.hasExpired())
            QThread::msleep(5);
        auto *json = engine->findChild<MJsonRequestManager *>();
        if (!json)
            return 8;
        const QString marker =
            window == QLatin1String("commit") ? QStringLiteral("/commit/") : destination;
        QObject::connect(
            json, &MNetworkRequestManager::dataArrivedForRequest, json,
            [marker, freeze](const MNetworkRequest &request) {
                if (request.url().path().contains(marker))
                    freeze();
            },
            Qt::DirectConnection);
    }
    QObject::connect(
        engine, &MObjectSender::transferProgressed, engine,
        [window, freeze](const MObjectTransfer &transfer) {
            if (window == QLatin1String("progress") &&
                transfer.totalTransferredBytes() >= FileSize / 3)
                freeze();
        },
        Qt::DirectConnection);
    MObjectTransferRequest request(source, destination, direction);
    if (direction == 0) {
        request.setAction(Tolvo::UploadObject);
        request.setMode(2);
    } else {
        request.setAction(Tolvo::DownloadToCache);
        request.setOverwriteStrategy(1);
        MStorageObject object;
        object.setContentHash(args.at(5));
        object.setSize(args.at(6).toLongLong());
        request.setStorageObject(object);
    }
    engine->scheduleTransfer(request);
    return QCoreApplication::exec();
}

} // namespace

// A core killed in the middle of a transfer finishes it at its next start, from what the
// queue and the partial files kept, with the very bytes it started from.
class TestTransferRestart : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void killedTransfersResume();
    void linkAtAKilledDownloadIsNotWrittenThrough();
    void killedBetweenServiceAndQueue_data();
    void killedBetweenServiceAndQueue();
    void quitDuringATransferStopsTheEngineFirst();

private:
    // Runs an interrupted child and kills it mid-way, then (after between) a finishing one on
    // the same folder; the service's request log holds the finishing child's requests only.
    void interruptAndFinish(const QStringList &arguments,
                            const std::function<void()> &between = {});

    KerloLocal server;
    QTemporaryDir local;
};

void TestTransferRestart::initTestCase()
{
    QVERIFY(server.start());
}

void TestTransferRestart::interruptAndFinish(const QStringList &arguments,
                                             const std::function<void()> &between)
{
    QProcess interrupted;
    TestCore::startSubprocess(&interrupted, QStringLiteral("interrupt"), arguments);
    QByteArray output;
    while (!output.contains("mid") && interrupted.state() != QProcess::NotRunning &&
           interrupted.waitForReadyRead(60000))
        output += interrupted.readAllStandardOutput();
    QVERIFY2(output.contains("mid"), interrupted.readAllStandardError().right(2000).constData());
    QCOMPARE(::kill(pid_t(interrupted.processId()), SIGKILL), 0);
    QVERIFY(interrupted.waitForFinished());
    QCOMPARE(interrupted.exitStatus(), QProcess::CrashExit);
    QVERIFY(server.clearRequests());
    if (between)
        between();

    const TestCore::SubprocessResult finished =
        TestCore::runSubprocess(QStringLiteral("finish"), arguments, 120000);
    QVERIFY2(!finished.crashed && finished.exitCode == 0,
             qPrintable(QString::number(finished.exitCode) + " " +
                        QString::fromLocal8Bit(finished.standardError.right(2000))));
}

void TestTransferRestart::killedTransfersResume()
{
    QByteArray bytes(int(FileSize), Qt::Uninitialized);
    char *data = bytes.data();
    for (int i = 0; i < bytes.size(); ++i)
        data[i] = char(i * 7 + i / 65521);
    const QString hash = TestData::md5Hex(bytes);
    const QString source = local.filePath(QStringLiteral("source.bin"));
    QFile file(source);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    const QString support = local.filePath(QStringLiteral("support"));
    const QString remote = QStringLiteral("/Restart/big.bin");
    const QString url = server.baseUrl().toString();

    interruptAndFinish({url, support, "0", source, remote, hash, QString::number(FileSize)});
    // The chunks the service had before the kill were not sent again.
    int chunkPuts = 0;
    for (const QJsonValue &request : server.requests())
        chunkPuts += request.toObject().value("path").toString().startsWith("/api/v1/upload/");
    QVERIFY2(chunkPuts < FileSize / (5 * MiB), qPrintable(QString::number(chunkPuts)));

    const QString target = local.filePath(QStringLiteral("back.bin"));
    interruptAndFinish({url, support, "1", remote, target, hash, QString::number(FileSize)});
    QFile back(target);
    QVERIFY(back.open(QIODevice::ReadOnly));
    QVERIFY(back.readAll() == bytes);
    // Only what the first run had not written was asked for, if anything.
    for (const QJsonValue &request : server.requests()) {
        const QJsonObject object = request.toObject();
        if (object.value("path").toString() != "/api/v1/object" + remote)
            continue;
        const QString range = object.value("headers").toObject().value("range").toString();
        QVERIFY2(range.startsWith("bytes=") && !range.startsWith("bytes=0-"), qPrintable(range));
    }
}

void TestTransferRestart::linkAtAKilledDownloadIsNotWrittenThrough()
{
    // The partial file a killed download left is replaced by a link to a file elsewhere: the
    // next start does not resume into that file, but downloads the object anew.
    QByteArray bytes(int(FileSize), Qt::Uninitialized);
    char *data = bytes.data();
    for (int i = 0; i < bytes.size(); ++i)
        data[i] = char(i * 13 + i / 4093);
    const QString hash = TestData::md5Hex(bytes);
    const QString remote = QStringLiteral("/Restart/linked.bin");
    QVERIFY(!server.seedFile(TestData::demoEmail, remote, bytes).isEmpty());
    const QString support = local.filePath(QStringLiteral("support-linked"));
    const QString target = local.filePath(QStringLiteral("linked.bin"));
    const QString victim = local.filePath(QStringLiteral("victim"));
    const QByteArray theirs = "sixteen bytes ..";
    QFile file(victim);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(theirs) == theirs.size());
    file.close();

    bool planted = false;
    interruptAndFinish({server.baseUrl().toString(), support, "1", remote, target, hash,
                        QString::number(FileSize)},
                       [&] {
                           const QDir partials(support + QStringLiteral("/temp/downloads"));
                           const QStringList names = partials.entryList({"*.part"}, QDir::Files);
                           if (names.size() != 1)
                               return;
                           const QString partial = partials.filePath(names.first());
                           planted = QFile::remove(partial) && QFile::link(victim, partial);
                       });
    QVERIFY(planted);
    QFile back(target);
    QVERIFY(back.open(QIODevice::ReadOnly));
    QVERIFY(back.readAll() == bytes);
    QFile after(victim);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), theirs);
}

void TestTransferRestart::killedBetweenServiceAndQueue_data()
{
    QTest::addColumn<QString>("window");
    QTest::newRow("upload opened") << "sync";
    QTest::newRow("upload committed") << "commit";
}

void TestTransferRestart::killedBetweenServiceAndQueue()
{
    // Killed after the service acted on a request and before the queue recorded its answer:
    // the next start ends with the object on the service and no error shown.
    QFETCH(QString, window);
    const QByteArray bytes = QByteArray("between the service and the queue: ") + window.toLatin1();
    const QString source = local.filePath(window + ".txt");
    QFile file(source);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    const QString hash = TestData::md5Hex(bytes);
    interruptAndFinish({server.baseUrl().toString(), local.filePath("support-" + window), "0",
                        source, "/Windows/" + window + ".txt", hash, QString::number(bytes.size()),
                        window});
}

void TestTransferRestart::quitDuringATransferStopsTheEngineFirst()
{
    // The engine's thread ends before what it calls goes, and nothing reaches the engine
    // once it may be gone.
    QVERIFY(!server.seedFile(TestData::demoEmail, "/Quit/q.txt", "held back").isEmpty());
    QVERIFY(server.hang("/api/v1/object/Quit/q.txt"));
    const TestCore::SubprocessResult result = TestCore::runSubprocess(
        QStringLiteral("quit"), {server.baseUrl().toString(), local.filePath("support-quit"),
                                 "/Quit/q.txt", local.filePath("q.txt")});
    QVERIFY2(!result.crashed && result.exitCode == 0, result.standardError.right(2000));
    QVERIFY2(result.standardOutput.contains(
                 "engine known at its end=0, engine left at the sign-in's end=0"),
             result.standardOutput);
}

TESTCORE_MAIN_WITH_SUBPROCESS(TestTransferRestart, transferCase)
#include "tst_transferrestart.moc"

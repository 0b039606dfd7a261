#include "kerlolocal.h"
#include "mobjectsender.h"
#include "mobjectsmanager.h"
#include "mobjectstatesqueue.h"
#include "signedincore.h"
#include "testcore.h"
#include "tolvoappimpl.h"

#include <QJsonObject>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstdio>

namespace {

constexpr qint64 MiB = 1024 * 1024;
constexpr qint64 FileSize = 64 * MiB;

// Child process: signs in on its own support folder and runs the engine through the objects
// manager. "interrupt" schedules the transfer and freezes the engine once a third of it is
// done, for the parent to kill; "finish" lets the queue left behind run and reports how the
// transfer ended.
int transferCase(const QString &name, const QStringList &args)
{
    if (args.size() < 7)
        return 2;
    const QUrl url(args.at(0));
    const QString support = args.at(1);
    const int direction = args.at(2).toInt();
    const QString source = args.at(3);
    const QString destination = args.at(4);

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
        QObject::connect(manager, &MObjectsManager::transferFinished, qApp,
                         [&](const MObjectTransfer &transfer) {
                             result = transfer.state() == MObjectTransfer::Completed ? 0 : 6;
                             app->shutdown();
                         });
        manager->start();
        return QCoreApplication::exec();
    }

    manager->start();
    MObjectSender *engine = manager->objectSender();
    QObject::connect(
        engine, &MObjectSender::transferProgressed, engine,
        [](const MObjectTransfer &transfer) {
            if (transfer.totalTransferredBytes() < FileSize / 3)
                return;
            std::puts("mid");
            std::fflush(stdout);
            // Nothing more reaches the disk or the service until the parent kills us.
            QSemaphore never;
            never.acquire();
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

private:
    // Runs an interrupted child and kills it mid-way, then a finishing one on the same folder;
    // the service's request log holds the finishing child's requests only.
    void interruptAndFinish(const QStringList &arguments);

    KerloLocal server;
    QTemporaryDir local;
};

void TestTransferRestart::initTestCase()
{
    QVERIFY(server.start());
}

void TestTransferRestart::interruptAndFinish(const QStringList &arguments)
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

    const TestCore::SubprocessResult finished =
        TestCore::runSubprocess(QStringLiteral("finish"), arguments, 120000);
    QVERIFY2(!finished.crashed && finished.exitCode == 0,
             qPrintable(QString::number(finished.exitCode) + " " +
                        QString::fromLocal8Bit(finished.standardError.right(2000))));
}

void TestTransferRestart::killedTransfersResume()
{
    QByteArray bytes(int(FileSize), Qt::Uninitialized);
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7 + i / 65521);
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

TESTCORE_MAIN_WITH_SUBPROCESS(TestTransferRestart, transferCase)
#include "tst_transferrestart.moc"

#include "kerlolocal.h"
#include "mjsonrequestmanager.h"
#include "mnetworkrequestmanager.h"
#include "mnotificationmanager.h"
#include "mobjectsender.h"
#include "muserauthmanager.h"
#include "signedincore.h"
#include "smalldisk.h"
#include "testcore.h"
#include "tolvoappimpl.h"

#include <QDirIterator>
#include <QJsonArray>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <cstdio>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using TestData::demoEmail;
using TestData::md5Hex;
constexpr qint64 MiB = 1024 * 1024;

QByteArray content(qint64 size, char seed)
{
    QByteArray bytes(int(size), Qt::Uninitialized);
    char *data = bytes.data();
    for (int i = 0; i < bytes.size(); ++i)
        data[i] = char(seed + i * 31 + i / 4099);
    return bytes;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

// The engine's signals, delivered on the test's thread. A spy on the engine itself records on
// the engine's thread, and misses in wait() a signal that came before wait() began.
class EngineSignals : public QObject
{
    Q_OBJECT
public:
    explicit EngineSignals(MObjectSender *sender)
    {
        using S = MObjectSender;
        using E = EngineSignals;
        connect(sender, &S::stateChanged, this, &E::stateChanged);
        connect(sender, &S::transferStarted, this, &E::transferStarted);
        connect(sender, &S::transferPaused, this, &E::transferPaused);
        connect(sender, &S::transferFinished, this, &E::transferFinished);
        connect(sender, &S::transferGroupProgressed, this, &E::transferGroupProgressed);
        connect(sender, &S::transferGroupPaused, this, &E::transferGroupPaused);
        connect(sender, &S::transferGroupFinished, this, &E::transferGroupFinished);
        connect(sender, &S::shutdownCompleted, this, &E::shutdownCompleted);
    }

signals:
    void stateChanged(MObjectSender::State old, MObjectSender::State current);
    void transferStarted(const MObjectTransfer &transfer);
    void transferPaused(const MObjectTransfer &transfer);
    void transferFinished(const MObjectTransfer &transfer);
    void transferGroupProgressed(const MObjectTransferGroup &group);
    void transferGroupPaused(const MObjectTransferGroup &group);
    void transferGroupFinished(const MObjectTransferGroup &group);
    void shutdownCompleted();
};

namespace {

// Child process: an engine under the stall limit its environment sets, against the parent's
// kerlo-local on a support folder of its own. Prints the engine's limit, then uploads the file
// args[2] to each remote path after it in turn and prints how each ended.
int stallCase(const QString &, const QStringList &args)
{
    SignedInCore core;
    if (args.size() < 4 || !core.startCore(QUrl(args.at(0)), args.at(1)) || !core.signIn())
        return 3;
    QThread thread;
    auto *sender = new MObjectSender;
    std::printf("limit %d\n", sender->stallTimeout());
    sender->moveToThread(&thread);
    QObject::connect(&thread, &QThread::started, sender, &MObjectSender::start);
    QObject::connect(&thread, &QThread::finished, sender, &QObject::deleteLater);
    EngineSignals engine(sender);
    QSignalSpy finished(&engine, &EngineSignals::transferFinished);
    QSignalSpy shutDown(&engine, &EngineSignals::shutdownCompleted);
    thread.start();
    int result = 0;
    for (const QString &remote : args.mid(3)) {
        MObjectTransferRequest upload(args.at(2), remote, 0);
        upload.setAction(Tolvo::UploadObject);
        upload.setMode(2);
        finished.clear();
        sender->scheduleTransfer(upload);
        if (!finished.wait(120000)) {
            result = 4;
            break;
        }
        std::printf("%s %d\n", qPrintable(remote),
                    finished.first().at(0).value<MObjectTransfer>().state());
    }
    sender->shutdown();
    if (!shutDown.wait(30000))
        result = 5;
    thread.quit();
    thread.wait();
    return result;
}

} // namespace

// The transfer engine on its own thread against kerlo-local, signed in as the demo user.
class TestObjectSender : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void roundTrip_data();
    void roundTrip();
    void fileChangedAfterHashingIsNotSent();
    void uploadStatusBranches_data();
    void uploadStatusBranches();
    void folderGroupFinishesOnce();
    void largeFolderFinishesAfterItsLastMember();
    void fiftyFilesUploadAsOneGroup();
    void neverMoreThanThreeRun();
    void pauseAndCancelFreeSlots();
    void cutDownloadResumesWithRange();
    void resumedDownloadStartsAtItsOffset();
    void identicalDownloadsKeepTheirOwnFiles();
    void changedCachedCopyIsReplacedWhole();
    void corruptDownloadLeavesDestination();
    void linksInTheTemporaryFolderAreNotFollowed_data();
    void linksInTheTemporaryFolderAreNotFollowed();
    void fullDiskIsSaidAndFreed_data();
    void fullDiskIsSaidAndFreed();
    void overwriteStrategies();
    void signedOutTransfersWait();
    void uploadsWaitForAnUnreachableService();
    void downloadsRefreshAnExpiredToken();
    void stalledRequestsFreeTheirSlot();
    void uploadAnswersTricklingInAreNotStalls();
    void pauseStopsHashing();
    void pauseGroupAndResume();
    void lateReplyAfterPauseChangesNothing();
    void queuedTransfersWaitForTheirAccount();

private:
    QString writeFile(const QString &name, const QByteArray &bytes);
    // Schedules request and waits for its transferFinished.
    MObjectTransfer run(const MObjectTransferRequest &request);
    MObjectTransfer waitFinished(qint64 id);
    MObjectTransferRequest download(const QString &remote, const QString &local, int strategy = 2);
    QJsonArray requestsUnder(const QString &prefix) const;

    SignedInCore core;
    KerloLocal &server = core.server();
    QTemporaryDir local;
    QThread thread;
    MObjectSender *sender = nullptr;
    std::unique_ptr<EngineSignals> engine;
    std::unique_ptr<QSignalSpy> finished;
    std::unique_ptr<QSignalSpy> notes;
};

void TestObjectSender::initTestCase()
{
    QVERIFY(core.start());
    QVERIFY2(TolvoApp::instance()->statesQueue(), "the core has no transfer queue");
    QVERIFY(core.signIn());

    sender = new MObjectSender;
    thread.setObjectName("com.kerloapp.transfers-queue");
    sender->moveToThread(&thread);
    connect(&thread, &QThread::started, sender, &MObjectSender::start);
    connect(&thread, &QThread::finished, sender, &QObject::deleteLater);
    engine = std::make_unique<EngineSignals>(sender);
    finished = std::make_unique<QSignalSpy>(engine.get(), &EngineSignals::transferFinished);
    notes = std::make_unique<QSignalSpy>(MNotificationManager::instance(),
                                         &MNotificationManager::notificationReady);
    QSignalSpy running(engine.get(), &EngineSignals::stateChanged);
    thread.start();
    QVERIFY(running.wait(20000));
}

void TestObjectSender::init()
{
    QVERIFY(server.reset());
    finished->clear();
    notes->clear();
}

void TestObjectSender::cleanupTestCase()
{
    QSignalSpy done(engine.get(), &EngineSignals::shutdownCompleted);
    sender->shutdown();
    const bool shutDown = done.wait(30000);
    // Stopped whatever happened: a running thread destroyed with the test would abort it.
    thread.quit();
    thread.wait();
    QVERIFY(shutDown);
}

QString TestObjectSender::writeFile(const QString &name, const QByteArray &bytes)
{
    const QString path = local.filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

MObjectTransfer TestObjectSender::waitFinished(qint64 id)
{
    for (int turn = 0; turn < 100; ++turn) {
        for (const QList<QVariant> &signal : qAsConst(*finished)) {
            const auto transfer = signal.at(0).value<MObjectTransfer>();
            if (transfer.identifier() == id)
                return transfer;
        }
        // Generous: a loaded machine (a sanitizer build, parallel suites) is slow, not wrong.
        if (!finished->wait(60000))
            break;
    }
    return MObjectTransfer();
}

MObjectTransfer TestObjectSender::run(const MObjectTransferRequest &request)
{
    return waitFinished(sender->scheduleTransfer(request).identifier());
}

MObjectTransferRequest TestObjectSender::download(const QString &remote, const QString &local,
                                                  int strategy)
{
    MObjectTransferRequest request(remote, local, 1);
    request.setAction(Tolvo::DownloadObject);
    request.setOverwriteStrategy(strategy);
    return request;
}

QJsonArray TestObjectSender::requestsUnder(const QString &prefix) const
{
    QJsonArray result;
    for (const QJsonValue &request : server.requests()) {
        if (request.toObject().value("path").toString().startsWith(prefix))
            result.append(request);
    }
    return result;
}

void TestObjectSender::roundTrip_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<int>("chunkRequests");
    QTest::newRow("empty") << qint64(0) << 0;
    QTest::newRow("one chunk") << 5 * MiB << 0;
    QTest::newRow("one byte more") << 5 * MiB + 1 << 1;
    QTest::newRow("64 MiB") << 64 * MiB << 12;
}

void TestObjectSender::roundTrip()
{
    QFETCH(qint64, size);
    QFETCH(int, chunkRequests);
    const QByteArray bytes = content(size, char(size));
    const QString remote = QStringLiteral("/Engine/file-%1.bin").arg(size);
    MObjectTransferRequest upload(writeFile(QFileInfo(remote).fileName(), bytes), remote, 0);
    upload.setAction(Tolvo::UploadObject);
    upload.setMode(2);

    MObjectTransfer done = run(upload);
    QCOMPARE(done.state(), int(MObjectTransfer::Completed));
    QCOMPARE(done.storageObject().contentHash(), md5Hex(bytes));
    QCOMPARE(requestsUnder("/api/v1/upload/").size(), chunkRequests);

    // The service dropped the chunks once the file was stored: the same bytes go again, the
    // first chunk with the start and only the missing ones on their own.
    QVERIFY(server.clearRequests());
    QCOMPARE(run(upload).state(), int(MObjectTransfer::Completed));
    QCOMPARE(requestsUnder("/api/v1/upload/").size(), chunkRequests);

    const QString target = local.filePath(QStringLiteral("down-%1.bin").arg(size));
    done = run(download(remote, target));
    QCOMPARE(done.state(), int(MObjectTransfer::Completed));
    QVERIFY(readAll(target) == bytes);
    QCOMPARE(sender->activeTransfersCount(), 0);
}

// Chunks go out under the hashes taken at the start, without hashing them again: a file that
// changed since must not be sent under them.
void TestObjectSender::fileChangedAfterHashingIsNotSent()
{
    const QString path = writeFile("changing.bin", content(11 * MiB, 'a'));
    MObjectTransferRequest upload(path, "/Changing/changing.bin", 0);
    upload.setAction(Tolvo::UploadObject);
    upload.setMode(2);
    // On the engine's thread as the sync goes out, so before its reply can be handled.
    const auto rewrite = connect(
        sender, &MObjectSender::transferStarted, sender,
        [path] {
            QFile file(path);
            if (file.open(QIODevice::ReadWrite))
                file.write(content(11 * MiB, 'b'));
        },
        Qt::DirectConnection);
    const MObjectTransfer done = run(upload);
    disconnect(rewrite);
    QCOMPARE(done.state(), int(MObjectTransfer::Error));
    QCOMPARE(done.errorCode(), int(Tolvo::LocalIOError));
    QCOMPARE(requestsUnder("/api/v1/upload/").size(), 0);
}

void TestObjectSender::uploadStatusBranches_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("errorCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("exists") << 409 << QByteArray("{}") << 801
                            << "A file with name '/Branches/f.txt' already exists";
    QTest::newRow("outdated") << 409 << QByteArray(R"({"error_code":602})") << 801
                              << "Your local copy is outdated: /Branches/f.txt";
    QTest::newRow("sync running") << 409 << QByteArray(R"({"error_code":601})") << 801
                                  << "A sync for the same file is already running";
    QTest::newRow("already uploaded") << 409 << QByteArray(R"({"error_code":701})") << 801
                                      << "This file has already been uploaded successfully";
    QTest::newRow("other conflict")
        << 409 << QByteArray(R"({"error_code":777})") << 801 << "Server error code: 777";
    QTest::newRow("server error without code")
        << 500 << QByteArray("{}") << 43 << "Server error while transferring '/Branches/f.txt'";
    QTest::newRow("server error saying why")
        << 500 << QByteArray(R"({"errors":["disk full"]})") << 43
        << "Server error while transferring '/Branches/f.txt': disk full";
    QTest::newRow("other server code")
        << 500 << QByteArray(R"({"error_code":901})") << 901
        << "Server error code 901 while transferring '/Branches/f.txt'";
    QTest::newRow("server code") << 500 << QByteArray(R"({"error_code":805})") << 805
                                 << "Cannot find expected object '/Branches/f.txt'";
    QTest::newRow("not found") << 404 << QByteArray(R"({"errors":["gone"]})") << 805 << "gone";
    QTest::newRow("quota") << 507 << QByteArray("{}") << 507
                           << "You don't have enough cloud space available";
    QTest::newRow("bad request") << 400 << QByteArray("{}") << 43 << "Wrong API request";
    QTest::newRow("other") << 418 << QByteArray("{}") << 43 << "Unrecognized server error";
    QTest::newRow("undecodable") << 200 << QByteArray("not json") << 43
                                 << "Unrecognized server error";
    QTest::newRow("token leaves its segment")
        << 200 << QByteArray(R"({"token":"../objects/x","missing_chunks":[]})") << 43
        << "Unrecognized server error";
    QTest::newRow("unknown chunk")
        << 200 << QByteArray(R"({"token":"t1","missing_chunks":["0123"]})") << 43
        << "Unrecognized server error";
}

void TestObjectSender::uploadStatusBranches()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(int, errorCode);
    QFETCH(QString, message);
    QVERIFY(server.forceStatus("/api/v1/sync/object/Branches/f.txt", status, body));
    MObjectTransferRequest upload(writeFile("f.txt", "branch"), "/Branches/f.txt", 0);
    upload.setMode(1);
    upload.setAction(Tolvo::UploadObject);

    const MObjectTransfer done = run(upload);
    QCOMPARE(done.state(), int(MObjectTransfer::Error));
    QCOMPARE(done.errorCode(), errorCode);
    QTRY_VERIFY(!notes->isEmpty());
    QCOMPARE(notes->last().at(0).value<MNotification>().message(), message);
    QCOMPARE(requestsUnder("/api/v1/commit/").size(), 0);
}

void TestObjectSender::folderGroupFinishesOnce()
{
    QSignalSpy groupFinished(engine.get(), &EngineSignals::transferGroupFinished);
    QList<MObjectTransferRequest> members;
    for (const QString name : {"a.txt", "b.txt"})
        members.append(MObjectTransferRequest(writeFile("Folder/" + name, name.toLatin1()),
                                              "/Folder/" + name, 0));
    members.append(
        MObjectTransferRequest(local.filePath("Folder/missing.txt"), "/Folder/missing.txt", 0));
    const MObjectTransferGroup group =
        sender->scheduleTransferGroup(members, MObjectTransferRequest(), "Folder");
    QVERIFY(groupFinished.wait(30000));
    QCOMPARE(finished->size(), 3);
    const auto reported = groupFinished.at(0).at(0).value<MObjectTransferGroup>();
    QCOMPARE(reported.identifier(), group.identifier());
    QCOMPARE(reported.completedCount(), 3);
    QVERIFY(!groupFinished.wait(500));
}

void TestObjectSender::largeFolderFinishesAfterItsLastMember()
{
    // Large enough that saving the members outlasts the first uploads: the group must not take
    // itself for complete before it knows all its members.
    constexpr int count = 1500;
    QList<MObjectTransferRequest> members;
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("Large/f%1.txt").arg(i);
        MObjectTransferRequest member(writeFile(name, QByteArray::number(i)), "/" + name, 0);
        member.setMode(2);
        members.append(member);
    }
    QSignalSpy groupFinished(engine.get(), &EngineSignals::transferGroupFinished);
    const MObjectTransferGroup group =
        sender->scheduleTransferGroup(members, MObjectTransferRequest(), "Large");
    QVERIFY(groupFinished.wait(300000));
    // Signals arrive in the engine's order: every member's finish came before the group's.
    int membersFinished = 0;
    for (const QList<QVariant> &arguments : qAsConst(*finished))
        membersFinished +=
            arguments.at(0).value<MObjectTransfer>().group().identifier() == group.identifier();
    QCOMPARE(membersFinished, count);
    QCOMPARE(groupFinished.at(0).at(0).value<MObjectTransferGroup>().completedCount(), count);
}

void TestObjectSender::fiftyFilesUploadAsOneGroup()
{
    QSignalSpy groupFinished(engine.get(), &EngineSignals::transferGroupFinished);
    QSignalSpy groupProgressed(engine.get(), &EngineSignals::transferGroupProgressed);
    QList<MObjectTransferRequest> members;
    qint64 totalBytes = 0;
    for (int i = 0; i < 50; ++i) {
        const QString name = QStringLiteral("Fifty/file %1.bin").arg(i);
        const QByteArray bytes(1000 * i + 1, char('a' + i % 26));
        totalBytes += bytes.size();
        members.append(MObjectTransferRequest(writeFile(name, bytes), "/" + name, 0));
    }
    const MObjectTransferGroup group =
        sender->scheduleTransferGroup(members, MObjectTransferRequest(), "Fifty");
    QVERIFY(groupFinished.wait(120000));
    QVERIFY(!groupFinished.wait(500));
    QCOMPARE(groupFinished.size(), 1);

    const auto reported = groupFinished.at(0).at(0).value<MObjectTransferGroup>();
    QCOMPARE(reported.identifier(), group.identifier());
    QCOMPARE(reported.completedCount(), 50);
    QCOMPARE(reported.overallTransferredBytes(), totalBytes);
    // Progress only grows and never passes the group's size.
    qint64 previous = 0;
    for (const QList<QVariant> &signal : qAsConst(groupProgressed)) {
        const auto progressed = signal.at(0).value<MObjectTransferGroup>();
        QVERIFY(progressed.overallTransferredBytes() >= previous);
        QVERIFY(progressed.overallTransferredBytes() <= totalBytes);
        previous = progressed.overallTransferredBytes();
    }
    QCOMPARE(requestsUnder("/api/v1/commit/").size(), 50);
}

void TestObjectSender::neverMoreThanThreeRun()
{
    QVERIFY(!server.seedFile(demoEmail, "/Slow/s.txt", "slow").isEmpty());
    QVERIFY(server.delay("/api/v1/object/Slow/s.txt", 300, 5));
    int running = 0;
    int most = 0;
    const auto started = connect(sender, &MObjectSender::transferStarted, this,
                                 [&] { most = qMax(most, ++running); });
    const auto ended = connect(sender, &MObjectSender::transferFinished, this, [&] { --running; });
    QList<qint64> ids;
    for (int i = 0; i < 5; ++i)
        ids.append(sender->scheduleTransfer(download("/Slow/s.txt", local.filePath("s.txt")))
                       .identifier());
    for (qint64 id : ids)
        QCOMPARE(waitFinished(id).state(), int(MObjectTransfer::Completed));
    disconnect(started);
    disconnect(ended);
    QCOMPARE(most, 3);
    // Strategy 2 gave each its own name.
    QVERIFY(QFile::exists(local.filePath("s 5.txt")));
}

void TestObjectSender::pauseAndCancelFreeSlots()
{
    QVERIFY(!server.seedFile(demoEmail, "/Hung/h.txt", "hung").isEmpty());
    QVERIFY(server.seedFile(demoEmail, "/Hung/free.txt", "free").size());
    QVERIFY(server.hang("/api/v1/object/Hung/h.txt", 3));
    QSignalSpy started(engine.get(), &EngineSignals::transferStarted);
    QList<MObjectTransfer> hung;
    for (int i = 0; i < 3; ++i)
        hung.append(sender->scheduleTransfer(download("/Hung/h.txt", local.filePath("h.txt"), 1)));
    QTRY_COMPARE(started.size(), 3);

    QSignalSpy paused(engine.get(), &EngineSignals::transferPaused);
    sender->pauseTransfer(hung.at(0));
    sender->pauseTransfer(hung.at(0));
    sender->cancelTransfer(hung.at(1));
    sender->cancelTransfer(hung.at(1));
    QVERIFY(paused.wait(20000));
    QCOMPARE(waitFinished(hung.at(1).identifier()).state(), int(MObjectTransfer::Canceled));

    // Both slots are free again: a new transfer runs while the third still hangs.
    const MObjectTransfer free = run(download("/Hung/free.txt", local.filePath("free.txt")));
    QCOMPARE(free.state(), int(MObjectTransfer::Completed));
    QCOMPARE(paused.size(), 1);
    QCOMPARE(MObjectTransfer::fromIdentifier(hung.at(0).identifier()).state(),
             int(MObjectTransfer::Paused));

    // Resumed, the paused one starts exactly once more and finishes once.
    sender->resumeTransfer(hung.at(0));
    sender->resumeTransfer(hung.at(0));
    QCOMPARE(waitFinished(hung.at(0).identifier()).state(), int(MObjectTransfer::Completed));
    sender->cancelTransfer(hung.at(2));
    waitFinished(hung.at(2).identifier());
    QTRY_COMPARE(sender->activeTransfersCount(), 0);
    int finishes = 0;
    for (const QList<QVariant> &signal : qAsConst(*finished))
        finishes += signal.at(0).value<MObjectTransfer>().identifier() == hung.at(1).identifier();
    QCOMPARE(finishes, 1);
}

void TestObjectSender::cutDownloadResumesWithRange()
{
    const QByteArray bytes = content(3 * MiB, 'c');
    QVERIFY(!server.seedFile(demoEmail, "/Cut/c.bin", bytes).isEmpty());
    MStorageObject object;
    object.setContentHash(md5Hex(bytes));
    object.setSize(bytes.size());
    MObjectTransferRequest request = download("/Cut/c.bin", local.filePath("c.bin"), 1);
    request.setAction(Tolvo::DownloadToCache);
    request.setStorageObject(object);
    const QString partial = TolvoApp::instance()->tempPath() + "/" + md5Hex(bytes).left(2) + "/" +
                            md5Hex(bytes).mid(2, 2) + "/" + md5Hex(bytes);
    const auto rangeOf = [](const QJsonValue &get) {
        return get.toObject().value("headers").toObject().value("range").toString();
    };

    // Each run is cut at a random point of its body. It ends in an error and keeps exactly
    // a prefix of the file, which the next run does not ask for again. Qt may send a cut GET
    // once more by itself; the engine must not add that second body to the first.
    const quint32 seed = QRandomGenerator::global()->generate();
    qInfo("cut offsets seeded with %u", seed);
    QRandomGenerator random(seed);
    qint64 kept = 0;
    MObjectTransfer done;
    for (int cut = 0; cut < 3; ++cut) {
        const qint64 after = 1 + random.bounded(int(bytes.size() - kept - 1));
        QVERIFY(server.cutDownload(after, "/Cut/c.bin"));
        QVERIFY(server.clearRequests());
        done = run(request);
        const QJsonArray gets = requestsUnder("/api/v1/object/");
        QVERIFY(!gets.isEmpty());
        QCOMPARE(rangeOf(gets.at(0)), QStringLiteral("bytes=%1-%2").arg(kept).arg(bytes.size()));
        // Now and then Qt sends the cut GET again before any of its body has reached the
        // engine, which then sees one whole download: sound, and nothing is left to resume.
        // The checks after the loop hold for it.
        if (done.state() == int(MObjectTransfer::Completed))
            break;
        QCOMPARE(done.state(), int(MObjectTransfer::Error));
        QCOMPARE(done.errorCode(), int(Tolvo::TransferStepFailed));
        QVERIFY(!QFile::exists(local.filePath("c.bin")));
        const QByteArray received = readAll(partial);
        QVERIFY2(received.size() >= kept && received.size() <= kept + after,
                 qPrintable(QStringLiteral("%1 bytes kept after a cut at %2 + %3")
                                .arg(received.size())
                                .arg(kept)
                                .arg(after)));
        QVERIFY(received == bytes.left(received.size()));
        kept = received.size();
    }

    if (done.state() != int(MObjectTransfer::Completed)) {
        QVERIFY(server.clearRequests());
        done = run(request);
    }
    QCOMPARE(done.state(), int(MObjectTransfer::Completed));
    // One GET, which Qt may have sent again when it found its connection closed.
    const QJsonArray gets = requestsUnder("/api/v1/object/");
    QVERIFY(!gets.isEmpty());
    for (const QJsonValue &get : gets)
        QCOMPARE(rangeOf(get), QStringLiteral("bytes=%1-%2").arg(kept).arg(bytes.size()));
    QVERIFY(readAll(local.filePath("c.bin")) == bytes);
    QVERIFY(!QFile::exists(partial));
}

void TestObjectSender::resumedDownloadStartsAtItsOffset()
{
    const QByteArray bytes = content(5 * MiB + 123, 'o');
    const QString hash = md5Hex(bytes);
    QVERIFY(!server.seedFile(demoEmail, "/Offset/o.bin", bytes).isEmpty());
    MStorageObject object;
    object.setContentHash(hash);
    object.setSize(bytes.size());
    MObjectTransferRequest request = download("/Offset/o.bin", local.filePath("o.bin"), 1);
    request.setAction(Tolvo::DownloadToCache);
    request.setStorageObject(object);
    const QString parked =
        TolvoApp::instance()->tempPath() + "/" + hash.left(2) + "/" + hash.mid(2, 2) + "/" + hash;
    const auto rangesAsked = [this] {
        QStringList ranges;
        for (const QJsonValue &get : requestsUnder("/api/v1/object/"))
            ranges << get.toObject().value("headers").toObject().value("range").toString();
        return ranges;
    };
    const auto park = [&](const QByteArray &kept) {
        QDir().mkpath(QFileInfo(parked).path());
        QFile file(parked);
        return file.open(QIODevice::WriteOnly) && file.write(kept) == kept.size();
    };

    // Interrupted on the way, then asked again: the rest is asked for from the first byte
    // missing, and put after the bytes kept.
    QVERIFY(park(bytes.left(2 * MiB + 7)));
    QVERIFY(server.cutDownload(MiB + 3, "/Offset/o.bin"));
    QVERIFY(server.clearRequests());
    MObjectTransfer done = run(request);
    QVERIFY(!rangesAsked().isEmpty());
    QCOMPARE(rangesAsked().first(),
             QStringLiteral("bytes=%1-%2").arg(2 * MiB + 7).arg(bytes.size()));
    qint64 kept = bytes.size();
    if (done.state() != int(MObjectTransfer::Completed)) {
        QCOMPARE(done.state(), int(MObjectTransfer::Error));
        const QByteArray received = readAll(parked);
        QVERIFY(received.size() >= 2 * MiB + 7 && received.size() <= 3 * MiB + 10);
        QVERIFY(received == bytes.left(received.size()));
        kept = received.size();
        QVERIFY(server.clearRequests());
        done = run(request);
    }
    QCOMPARE(done.state(), int(MObjectTransfer::Completed));
    QCOMPARE(done.resumeOffset(), kept == bytes.size() ? 2 * MiB + 7 : kept);
    QCOMPARE(done.totalTransferredBytes(), qint64(bytes.size()));
    for (const QString &range : rangesAsked())
        QCOMPARE(range, QStringLiteral("bytes=%1-%2").arg(done.resumeOffset()).arg(bytes.size()));
    QCOMPARE(md5Hex(readAll(local.filePath("o.bin"))), hash);
    QVERIFY(!QFile::exists(parked));

    // Bytes left behind that are longer than the file cannot be a prefix of it: the download
    // starts over and none of them is left after the body.
    QVERIFY(QFile::remove(local.filePath("o.bin")));
    QVERIFY(park(bytes + QByteArray(3 * MiB, 'x')));
    QVERIFY(server.clearRequests());
    done = run(request);
    QCOMPARE(done.state(), int(MObjectTransfer::Completed));
    QCOMPARE(done.resumeOffset(), qint64(0));
    QCOMPARE(rangesAsked().first(), QStringLiteral("bytes=0-%1").arg(bytes.size()));
    QCOMPARE(md5Hex(readAll(local.filePath("o.bin"))), hash);

    // A name taken beside the file for a plain download holds the bytes, and nothing of the
    // download is left behind.
    const QDir partials(TolvoApp::instance()->tempPath() + "/downloads");
    const QStringList before = partials.entryList(QDir::Files);
    done = run(download("/Offset/o.bin", local.filePath("o.bin"), 2));
    QCOMPARE(done.state(), int(MObjectTransfer::Completed));
    QVERIFY(done.transferRequest().destinationPath() != local.filePath("o.bin"));
    QCOMPARE(md5Hex(readAll(done.transferRequest().destinationPath())), hash);
    QCOMPARE(partials.entryList(QDir::Files), before);
}

void TestObjectSender::identicalDownloadsKeepTheirOwnFiles()
{
    // Files with the same bytes, downloaded into the cache at once: each transfer writes a
    // partial file of its own, so none finds another's bytes, or its own file gone.
    const QByteArray bytes = content(2 * MiB, 's');
    MStorageObject object;
    object.setContentHash(md5Hex(bytes));
    object.setSize(bytes.size());
    constexpr int Count = 12;
    for (int i = 0; i < Count; ++i)
        QVERIFY(
            !server.seedFile(demoEmail, QStringLiteral("/Same/%1.bin").arg(i), bytes).isEmpty());
    QList<qint64> ids;
    for (int i = 0; i < Count; ++i) {
        MObjectTransferRequest request =
            download(QStringLiteral("/Same/%1.bin").arg(i),
                     local.filePath(QStringLiteral("same-%1").arg(i)), 1);
        request.setAction(Tolvo::DownloadToCache);
        request.setStorageObject(object);
        ids.append(sender->scheduleTransfer(request).identifier());
    }
    for (int i = 0; i < Count; ++i) {
        QCOMPARE(waitFinished(ids.at(i)).state(), int(MObjectTransfer::Completed));
        QVERIFY(readAll(local.filePath(QStringLiteral("same-%1").arg(i))) == bytes);
    }
    QVERIFY(notes->isEmpty());

    // Bytes an earlier download left (one cut short, or one of an earlier version of the
    // program) are taken over by the next download of the content, which asks for the rest.
    const QString hash = md5Hex(bytes);
    const QString parked =
        TolvoApp::instance()->tempPath() + "/" + hash.left(2) + "/" + hash.mid(2, 2) + "/" + hash;
    QVERIFY(QDir().mkpath(QFileInfo(parked).path()));
    QFile prefix(parked);
    QVERIFY(prefix.open(QIODevice::WriteOnly) && prefix.write(bytes.left(MiB)) == MiB);
    prefix.close();
    QVERIFY(server.clearRequests());
    MObjectTransferRequest other = download("/Same/1.bin", local.filePath("other"), 1);
    other.setAction(Tolvo::DownloadToCache);
    other.setStorageObject(object);
    QCOMPARE(run(other).state(), int(MObjectTransfer::Completed));
    QVERIFY(readAll(local.filePath("other")) == bytes);
    const QJsonArray gets = requestsUnder("/api/v1/object/");
    QVERIFY(!gets.isEmpty());
    QCOMPARE(gets.at(0).toObject().value("headers").toObject().value("range").toString(),
             QStringLiteral("bytes=%1-%2").arg(MiB).arg(bytes.size()));
    QVERIFY(!QFile::exists(parked));
}

void TestObjectSender::changedCachedCopyIsReplacedWhole()
{
    // A cached file whose content changed on the service is replaced by the verified download
    // in one step: the old copy is taken away whole, never written over, and nothing of it is
    // left beside the new one or among the partial downloads. A folder in the file's place is
    // left as it is.
    const QString folder = TolvoApp::instance()->cachePath() + QStringLiteral("/objects/Changed");
    QVERIFY(QDir().mkpath(folder));
    const QString cached = folder + QStringLiteral("/c.txt");
    const QByteArray old = "old copy";
    QFile oldFile(cached);
    QVERIFY(oldFile.open(QIODevice::WriteOnly) && oldFile.write(old) == old.size());
    oldFile.close();
    // A second name of the old file shows whether its bytes were written over.
    const QString oldName = folder + QStringLiteral("/.old");
    QCOMPARE(::link(QFile::encodeName(cached).constData(), QFile::encodeName(oldName).constData()),
             0);

    const QByteArray fresh = content(MiB, 'n');
    QVERIFY(!server.seedFile(demoEmail, "/Changed/c.txt", fresh).isEmpty());
    MStorageObject object;
    object.setContentHash(md5Hex(fresh));
    object.setSize(fresh.size());
    MObjectTransferRequest request = download("/Changed/c.txt", cached, 1);
    request.setAction(Tolvo::DownloadToCache);
    request.setStorageObject(object);
    QCOMPARE(run(request).state(), int(MObjectTransfer::Completed));
    QVERIFY(readAll(cached) == fresh);
    QCOMPARE(readAll(oldName), old);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name),
             (QStringList{QStringLiteral(".old"), QStringLiteral("c.txt")}));
    struct stat oldInfo;
    QCOMPARE(::stat(QFile::encodeName(oldName).constData(), &oldInfo), 0);
    QCOMPARE(oldInfo.st_nlink, nlink_t(1));
    QDirIterator partials(TolvoApp::instance()->tempPath(), QDir::Files | QDir::Hidden,
                          QDirIterator::Subdirectories);
    while (partials.hasNext())
        QVERIFY2(readAll(partials.next()) != old, qPrintable(partials.filePath()));

    const QString taken = folder + QStringLiteral("/d.txt");
    QVERIFY(QDir().mkpath(taken + QStringLiteral("/inside")));
    MObjectTransferRequest onFolder = download("/Changed/c.txt", taken, 1);
    onFolder.setAction(Tolvo::DownloadToCache);
    onFolder.setStorageObject(object);
    QCOMPARE(run(onFolder).state(), int(MObjectTransfer::Error));
    QVERIFY(QFileInfo(taken + QStringLiteral("/inside")).isDir());
}

void TestObjectSender::overwriteStrategies()
{
    QVERIFY(!server.seedFile(demoEmail, "/Over/o.txt", "remote").isEmpty());
    QTemporaryDir folder;
    const QString target = folder.filePath("o.txt");
    auto existing = [&] {
        QFile file(target);
        return file.open(QIODevice::WriteOnly) && file.write("mine") == 4;
    };

    // 0: an existing file is never touched.
    QVERIFY(existing());
    MObjectTransfer done = run(download("/Over/o.txt", target, 0));
    QCOMPARE(done.state(), int(MObjectTransfer::Error));
    QCOMPARE(done.errorCode(), int(Tolvo::LocalFileExists));
    QCOMPARE(readAll(target), QByteArray("mine"));

    // 1 and 3: replaced, once the download is verified; a download that fails on the way
    // leaves the file as it was.
    for (const int strategy : {1, 3}) {
        QVERIFY(existing());
        QVERIFY(server.cutDownload(3, "/Over/o.txt"));
        done = run(download("/Over/o.txt", target, strategy));
        QCOMPARE(done.state(), int(MObjectTransfer::Error));
        QCOMPARE(readAll(target), QByteArray("mine"));
        QVERIFY(server.forceStatus("/api/v1/object/Over/o.txt", 500, "{}"));
        done = run(download("/Over/o.txt", target, strategy));
        QCOMPARE(done.state(), int(MObjectTransfer::Error));
        QCOMPARE(readAll(target), QByteArray("mine"));
        done = run(download("/Over/o.txt", target, strategy));
        QCOMPARE(done.state(), int(MObjectTransfer::Completed));
        QCOMPARE(readAll(target), QByteArray("remote"));
    }
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{"o.txt"});

    // 2: a free name beside it; the existing file stays.
    QVERIFY(existing());
    done = run(download("/Over/o.txt", target, 2));
    QCOMPARE(done.state(), int(MObjectTransfer::Completed));
    QCOMPARE(readAll(target), QByteArray("mine"));
    const QString other = done.transferRequest().destinationPath();
    QVERIFY(other != target);
    QCOMPARE(QFileInfo(other).absolutePath(), QFileInfo(target).absolutePath());
    QCOMPARE(readAll(other), QByteArray("remote"));
}

void TestObjectSender::corruptDownloadLeavesDestination()
{
    QVERIFY(!server.seedFile(demoEmail, "/Bad/b.txt", "remote").isEmpty());
    const QString target = writeFile("b.txt", "mine");
    QVERIFY(server.fakeMetadataHash(QString(32, QLatin1Char('0'))));
    MObjectTransfer done = run(download("/Bad/b.txt", target, 1));
    QCOMPARE(done.state(), int(MObjectTransfer::Error));
    QCOMPARE(done.errorCode(), int(Tolvo::CannotContinue));
    QCOMPARE(readAll(target), QByteArray("mine"));

    // A whole body sent for a ranged request is not appended to the partial file.
    QVERIFY(server.ignoreRange());
    MStorageObject object;
    object.setContentHash(md5Hex("remote"));
    object.setSize(6);
    MObjectTransferRequest cached = download("/Bad/b.txt", target, 1);
    cached.setAction(Tolvo::DownloadToCache);
    cached.setStorageObject(object);
    const QString partial = TolvoApp::instance()->tempPath() + "/" + md5Hex("remote").left(2) +
                            "/" + md5Hex("remote").mid(2, 2) + "/" + md5Hex("remote");
    QDir().mkpath(QFileInfo(partial).absolutePath());
    QFile prefix(partial);
    QVERIFY(prefix.open(QIODevice::WriteOnly) && prefix.write("rem") == 3);
    prefix.close();
    done = run(cached);
    QCOMPARE(done.state(), int(MObjectTransfer::Completed));
    QCOMPARE(readAll(target), QByteArray("remote"));
}

void TestObjectSender::linksInTheTemporaryFolderAreNotFollowed_data()
{
    QTest::addColumn<QString>("planted");
    QTest::addColumn<bool>("intoCache");
    QTest::newRow("at the partial file") << "partial" << false;
    QTest::newRow("at the parked bytes") << "parked" << false;
    QTest::newRow("at the partial files' folder") << "folder" << false;
    QTest::newRow("hard link at the partial file") << "hard partial" << true;
    QTest::newRow("hard link at the parked bytes") << "hard parked" << true;
    QTest::newRow("folder swapped in mid-download, into the cache") << "swapped" << true;
    QTest::newRow("folder swapped in mid-download, elsewhere") << "swapped" << false;
}

void TestObjectSender::linksInTheTemporaryFolderAreNotFollowed()
{
    // The temporary folder is the program's own: a link (or a second name of a file elsewhere)
    // planted in it is not written through, nor is what it points to removed, and the download
    // goes on as if it were not there. Planted once the download has begun, it fails the
    // download, which says why, and nothing from outside takes the downloaded file's place.
    QFETCH(QString, planted);
    QFETCH(bool, intoCache);
    const QByteArray bytes = content(3 * MiB, 'k');
    const QString hash = md5Hex(bytes);
    const QString name = QString(planted).replace(' ', '-') + (intoCache ? "-cached" : "");
    const QString remote = QStringLiteral("/Linked/%1.bin").arg(name);
    QVERIFY(!server.seedFile(demoEmail, remote, bytes).isEmpty());
    MStorageObject object;
    object.setContentHash(hash);
    object.setSize(bytes.size());
    const QString target = intoCache ? TolvoApp::instance()->cachePath() + "/objects" + remote
                                     : local.filePath("linked-" + name);
    MObjectTransferRequest request = download(remote, target, 1);
    request.setAction(Tolvo::DownloadToCache);
    request.setStorageObject(object);
    QVERIFY(QDir().mkpath(QFileInfo(target).path()));

    const QString temp = TolvoApp::instance()->tempPath();
    // Beside the data folder, on its file system: a hard link can reach it.
    QTemporaryDir outside(QFileInfo(QFileInfo(temp).path()).path() + "/outside-XXXXXX");
    QVERIFY(outside.isValid());
    const bool swapped = planted == "swapped";
    const QByteArray theirs = swapped ? "9 bytes.." : "not the program's";
    const auto writeOutside = [&](const QString &path) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(theirs) == theirs.size();
    };
    const auto plantLink = [](const QString &target, const QString &at) {
        QDir().mkpath(QFileInfo(at).path());
        QFile::remove(at);
        return QFile::link(target, at);
    };
    const auto plantHardLink = [](const QString &target, const QString &at) {
        QDir().mkpath(QFileInfo(at).path());
        QFile::remove(at);
        return ::link(QFile::encodeName(target).constData(), QFile::encodeName(at).constData()) ==
               0;
    };

    // Whatever the outcome, the next tests find the engine running and a folder of partial files.
    QMetaObject::Connection swapping;
    const auto restore = qScopeGuard([this, temp, &swapping] {
        QObject::disconnect(swapping);
        sender->resume();
        const QString downloads = temp + "/downloads";
        if (QFileInfo(downloads).isSymLink())
            QFile::remove(downloads);
        QDir().mkpath(downloads);
    });
    // A partial file is named by its transfer: the engine waits while the link is planted.
    sender->pause();
    QTRY_VERIFY(sender->isPaused());
    const qint64 id = sender->scheduleTransfer(request).identifier();
    const QString partialName = QStringLiteral("%1.part").arg(id);
    const auto swapDone = std::make_shared<std::atomic_bool>(false);
    const bool inFolder = planted == "folder" || swapped;
    const QString victim = outside.filePath(inFolder ? partialName : "victim");
    QVERIFY(writeOutside(victim));
    const QString parked = temp + "/" + hash.left(2) + "/" + hash.mid(2, 2) + "/" + hash;
    const QString downloads = temp + "/downloads";
    if (planted == "partial") {
        QVERIFY(plantLink(victim, downloads + "/" + partialName));
    } else if (planted == "parked") {
        QVERIFY(plantLink(victim, parked));
    } else if (planted == "hard partial") {
        QVERIFY(plantHardLink(victim, downloads + "/" + partialName));
    } else if (planted == "hard parked") {
        QVERIFY(plantHardLink(victim, parked));
    } else if (planted == "folder") {
        QVERIFY(QDir(downloads).removeRecursively());
        QVERIFY(plantLink(outside.path(), downloads));
    } else {
        // Once the partial file is open and its request sent, on the engine's thread.
        swapping = connect(
            sender, &MObjectSender::transferStarted, sender,
            [id, swapDone, downloads, elsewhere = outside.path()](const MObjectTransfer &transfer) {
                if (transfer.identifier() != id || *swapDone)
                    return;
                *swapDone =
                    QDir(downloads).removeRecursively() && QFile::link(elsewhere, downloads);
            },
            Qt::DirectConnection);
        QVERIFY(swapping);
    }
    sender->resume();

    const MObjectTransfer done = waitFinished(id);
    QCOMPARE(readAll(victim), theirs);
    QCOMPARE(QDir(outside.path()).entryList(QDir::Files),
             QStringList{QFileInfo(victim).fileName()});
    if (swapped) {
        QVERIFY(*swapDone);
        QCOMPARE(done.state(), int(MObjectTransfer::Error));
        QCOMPARE(done.errorCode(), int(Tolvo::LocalIOError));
        QVERIFY(!QFile::exists(target));
        QVERIFY(!notes->isEmpty() || notes->wait(30000));
        QStringList said;
        for (const QList<QVariant> &note : qAsConst(*notes))
            said << note.at(0).value<MNotification>().message();
        QCOMPARE(said,
                 QStringList{QStringLiteral("Unable to download file %1: a link or a file that is "
                                            "not Lumarin's own was found in its data folder, so "
                                            "nothing was written there.")
                                 .arg(remote)});
        return;
    }
    QCOMPARE(done.state(), int(MObjectTransfer::Completed));
    QVERIFY(readAll(target) == bytes);
    struct stat info;
    QCOMPARE(::stat(QFile::encodeName(victim).constData(), &info), 0);
    QCOMPARE(info.st_nlink, nlink_t(1));
    QVERIFY(!QFileInfo(downloads).isSymLink());
}

void TestObjectSender::fullDiskIsSaidAndFreed_data()
{
    QTest::addColumn<bool>("temporary");
    QTest::newRow("the temporary folder's disk") << true;
    QTest::newRow("the destination's disk") << false;
}

void TestObjectSender::fullDiskIsSaidAndFreed()
{
    // A download onto a full disk says that the disk is full and which folder it holds, leaves
    // nothing of itself there to hold on to the room, and goes through once there is room.
    QFETCH(bool, temporary);
    const QByteArray bytes = content(3 * MiB, 'f');
    QVERIFY(!server.seedFile(demoEmail, "/Full/f.bin", bytes).isEmpty());
    const QString temp = TolvoApp::instance()->tempPath();
    const QString target = local.filePath(temporary ? "full-temp.bin" : "full/f.bin");
    QVERIFY(QDir().mkpath(QFileInfo(target).path()));
    MObjectTransferRequest request = download("/Full/f.bin", target, 1);
    if (temporary) {
        // Kept for a later range on any other failure, its bytes would keep the disk full.
        MStorageObject object;
        object.setContentHash(md5Hex(bytes));
        object.setSize(bytes.size());
        request.setAction(Tolvo::DownloadToCache);
        request.setStorageObject(object);
    }
    const QString full = temporary ? temp : QFileInfo(target).path();
    SmallDisk disk(full);
    if (!disk.mounted())
        QSKIP("mounting a small file system needs privileges this run does not have");

    MObjectTransfer done = run(request);
    QCOMPARE(done.state(), int(MObjectTransfer::Error));
    QCOMPARE(done.errorCode(), int(Tolvo::LocalDiskFull));
    const QString folder = temporary ? temp + "/downloads" : full;
    QCOMPARE(done.errors().value(0).path(), folder);
    QVERIFY(!notes->isEmpty() || notes->wait(30000));
    const QString said = notes->constLast().at(0).value<MNotification>().message();
    QVERIFY2(said.contains(QStringLiteral("the disk holding '%1' is full").arg(folder)) &&
                 said.contains(QStringLiteral("download the file again")),
             qPrintable(said));
    QDirIterator left(full, QDir::Files | QDir::Hidden | QDir::System,
                      QDirIterator::Subdirectories);
    QVERIFY2(!left.hasNext(), qPrintable(left.hasNext() ? left.next() : QString()));
    QVERIFY(!QFile::exists(target));

    disk.unmount();
    done = run(request);
    QCOMPARE(done.state(), int(MObjectTransfer::Completed));
    QVERIFY(readAll(target) == bytes);
}

void TestObjectSender::signedOutTransfersWait()
{
    QVERIFY(!server.seedFile(demoEmail, "/Later/l.txt", "later").isEmpty());
    MUserAuthManager *auth = TolvoApp::instance()->authManager();
    QSignalSpy signedOut(auth, &MUserAuthManager::logoutPerformed);
    auth->reset();
    QVERIFY(signedOut.count() == 1 || signedOut.wait(30000));

    const MObjectTransfer waiting =
        sender->scheduleTransfer(download("/Later/l.txt", local.filePath("l.txt")));
    // Nobody's to run while nobody is signed in.
    QVERIFY(!MObjectTransfer::hasPendingTransfers());
    QCOMPARE(MObjectTransfer::fromIdentifier(waiting.identifier()).state(),
             int(MObjectTransfer::Scheduled));
    QCOMPARE(requestsUnder("/api/v1/object/").size(), 0);

    auth->authenticateUser(demoEmail, TestData::demoPassword);
    QCOMPARE(waitFinished(waiting.identifier()).state(), int(MObjectTransfer::Completed));
    QCOMPARE(readAll(local.filePath("l.txt")), QByteArray("later"));
}

void TestObjectSender::uploadsWaitForAnUnreachableService()
{
    // With the service stopped, an upload is not failed: it waits, nothing is reported, and
    // it goes up once the service is back.
    const QString file = writeFile("waits.txt", "sent when the service is back");
    MObjectTransferRequest upload(file, "/Waits/waits.txt", 0);
    upload.setAction(Tolvo::UploadObject);
    upload.setMode(2);
    server.stop();
    const MObjectTransfer waiting = sender->scheduleTransfer(upload);
    QTRY_VERIFY_WITH_TIMEOUT(sender->isPaused(), 30000);
    const int state = MObjectTransfer::fromIdentifier(waiting.identifier()).state();
    QVERIFY2(state == MObjectTransfer::Scheduled || state == MObjectTransfer::Idle,
             qPrintable(QString::number(state)));
    QVERIFY(notes->isEmpty());
    QVERIFY(finished->isEmpty());

    QVERIFY(server.restart());
    QCOMPARE(waitFinished(waiting.identifier()).state(), int(MObjectTransfer::Completed));
    QVERIFY(notes->isEmpty());
}

void TestObjectSender::downloadsRefreshAnExpiredToken()
{
    // The tokens expire while each request is held at the service: its 401 refreshes them and
    // the download starts again, a cache download as well as a plain one.
    QVERIFY(!server.seedFile(demoEmail, "/Expiry/plain.txt", "plain").isEmpty());
    QVERIFY(!server.seedFile(demoEmail, "/Expiry/cached.txt", "cached").isEmpty());
    MStorageObject object;
    object.setContentHash(md5Hex("cached"));
    object.setSize(6);
    MObjectTransferRequest cached = download("/Expiry/cached.txt", local.filePath("cached.txt"), 1);
    cached.setAction(Tolvo::DownloadToCache);
    cached.setStorageObject(object);
    const QList<QPair<MObjectTransferRequest, QByteArray>> cases{
        {download("/Expiry/plain.txt", local.filePath("plain.txt")), "plain"}, {cached, "cached"}};
    for (const auto &entry : cases) {
        const QString path = "/api/v1/object" + entry.first.sourcePath();
        QVERIFY(server.clearRequests());
        QVERIFY(server.delay(path, 1500, 1, "GET"));
        const qint64 id = sender->scheduleTransfer(entry.first).identifier();
        QTRY_COMPARE_WITH_TIMEOUT(requestsUnder(path).size(), 1, 20000);
        QVERIFY(server.expireTokens(demoEmail));
        const MObjectTransfer done = waitFinished(id);
        QCOMPARE(done.state(), int(MObjectTransfer::Completed));
        QCOMPARE(readAll(entry.first.destinationPath()), entry.second);
        QCOMPARE(requestsUnder(path).size(), 2);
    }
}

void TestObjectSender::stalledRequestsFreeTheirSlot()
{
    // The service takes a download and an upload and never answers: each fails once nothing
    // has moved for the stall timeout, and runs again to the end when retried.
    sender->setStallTimeout(1500);
    QVERIFY(!server.seedFile(demoEmail, "/Stall/down.txt", "down").isEmpty());
    QVERIFY(server.hang("/api/v1/object/Stall/down.txt", 1, "GET"));
    const MObjectTransferRequest down = download("/Stall/down.txt", local.filePath("down.txt"));
    MObjectTransfer done = run(down);
    QCOMPARE(done.state(), int(MObjectTransfer::Error));
    QCOMPARE(done.errorCode(), int(Tolvo::TransferStepFailed));
    QCOMPARE(run(down).state(), int(MObjectTransfer::Completed));
    QCOMPARE(readAll(local.filePath("down.txt")), QByteArray("down"));

    MObjectTransferRequest up(writeFile("up.txt", "up"), "/Stall/up.txt", 0);
    up.setAction(Tolvo::UploadObject);
    up.setMode(2);
    QVERIFY(server.hang("/api/v1/objects/Stall/up.txt", 1, "PUT"));
    QCOMPARE(run(up).state(), int(MObjectTransfer::Error));
    QCOMPARE(run(up).state(), int(MObjectTransfer::Completed));
    QCOMPARE(sender->activeTransfersCount(), 0);
    sender->setStallTimeout(60000);
}

void TestObjectSender::uploadAnswersTricklingInAreNotStalls()
{
    // Under the stall limit LUMARIN_STALL_TIMEOUT_MS sets, as every request of the program
    // has it: an upload whose answer arrives a byte at a time, for longer than the limit in
    // all, goes through, while one the service never answers is given up.
    const QString file = writeFile("trickled.txt", "answered a byte at a time");
    // The opening's answer, some 90 bytes, takes several times the limit to arrive.
    QVERIFY(server.drip("/api/v1/objects/Trickle/slow.txt", 100, 1, "PUT"));
    QVERIFY(server.hang("/api/v1/objects/Trickle/never.txt", 1, "PUT"));
    qputenv("LUMARIN_STALL_TIMEOUT_MS", "2500");
    const TestCore::SubprocessResult result =
        TestCore::runSubprocess(QStringLiteral("stall"),
                                {server.baseUrl().toString(), local.filePath("support-stall"), file,
                                 "/Trickle/slow.txt", "/Trickle/never.txt"},
                                300000);
    qunsetenv("LUMARIN_STALL_TIMEOUT_MS");
    QVERIFY2(!result.crashed && result.exitCode == 0,
             qPrintable(QString::number(result.exitCode) + " " +
                        QString::fromLocal8Bit(result.standardError.right(2000))));
    QCOMPARE(
        QString::fromLocal8Bit(result.standardOutput).split('\n', Qt::SkipEmptyParts),
        (QStringList{"limit 2500",
                     QStringLiteral("/Trickle/slow.txt %1").arg(int(MObjectTransfer::Completed)),
                     QStringLiteral("/Trickle/never.txt %1").arg(int(MObjectTransfer::Error))}));
}

void TestObjectSender::pauseStopsHashing()
{
    // Hashing sparse gigabytes outlasts the pause by far, even on a loaded machine.
    const QString path = local.filePath("sparse.bin");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(qint64(8) * 1024 * MiB));
    file.close();
    MObjectTransferRequest upload(path, "/Sparse/sparse.bin", 0);
    upload.setAction(Tolvo::UploadObject);
    QSignalSpy started(engine.get(), &EngineSignals::transferStarted);
    QSignalSpy paused(engine.get(), &EngineSignals::transferPaused);
    const MObjectTransfer transfer = sender->scheduleTransfer(upload);
    QTRY_COMPARE(MObjectTransfer::fromIdentifier(transfer.identifier()).state(),
                 int(MObjectTransfer::Running));

    sender->pauseTransfer(transfer);
    QVERIFY(paused.wait(20000));
    QCOMPARE(sender->activeTransfersCount(), 0);
    QCOMPARE(started.size(), 0);
    QCOMPARE(requestsUnder("/api/v1/sync/").size(), 0);
    sender->cancelTransfer(transfer);
    QCOMPARE(waitFinished(transfer.identifier()).state(), int(MObjectTransfer::Canceled));
    QCOMPARE(requestsUnder("/api/v1/sync/").size(), 0);
}

void TestObjectSender::pauseGroupAndResume()
{
    QVERIFY(!server.seedFile(demoEmail, "/Group/g.txt", "group").isEmpty());
    QVERIFY(server.hang("/api/v1/object/Group/g.txt", 2));
    QSignalSpy started(engine.get(), &EngineSignals::transferStarted);
    QSignalSpy paused(engine.get(), &EngineSignals::transferPaused);
    QSignalSpy groupPaused(engine.get(), &EngineSignals::transferGroupPaused);
    QSignalSpy groupFinished(engine.get(), &EngineSignals::transferGroupFinished);
    const QList<MObjectTransferRequest> members{download("/Group/g.txt", local.filePath("g.txt")),
                                                download("/Group/g.txt", local.filePath("g.txt"))};
    const MObjectTransferGroup group =
        sender->scheduleTransferGroup(members, MObjectTransferRequest(), "Group");
    QTRY_COMPARE(started.size(), 2);
    // Both held at the service before the pause: one cancelled before it left would leave a
    // hang for the resumed download to meet.
    QTRY_COMPARE_WITH_TIMEOUT(requestsUnder("/api/v1/object/Group/g.txt").size(), 2, 30000);

    sender->pauseGroup(group);
    QVERIFY(groupPaused.wait(20000));
    QCOMPARE(paused.size(), 2);
    QCOMPARE(sender->activeTransfersCount(), 0);
    for (const MObjectTransfer &member : group.transfers())
        QCOMPARE(MObjectTransfer::fromIdentifier(member.identifier()).state(),
                 int(MObjectTransfer::Paused));

    sender->resumeGroup(group);
    QVERIFY(groupFinished.wait(30000));
    for (const MObjectTransfer &member : group.transfers())
        QCOMPARE(waitFinished(member.identifier()).state(), int(MObjectTransfer::Completed));
    QCOMPARE(groupFinished.size(), 1);
}

void TestObjectSender::lateReplyAfterPauseChangesNothing()
{
    QVERIFY(!server.seedFile(demoEmail, "/Late/l.txt", "on time").isEmpty());
    QVERIFY(server.hang("/api/v1/object/Late/l.txt"));
    MNetworkRequestManager *plain = nullptr;
    for (MNetworkRequestManager *manager : sender->findChildren<MNetworkRequestManager *>()) {
        if (!qobject_cast<MJsonRequestManager *>(manager))
            plain = manager;
    }
    QVERIFY(plain);
    // Ends the connections to this case's locals, however the case ends.
    QObject scope;
    MNetworkRequest sent;
    connect(plain, &MNetworkRequestManager::requestCanceled, &scope,
            [&](const MNetworkRequest &request) { sent = request; });
    QSignalSpy started(engine.get(), &EngineSignals::transferStarted);
    QSignalSpy paused(engine.get(), &EngineSignals::transferPaused);
    const QString target = local.filePath("late.txt");
    const MObjectTransfer transfer = sender->scheduleTransfer(download("/Late/l.txt", target, 1));
    QVERIFY(started.wait(30000));
    QTRY_COMPARE_WITH_TIMEOUT(requestsUnder("/api/v1/object/Late/l.txt").size(), 1, 30000);
    sender->pauseTransfer(transfer);
    QVERIFY(paused.wait(20000));
    QTRY_VERIFY(!sent.requestId().isEmpty());

    // The canceled request's answer, as if it had been on its way already. The engine
    // handles it before the spy hears of it.
    bool replayed = false;
    connect(plain, &MNetworkRequestManager::replyFinishedForRequest, &scope,
            [&] { replayed = true; });
    QMetaObject::invokeMethod(plain, [plain, sent] {
        emit plain->dataArrivedForRequest(sent, "junk", MNetworkReply());
        emit plain->replyFinishedForRequest(sent, MNetworkReply());
    });
    QTRY_VERIFY_WITH_TIMEOUT(replayed, 30000);
    QVERIFY(finished->isEmpty());
    QCOMPARE(MObjectTransfer::fromIdentifier(transfer.identifier()).state(),
             int(MObjectTransfer::Paused));
    QCOMPARE(sender->activeTransfersCount(), 0);

    sender->resumeTransfer(transfer);
    QCOMPARE(waitFinished(transfer.identifier()).state(), int(MObjectTransfer::Completed));
    QCOMPARE(readAll(target), QByteArray("on time"));
}

// A transfer belongs to the account that queued it: while another is signed in, nothing of it
// reaches the service; once its own account is back, it goes.
void TestObjectSender::queuedTransfersWaitForTheirAccount()
{
    const QString other = QStringLiteral("other@kerlo.local");
    const QString otherPassword = QStringLiteral("other-password");
    QVERIFY(!server.createUser(other, otherPassword).isEmpty());
    const auto upload = [this](const QString &name) {
        MObjectTransferRequest request(writeFile(name, name.toUtf8()), "/Owned/" + name, 0);
        request.setAction(Tolvo::UploadObject);
        request.setMode(2);
        return request;
    };
    // Held, so that the first account's transfer is still queued when it signs out.
    QMetaObject::invokeMethod(sender, &MObjectSender::pause);
    QTRY_VERIFY(sender->isPaused());
    const MObjectTransfer mine = sender->scheduleTransfer(upload("mine.txt"));
    QVERIFY(core.signIn(other, otherPassword));
    const MObjectTransfer theirs = sender->scheduleTransfer(upload("theirs.txt"));
    QMetaObject::invokeMethod(sender, &MObjectSender::resume);
    // Queued first, the first account's would have gone first.
    QCOMPARE(waitFinished(theirs.identifier()).state(), int(MObjectTransfer::Completed));
    const auto mentions = [this](const QString &name) {
        int count = 0;
        for (const QJsonValue &request : server.requests()) {
            const QJsonObject fields = request.toObject();
            count += (fields.value("path").toString() + fields.value("query").toString() +
                      fields.value("body").toString())
                         .contains(name);
        }
        return count;
    };
    QVERIFY(mentions("theirs.txt") > 0);
    QCOMPARE(mentions("mine.txt"), 0);
    QCOMPARE(MObjectTransfer::fromIdentifier(mine.identifier()).state(),
             int(MObjectTransfer::Scheduled));

    QVERIFY(core.signIn());
    const MObjectTransfer done = waitFinished(mine.identifier());
    QCOMPARE(done.state(), int(MObjectTransfer::Completed));
    QVERIFY(mentions("mine.txt") > 0);
    // Into the first account's store: its copy is there to download.
    const QString back = local.filePath("mine-back.txt");
    QCOMPARE(run(download("/Owned/mine.txt", back)).state(), int(MObjectTransfer::Completed));
    QCOMPARE(readAll(back), QByteArray("mine.txt"));
}

TESTCORE_MAIN_WITH_SUBPROCESS(TestObjectSender, stallCase)
#include "tst_objectsender.moc"

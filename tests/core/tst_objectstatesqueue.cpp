#include "logcapture.h"
#include "mnotificationmanager.h"
#include "mobjectstatesqueue.h"
#include "storageobjecttypes.h"
#include "testcore.h"
#include "transfertypes.h"
#include "unprivilegedfiles.h"

#include <QDir>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QThread>
#include <QtConcurrent>
#include <QtTest>

#include <csignal>
#include <memory>
#include <unistd.h>

namespace {

MObjectTransfer makeTransfer(int state, const QString &source, qint64 identifier = 0)
{
    MObjectTransfer transfer;
    transfer.setIdentifier(identifier);
    transfer.setState(state);
    transfer.setTransferRequest(MObjectTransferRequest(source, QStringLiteral("/remote"), 0));
    return transfer;
}

// Rows of a query on the file, through a connection of the test's own.
QList<QVariantList> rows(const QString &path, const QString &sql)
{
    QList<QVariantList> result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "inspect");
        db.setDatabaseName(path);
        QSqlQuery query(db);
        if (db.open() && query.exec(sql)) {
            while (query.next()) {
                QVariantList row;
                for (int i = 0; i < query.record().count(); ++i)
                    row.append(query.value(i));
                result.append(row);
            }
        } else {
            result.append({QStringLiteral("failed: ") + query.lastError().text()});
        }
    }
    QSqlDatabase::removeDatabase("inspect");
    return result;
}

QStringList logSince(int first)
{
    return LogCapture::messages().mid(first);
}

QStringList waitingOwners(const MObjectStatesQueue &queue)
{
    QStringList owners;
    for (const MObjectTransfer &transfer : queue.waitingTransfers())
        owners.append(transfer.owner());
    return owners;
}

// Every transfer the queue would run, in order, as their source paths.
QStringList drain(MObjectStatesQueue &queue)
{
    QStringList sources;
    bool found = true;
    while (found) {
        const MObjectTransfer transfer = queue.takeNextTransfer(&found);
        if (found)
            sources.append(transfer.transferRequest().sourcePath());
    }
    return sources;
}

constexpr int BatchSize = 20;

// Batch n of the killed writer: its new transfers, and the previous batch finished.
QList<MObjectTransfer> writerBatch(int n)
{
    QList<MObjectTransfer> batch;
    for (int i = 0; i < BatchSize; ++i) {
        batch.append(makeTransfer(MObjectTransfer::Scheduled, QStringLiteral("batch %1").arg(n),
                                  qint64(n) * BatchSize + i + 1));
        if (n > 0)
            batch.append(makeTransfer(MObjectTransfer::Completed,
                                      QStringLiteral("batch %1").arg(n - 1),
                                      qint64(n - 1) * BatchSize + i + 1));
    }
    return batch;
}

int runCase(const QString &name, const QStringList &arguments)
{
    registerStorageObjectTypes();
    if (name == QLatin1String("killedWriter")) {
        auto *queue = new MObjectStatesQueue;
        queue->setDatabasePath(arguments.value(0));
        QAtomicInt batches;
        QThread *writer = QThread::create([queue, &batches] {
            for (int n = 0;; ++n) {
                queue->saveTransfers(writerBatch(n));
                batches.storeRelease(n + 1);
            }
        });
        writer->start();
        while (batches.loadAcquire() < 30)
            QThread::yieldCurrentThread();
        // Somewhere in a later batch, not right at its start.
        QThread::usleep(QRandomGenerator::global()->bounded(5000));
        ::kill(::getpid(), SIGKILL);
    }
    return 2;
}

} // namespace

class tst_ObjectStatesQueue : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void fileLivesWhileTransfersRemain();
    void savedTransferRestarts();
    void finishedTransferStaysFinished_data();
    void finishedTransferStaysFinished();
    void finishedTransfersAreForgottenOldestFirst();
    void takeNextOrder();
    void takeNextFollowsEveryChange();
    void transfersWaitForTheirOwner();
    void groupsAfterRestart();
    void connectionPerThread();
    void onlyTheEngineCopiesTheLogBack();
    void damagedFileIsSetAside_data();
    void damagedFileIsSetAside();
    void failedRemovalKeepsTheBatchAndSaysIt_data();
    void failedRemovalKeepsTheBatchAndSaysIt();
    void unusableLocationKeepsQueueInMemory_data();
    void unusableLocationKeepsQueueInMemory();
    void killedWriterLeavesWholeBatches();

private:
    QScopedPointer<QTemporaryDir> folder;
    QString path;
};

void tst_ObjectStatesQueue::initTestCase()
{
    LogCapture::install();
    registerStorageObjectTypes();
    registerTransferTypes();
}

void tst_ObjectStatesQueue::init()
{
    folder.reset(new QTemporaryDir);
    path = folder->filePath(QStringLiteral("transfers.db"));
}

void tst_ObjectStatesQueue::fileLivesWhileTransfersRemain()
{
    {
        MObjectStatesQueue queue;
        queue.setDatabasePath(path);
        QVERIFY(QFile::exists(path));
        QCOMPARE(rows(path, "SELECT name FROM sqlite_master WHERE type='table' AND name LIKE 'm%' "
                            "ORDER BY name"),
                 QList<QVariantList>({{"mgroups"}, {"mtransfers"}}));
    }
    QVERIFY(!QFile::exists(path)); // nothing was ever saved

    {
        MObjectStatesQueue queue;
        queue.setDatabasePath(path);
        MObjectTransfer transfer = makeTransfer(MObjectTransfer::Scheduled, "/a");
        queue.saveTransfer(transfer);
        // Taken but never saved back: the map is empty, the row is not.
        QVERIFY(queue.takeNextTransfer().isValid());
        QVERIFY(!queue.hasPendingTransfers());
    }
    QVERIFY(QFile::exists(path));
    MObjectStatesQueue queue;
    queue.setDatabasePath(path);
    QCOMPARE(drain(queue), QStringList("/a"));
}

void tst_ObjectStatesQueue::savedTransferRestarts()
{
    MObjectTransfer transfer = makeTransfer(MObjectTransfer::Running, "/big.iso");
    transfer.setState(MObjectTransfer::Paused);
    transfer.setTotalBytes(5LL << 30);
    transfer.setTransferredBytes(3LL << 30);
    transfer.setTotalTransferredBytes(4LL << 30);
    transfer.setErrorCode(Tolvo::TransferStepFailed);
    transfer.setStorageObject(MStorageObject(QStringLiteral("/Docs"), QStringLiteral("big.iso")));
    transfer.setMissingChunks({3, 1});
    transfer.setSendRequestIdentifier(QStringLiteral("token-1"));
    MObjectTransferRequest request = transfer.transferRequest();
    request.setAttribute(MObjectTransferRequest::RequestType,
                         QVariant::fromValue(Tolvo::UploadObject));
    transfer.setTransferRequest(request);
    {
        MObjectStatesQueue queue;
        queue.setDatabasePath(path);
        queue.saveTransfer(transfer);
        QCOMPARE(transfer.identifier(), 1LL);
        QVERIFY(transfer.createdAt().isValid());
        QCOMPARE(queue.transfer(1).state(), int(MObjectTransfer::Paused));
    }
    // Paused is written as Scheduled, so that it runs again after the restart.
    QCOMPARE(rows(path, "SELECT _id, state_id FROM mtransfers"), QList<QVariantList>({{1, 0}}));

    MObjectStatesQueue queue;
    queue.setDatabasePath(path);
    QVERIFY(queue.hasPendingTransfers());
    bool found = false;
    const MObjectTransfer back = queue.takeNextTransfer(&found);
    QVERIFY(found);
    QCOMPARE(back.identifier(), 1LL);
    QCOMPARE(back.state(), int(MObjectTransfer::Scheduled));
    QCOMPARE(back.totalBytes(), 5LL << 30);
    QCOMPARE(back.transferredBytes(), 3LL << 30);
    QCOMPARE(back.totalTransferredBytes(), 4LL << 30);
    QCOMPARE(back.errorCode(), int(Tolvo::TransferStepFailed));
    QCOMPARE(back.storageObject(), transfer.storageObject());
    QCOMPARE(back.missingChunks(), QVector<int>({3, 1}));
    QCOMPARE(back.sendRequestIdentifier(), QStringLiteral("token-1"));
    QCOMPARE(back.transferRequest()
                 .attribute(MObjectTransferRequest::RequestType)
                 .value<Tolvo::ObjectAction>(),
             Tolvo::UploadObject);
    QCOMPARE(back.createdAt().toMSecsSinceEpoch(), transfer.createdAt().toMSecsSinceEpoch());
}

void tst_ObjectStatesQueue::finishedTransferStaysFinished_data()
{
    QTest::addColumn<bool>("asList");
    QTest::newRow("one by one") << false;
    QTest::newRow("as a list") << true;
}

void tst_ObjectStatesQueue::finishedTransferStaysFinished()
{
    QFETCH(bool, asList);
    MObjectStatesQueue queue;
    queue.setDatabasePath(path);
    MObjectTransfer transfer = makeTransfer(MObjectTransfer::Scheduled, "/a");
    queue.saveTransfer(transfer);
    const MObjectTransfer stale = transfer;
    const auto save = [&](MObjectTransfer t) {
        if (asList)
            queue.saveTransfers({t});
        else
            queue.saveTransfer(t);
    };

    transfer.setState(MObjectTransfer::Completed);
    save(transfer);
    QCOMPARE(rows(path, "SELECT COUNT(*) FROM mtransfers"), QList<QVariantList>({{0}}));
    QCOMPARE(queue.transfer(transfer.identifier()).state(), int(MObjectTransfer::Completed));

    // A late save of an older copy must not bring the transfer back to run again.
    save(stale);
    QCOMPARE(rows(path, "SELECT COUNT(*) FROM mtransfers"), QList<QVariantList>({{0}}));
    QCOMPARE(queue.transfer(transfer.identifier()).state(), int(MObjectTransfer::Completed));
    QVERIFY(!queue.hasPendingTransfers());
}

void tst_ObjectStatesQueue::finishedTransfersAreForgottenOldestFirst()
{
    // A long session finishes transfer after transfer: the queue keeps the newest 1,000 it
    // saw finish, not every one.
    MObjectStatesQueue queue;
    queue.setDatabasePath(path);
    constexpr int Count = 1050;
    QList<MObjectTransfer> transfers;
    for (int i = 0; i < Count; ++i)
        transfers.append(makeTransfer(MObjectTransfer::Scheduled, QStringLiteral("/f/%1").arg(i)));
    transfers = queue.saveTransfers(transfers);
    QCOMPARE(transfers.size(), Count);
    const QList<MObjectTransfer> stale = transfers;
    for (MObjectTransfer &transfer : transfers)
        transfer.setState(MObjectTransfer::Completed);
    queue.saveTransfers(transfers);

    for (int i = 0; i < Count; ++i) {
        const MObjectTransfer kept = queue.transfer(transfers.at(i).identifier());
        QVERIFY2(kept.isValid() == (i >= Count - 1000), qPrintable(QString::number(i)));
        if (kept.isValid())
            QCOMPARE(kept.state(), int(MObjectTransfer::Completed));
    }
    // The ones kept still refuse a late save of an older copy.
    queue.saveTransfers(stale.mid(Count - 1000));
    QVERIFY(!queue.hasPendingTransfers());
    QCOMPARE(rows(path, "SELECT COUNT(*) FROM mtransfers"), QList<QVariantList>({{0}}));
}

void tst_ObjectStatesQueue::takeNextOrder()
{
    MObjectStatesQueue queue;
    queue.setDatabasePath(path);
    QList<MObjectTransfer> transfers{makeTransfer(MObjectTransfer::Scheduled, "11", 11),
                                     makeTransfer(MObjectTransfer::Running, "5", 5),
                                     makeTransfer(MObjectTransfer::Idle, "9", 9),
                                     makeTransfer(MObjectTransfer::Paused, "7", 7),
                                     makeTransfer(MObjectTransfer::Error, "3", 3)};
    for (MObjectTransfer &transfer : transfers)
        queue.saveTransfer(transfer);
    bool found = false;
    QCOMPARE(queue.takeNextTransfer(&found).identifier(), 9LL);
    QVERIFY(found);
    QVERIFY(!queue.transfer(9).isValid());
    QVERIFY(queue.hasPendingTransfers());
    QCOMPARE(queue.takeNextTransfer(&found).identifier(), 11LL);
    QVERIFY(!queue.hasPendingTransfers());
    QVERIFY(!queue.takeNextTransfer(&found).isValid());
    QVERIFY(!found);

    // An Invalid transfer is handed out (and leaves the queue), but not as found.
    MObjectTransfer invalid = makeTransfer(MObjectTransfer::Invalid, "invalid");
    queue.saveTransfer(invalid);
    QVERIFY(queue.hasPendingTransfers());
    QCOMPARE(queue.takeNextTransfer(&found).transferRequest().sourcePath(),
             QStringLiteral("invalid"));
    QVERIFY(!found);
    QVERIFY(!queue.hasPendingTransfers());
}

// The queue keeps its runnable transfers in order as they change: each way a transfer is
// saved, removed or reloaded moves it in or out of the order.
void tst_ObjectStatesQueue::takeNextFollowsEveryChange()
{
    {
        MObjectStatesQueue queue;
        queue.setDatabasePath(path);
        QList<MObjectTransfer> transfers;
        for (int i = 1; i <= 9; ++i)
            transfers.append(makeTransfer(MObjectTransfer::Scheduled, QString::number(i), i));
        queue.saveTransfers(transfers);
        const auto resave = [&queue](qint64 identifier, int state) {
            MObjectTransfer transfer = queue.transfer(identifier);
            transfer.setState(state);
            queue.saveTransfer(transfer);
        };
        resave(2, MObjectTransfer::Running);
        resave(3, MObjectTransfer::Paused);
        queue.removeTransfer(queue.transfer(4));
        queue.removeTransfers({queue.transfer(8), queue.transfer(9)});
        resave(5, MObjectTransfer::Completed);
        queue.saveTransfers({makeTransfer(MObjectTransfer::Error, "6", 6)});
        bool found = false;
        QCOMPARE(queue.takeNextTransfer(&found).transferRequest().sourcePath(),
                 QStringLiteral("1"));
        // Back from running or paused, a transfer takes its place by identifier again.
        resave(3, MObjectTransfer::Idle);
        MObjectTransfer running = makeTransfer(MObjectTransfer::Running, "2", 2);
        queue.saveTransfer(running);
        QCOMPARE(drain(queue), (QStringList{"3", "7"}));
        QVERIFY(!queue.hasPendingTransfers());
        resave(2, MObjectTransfer::Scheduled);
        QVERIFY(queue.hasPendingTransfers());
    }
    // Running and paused rows load as scheduled; finished and removed ones are gone.
    MObjectStatesQueue reloaded;
    reloaded.setDatabasePath(path);
    QCOMPARE(drain(reloaded), (QStringList{"1", "2", "3", "7"}));
}

// A transfer runs only under the owner (account and service root) that queued it; one from a
// file written before owners were recorded runs under none, and the file still opens. Those
// that do not run under the owner signed in are the waiting ones, until cancelled.
void tst_ObjectStatesQueue::transfersWaitForTheirOwner()
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "old");
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY(query.exec("CREATE TABLE mtransfers ( _id INTEGER PRIMARY KEY AUTOINCREMENT, "
                           "state_id INTEGER, total_bytes INTEGER, transferred_bytes INTEGER, "
                           "total_transferred_bytes INTEGER, serialized_request BLOB, "
                           "serliazied_object BLOB, error_id INTEGER,group_id INTEGER,"
                           "serialized_attributes BLOB,created_at DATETIME)"));
        QVERIFY(query.exec("CREATE TABLE mgroups (_id INTEGER PRIMARY KEY AUTOINCREMENT, "
                           "transferred_bytes INTEGER, total_bytes INTEGER, completed INTEGER, "
                           "identifier VARCHAR(128),state_id INTEGER,serialized_request BLOB,"
                           "created_at DATETIME)"));
        QVERIFY(query.exec("INSERT INTO mtransfers (_id, state_id) VALUES (1, 0)"));
    }
    QSqlDatabase::removeDatabase("old");

    const QString first = MObjectStatesQueue::ownerKey(QUrl("http://127.0.0.1:1/api/v1/"), 7);
    const QString second = MObjectStatesQueue::ownerKey(QUrl("http://127.0.0.1:2/api/v1"), 7);
    QVERIFY(first != second);
    QCOMPARE(MObjectStatesQueue::ownerKey(QUrl("http://127.0.0.1:1/api/v1"), 7), first);
    {
        MObjectStatesQueue queue;
        queue.setDatabasePath(path);
        QCOMPARE(queue.transfer(1).state(), int(MObjectTransfer::Scheduled));
        QVERIFY(queue.waitingTransfers().isEmpty()); // nobody signed in yet
        queue.setOwner(first);
        QVERIFY(!queue.hasPendingTransfers()); // the old row is nobody's: it waits
        QCOMPARE(waitingOwners(queue), QStringList(QString()));
        QCOMPARE(queue.waitingTransfers().value(0).identifier(), qint64(1));
        MObjectTransfer mine = makeTransfer(MObjectTransfer::Scheduled, "mine");
        queue.saveTransfer(mine);
        QCOMPARE(mine.owner(), first);
        queue.setOwner(second);
        QVERIFY(!queue.hasPendingTransfers());
        QVERIFY(!queue.takeNextTransfer().isValid());
        QCOMPARE(waitingOwners(queue), (QStringList{QString(), first}));
        // Signed out: nothing runs, none is said to wait, and what is queued meanwhile is the
        // last account's.
        queue.setOwner(QString());
        QVERIFY(queue.waitingTransfers().isEmpty());
        MObjectTransfer late = makeTransfer(MObjectTransfer::Scheduled, "late");
        queue.saveTransfer(late);
        QCOMPARE(late.owner(), second);
        QVERIFY(!queue.hasPendingTransfers());
        queue.setOwner(first);
        QCOMPARE(waitingOwners(queue), (QStringList{QString(), second}));
        QCOMPARE(drain(queue), QStringList("mine"));
        // Cancelled while it waits (as the transfers page does): gone, from the file too.
        MObjectTransfer cancelled = queue.waitingTransfers().value(0);
        cancelled.setState(MObjectTransfer::Canceled);
        queue.saveTransfer(cancelled);
        QCOMPARE(waitingOwners(queue), QStringList(second));
    }
    MObjectStatesQueue reloaded;
    reloaded.setDatabasePath(path);
    reloaded.setOwner(second);
    QCOMPARE(drain(reloaded), QStringList("late"));
    reloaded.setOwner(first);
    QCOMPARE(drain(reloaded), QStringList("mine"));
    QVERIFY(rows(path, "SELECT _id FROM mtransfers WHERE _id = 1 OR owner IS NULL").isEmpty());
}

void tst_ObjectStatesQueue::groupsAfterRestart()
{
    qint64 groupIdentifier = 0;
    qint64 memberIdentifier = 0;
    {
        MObjectStatesQueue queue;
        queue.setDatabasePath(path);
        MObjectTransferGroup group;
        group.setHumanReadableIdentifier(QStringLiteral("Photos"));
        group.setState(MObjectTransfer::Running);
        group.setTransferRequest(MObjectTransferRequest("/home/u/Photos", "/Photos", 0));
        queue.saveGroup(group);
        groupIdentifier = group.identifier();
        QVERIFY(group.createdAt().isValid());

        MObjectTransfer running = makeTransfer(MObjectTransfer::Running, "/p/1.jpg");
        running.setTotalBytes(100);
        running.setTransferredBytes(40);
        running.setChunkHashes({QStringLiteral("c0"), QStringLiteral("c1")});
        MObjectTransfer paused = makeTransfer(MObjectTransfer::Paused, "/p/2.jpg");
        paused.setTotalBytes(50);
        MObjectTransfer done = makeTransfer(MObjectTransfer::Completed, "/p/3.jpg");
        done.setTotalBytes(10);
        done.setTransferredBytes(10);
        for (MObjectTransfer *member : {&running, &paused, &done}) {
            group.addTransfer(*member);
            queue.saveTransfer(*member);
        }
        queue.saveGroup(group);
        memberIdentifier = running.identifier();

        MObjectTransferGroup missing;
        missing.setIdentifier(999);
        MObjectTransfer orphan = makeTransfer(MObjectTransfer::Scheduled, "/orphan");
        orphan.setGroup(missing);
        queue.saveTransfer(orphan);
    }
    for (int restart = 0; restart < 2; ++restart) {
        MObjectStatesQueue queue;
        queue.setDatabasePath(path);
        const MObjectTransferGroup group = queue.group(groupIdentifier);
        QCOMPARE(group.humanReadableIdentifier(), QStringLiteral("Photos"));
        QCOMPARE(group.transferRequest().sourcePath(), QStringLiteral("/home/u/Photos"));
        // The stored counters, not counted again for each member at every start.
        QCOMPARE(group.totalBytes(), 160LL);
        QCOMPARE(group.overallTransferredBytes(), 50LL);
        QCOMPARE(group.completedCount(), 1LL);
        QCOMPARE(group.transfers().size(), 2);
        // Members are complete copies, protocol data included.
        QCOMPARE(group.transfers().first().identifier(), memberIdentifier);
        QCOMPARE(group.transfers().first().chunkHashes().size(), 2);
        QCOMPARE(group.transfers().first().groupIdentifier(), groupIdentifier);
        QCOMPARE(queue.transfer(memberIdentifier).groupIdentifier(), groupIdentifier);
        QVERIFY(!queue.group(999).isValid());
        QCOMPARE(queue.transfer(memberIdentifier + 3).groupIdentifier(), 0LL);
    }
}

void tst_ObjectStatesQueue::connectionPerThread()
{
    const int firstMessage = LogCapture::messages().size();
    MObjectStatesQueue queue;
    queue.setDatabasePath(path);
    const auto saveFrom = [&queue](const QString &source) {
        MObjectTransfer transfer = makeTransfer(MObjectTransfer::Scheduled, source);
        queue.saveTransfer(transfer);
        return transfer.identifier();
    };
    QList<qint64> identifiers{saveFrom("main 1")};
    for (int round = 0; round < 3; ++round) {
        // Thread objects come and go; a new one may reuse the address of one that is gone.
        QScopedPointer<QThread> thread(QThread::create(
            [&] { identifiers.append(saveFrom(QStringLiteral("thread %1").arg(round))); }));
        thread->start();
        QVERIFY(thread->wait());
    }
    identifiers.append(QtConcurrent::run([&] { return saveFrom("pool"); }).result());
    identifiers.append(saveFrom("main 2"));
    QCOMPARE(identifiers, QList<qint64>({1, 2, 3, 4, 5, 6}));
    QCOMPARE(rows(path, "SELECT COUNT(*) FROM mtransfers"), QList<QVariantList>({{6}}));
    for (const QString &message : logSince(firstMessage)) {
        QVERIFY2(!message.contains("[ERROR]"), qPrintable(message));
        QVERIFY2(!message.contains("does not belong"), qPrintable(message));
    }
}

void tst_ObjectStatesQueue::onlyTheEngineCopiesTheLogBack()
{
    const int firstMessage = LogCapture::messages().size();
    const qint64 logLimit = 1000 * 4096; // where SQLite would copy it back by itself
    {
        MObjectStatesQueue queue;
        queue.setDatabasePath(path);
        const auto saveMany = [&queue](int from, int count) {
            for (int i = from; i < from + count; ++i) {
                MObjectTransfer transfer =
                    makeTransfer(MObjectTransfer::Scheduled, QStringLiteral("/file %1").arg(i));
                queue.saveTransfer(transfer);
            }
        };
        // No save pays for a copy of the log (and holds the queue that long): it grows.
        saveMany(0, 2500);
        const QString log = path + QStringLiteral("-wal");
        const qint64 grown = QFileInfo(log).size();
        QVERIFY2(grown > logLimit, qPrintable(QString::number(grown)));
        // The engine's copy, from a thread of its own, lets the log start over.
        QtConcurrent::run([&queue] { queue.checkpoint(); }).waitForFinished();
        saveMany(2500, 500);
        QCOMPARE(QFileInfo(log).size(), grown);
        QCOMPARE(rows(path, "SELECT COUNT(*) FROM mtransfers"), QList<QVariantList>({{3000}}));
    }
    // Every row is in the file once the queue lets go of it.
    QCOMPARE(rows(path, "SELECT COUNT(*) FROM mtransfers"), QList<QVariantList>({{3000}}));
    for (const QString &message : logSince(firstMessage)) {
        QVERIFY2(!message.contains("[ERROR]"), qPrintable(message));
        QVERIFY2(!message.contains("still in use"), qPrintable(message));
    }
}

void tst_ObjectStatesQueue::damagedFileIsSetAside_data()
{
    QTest::addColumn<QByteArray>("content");
    // What the queue says it found, after "The transfer queue".
    QTest::addColumn<QString>("found");
    // What the queue says was lost, after the path it was set aside as.
    QTest::addColumn<QString>("lost");
    const QString damaged = QStringLiteral("was damaged");
    const QString uncounted =
        QStringLiteral(": the transfers queued in it could not be counted and will not resume.");
    QTest::newRow("not a database") << QByteArray(4096, 'x') << damaged << uncounted;
    QTest::newRow("empty file") << QByteArray() << damaged << uncounted;
    QTest::newRow("groups table missing")
        << QByteArray("mgroups") << damaged << QStringLiteral(": no queued transfer was lost.");
    QTest::newRow("groups table missing, three queued")
        << QByteArray("mgroups 3") << damaged
        << QStringLiteral(": the 3 transfers queued in it will not resume.");
    QTest::newRow("a folder") << QByteArray("folder")
                              << QStringLiteral("could not be read (it is a folder)")
                              << QStringLiteral(": no queued transfer was lost.");
    // Opened as a user, who may not read it, in a folder of the user's.
    QTest::newRow("unreadable") << QByteArray("mode 000")
                                << QStringLiteral("could not be read (Permission denied)")
                                << uncounted;
}

void tst_ObjectStatesQueue::damagedFileIsSetAside()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, found);
    QFETCH(QString, lost);
    // What the file held, to be found aside as it was.
    QByteArray stored = content;
    if (content.startsWith("mgroups")) {
        // A transfers table alone, as a file written by something else might have.
        QCOMPARE(rows(path, "CREATE TABLE mtransfers (_id INTEGER PRIMARY KEY)"),
                 QList<QVariantList>());
        for (int i = 0; i < content.mid(8).toInt(); ++i)
            QCOMPARE(rows(path, "INSERT INTO mtransfers DEFAULT VALUES"), QList<QVariantList>());
    } else if (content == "folder") {
        QVERIFY(QDir(folder->path()).mkpath(QStringLiteral("transfers.db/inside")));
    } else if (content == "mode 000") {
        {
            MObjectStatesQueue queue;
            queue.setDatabasePath(path);
            MObjectTransfer transfer = makeTransfer(MObjectTransfer::Scheduled, "/queued");
            queue.saveTransfer(transfer);
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        stored = file.readAll();
        QVERIFY(file.setPermissions({}));
        QVERIFY(UnprivilegedFiles::giveFolder(folder->path()));
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    const int firstMessage = LogCapture::messages().size();
    QString said;
    {
        std::unique_ptr<UnprivilegedFiles> user;
        if (content.startsWith("mode 000")) {
            user = std::make_unique<UnprivilegedFiles>();
            if (!user->active())
                QSKIP("Opening files as an unprivileged user needs root");
        }
        MObjectStatesQueue queue;
        queue.setDatabasePath(path);
        said = queue.lostOnOpen();
        MObjectTransfer transfer = makeTransfer(MObjectTransfer::Scheduled, "/a");
        queue.saveTransfer(transfer);
        QCOMPARE(transfer.identifier(), 1LL);
    }
    const QString log = logSince(firstMessage).join('\n');
    if (found == QLatin1String("was damaged"))
        QVERIFY2(log.contains("[ERROR] MObjectStatesQueue::loadFromDatabase :"), qPrintable(log));

    const QStringList aside =
        QDir(folder->path())
            .entryList({QStringLiteral("transfers.db.broken-*")}, QDir::Files | QDir::Dirs);
    QCOMPARE(aside.size(), 1);
    QCOMPARE(said, "The transfer queue " + found + " and was set aside as " +
                       folder->filePath(aside.first()) + lost);
    if (content == "folder") {
        QVERIFY(QFileInfo::exists(folder->filePath(aside.first()) + "/inside"));
    } else if (!content.startsWith("mgroups")) {
        QFile kept(folder->filePath(aside.first()));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), stored);
    }
    // The new file is a working queue, which has nothing more to say.
    MObjectStatesQueue queue;
    queue.setDatabasePath(path);
    QCOMPARE(queue.lostOnOpen(), QString());
    QCOMPARE(drain(queue), QStringList("/a"));
}

void tst_ObjectStatesQueue::failedRemovalKeepsTheBatchAndSaysIt_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("saved finished") << "save";
    QTest::newRow("saved finished with a new one") << "save list";
    QTest::newRow("removed") << "remove";
}

void tst_ObjectStatesQueue::failedRemovalKeepsTheBatchAndSaysIt()
{
    // A row that cannot be deleted leaves the file as it was before the batch (the new
    // transfer saved with it too), and the user hears once that the finished transfers will
    // be listed again.
    QFETCH(QString, how);
    QSignalSpy said(MNotificationManager::instance(), &MNotificationManager::notificationReady);
    {
        MObjectStatesQueue queue;
        queue.setDatabasePath(path);
        QList<MObjectTransfer> transfers{makeTransfer(MObjectTransfer::Scheduled, "/a"),
                                         makeTransfer(MObjectTransfer::Scheduled, "/b")};
        transfers = queue.saveTransfers(transfers);
        QCOMPARE(rows(path, "CREATE TRIGGER refuse BEFORE DELETE ON mtransfers "
                            "BEGIN SELECT RAISE(ABORT, 'refused'); END"),
                 QList<QVariantList>());
        const int firstMessage = LogCapture::messages().size();
        for (MObjectTransfer &transfer : transfers) {
            transfer.setState(MObjectTransfer::Completed);
            if (how == "save") {
                queue.saveTransfer(transfer);
            } else if (how == "save list") {
                queue.saveTransfers({transfer, makeTransfer(MObjectTransfer::Scheduled, "/new")});
            } else {
                queue.removeTransfers({transfer});
            }
        }
        QVERIFY(logSince(firstMessage).join('\n').contains("refused"));
        // After the queue's word, if any: a mark of the test's own.
        MNotificationManager::instance()->post(
            MNotification(MNotification::INFO, QStringLiteral("mark"), 0));
        QTRY_VERIFY(!said.isEmpty() &&
                    said.last().first().value<MNotification>().message() == QStringLiteral("mark"));
    }
    QCOMPARE(said.size(), 2);
    const MNotification word = said.first().first().value<MNotification>();
    QCOMPARE(word.type(), MNotification::ERROR);
    QVERIFY2(word.message().startsWith("Finished transfers could not be removed from the transfer "
                                       "queue " +
                                       path + " (") &&
                 word.message().endsWith("): they will be listed again at the next start."),
             qPrintable(word.message()));
    QCOMPARE(rows(path, "SELECT _id, state_id FROM mtransfers ORDER BY _id"),
             QList<QVariantList>({{1, 0}, {2, 0}}));
}

void tst_ObjectStatesQueue::unusableLocationKeepsQueueInMemory_data()
{
    QTest::addColumn<QString>("place");
    // What the queue says, after its path.
    QTest::addColumn<QString>("said");
    const QString kept =
        QStringLiteral(" and could not be moved aside: the transfers queued in it do not run, and "
                       "transfers queued now are kept only until the program quits.");
    QTest::newRow("no folder") << "missing/transfers.db"
                               << " could not be opened (";
    // Opened as a user, in a shared folder where root's files stay put.
    QTest::newRow("unreadable, in a folder that keeps it")
        << "mode 000"
        << " could not be read (Permission denied)" + kept;
    QTest::newRow("a folder, in a folder that keeps it")
        << "folder"
        << " could not be read (it is a folder)" + kept;
}

void tst_ObjectStatesQueue::unusableLocationKeepsQueueInMemory()
{
    QFETCH(QString, place);
    QFETCH(QString, said);
    const QString file = place.contains('/') ? folder->filePath(place) : path;
    QByteArray content;
    if (place == "mode 000") {
        {
            MObjectStatesQueue queue;
            queue.setDatabasePath(path);
            MObjectTransfer transfer = makeTransfer(MObjectTransfer::Scheduled, "/queued");
            queue.saveTransfer(transfer);
        }
        QFile stored(path);
        QVERIFY(stored.open(QIODevice::ReadOnly));
        content = stored.readAll();
        QVERIFY(stored.setPermissions({}));
    } else if (place == "folder") {
        QVERIFY(QDir(folder->path()).mkpath(QStringLiteral("transfers.db/inside")));
    }
    if (file == path)
        QVERIFY(UnprivilegedFiles::shareFolderKeepingFiles(folder->path()));
    {
        std::unique_ptr<UnprivilegedFiles> user;
        if (file == path) {
            user = std::make_unique<UnprivilegedFiles>();
            if (!user->active())
                QSKIP("Opening files as an unprivileged user needs root");
        }
        MObjectStatesQueue queue;
        queue.setDatabasePath(file);
        QVERIFY2(queue.lostOnOpen().startsWith("The transfer queue " + file + said),
                 qPrintable(queue.lostOnOpen()));
        QList<MObjectTransfer> transfers{makeTransfer(MObjectTransfer::Scheduled, "/a"),
                                         makeTransfer(MObjectTransfer::Scheduled, "/b")};
        for (MObjectTransfer &transfer : transfers)
            queue.saveTransfer(transfer);
        QCOMPARE(transfers.at(0).identifier(), 1LL);
        QCOMPARE(transfers.at(1).identifier(), 2LL);
        MObjectTransferGroup group;
        queue.saveGroup(group);
        QVERIFY(group.isValid());
        QCOMPARE(drain(queue), QStringList({"/a", "/b"}));
    }
    // Left as it was found.
    if (place == "mode 000") {
        QFile stored(path);
        QVERIFY(stored.open(QIODevice::ReadOnly));
        QCOMPARE(stored.readAll(), content);
    } else if (place == "folder") {
        QVERIFY(QFileInfo::exists(path + "/inside"));
    } else {
        QVERIFY(!QFileInfo::exists(file));
    }
    QCOMPARE(QDir(folder->path())
                 .entryList({QStringLiteral("transfers.db.broken-*")}, QDir::Files | QDir::Dirs),
             QStringList());
}

void tst_ObjectStatesQueue::killedWriterLeavesWholeBatches()
{
    // Each run is killed at another point of a batch.
    for (int run = 0; run < 8; ++run) {
        QVERIFY(!QFile::exists(path) || QFile::remove(path));
        const TestCore::SubprocessResult result =
            TestCore::runSubprocess(QStringLiteral("killedWriter"), {path});
        QVERIFY2(result.crashed, result.standardError.constData());

        const int firstMessage = LogCapture::messages().size();
        MObjectStatesQueue queue;
        queue.setDatabasePath(path);
        QVERIFY(logSince(firstMessage).filter("MObjectStatesQueue").isEmpty());
        // Each batch is written together with the end of the one before: one batch is left.
        const QStringList sources = drain(queue);
        QCOMPARE(sources.size(), BatchSize);
        QCOMPARE(sources.count(sources.first()), BatchSize);
        // The writer was killed after its 30th batch had been saved.
        QVERIFY(sources.first().mid(6).toInt() >= 29);
    }
}

TESTCORE_MAIN_WITH_SUBPROCESS(tst_ObjectStatesQueue, runCase)
#include "tst_objectstatesqueue.moc"

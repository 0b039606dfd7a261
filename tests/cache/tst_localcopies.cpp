#include "kerlolocal.h"
#include "mabstractfileopener.h"
#include "mobjectsender.h"
#include "mobjectsmanager.h"
#include "mobjectsvirtualfilesystem.h"
#include "signedincore.h"
#include "tolvoappimpl.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QSignalSpy>
#include <QUrlQuery>
#include <QtTest>

namespace {

using TestData::demoEmail;

// Records what it is asked to open instead of starting an application.
class RecordingOpener : public MAbstractFileOpener
{
public:
    bool openFile(const QUrl &file, const QUrl &, qint64 *) override
    {
        opened.append(file.toLocalFile());
        return true;
    }
    QStringList opened;
};

using TestData::md5Hex;

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(content) == content.size();
}

} // namespace

// Local copies end to end: the objects manager with its local cache and transfer engine
// against kerlo-local, with the file opener replaced by one that records the file.
class TestLocalCopies : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void openedCopyEditIsUploaded();
    void editSavedDuringUploadIsUploadedToo();
    void editWhileStoppedIsUploadedAtStart();
    void editDuringADeleteIsNotSentBack();
    void verifiedHashIsIndexed();
    void unlistedObjectIsListedOnce();
    void userFilesMoveIntoTheCache();

private:
    void startManager();
    void stopManager();
    // Opens the remote file and waits until the opener got its local copy.
    QString openCopy(const QString &remote);
    // The requests that started uploads to path, oldest first, as their queries.
    QList<QUrlQuery> uploadsTo(const QString &remote) const;
    bool waitForUploads(const QString &remote, int count);

    SignedInCore core;
    KerloLocal &server = core.server();
    RecordingOpener opener;
    MObjectsManager *manager = nullptr;
    std::unique_ptr<QSignalSpy> finished;
};

void TestLocalCopies::initTestCase()
{
    MAbstractFileOpener::setInstance(&opener);
    TolvoApp::instance()->setCacheEnabled(true);
    QVERIFY(core.start());
    QVERIFY(core.signIn());
}

void TestLocalCopies::init()
{
    QVERIFY(server.reset());
    opener.opened.clear();
    startManager();
}

void TestLocalCopies::cleanup()
{
    stopManager();
}

void TestLocalCopies::cleanupTestCase()
{
    MAbstractFileOpener::setInstance(nullptr);
}

void TestLocalCopies::startManager()
{
    manager = new MObjectsManager(this);
    finished = std::make_unique<QSignalSpy>(manager, &MObjectsManager::transferFinished);
    manager->start();
}

void TestLocalCopies::stopManager()
{
    if (!manager)
        return;
    QSignalSpy done(manager, &MObjectsManager::shutdownCompleted);
    manager->shutdown();
    QVERIFY(done.wait(20000));
    finished.reset();
    delete manager;
    manager = nullptr;
}

QString TestLocalCopies::openCopy(const QString &remote)
{
    QSignalSpy opened(manager, &MObjectsManager::objectOpened);
    manager->openObject(remote);
    // Its own open, not the first to come.
    QString local;
    const bool done = QTest::qWaitFor(
        [&] {
            for (const QList<QVariant> &open : qAsConst(opened)) {
                if (open.at(0).toString() == remote)
                    local = open.at(1).toString();
            }
            return !local.isEmpty();
        },
        20000);
    return done ? local : QString();
}

QList<QUrlQuery> TestLocalCopies::uploadsTo(const QString &remote) const
{
    QList<QUrlQuery> result;
    for (const QJsonValue &request : server.requests()) {
        const QJsonObject fields = request.toObject();
        const QString path = fields.value("path").toString();
        if (fields.value("method").toString() == "PUT" &&
            (path == QStringLiteral("/api/v1/sync/object") + remote ||
             path == QStringLiteral("/api/v1/objects") + remote))
            result.append(QUrlQuery(fields.value("query").toString()));
    }
    return result;
}

bool TestLocalCopies::waitForUploads(const QString &remote, int count)
{
    return QTest::qWaitFor([&] { return uploadsTo(remote).size() >= count; }, 20000);
}

void TestLocalCopies::openedCopyEditIsUploaded()
{
    const QString remote = QStringLiteral("/Notes/plan.txt");
    QVERIFY(!server.seedFile(demoEmail, remote, "first draft").isEmpty());
    MObjectsVirtualFileSystem *cache = manager->findChild<MObjectsVirtualFileSystem *>();

    // Never listed: the folder is listed, the file downloaded, indexed and opened.
    const QString local = openCopy(remote);
    QCOMPARE(local, cache->localPath(remote));
    QCOMPARE(opener.opened, QStringList{local});
    bool consolidated = false;
    QVERIFY(cache->containsObject(remote, &consolidated));
    QVERIFY(consolidated);
    QCOMPARE(cache->indexedHash(remote), md5Hex("first draft"));

    QVERIFY(writeFile(local, "second draft"));
    QVERIFY(waitForUploads(remote, 1));
    const QUrlQuery upload = uploadsTo(remote).first();
    QCOMPARE(upload.queryItemValue("base_hash"), md5Hex("first draft"));
    QCOMPARE(upload.queryItemValue("final_hash"), md5Hex("second draft"));
    QTRY_COMPARE_WITH_TIMEOUT(cache->indexedHash(remote), md5Hex("second draft"), 20000);
    QVERIFY(cache->containsObject(remote, &consolidated));
    QVERIFY(consolidated);
}

void TestLocalCopies::editSavedDuringUploadIsUploadedToo()
{
    const QString remote = QStringLiteral("/Notes/list.txt");
    QVERIFY(!server.seedFile(demoEmail, remote, "v0").isEmpty());
    MObjectsVirtualFileSystem *cache = manager->findChild<MObjectsVirtualFileSystem *>();
    const QString local = openCopy(remote);
    QVERIFY(!local.isEmpty());

    // The first upload is held at the service while the next save happens; its one chunk
    // has been read by then.
    QVERIFY(server.delay(QStringLiteral("/api/v1/sync/object") + remote, 1500, 1, "PUT"));
    QVERIFY(writeFile(local, "v1"));
    QVERIFY(waitForUploads(remote, 1));
    QVERIFY(writeFile(local, "v2, saved while v1 was sent"));

    QVERIFY(waitForUploads(remote, 2));
    const QList<QUrlQuery> uploads = uploadsTo(remote);
    QCOMPARE(uploads.at(0).queryItemValue("final_hash"), md5Hex("v1"));
    QCOMPARE(uploads.at(1).queryItemValue("base_hash"), md5Hex("v1"));
    QCOMPARE(uploads.at(1).queryItemValue("final_hash"), md5Hex("v2, saved while v1 was sent"));
    QTRY_COMPARE_WITH_TIMEOUT(cache->indexedHash(remote), md5Hex("v2, saved while v1 was sent"),
                              20000);
}

void TestLocalCopies::editWhileStoppedIsUploadedAtStart()
{
    const QString remote = QStringLiteral("/Notes/offline.txt");
    QVERIFY(!server.seedFile(demoEmail, remote, "online").isEmpty());
    const QString local = openCopy(remote);
    QVERIFY(!local.isEmpty());

    stopManager();
    QVERIFY(writeFile(local, "edited offline"));
    // The file's time must move past the indexed one, whatever the clock's resolution.
    QFile file(local);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(5),
                             QFileDevice::FileModificationTime));
    file.close();
    startManager();

    QVERIFY(waitForUploads(remote, 1));
    const QUrlQuery upload = uploadsTo(remote).first();
    QCOMPARE(upload.queryItemValue("base_hash"), md5Hex("online"));
    QCOMPARE(upload.queryItemValue("final_hash"), md5Hex("edited offline"));
    MObjectsVirtualFileSystem *cache = manager->findChild<MObjectsVirtualFileSystem *>();
    QTRY_COMPARE_WITH_TIMEOUT(cache->indexedHash(remote), md5Hex("edited offline"), 20000);
}

void TestLocalCopies::editDuringADeleteIsNotSentBack()
{
    const QString remote = QStringLiteral("/Notes/gone.txt");
    const QString deletePath = QStringLiteral("/api/v1/objects/delete");
    QVERIFY(!server.seedFile(demoEmail, remote, "to be deleted").isEmpty());
    MObjectsVirtualFileSystem *cache = manager->findChild<MObjectsVirtualFileSystem *>();
    const QString local = openCopy(remote);
    QVERIFY(!local.isEmpty());
    manager->startLiveUpdatesMonitor();

    // Saved while the delete is held at the service: the save must not bring the file back.
    QSignalSpy deleted(manager, &MObjectsManager::objectsDeleted);
    QVERIFY(server.delay(deletePath, 1500, 1, "POST"));
    manager->deleteObjects({remote}, QVariant());
    QVERIFY(writeFile(local, "saved during the delete"));
    QVERIFY(deleted.wait(20000));
    QTRY_VERIFY_WITH_TIMEOUT(!cache->containsObject(remote), 20000);

    // A delete the service refuses leaves the copy watched: a later save goes up.
    const QString kept = QStringLiteral("/Notes/kept.txt");
    QVERIFY(!server.seedFile(demoEmail, kept, "kept").isEmpty());
    const QString keptLocal = openCopy(kept);
    QVERIFY(!keptLocal.isEmpty());
    QSignalSpy refused(manager, &MObjectsManager::objectActionErrors);
    QVERIFY(server.forceStatus(deletePath, 500,
                               R"({"errors":[["/Notes/kept.txt",1,"Cannot delete"]]})", 1, "POST"));
    manager->deleteObjects({kept}, QVariant());
    QVERIFY(refused.wait(20000));
    QVERIFY(writeFile(keptLocal, "kept and edited"));
    QVERIFY(waitForUploads(kept, 1));
    QCOMPARE(uploadsTo(kept).first().queryItemValue("final_hash"), md5Hex("kept and edited"));
    // Saved long after the first one: had that save been sent, it would have gone up first.
    QVERIFY(uploadsTo(remote).isEmpty());
}

void TestLocalCopies::verifiedHashIsIndexed()
{
    // The download's header announces other content than the listing's object it is checked
    // against: the copy is indexed with the hash it was checked against, so an unchanged copy
    // is not taken for an edit at the next start.
    const QString remote = QStringLiteral("/Notes/announced.txt");
    QVERIFY(!server.seedFile(demoEmail, remote, "checked content").isEmpty());
    QVERIFY(server.fakeMetadataHash(md5Hex("announced content")));
    const QString local = openCopy(remote);
    QVERIFY(!local.isEmpty());
    MObjectsVirtualFileSystem *cache = manager->findChild<MObjectsVirtualFileSystem *>();
    QCOMPARE(cache->indexedHash(remote), md5Hex("checked content"));

    stopManager();
    QVERIFY(server.clearRequests());
    startManager();
    // The index is loaded and checked with the service once its check request goes out.
    const auto checked = [this] {
        for (const QJsonValue &request : server.requests()) {
            if (request.toObject().value("path").toString().startsWith("/api/v1/objects/metadata"))
                return true;
        }
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(checked(), 20000);
    cache = manager->findChild<MObjectsVirtualFileSystem *>();
    bool consolidated = false;
    QVERIFY(cache->containsObject(remote, &consolidated));
    QVERIFY(consolidated);
    // An edit saved now goes up; had the unchanged copy been taken for one, it would have gone
    // up first.
    QVERIFY(writeFile(local, "edited after the start"));
    QVERIFY(waitForUploads(remote, 1));
    QCOMPARE(uploadsTo(remote).size(), 1);
    QCOMPARE(uploadsTo(remote).first().queryItemValue("final_hash"),
             md5Hex("edited after the start"));
}

void TestLocalCopies::unlistedObjectIsListedOnce()
{
    // Polls of live updates that the service answered with the changes after their cursor.
    const QString deltaPrefix = QStringLiteral("/api/v1/objects/delta/");
    const auto polls = [this, &deltaPrefix] {
        int count = 0;
        for (const QJsonValue &request : server.requests()) {
            const QJsonObject fields = request.toObject();
            const QString path = fields.value("path").toString();
            count += path.startsWith(deltaPrefix) && path.size() > deltaPrefix.size() &&
                     fields.value("status").toInt() == 200;
        }
        return count;
    };
    manager->startLiveUpdatesMonitor();
    QTRY_VERIFY_WITH_TIMEOUT(polls() > 0, 20000);

    // The listing the open sends is still in flight when the live update reports a file
    // added to that unlisted folder: either waits for the other rather than asking again.
    // Each poll recorded from here on reports the file, the next one going out once it is
    // applied.
    const QString listing = QStringLiteral("/api/v1/objects/list/Empty");
    QVERIFY(!server.seedFile(demoEmail, QStringLiteral("/Empty/other.txt"), "x").isEmpty());
    QVERIFY(server.clearRequests());
    QVERIFY(server.delay(listing, 3000));
    QSignalSpy errors(manager, &MObjectsManager::objectCacheError);
    QSignalSpy ready(manager, &MObjectsManager::objectsReady);
    QSignalSpy added(manager, &MObjectsManager::objectsAdded);
    manager->openObject(QStringLiteral("/Empty/missing.txt"));
    QVERIFY(errors.wait(20000));
    QCOMPARE(errors.size(), 1);
    QCOMPARE(errors.first().at(0).toString(), QStringLiteral("/Empty/missing.txt"));
    QTRY_VERIFY_WITH_TIMEOUT(polls() >= 2, 20000);
    QCOMPARE(server.requestsTo(listing).size(), 1);
    QVERIFY(opener.opened.isEmpty());
    // Unless the update came after the listing (and reported the file itself), the open's
    // listing was the update's too: it reports the folder all the same, once.
    const auto readyEmpty = [&ready] {
        int count = 0;
        for (const QList<QVariant> &arguments : qAsConst(ready))
            count += arguments.at(0).toString() == QLatin1String("/Empty");
        return count;
    };
    if (added.isEmpty())
        QTRY_COMPARE_WITH_TIMEOUT(readyEmpty(), 1, 20000);
}

void TestLocalCopies::userFilesMoveIntoTheCache()
{
    QTemporaryDir source;
    QVERIFY(writeFile(source.filePath("report.txt"), "report"));
    QVERIFY(QDir(source.path()).mkpath("folder/tmp/folder"));
    QVERIFY(writeFile(source.filePath("folder/tmp/folder/deep.txt"), "deep"));

    // A folder is refused before anything moves.
    MObjectTransferRequest folderAsFile(source.filePath("folder"), "/Up/folder", 0);
    folderAsFile.setShouldCache(true);
    QVERIFY(!manager->transferObject(folderAsFile).isValid());
    QVERIFY(QFileInfo(source.filePath("folder")).isDir());

    MObjectTransferRequest file(source.filePath("report.txt"), "/Up/report.txt", 0);
    file.setShouldCache(true);
    const MObjectTransfer transfer = manager->transferObject(file);
    QCOMPARE(transfer.state(), int(MObjectTransfer::Scheduled));
    QCOMPARE(transfer.transferRequest().action(), int(Tolvo::UploadObject));
    MObjectsVirtualFileSystem *cache = manager->findChild<MObjectsVirtualFileSystem *>();
    bool consolidated = true;
    QVERIFY(cache->containsObject("/Up/report.txt", &consolidated));
    QVERIFY(!QFile::exists(source.filePath("report.txt")));
    // On the service only once the upload is committed.
    QVERIFY(!consolidated);
    QVERIFY(waitForUploads("/Up/report.txt", 1));
    QTRY_VERIFY(cache->containsObject("/Up/report.txt", &consolidated) && consolidated);

    // A copy whose upload failed stays unconsolidated, to be sent again.
    QVERIFY(writeFile(source.filePath("refused.txt"), "refused"));
    QVERIFY(server.forceStatus("/api/v1/objects/Up/refused.txt", 507, "{}", 1, "PUT"));
    MObjectTransferRequest refused(source.filePath("refused.txt"), "/Up/refused.txt", 0);
    refused.setShouldCache(true);
    manager->transferObject(refused);
    // Its own finish: another upload of this case may finish at the same moment.
    const auto refusedFinish = [this] {
        for (const QList<QVariant> &arguments : qAsConst(*finished)) {
            const auto transfer = arguments.at(0).value<MObjectTransfer>();
            if (transfer.transferRequest().destinationPath() == QLatin1String("/Up/refused.txt"))
                return transfer;
        }
        return MObjectTransfer();
    };
    QTRY_VERIFY_WITH_TIMEOUT(refusedFinish().isValid(), 20000);
    QCOMPARE(refusedFinish().state(), int(MObjectTransfer::Error));
    QVERIFY(cache->containsObject("/Up/refused.txt", &consolidated));
    QVERIFY(!consolidated);

    // Again onto the cached copy, without force: refused, nothing queued.
    QVERIFY(writeFile(source.filePath("report.txt"), "report"));
    const MObjectTransfer again = manager->transferObject(file);
    QCOMPARE(again.state(), int(MObjectTransfer::Error));
    QCOMPARE(again.errorCode(), int(Tolvo::LocalFileExists));

    // Members are named relative to the folder, even where its name recurs below it.
    MObjectTransferRequest folder(source.filePath("folder"), "/Up/F", 0);
    const MObjectTransferGroup group = manager->transferDirectory(folder);
    QVERIFY(group.identifier() != 0);
    QVERIFY(waitForUploads("/Up/F/tmp/folder/deep.txt", 1));
}

QTEST_MAIN(TestLocalCopies)
#include "tst_localcopies.moc"

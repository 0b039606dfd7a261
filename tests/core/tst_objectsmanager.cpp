#include "kerlolocal.h"
#include "mconfigdatabase.h"
#include "mjsonrequestmanager.h"
#include "mnotificationmanager.h"
#include "mobjectsender.h"
#include "mobjectsmanager.h"
#include "muserauthmanager.h"
#include "signedincore.h"
#include "tolvoappimpl.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// Outlives the core application, which holds a lock file in it until it is destroyed.
using TestData::demoEmail;
const QString fileA = QStringLiteral("/Docs/a.txt");
const QString fileB = QStringLiteral("/Docs/b.txt");
const QString rootNames = QStringLiteral("Docs,Report 2.pdf,Report.pdf,Work,gone.txt");

QString apiPath(const QString &path)
{
    return QStringLiteral("/api/v1") + path;
}

QString names(const MStorageObjectList &objects)
{
    QStringList labels;
    for (const MStorageObject &object : objects)
        labels.append(object.label());
    labels.sort();
    return labels.join(QLatin1Char(','));
}

QJsonObject jsonBody(const QJsonValue &request)
{
    return QJsonDocument::fromJson(request.toObject().value("body").toString().toUtf8()).object();
}

// Queued signals and posted notifications are delivered by then.
void deliverPosted()
{
    QCoreApplication::sendPostedEvents();
}

} // namespace

// The objects manager against kerlo-local, signed in as the demo user. What the manager reports
// is recorded as one line per signal or notification.
class TestObjectsManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void cacheAnswersListedFolders();
    void pendingListingIsSentOnce();
    void everyCallerOfAPendingListingHearsTheAnswer_data();
    void everyCallerOfAPendingListingHearsTheAnswer();
    void emptiedFolderIsNotAnsweredFromAnOldListing();
    void changesReachTheService();
    void statusBranches_data();
    void statusBranches();
    void nothingIsSentWhileSignedOut();
    void shareLinks();
    void shutdownCompletes_data();
    void shutdownCompletes();

private:
    MUserAuthManager *auth() const { return core.auth(); }
    void record();
    QJsonArray requestsTo(const QString &path) const { return server.requestsTo(path); }

    SignedInCore core;
    KerloLocal &server = core.server();
    MObjectsManager *manager = nullptr;
    // Its count grows once the manager has handled a reply.
    std::unique_ptr<QSignalSpy> replies;
    QStringList events;
};

void TestObjectsManager::initTestCase()
{
    QVERIFY(core.start());
    QVERIFY(core.signIn());
    for (const QString &path : {fileA, QStringLiteral("/Work/old.txt"), QStringLiteral("/gone.txt"),
                                QStringLiteral("/Report.pdf"), QStringLiteral("/Report 2.pdf")})
        QVERIFY(!server.seedFile(demoEmail, path, "x").isEmpty());
}

void TestObjectsManager::init()
{
    QVERIFY(server.reset());
    // Nothing posted by an earlier case reaches this one.
    deliverPosted();
    events.clear();
    manager = new MObjectsManager(this);
    replies = std::make_unique<QSignalSpy>(manager->findChild<MJsonRequestManager *>(),
                                           &MNetworkRequestManager::replyFinishedForRequest);
    record();
}

void TestObjectsManager::cleanup()
{
    replies.reset();
    delete manager;
    manager = nullptr;
}

void TestObjectsManager::record()
{
    const auto add = [this](const QStringList &fields) {
        events.append(fields.join('|'));
    };
    connect(manager, &MObjectsManager::objectsReady, manager,
            [add](const QString &base, const MStorageObjectList &objects, const QVariant &data) {
                add({"ready", base, names(objects), data.toString()});
            });
    connect(manager, &MObjectsManager::objectReady, manager,
            [add](const MStorageObject &object, const QVariant &data) {
                add({"object", object.fullPath(), data.toString()});
            });
    connect(
        manager, &MObjectsManager::objectCopied, manager,
        [add](const MStorageObject &copy, const MStorageObject &original, const QVariant &data) {
            add({"copied", copy.fullPath(), original.fullPath(), data.toString()});
        });
    connect(manager, &MObjectsManager::pathNotFound, manager,
            [add](const QString &path, const QVariant &data) {
                add({"notFound", path, data.toString()});
            });
    connect(manager, &MObjectsManager::fetchFailed, manager,
            [add](const QString &path, int status, const QVariant &data) {
                add({"fetchFailed", path, QString::number(status), data.toString()});
            });
    connect(
        manager, &MObjectsManager::objectActionErrors, manager,
        [add](const MObjectErrorList &errors, Tolvo::ObjectAction action, const QVariant &data) {
            QStringList fields{"errors", QString::number(action), data.toString()};
            for (const MObjectError &error : errors)
                fields.append(QStringList{QString::number(error.code()), error.message(),
                                          error.path(), error.requestType()}
                                  .join(','));
            add(fields);
        });
    connect(MNotificationManager::instance(), &MNotificationManager::notificationReady, manager,
            [add](const MNotification &note) {
                QCOMPARE(note.type(), MNotification::ERROR);
                QStringList fields{"note", QString::number(note.subtype())};
                for (auto attribute :
                     {MNotification::ErrorCode, MNotification::Action, MNotification::Path,
                      MNotification::AdditionalPath, MNotification::UserData})
                    fields.append(note.attribute(attribute).toString());
                fields << note.message();
                // The service's own words, when the message says what failed.
                if (note.attribute(MNotification::Details).isValid())
                    fields << note.attribute(MNotification::Details).toString();
                add(fields);
            });
}

void TestObjectsManager::cacheAnswersListedFolders()
{
    manager->listObjects("/", false, "first");
    QVERIFY(replies->wait());
    QCOMPARE(events, QStringList{"ready|/|" + rootNames + "|first"});
    // The first listing seeds the live-update cursor.
    QVERIFY(!MReadValueFromDB<QString>("lhid").isEmpty());

    QVERIFY(server.clearRequests());
    manager->listObjects("//", false, "second");
    QCOMPARE(events.size(), 1);
    manager->fetchInfo("/gone.txt", "cached");
    QCOMPARE(events.size(), 2);
    QCOMPARE(manager->suggestedFilePath("/Report.pdf"), QStringLiteral("/Report 3.pdf"));
    manager->createDirectory("/Docs", "again");
    deliverPosted();
    QCOMPARE(events.mid(1),
             (QStringList{"object|/gone.txt|cached", "ready|//|" + rootNames + "|second",
                          "note|0|102||/Docs|||Directory /Docs already exists"}));
    QCOMPARE(server.requests().size(), 0);

    // Anything else is asked for.
    manager->fetchInfo(fileA, "remote");
    QVERIFY(replies->wait());
    manager->listObjects("/", true, "forced");
    QVERIFY(replies->wait());
    QCOMPARE(events.mid(4),
             (QStringList{"object|/Docs/a.txt|remote", "ready|/|" + rootNames + "|forced"}));
}

// An empty listing cannot be stored (it names no folder), so the older one must go: it would
// answer the next listing with files that are gone.
void TestObjectsManager::emptiedFolderIsNotAnsweredFromAnOldListing()
{
    QVERIFY(!server.seedFile(demoEmail, "/Emptied/only.txt", "x").isEmpty());
    manager->listObjects("/Emptied", false, "full");
    QVERIFY(replies->wait());
    QCOMPARE(server.deleteObject(demoEmail, "/Emptied/only.txt").size(), 1);
    manager->listObjects("/Emptied", true, "forced");
    QVERIFY(replies->wait());
    QVERIFY(server.clearRequests());
    manager->listObjects("/Emptied", false, "again");
    QVERIFY(replies->wait());
    QCOMPARE(events, (QStringList{"ready|/Emptied|only.txt|full", "ready|/Emptied||forced",
                                  "ready|/Emptied||again"}));
    QCOMPARE(server.requests().size(), 1);
    QCOMPARE(server.deleteObject(demoEmail, "/Emptied").size(), 1);
}

void TestObjectsManager::pendingListingIsSentOnce()
{
    // A listener that lists again while it is being answered.
    connect(manager, &MObjectsManager::objectsReady, this,
            [this](const QString &, const MStorageObjectList &, const QVariant &userData) {
                if (userData.toInt() == 1)
                    manager->listObjects("Docs/", true, 3);
            });
    manager->listObjects("Docs/", false, 1);
    manager->listObjects("/Docs", false, 2);
    QVERIFY(replies->wait());
    QVERIFY(replies->count() == 2 || replies->wait());
    deliverPosted();
    QCOMPARE(events,
             (QStringList{"ready|/Docs|a.txt|1", "ready|/Docs|a.txt|2", "ready|/Docs|a.txt|3"}));
    QCOMPARE(requestsTo(apiPath("/objects/list/Docs")).size(), 2);
}

void TestObjectsManager::everyCallerOfAPendingListingHearsTheAnswer_data()
{
    QTest::addColumn<int>("status"); // 0: the connection is dropped
    QTest::addColumn<QString>("expected");
    QTest::newRow("listed") << 200 << "ready|/Docs|a.txt|%1";
    QTest::newRow("not found") << 404 << "notFound|/Docs|%1";
    QTest::newRow("dropped") << 0 << "fetchFailed|/Docs|0|%1";
}

// Callers asking for a folder already being listed join that request; each must be answered
// under its own user data, or a caller waiting for its own answer (a navigation) waits forever.
void TestObjectsManager::everyCallerOfAPendingListingHearsTheAnswer()
{
    QFETCH(int, status);
    QFETCH(QString, expected);
    const QString endpoint = apiPath("/objects/list/Docs");
    if (status == 0) {
        QVERIFY(server.drop(endpoint, -1));
        QTest::ignoreMessage(QtWarningMsg, "(MObjectsManager) Unhandled response status code 0");
    } else if (status != 200) {
        // Every request: the first may reach the service before it is replaced.
        QVERIFY(server.forceStatus(endpoint, status, "{}", -1));
    }
    manager->listObjects("/Docs", false, "views");
    manager->listObjects("/Docs", false, "browse");
    manager->listObjects("Docs/", false, "views");
    // Asked again, the listing in flight is replaced; its callers are answered by the new one.
    manager->listObjectsAgain("/Docs", "again");
    QTRY_COMPARE(events.size(), 3);
    deliverPosted();
    QCOMPARE(events,
             (QStringList{expected.arg("views"), expected.arg("browse"), expected.arg("again")}));
}

void TestObjectsManager::changesReachTheService()
{
    manager->createDirectory("/Work/New", "mkdir");
    QVERIFY(replies->wait());
    manager->renameObject("/Work/old.txt", "/Work/renamed.txt", "rename");
    QVERIFY(replies->wait());
    manager->copyObject("/Work/renamed.txt", "/Work/copy.txt", "copy");
    QVERIFY(replies->wait());
    manager->deleteObjects({"/Work/copy.txt"}, "delete");
    QVERIFY(replies->wait());

    // A child of the root is deleted by its one-separator path; an invalid object, which
    // would stand for the root, is not.
    manager->listObjects("/", false, QVariant());
    QVERIFY(replies->wait());
    QSignalSpy info(manager, &MObjectsManager::objectReady);
    manager->fetchInfo("/gone.txt", QVariant());
    QVERIFY(server.clearRequests());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Not deleting an invalid object"));
    manager->deleteObject(MStorageObject(), "invalid");
    manager->deleteObject(info.at(0).at(0).value<MStorageObject>(), "root");
    QVERIFY(replies->wait());
    const QJsonArray deletes = requestsTo(apiPath("/objects/delete"));
    QCOMPARE(deletes.size(), 1);
    QCOMPARE(jsonBody(deletes.at(0)).value("paths").toArray(), QJsonArray{"/gone.txt"});

    manager->listObjects("/Work", true, "after");
    QVERIFY(replies->wait());
    manager->listObjects("/", true, "after");
    QVERIFY(replies->wait());
    deliverPosted();
    QCOMPARE(events, (QStringList{"copied|/Work/copy.txt|/Work/renamed.txt|copy",
                                  "ready|/|" + rootNames + "|", "object|/gone.txt|",
                                  "ready|/Work|New,renamed.txt|after",
                                  "ready|/|Docs,Report 2.pdf,Report.pdf,Work|after"}));
}

void TestObjectsManager::statusBranches_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("endpoint");
    QTest::addColumn<int>("status"); // 0: the connection is dropped
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("warning");

    const QString list = apiPath("/objects/list/Docs");
    const QString metadata = apiPath("/objects/metadata/Docs/a.txt");
    const QString rename = apiPath("/objects/rename");
    const QString copy = apiPath("/objects/copy");
    const QString share = apiPath("/shares.json");
    const QByteArray html = "<html>Bad gateway</html>";
    const QString exists = "note|3|801|%1|/Docs/a.txt|/Docs/b.txt|row|"
                           "A file already exists at path '/Docs/b.txt'";
    const QString undecodable = "errors|%1|row|61,Cannot decode response.,%2,%3";
    const QString unhandled = "(MObjectsManager) Unhandled response status code %1";
    const QString renameFailed =
        "note|0||5|/Docs/a.txt|/Docs/b.txt|row|Could not rename '/Docs/a.txt' to '/Docs/b.txt'";
    const auto row = [](const char *name, int action, const QString &endpoint, int status,
                        const QByteArray &body, const QStringList &expected,
                        const QString &warning = QString()) {
        QTest::newRow(name) << action << endpoint << status << body << expected << warning;
    };

    row("list 404", 1, list, 404, "{}", {"notFound|/Docs|row"});
    row("metadata 404", 2, metadata, 404, "{}", {"notFound|/Docs/a.txt|row"});
    row("rename 412", 5, rename, 412, "{}", {exists.arg(5)});
    row("copy 412", 6, copy, 412, "{}", {exists.arg(6)});
    // A new folder or a rename that fails names its object, so that its views can recover.
    row("mkdir 412", 4, apiPath("/objects/mkdir/Docs/New"), 412, "{}",
        {"note|0|102|4|/Docs/New||row|Directory /Docs/New already exists"});
    // A refusal in the service's words says what failed first.
    row("mkdir 500", 4, apiPath("/objects/mkdir/Docs/New"), 500, R"({"errors":["No room"]})",
        {"note|0||4|/Docs/New||row|Could not create the folder '/Docs/New'|No room"});
    row("rename 500", 5, rename, 500, R"({"errors":["Busy"]})", {renameFailed + "|Busy"});
    row("copy 500", 6, copy, 500, R"({"errors":["boom"]})",
        {"note|0||6|/Docs/a.txt|/Docs/b.txt|row|Could not copy '/Docs/a.txt' to '/Docs/b.txt'|"
         "boom"});
    row("rename dropped", 5, rename, 0, "", {renameFailed}, unhandled.arg(0));
    row("rename undecodable", 5, rename, 200, html,
        {undecodable.arg(5).arg("", "rename"), renameFailed});
    row("list 500", 1, list, 500, R"({"errors":["Disk on fire","Try later"]})",
        {"fetchFailed|/Docs|500|row", "note|0||1||||Disk on fire", "note|0||1||||Try later"});
    row("share 500", 7, share, 500, R"({"errors":["No sharing"]})", {"note|0||7||||No sharing"});
    row("delete 500", 3, apiPath("/objects/delete"), 500,
        R"({"errors":[["/Docs/a.txt",805,"Not found"],["/Docs/b.txt",42,"Locked"]]})",
        {"errors|3|row", "note|0|805|3||||Could not delete '/Docs/a.txt'|Not found",
         "note|0|42|3||||Could not delete '/Docs/b.txt'|Locked"});
    // Any other refusal of a change is said once, naming what was refused.
    row("delete 503", 3, apiPath("/objects/delete"), 503, "{}",
        {"note|0||3|/Docs/a.txt||row|Could not delete '/Docs/a.txt'"}, unhandled.arg(503));
    row("copy 404", 6, copy, 404, "{}",
        {"note|0||6|/Docs/a.txt|/Docs/b.txt|row|Could not copy '/Docs/a.txt' to '/Docs/b.txt'"});
    row("copy 507", 6, copy, 507, "{}",
        {"note|0|507|6||||You don't have enough cloud space available"});
    row("rename 409", 5, rename, 409, "{}", {renameFailed}, unhandled.arg(409));
    row("list dropped", 1, list, 0, "", {"fetchFailed|/Docs|0|row"}, unhandled.arg(0));
    row("list undecodable", 1, list, 200, html,
        {"fetchFailed|/Docs|200|row", undecodable.arg(1).arg("/Docs", "list")});
    // A failed link request names no path, yet whoever waits for the link hears of it.
    const QString shareFailed = "note|0||7|||row|Could not make the share link";
    row("share undecodable", 7, share, 200, html, {undecodable.arg(7).arg("", ""), shareFailed});
    row("share dropped", 7, share, 0, "", {shareFailed}, unhandled.arg(0));
    row("metadata hostile", 2, metadata, 200,
        R"({"object":{"base_path":"/Docs","label":"..","type":"regfile"}})",
        {"fetchFailed|/Docs/a.txt|200|row", undecodable.arg(2).arg(fileA, "metadata")});
    row("list hostile", 1, list, 200,
        R"({"base_path":"/Docs","objects":[{"base_path":"/Docs","label":"..","type":"directory"},)"
        R"({"base_path":"/Docs","label":"a.txt","type":"regfile"}]})",
        {"ready|/Docs|a.txt|row"});
}

void TestObjectsManager::statusBranches()
{
    QFETCH(int, action);
    QFETCH(QString, endpoint);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QStringList, expected);
    QFETCH(QString, warning);

    QVERIFY(status ? server.forceStatus(endpoint, status, body) : server.drop(endpoint, -1));
    if (!warning.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
    switch (action) {
    case Tolvo::ListObjects:
        manager->listObjects("/Docs", false, "row");
        break;
    case Tolvo::ObjectsMetadata:
        manager->fetchInfo(fileA, "row");
        break;
    case Tolvo::DeleteObjects:
        manager->deleteObject(fileA, "row");
        break;
    case Tolvo::MakeDirectory:
        manager->createDirectory("/Docs/New", "row");
        break;
    case Tolvo::RenameObject:
        manager->renameObject(fileA, fileB, "row");
        break;
    case Tolvo::CopyObject:
        manager->copyObject(fileA, fileB, "row");
        break;
    case Tolvo::CreateShareLink:
        manager->getShareLink(fileA, "row");
        break;
    }
    QVERIFY(replies->wait());
    deliverPosted();
    QCOMPARE(events, expected);

    // Whatever the answer, the folder is not left pending.
    if (action == Tolvo::ListObjects) {
        QVERIFY(server.reset());
        manager->listObjects("/Docs", true, "again");
        QVERIFY(replies->wait());
        QCOMPARE(events.last(), QStringLiteral("ready|/Docs|a.txt|again"));
    }
}

void TestObjectsManager::nothingIsSentWhileSignedOut()
{
    QVERIFY(core.signOut());
    const QRegularExpression notSent("not sent");
    QTest::ignoreMessage(QtWarningMsg, notSent);
    manager->listObjects("/Docs", false, 1);
    QTest::ignoreMessage(QtWarningMsg, notSent);
    manager->getShareLink(fileA, 1);
    QVERIFY(core.signIn());
    QCOMPARE(requestsTo(apiPath("/objects/list/Docs")).size(), 0);
    QCOMPARE(requestsTo(apiPath("/shares.json")).size(), 0);

    // The refused listing was not left pending.
    manager->listObjects("/Docs", false, 2);
    QVERIFY(replies->wait());
    QCOMPARE(events, QStringList{"ready|/Docs|a.txt|2"});
}

void TestObjectsManager::shareLinks()
{
    // A refused token is refreshed and the request sent again.
    QVERIFY(server.expireTokens(demoEmail));
    QSignalSpy shared(manager, &MObjectsManager::shareUrlReady);
    manager->getShareLink(fileA, "share");
    QVERIFY(shared.wait(20000));
    QCOMPARE(shared.at(0).at(0).value<MStorageObject>().fullPath(), fileA);
    const QUrl url = shared.at(0).at(1).toUrl();
    QVERIFY(url.isValid() && !url.isEmpty());
    QCOMPARE(shared.at(0).at(2).toString(), QStringLiteral("share"));
    const QJsonArray sent = requestsTo(apiPath("/shares.json"));
    QCOMPARE(sent.size(), 2);
    QCOMPARE(jsonBody(sent.last()).value("share").toObject().value("expires_in"), QJsonValue("72"));
    QCOMPARE(sent.last().toObject().value("headers").toObject().value("user-agent").toString(),
             TolvoApp::instance()->userAgent());

    QSignalSpy listed(manager, &MObjectsManager::shareLinksListReady);
    manager->getShareLinksList(0, 20, "list");
    QVERIFY(listed.wait(20000));
    const auto links = listed.at(0).at(0).value<QList<MShareLink>>();
    QCOMPARE(links.size(), 1);
    QCOMPARE(links.at(0).filePath(), fileA);
    QCOMPARE(listed.at(0).at(1).toString(), QStringLiteral("list"));
    QCOMPARE(requestsTo(apiPath("/sharelinks/list")).at(0).toObject().value("query").toString(),
             QStringLiteral("limit=20&offset=0"));

    QSignalSpy revoked(manager, &MObjectsManager::shareUrlRevoked);
    manager->revokeShareLink(links.at(0).token(), "revoke");
    QVERIFY(revoked.wait(20000));
    QCOMPARE(revoked.at(0).at(0).value<MShareLink>().token(), links.at(0).token());
    QVERIFY(revoked.at(0).at(0).value<MShareLink>().revokedAt().isValid());
    QCOMPARE(revoked.at(0).at(1).toString(), QStringLiteral("revoke"));

    QSignalSpy mailed(manager, &MObjectsManager::shareLinkEmailsSent);
    manager->sendShareLinkByEmail(url.toString(), "a.txt", {"friend@example.org"}, "Look");
    QVERIFY(mailed.wait(20000));
    QCOMPARE(mailed.at(0).at(0).toString(), QStringLiteral("a.txt"));
    QCOMPARE(mailed.at(0).at(1).toStringList(), QStringList{"friend@example.org"});
    QCOMPARE(mailed.at(0).at(2).toStringList(), QStringList());
    QVERIFY(!mailed.at(0).at(3).isValid());
}

void TestObjectsManager::shutdownCompletes_data()
{
    QTest::addColumn<bool>("started");
    QTest::newRow("before start") << false;
    QTest::newRow("after start") << true;
}

void TestObjectsManager::shutdownCompletes()
{
    QFETCH(bool, started);
    QThread *engineThread = nullptr;
    MObjectTransfer live;
    std::unique_ptr<QSignalSpy> liveStarted;
    QTemporaryDir local;
    if (started) {
        manager->start();
        MObjectSender *engine = manager->objectSender();
        QVERIFY(engine);
        manager->start();
        QCOMPARE(manager->objectSender(), engine);
        engineThread = engine->thread();
        QCOMPARE(engineThread->objectName(), QStringLiteral("com.kerloapp.transfers-queue"));
        // Re-emitted by the manager, in both forms.
        liveStarted =
            std::make_unique<QSignalSpy>(manager, SIGNAL(transferStarted(MObjectTransfer)));
        QVERIFY(server.hang(apiPath("/object") + fileA));
        MObjectTransferRequest request(fileA, local.filePath("a.txt"), 1);
        request.setAction(Tolvo::DownloadObject);
        live = engine->scheduleTransfer(request);
        QVERIFY(liveStarted->wait());
    }
    QSignalSpy completed(manager, &MObjectsManager::shutdownCompleted);
    QVERIFY(server.hang(apiPath("/objects/list/Docs")));
    manager->listObjects("/Docs", false, QVariant());
    manager->shutdown();
    if (started) {
        // The engine saved its live transfer for the next start, then left with its thread.
        QVERIFY(completed.wait(20000));
        QCOMPARE(MObjectTransfer::fromIdentifier(live.identifier()).state(),
                 int(MObjectTransfer::Paused));
        QVERIFY(!manager->objectSender());
        QVERIFY(engineThread->wait());
    }
    QCOMPARE(completed.count(), 1);
    // The listing in flight was canceled and answers nothing.
    deliverPosted();
    QCOMPARE(completed.count(), 1);
    QCOMPARE(events, QStringList());
}

QTEST_MAIN(TestObjectsManager)
#include "tst_objectsmanager.moc"

#include "kerlolocal.h"
#include "logcapture.h"
#include "mconfigdatabase.h"
#include "mjsonrequestmanager.h"
#include "mnotificationmanager.h"
#include "mobjectsmanager.h"
#include "mobjectsmanager_p.h"
#include "mobjectsvirtualfilesystem.h"
#include "muserauthmanager.h"
#include "signedincore.h"
#include "testcore.h"
#include "tolvoappimpl.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <memory>

namespace {

using TestData::demoEmail;
using TestData::demoPassword;
using TestData::md5Hex;
const QString otherEmail = QStringLiteral("ines@kerlo.local");
const QString otherPassword = QStringLiteral("ines-secret-1");
const QString deltaPrefix = QStringLiteral("/api/v1/objects/delta/");
// Longer than the longest wait between two failed polls.
constexpr int ChangeTimeout = 40000;

QString paths(const MStorageObjectList &objects)
{
    QStringList result;
    for (const MStorageObject &object : objects)
        result.append(object.fullPath());
    return result.join(QLatin1Char(','));
}

QString storedCursor()
{
    return MReadValueFromDB<QString>(QStringLiteral("lhid"));
}

bool isDeltaReply(const QList<QVariant> &arguments)
{
    const MNetworkRequest request = arguments.value(0).value<MNetworkRequest>();
    return request.userInfo().toMap().value(ReqActionKey).toInt() == Tolvo::DeltaPoll;
}

// The child's view of a poll: a manager of its own core on its own support folder, signed in
// as the demo user. "first" polls until it holds a cursor; "resume" reports the first change
// its polls add; "crash" dies, as a killed process does, on the first entry it
// refuses.
int liveCase(const QString &name, const QStringList &args)
{
    if (args.size() < 2)
        return 2;
    if (name == QLatin1String("crash")) {
        static const QtMessageHandler previous = qInstallMessageHandler(nullptr);
        qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext &context, const QString &message) {
                if (message.contains(QLatin1String("Ignoring a delta entry")))
                    std::raise(SIGKILL);
                previous(type, context, message);
            });
    }
    SignedInCore core;
    if (!core.startCore(QUrl(args.at(0)), args.at(1)) || !core.signIn())
        return 3;
    TolvoApp *app = TolvoApp::instance();

    MObjectsManager *manager = app->objectsManager();
    QString added;
    // A reply is applied a slice at a time, and a slice may end before the reply's first
    // change: "resume" answers with the first change reported, not with the reply's end.
    QObject::connect(manager, &MObjectsManager::objectsAdded, qApp,
                     [&](const MStorageObjectList &objects) {
                         added += paths(objects);
                         if (name == QLatin1String("resume")) {
                             std::printf("added %s\n", qPrintable(added));
                             qApp->exit(0);
                         }
                     });
    auto *requests = manager->findChild<MJsonRequestManager *>();
    QObject::connect(requests, &MNetworkRequestManager::replyFinishedForRequest, qApp,
                     [&](const MNetworkRequest &request) {
                         if (!isDeltaReply({QVariant::fromValue(request)}))
                             return;
                         if (name == QLatin1String("first") && !storedCursor().isEmpty()) {
                             std::printf("cursor %s\n", qPrintable(storedCursor()));
                             qApp->exit(0);
                         }
                     });
    manager->startLiveUpdatesMonitor();
    return QCoreApplication::exec();
}

} // namespace

// The live-update poll against kerlo-local: changes made by another device reach the
// manager's signals and its listing cache; the cursor is kept per user across restarts and
// crashes; entries the service should never send are refused one by one; failed polls back
// off and resume.
class TestLiveUpdates : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void changesFromAnotherDevice();
    void cachedListingCarriesChangesAppliedBeforeItIsDelivered();
    void newFoldersComeTopFirst();
    void unknownCursorStartsOver();
    void entriesAreCheckedOneByOne();
    void failedPollsResume_data();
    void failedPollsResume();
    void stoppedMonitorStartsAgain();
    void loadedCacheAsksForChanges();
    void pollingFollowsConnectivity();
    void localCopiesFollowRemoteChanges();
    void cursorBelongsToItsUser();
    void cursorWithoutOwnerIsKept();
    void cursorSurvivesRestart();
    void crashResumesAfterLastEntry();

private:
    MUserAuthManager *auth() const { return core.auth(); }
    void createManager();
    // Lists path and waits for the answer.
    void list(const QString &path, bool force = true);
    // Starts the monitor and waits for its first poll to be handled.
    void startMonitor();
    bool waitForPoll();
    QStringList deltaRequests() const;

    SignedInCore core;
    KerloLocal &server = core.server();
    MObjectsManager *manager = nullptr;
    std::unique_ptr<QSignalSpy> replies;
    QStringList events;
    // Outlives the managers, whose local cache writes its index when destroyed.
    QTemporaryDir root;
    // The content hashes (before, after) of the last modification's first pair.
    QStringList modifiedHashes;
    int listings = 0;
};

void TestLiveUpdates::initTestCase()
{
    LogCapture::install();
    QVERIFY(core.start());
    QVERIFY(!server.createUser(otherEmail, otherPassword).isEmpty());
    QVERIFY(core.signIn());
    QVERIFY(!server.seedFile(demoEmail, QStringLiteral("/Live/one.txt"), "one").isEmpty());
    QVERIFY(!server.seedFile(demoEmail, QStringLiteral("/Unlisted/old.txt"), "old").isEmpty());
}

void TestLiveUpdates::init()
{
    QVERIFY(server.reset());
    QCoreApplication::sendPostedEvents();
    createManager();
}

void TestLiveUpdates::cleanup()
{
    replies.reset();
    delete manager;
    manager = nullptr;
}

void TestLiveUpdates::createManager()
{
    replies.reset();
    delete manager;
    events.clear();
    manager = new MObjectsManager(this);
    replies = std::make_unique<QSignalSpy>(manager->findChild<MJsonRequestManager *>(),
                                           &MNetworkRequestManager::replyFinishedForRequest);
    const auto add = [this](const QStringList &fields) {
        events.append(fields.join('|'));
    };
    connect(manager, &MObjectsManager::objectsAdded, manager,
            [add](const MStorageObjectList &objects, const QVariant &data) {
                QVERIFY(!data.isValid());
                add({"added", paths(objects)});
            });
    connect(manager, &MObjectsManager::objectsDeleted, manager,
            [add](const MStorageObjectList &objects, const QVariant &data) {
                QVERIFY(!data.isValid());
                add({"deleted", paths(objects)});
            });
    connect(manager, &MObjectsManager::objectsModified, manager,
            [this, add](const QStringList &changed, const QList<MStorageObjectPair> &pairs,
                        const QVariant &data) {
                QVERIFY(!data.isValid());
                QCOMPARE(changed.size(), pairs.size());
                QStringList fields{"modified"};
                for (int i = 0; i < changed.size(); ++i)
                    fields.append(changed.at(i) + ">" + pairs.at(i).first.fullPath() + ">" +
                                  pairs.at(i).second.fullPath());
                modifiedHashes = QStringList{pairs.value(0).first.contentHash(),
                                             pairs.value(0).second.contentHash()};
                add(fields);
            });
    connect(manager, &MObjectsManager::objectsReady, manager,
            [add](const QString &base, const MStorageObjectList &objects) {
                QStringList names = paths(objects).split(',');
                names.sort();
                add({"ready", base, names.join(',')});
            });
}

void TestLiveUpdates::list(const QString &path, bool force)
{
    // A running monitor lists the folders its changes reach, and one of those may come first.
    QSignalSpy ready(manager, &MObjectsManager::objectsReady);
    const QString call = QStringLiteral("list %1").arg(++listings);
    manager->listObjects(path, force, call);
    QVERIFY(QTest::qWaitFor(
        [&] {
            return std::any_of(ready.cbegin(), ready.cend(), [&](const QList<QVariant> &answer) {
                return answer.at(0).toString() == path && answer.at(2) == call;
            });
        },
        20000));
}

bool TestLiveUpdates::waitForPoll()
{
    for (int seen = replies->size();;) {
        if (!replies->wait(ChangeTimeout))
            return false;
        for (; seen < replies->size(); ++seen) {
            if (isDeltaReply(replies->at(seen)))
                return true;
        }
    }
}

void TestLiveUpdates::startMonitor()
{
    manager->startLiveUpdatesMonitor();
    QVERIFY(waitForPoll());
    QVERIFY(!storedCursor().isEmpty());
    events.clear();
}

QStringList TestLiveUpdates::deltaRequests() const
{
    QStringList result;
    for (const QJsonValue &request : server.requests()) {
        const QString path = request.toObject().value("path").toString();
        if (path.startsWith(deltaPrefix))
            result.append(path.mid(deltaPrefix.size()));
    }
    return result;
}

void TestLiveUpdates::changesFromAnotherDevice()
{
    list("/Live");
    startMonitor();
    QSignalSpy added(manager, &MObjectsManager::objectsAdded);
    QSignalSpy modified(manager, &MObjectsManager::objectsModified);
    QSignalSpy deleted(manager, &MObjectsManager::objectsDeleted);

    QVERIFY(!server.seedFile(demoEmail, "/Live/new.txt", "first").isEmpty());
    QVERIFY(added.wait(ChangeTimeout));
    QCOMPARE(events, QStringList{"added|/Live/new.txt"});

    // A content update keeps the file in the cached listing, with its new hash.
    QVERIFY(!server.seedFile(demoEmail, "/Live/new.txt", "second").isEmpty());
    QVERIFY(modified.wait(ChangeTimeout));
    QCOMPARE(events.last(), QString("modified|/Live/new.txt>/Live/new.txt>/Live/new.txt"));
    QCOMPARE(modifiedHashes, (QStringList{md5Hex("first"), md5Hex("second")}));
    events.clear();
    list("/Live", false);
    QCOMPARE(events, QStringList{"ready|/Live|/Live/new.txt,/Live/one.txt"});

    QVERIFY(!server.moveObject(demoEmail, "/Live/new.txt", "/Live/renamed.txt").isEmpty());
    QVERIFY(modified.wait(ChangeTimeout));
    QCOMPARE(events.last(), QString("modified|/Live/new.txt>/Live/new.txt>/Live/renamed.txt"));

    // Moved into a folder never listed: that folder is listed in full when asked for, not
    // answered with the one object the move brought.
    QVERIFY(!server.moveObject(demoEmail, "/Live/renamed.txt", "/Unlisted/moved.txt").isEmpty());
    QVERIFY(modified.wait(ChangeTimeout));
    events.clear();
    list("/Unlisted", false);
    QCOMPARE(events, QStringList{"ready|/Unlisted|/Unlisted/moved.txt,/Unlisted/old.txt"});

    QCOMPARE(server.deleteObject(demoEmail, "/Unlisted/moved.txt").size(), 1);
    QVERIFY(deleted.wait(ChangeTimeout));
    QCOMPARE(events.last(), QString("deleted|/Unlisted/moved.txt"));
    events.clear();
    list("/Unlisted", false);
    QCOMPARE(events, QStringList{"ready|/Unlisted|/Unlisted/old.txt"});
    // Each change came in one reply, and nothing was reported twice.
    QCOMPARE(added.size(), 1);
    QCOMPARE(modified.size(), 3);
    QCOMPARE(deleted.size(), 1);
}

// A listing answered from the cache reaches its listener a turn later; a change applied in
// between (a live update's slice, run before the answer's turn) must be in it, or the views
// would take back out what the update just added.
void TestLiveUpdates::cachedListingCarriesChangesAppliedBeforeItIsDelivered()
{
    list("/Live");
    QSignalSpy ready(manager, &MObjectsManager::objectsReady);
    manager->listObjects("/Live", false, QVariant());
    MStorageObject arrived(QStringLiteral("/Live"), QStringLiteral("arrived.txt"));
    arrived.setType(MStorageObject::RegularFile);
    QVERIFY(MObjectsManagerPrivate::get(manager)->listingsCache.updateObject(arrived, false));
    QVERIFY(ready.wait(20000));
    const auto objects = ready.takeFirst().at(1).value<MStorageObjectList>();
    QVERIFY(paths(objects).split(',').contains(QStringLiteral("/Live/arrived.txt")));
}

void TestLiveUpdates::newFoldersComeTopFirst()
{
    list("/");
    startMonitor();
    QSignalSpy ready(manager, &MObjectsManager::objectsReady);
    QVERIFY(!server.seedFile(demoEmail, "/Fresh/Sub/f.txt", "f").isEmpty());
    // The folders the service made on the way, each once, top first; a long reply is applied
    // a slice at a time, so they may come in more than one signal. The file itself comes with
    // the listing of its folder, which is sent at once.
    const auto addedPaths = [this] {
        QStringList result;
        for (const QString &event : qAsConst(events)) {
            if (event.startsWith(QLatin1String("added|")))
                result += event.mid(6).split(QLatin1Char(','));
        }
        return result;
    };
    QTRY_VERIFY_WITH_TIMEOUT(addedPaths().contains("/Fresh/Sub"), ChangeTimeout);
    QCOMPARE(addedPaths(), (QStringList{"/Fresh", "/Fresh/Sub"}));
    QTRY_VERIFY_WITH_TIMEOUT(ready.size() >= 2, ChangeTimeout);
    QVERIFY(events.contains("ready|/Fresh/Sub|/Fresh/Sub/f.txt"));
    QVERIFY(events.contains("ready|/Fresh|/Fresh/Sub"));
    QCOMPARE(addedPaths(), (QStringList{"/Fresh", "/Fresh/Sub"}));

    // A folder reported in an earlier reply (or slice), never listed since, is not new again
    // when something comes inside it.
    QVERIFY(!server.seedFolder(demoEmail, "/Known").isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(addedPaths().contains("/Known"), ChangeTimeout);
    QVERIFY(!server.seedFile(demoEmail, "/Known/Deep/k.txt", "k").isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(addedPaths().contains("/Known/Deep"), ChangeTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(events.contains("ready|/Known/Deep|/Known/Deep/k.txt"), ChangeTimeout);
    QCOMPARE(addedPaths(), (QStringList{"/Fresh", "/Fresh/Sub", "/Known", "/Known/Deep"}));
}

void TestLiveUpdates::unknownCursorStartsOver()
{
    // The demo user's cursor, which the service no longer knows.
    MWriteValueToDB(QStringLiteral("lhid"), QStringLiteral("nosuch-3"));
    MWriteValueToDB(QStringLiteral("lhidUser"), auth()->account().id());
    createManager();
    manager->startLiveUpdatesMonitor();
    QVERIFY(waitForPoll());
    QCOMPARE(storedCursor(), QString());
    QVERIFY(waitForPoll());
    const QString head = storedCursor();
    QVERIFY(!head.isEmpty());
    QCOMPARE(deltaRequests().mid(0, 2), (QStringList{"nosuch-3", ""}));

    // A reply without "updates" gives the cursor; an entry without a token empties it.
    QVERIFY(server.forceStatus(deltaPrefix + head, 200,
                               R"({"updates":[{"path":"/x","type":"noop"}],"cursor":"ignored"})"));
    QVERIFY(waitForPoll());
    QCOMPARE(storedCursor(), QString());
    QVERIFY(waitForPoll());
    QCOMPARE(storedCursor(), head);
    QVERIFY(events.isEmpty());
}

void TestLiveUpdates::entriesAreCheckedOneByOne()
{
    list("/");
    list("/Live");
    startMonitor();
    QSignalSpy added(manager, &MObjectsManager::objectsAdded);
    const QJsonObject file{{"label", "dup.txt"},
                           {"base_path", "/"},
                           {"type", "regfile"},
                           {"hash", md5Hex("dup")},
                           {"size", 3}};
    const QJsonObject outside{{"label", "passwd"},
                              {"base_path", "/../../etc"},
                              {"type", "regfile"},
                              {"hash", md5Hex("x")}};
    const QList<QJsonObject> entries{
        {{"path", "/../../etc/passwd"}, {"type", "delete"}, {"object", outside}},
        {{"path", "/Live/one.txt"}, {"type", "delete"}, {"object", outside}},
        {{"path", "/x"},
         {"type", "add"},
         {"object", QJsonObject{{"label", ".."}, {"base_path", "/"}, {"type", "directory"}}}},
        {{"path", "/Live"},
         {"type", "update"},
         {"attributes", QJsonObject{{"path", QJsonArray{"/Live", "/../escape"}}}},
         {"final_object",
          QJsonObject{{"label", "escape"}, {"base_path", "/"}, {"type", "directory"}}}},
        {{"path", "/Live"},
         {"type", "update"},
         {"attributes", QJsonObject{{"label", QJsonArray{"Live", ".."}}}},
         {"final_object",
          QJsonObject{{"label", "Live"}, {"base_path", "/"}, {"type", "directory"}}}},
        {{"path", "/Live"},
         {"type", "update"},
         {"attributes", QJsonObject{{"label", "Other"}}},
         {"final_object",
          QJsonObject{{"label", "Other"}, {"base_path", "/"}, {"type", "directory"}}}},
        {{"path", "/a.txt"}, {"type", "add"}, {"object", "not an object"}},
        {{"path", 42}, {"type", "add"}, {"object", file}},
        {{"path", "relative/dup.txt"}, {"type", "add"}, {"object", file}},
        {{"path", "/dup.txt"}, {"type", "add"}, {"object", file}},
        {{"path", "/dup.txt"}, {"type", "add"}, {"object", file}},
        {{"path", "/dup.txt"}, {"type", "rename"}, {"object", file}},
    };
    const int warningsBefore =
        LogCapture::messages().filter(QStringLiteral("Ignoring a delta entry")).size();
    QString last;
    for (const QJsonObject &entry : entries) {
        last = server.journalEntry(demoEmail, entry);
        QVERIFY(!last.isEmpty());
    }
    QVERIFY(added.wait(ChangeTimeout));
    // Only the well-formed add, once; the cursor moved past every entry.
    QCOMPARE(events, QStringList{"added|/dup.txt"});
    QCOMPARE(storedCursor(), last);
    QCOMPARE(LogCapture::messages().filter(QStringLiteral("Ignoring a delta entry")).size() -
                 warningsBefore,
             9);
    // The refused delete left the listing alone.
    events.clear();
    list("/Live", false);
    QCOMPARE(events, QStringList{"ready|/Live|/Live/one.txt"});
}

void TestLiveUpdates::failedPollsResume_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("drop");
    QTest::newRow("500") << 500 << QByteArray(R"({"errors":["busy"]})") << false;
    QTest::newRow("503") << 503 << QByteArray() << false;
    QTest::newRow("507") << 507 << QByteArray("{}") << false;
    QTest::newRow("undecodable") << 200 << QByteArray("{not json") << false;
    QTest::newRow("no changes, no cursor") << 200 << QByteArray(R"({"cursor":""})") << false;
    QTest::newRow("dropped") << 0 << QByteArray() << true;
}

void TestLiveUpdates::failedPollsResume()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, drop);
    startMonitor();
    const QString cursor = storedCursor();
    constexpr int failures = 3;
    if (drop)
        QVERIFY(server.drop(deltaPrefix + cursor, failures));
    else
        QVERIFY(server.forceStatus(deltaPrefix + cursor, status, body, failures));
    int quotaNotes = 0;
    connect(MNotificationManager::instance(), &MNotificationManager::notificationReady, manager,
            [&](const MNotification &note) {
                if (note.attribute(MNotification::Action).toInt() == Tolvo::DeltaPoll)
                    ++quotaNotes;
            });
    QVERIFY(server.clearRequests());
    const QString path = QStringLiteral("/Retry/%1.txt").arg(QTest::currentDataTag());
    QVERIFY(!server.seedFile(demoEmail, path, "r").isEmpty());

    QSignalSpy added(manager, &MObjectsManager::objectsAdded);
    QVERIFY(added.wait(ChangeTimeout));
    QCOMPARE(events.filter("added"), QStringList{"added|/Retry"});
    // Every failure was followed by one more poll with the same cursor, and the first poll
    // after them applied the change.
    const QStringList polls = deltaRequests();
    QVERIFY2(polls.count(cursor) >= failures + 1, qPrintable(polls.join(' ')));
    QCOMPARE(polls.lastIndexOf(cursor), polls.count(cursor) - 1);
    QCOMPARE(quotaNotes, status == 507 ? 1 : 0);
}

void TestLiveUpdates::stoppedMonitorStartsAgain()
{
    startMonitor();
    manager->stopLiveUpdatesMonitor();
    QVERIFY(!server.seedFile(demoEmail, "/Again/a.txt", "a").isEmpty());
    QSignalSpy added(manager, &MObjectsManager::objectsAdded);
    manager->startLiveUpdatesMonitor();
    manager->startLiveUpdatesMonitor();
    QVERIFY(added.wait(ChangeTimeout));
    QCOMPARE(events.filter("added"), QStringList{"added|/Again"});
}

void TestLiveUpdates::loadedCacheAsksForChanges()
{
    // Cached copies may have changed on the service while the client was not running: once
    // the index is loaded, one poll goes out even before anyone starts the monitor.
    manager->start();
    auto *vfs = manager->findChild<MObjectsVirtualFileSystem *>();
    QVERIFY(vfs);
    vfs->setFileSystemPath(root.path());
    QVERIFY(QDir(root.path()).mkpath("objects"));
    QFile file(root.filePath("objects/kept.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("kept") == 4);
    file.close();
    QVERIFY(vfs->addObject(file.fileName(), true));
    vfs->flush();
    QVERIFY(server.clearRequests());
    vfs->reload();
    QVERIFY(waitForPoll());
    QCOMPARE(deltaRequests().size(), 1);
}

void TestLiveUpdates::pollingFollowsConnectivity()
{
    TolvoApp *app = TolvoApp::instance();
    startMonitor();
    const QString cursor = storedCursor();
    // Polls that lose their connection fail, and the monitor polls again by itself.
    QVERIFY(server.drop(deltaPrefix + cursor, 2));
    QVERIFY(!server.seedFile(demoEmail, "/Offline/a.txt", "a").isEmpty());
    QSignalSpy added(manager, &MObjectsManager::objectsAdded);
    QVERIFY(added.wait(ChangeTimeout));
    QCOMPARE(events.filter("added"), QStringList{"added|/Offline"});

    // Back online, the failed polls are not sent again with the old cursor: polling goes on
    // from the new one.
    QVERIFY(server.clearRequests());
    app->setConnectivityStatus(TolvoApp::Offline);
    app->setConnectivityStatus(TolvoApp::Online);
    for (int polls = 0; polls < 3; ++polls)
        QVERIFY(waitForPoll());
    QVERIFY2(!deltaRequests().contains(cursor), qPrintable(deltaRequests().join(' ')));
    QCOMPARE(added.size(), 1);
    QVERIFY(!server.seedFile(demoEmail, "/Offline/b.txt", "b").isEmpty());
    QVERIFY(added.wait(ChangeTimeout));
    QCOMPARE(events.filter("added").last(), QString("added|/Offline/b.txt"));
}

void TestLiveUpdates::localCopiesFollowRemoteChanges()
{
    for (const QString name : {"keep", "gone", "edit", "move", "same"})
        QVERIFY(!server.seedFile(demoEmail, "/Cached/" + name + ".txt", name.toUtf8()).isEmpty());
    manager->start();
    auto *vfs = manager->findChild<MObjectsVirtualFileSystem *>();
    QVERIFY(vfs);
    vfs->setFileSystemPath(root.path());
    QVERIFY(QDir(root.path()).mkpath("objects/Cached"));
    list("/");
    QSignalSpy ready(manager, &MObjectsManager::objectsReady);
    manager->listObjects("/Cached", true, QVariant());
    QVERIFY(ready.wait(20000));
    // Local copies as the service has them; "edit" has edits not yet uploaded, "same" already
    // holds the content the service is about to get.
    const auto local = [&](const QString &name) {
        return root.filePath("objects/Cached/" + name + ".txt");
    };
    for (const MStorageObject &object : ready.last().at(1).value<MStorageObjectList>()) {
        const QString name = object.label().section('.', 0, 0);
        QFile file(local(name));
        const QByteArray content = name == "same" ? "same 2" : name.toUtf8();
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        file.close();
        if (name == "same")
            QVERIFY(vfs->addObject(file.fileName(), false));
        else
            QVERIFY(vfs->addObject(object, name != "edit"));
    }
    QFile victim(root.filePath("victim.txt"));
    QVERIFY(victim.open(QIODevice::WriteOnly) && victim.write("mine") == 4);
    victim.close();
    startMonitor();
    QSignalSpy deleted(manager, &MObjectsManager::objectsDeleted);
    QSignalSpy modified(manager, &MObjectsManager::objectsModified);
    QSignalSpy finished(manager, &MObjectsManager::transferFinished);

    QCOMPARE(server.deleteObject(demoEmail, "/Cached/edit.txt").size(), 1);
    const QJsonObject object{{"label", "victim.txt"}, {"base_path", "/"}, {"type", "regfile"}};
    QVERIFY(!server
                 .journalEntry(demoEmail,
                               {{"path", "/../victim.txt"}, {"type", "delete"}, {"object", object}})
                 .isEmpty());
    QVERIFY(!server.seedFile(demoEmail, "/Cached/same.txt", "same 2").isEmpty());
    QCOMPARE(server.deleteObject(demoEmail, "/Cached/gone.txt").size(), 1);
    QVERIFY(deleted.wait(ChangeTimeout));
    // The copy with edits stays, the other one went to the bin, the file outside the cache
    // was not touched, and the update the copy already had is no news.
    QVERIFY2(events == QStringList{"deleted|/Cached/gone.txt"}, qPrintable(events.join(' ')));
    QVERIFY(QFile::exists(local("edit")));
    QVERIFY(!QFile::exists(local("gone")));
    QCOMPARE(QDir(root.filePath("deleted")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 1);
    QVERIFY(victim.exists());
    QVERIFY(modified.isEmpty());
    // ...and its edits are sent again, so they are not left on this machine alone.
    const auto uploadedEdit = [&] {
        for (const QList<QVariant> &arguments : qAsConst(finished)) {
            const auto transfer = arguments.at(0).value<MObjectTransfer>();
            if (transfer.transferRequest().destinationPath() == "/Cached/edit.txt")
                return true;
        }
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(uploadedEdit(), ChangeTimeout);

    QVERIFY(!server.seedFile(demoEmail, "/Cached/keep.txt", "keep 2").isEmpty());
    QVERIFY(modified.wait(ChangeTimeout));
    bool expired = false;
    QVERIFY(vfs->containsObject(QStringLiteral("/Cached/keep.txt"), nullptr, &expired));
    QVERIFY(expired);
    // The expired copy is fetched again, checked against the object as it now is.
    QTRY_VERIFY_WITH_TIMEOUT(
        vfs->containsObject(QStringLiteral("/Cached/keep.txt"), nullptr, &expired) && !expired,
        ChangeTimeout);
    QFile kept(local("keep"));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("keep 2"));
    kept.close();

    QVERIFY(!server.moveObject(demoEmail, "/Cached/move.txt", "/Cached/moved.txt").isEmpty());
    QVERIFY(modified.wait(ChangeTimeout));
    QVERIFY(!QFile::exists(local("move")));
    QVERIFY(QFile::exists(local("moved")));
    QVERIFY(vfs->containsObject(QStringLiteral("/Cached/moved.txt")));

    // A remote path that spells the cache's own location on this disk is still a remote
    // path: its object maps inside the cache, and deleting it leaves "/Cached/keep.txt" be.
    const QString mirror = local("keep");
    QCOMPARE(vfs->localPath(mirror), root.path() + "/objects" + mirror);
    QVERIFY(!vfs->containsObject(mirror));
    QVERIFY(!server.seedFile(demoEmail, mirror, "elsewhere").isEmpty());
    QCOMPARE(server.deleteObject(demoEmail, mirror).size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(events.contains("deleted|" + mirror), ChangeTimeout);
    QVERIFY(vfs->containsObject(QStringLiteral("/Cached/keep.txt")));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("keep 2"));
}

void TestLiveUpdates::cursorBelongsToItsUser()
{
    list("/");
    const QString demoCursor = storedCursor();
    QVERIFY(!demoCursor.isEmpty());

    // Another user signs in on this client: the first poll asks for a cursor of its own.
    QVERIFY(core.signIn(otherEmail, otherPassword));
    QVERIFY(server.clearRequests());
    manager->startLiveUpdatesMonitor();
    QVERIFY(waitForPoll());
    QVERIFY(waitForPoll());
    QStringList polls = deltaRequests();
    QVERIFY(!polls.contains(demoCursor));
    QCOMPARE(polls.value(0), QString());
    QVERIFY(!storedCursor().isEmpty());
    QVERIFY(storedCursor() != demoCursor);

    // Signing out forgets it.
    QSignalSpy loggedOut(auth(), &MUserAuthManager::logoutPerformed);
    auth()->reset();
    QCOMPARE(loggedOut.size(), 1);
    QCOMPARE(storedCursor(), QString());
    manager->stopLiveUpdatesMonitor();
    QVERIFY(core.signIn());
}

void TestLiveUpdates::cursorWithoutOwnerIsKept()
{
    // A cursor saved before its owner was recorded is not taken for another user's: the
    // changes after it are not skipped.
    startMonitor();
    const QString cursor = storedCursor();
    manager->stopLiveUpdatesMonitor();
    QSqlQuery forget(mConfigDatabase());
    QVERIFY(forget.exec(QStringLiteral("DELETE FROM config WHERE key='lhidUser'")));
    createManager();
    QVERIFY(server.clearRequests());
    manager->startLiveUpdatesMonitor();
    QVERIFY(waitForPoll());
    QCOMPARE(deltaRequests().value(0), cursor);
}

void TestLiveUpdates::cursorSurvivesRestart()
{
    QTemporaryDir support;
    const QStringList arguments{server.baseUrl().toString(), support.path()};
    const TestCore::SubprocessResult first =
        TestCore::runSubprocess(QStringLiteral("first"), arguments);
    QVERIFY2(!first.crashed && first.exitCode == 0, first.standardError.right(2000).constData());
    QVERIFY(first.standardOutput.startsWith("cursor "));

    // Made while no client runs: the next start still learns it.
    QVERIFY(!server.seedFile(demoEmail, "/Restart/a.txt", "a").isEmpty());
    const TestCore::SubprocessResult resumed =
        TestCore::runSubprocess(QStringLiteral("resume"), arguments);
    QVERIFY2(!resumed.crashed && resumed.exitCode == 0,
             resumed.standardOutput + resumed.standardError.right(2000));
    QCOMPARE(resumed.standardOutput.trimmed(), QByteArray("added /Restart"));
}

void TestLiveUpdates::crashResumesAfterLastEntry()
{
    QTemporaryDir support;
    const QStringList arguments{server.baseUrl().toString(), support.path()};
    const TestCore::SubprocessResult first =
        TestCore::runSubprocess(QStringLiteral("first"), arguments);
    QVERIFY2(!first.crashed && first.exitCode == 0, first.standardError.right(2000).constData());

    const QJsonObject object{{"label", "c.txt"}, {"base_path", "/"}, {"type", "regfile"}};
    const QString applied =
        server.journalEntry(demoEmail, {{"path", "/c.txt"}, {"type", "add"}, {"object", object}});
    QVERIFY(!applied.isEmpty());
    QVERIFY(!server.journalEntry(demoEmail, {{"path", "/../c.txt"}, {"type", "add"}}).isEmpty());
    QVERIFY(!server.journalEntry(demoEmail, {{"path", "/d.txt"}, {"type", "noop"}}).isEmpty());
    const TestCore::SubprocessResult crashed =
        TestCore::runSubprocess(QStringLiteral("crash"), arguments);
    QVERIFY(crashed.crashed);

    // The killed child had saved the cursor of the entry before the one it died on.
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "child-config");
        db.setDatabaseName(support.filePath("config.db"));
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY(query.exec("SELECT value FROM config WHERE key='lhid'") && query.next());
        QDataStream stream(query.value(0).toByteArray());
        stream.setVersion(QDataStream::Qt_5_3);
        QString cursor;
        stream >> cursor;
        QCOMPARE(cursor, applied);
    }
    QSqlDatabase::removeDatabase("child-config");
}

TESTCORE_MAIN_WITH_SUBPROCESS(TestLiveUpdates, liveCase)

#include "tst_liveupdates.moc"

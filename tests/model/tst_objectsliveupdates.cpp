#include "kerlolocal.h"
#include "moconstants.h"
#include "modeltestapplication.h"
#include "monotificationspy.h"
#include "moobjectsmanager.h"
#include "moobjectsnotification.h"
#include "mostorageobject.h"
#include "testdata.h"

#include <QtTest>

#include <memory>

namespace {

using TestData::demoEmail;
// Longer than the longest wait between two failed polls.
constexpr int ChangeTimeout = 40000;

using TestData::md5Hex;

QStringList fullPaths(const QList<MOStorageObject> &objects)
{
    QStringList paths;
    for (const MOStorageObject &object : objects)
        paths.append(object.fullPath());
    return paths;
}

// A grouping map as base path -> full paths, in list order.
QMap<QString, QStringList> grouped(const MOPostedNotification &notification)
{
    QMap<QString, QStringList> result;
    const auto folders = MOObjectsNotification(notification).objectsByFolder();
    for (auto it = folders.cbegin(); it != folders.cend(); ++it)
        result.insert(it.key(), fullPaths(it.value()));
    return result;
}

// The modification of the object at path, before and after.
MOObjectsNotification::Change changeAt(const MOPostedNotification &notification,
                                       const QString &path)
{
    const QList<MOObjectsNotification::Change> changes =
        MOObjectsNotification(notification).pairs();
    for (const MOObjectsNotification::Change &change : changes)
        if (change.path == path)
            return change;
    return {};
}

// The paths an update notification names: the objects of an added or deleted update, the
// previous paths of a modified one.
QStringList pathsOf(const MOPostedNotification &notification)
{
    const MOObjectsNotification update(notification);
    if (notification.name != MOObjectsModifiedUpdateNotification)
        return fullPaths(update.objects());
    QStringList paths;
    const QList<MOObjectsNotification::Change> changes = update.pairs();
    for (const MOObjectsNotification::Change &change : changes)
        paths.append(change.path);
    return paths;
}

} // namespace

// The objects facade with its live updates running, against kerlo-local: changes made
// through the facade and changes made by another device reach the interface as added,
// deleted and modified updates, on the main thread.
class TestObjectsLiveUpdates : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void changesMadeHereArriveAsUpdates();
    void deletedObjectsAreGroupedByFolder();
    void changesFromAnotherDeviceArrive();

private:
    MOObjectsManager *objects() { return MOObjectsManager::sharedInstance(); }
    // Lists path through the facade and returns the full paths it holds, sorted.
    QStringList list(const QString &path, bool force = true);
    // The index of the first notification named name from index from on that names path;
    // waits for it. -1 when none came.
    int waitForUpdate(const QString &name, const QString &path, int from = 0);
    // The notifications named name that name path.
    int updatesNaming(const QString &name, const QString &path) const;
    // Returns once every change made so far has been reported; forget: then forgets the
    // reports.
    void settle(bool forget = true);

    KerloLocal server;
    RecordingApplicationDelegate application;
    std::unique_ptr<MONotificationSpy> spy;
    int settled = 0;
    int listings = 0;
};

void TestObjectsLiveUpdates::initTestCase()
{
    ModelTest::useTemporaryDataLocation();
    QVERIFY(server.start());
    QVERIFY(ModelTest::startApplication(server, &application));
    QCOMPARE(ModelTest::signIn(demoEmail, TestData::demoPassword), QString());

    spy = std::make_unique<MONotificationSpy>(objects()->notificationCenter(), QString());
    objects()->start();
    // A listed root, where new folders at the top are reported. Not empty: an empty listing
    // is not kept, and a change in a folder never listed comes as a listing of that folder.
    QVERIFY(!server.seedFolder(demoEmail, QStringLiteral("/settled-0")).isEmpty());
    QCOMPARE(list(QStringLiteral("/")), QStringList{QStringLiteral("/settled-0")});
    objects()->startLiveUpdates();
}

void TestObjectsLiveUpdates::init()
{
    QVERIFY(server.reset());
    settle();
}

QStringList TestObjectsLiveUpdates::list(const QString &path, bool force)
{
    MONotificationSpy listed(objects()->notificationCenter(), MOObjectsListDidFetchNotification);
    // Live updates list the folders their changes reach, and one of those may come first: the
    // answer is the listing of path that carries this call's user data.
    const QString call = QStringLiteral("list %1").arg(++listings);
    objects()->listObjectsAtPath(path, force, call);
    int answer = -1;
    const auto answered = [&] {
        for (int i = 0; i < listed.count() && answer < 0; ++i) {
            const MOObjectsNotification listing(listed.at(i));
            if (listing.basePath() == path && listing.userData() == call)
                answer = i;
        }
        return answer >= 0;
    };
    if (!QTest::qWaitFor(answered, 10000))
        return {QStringLiteral("(no listing)")};
    QStringList paths = fullPaths(MOObjectsNotification(listed.at(answer)).objects());
    paths.sort();
    return paths;
}

int TestObjectsLiveUpdates::waitForUpdate(const QString &name, const QString &path, int from)
{
    int found = -1;
    const bool came = QTest::qWaitFor(
        [&] {
            for (int i = from; i < spy->count() && found < 0; ++i) {
                if (spy->at(i).name == name && pathsOf(spy->at(i)).contains(path))
                    found = i;
            }
            return found >= 0;
        },
        ChangeTimeout);
    return came ? found : -1;
}

int TestObjectsLiveUpdates::updatesNaming(const QString &name, const QString &path) const
{
    return int(std::count_if(spy->notifications.cbegin(), spy->notifications.cend(),
                             [&](const MOPostedNotification &notification) {
                                 return notification.name == name &&
                                        pathsOf(notification).contains(path);
                             }));
}

void TestObjectsLiveUpdates::settle(bool forget)
{
    // Changes are reported in the order they were made: once a new folder at the top is
    // reported, so is everything before it.
    const QString marker = QStringLiteral("/settled-%1").arg(++settled);
    QVERIFY(!server.seedFolder(demoEmail, marker).isEmpty());
    QVERIFY(waitForUpdate(MOObjectsAddedUpdateNotification, marker) >= 0);
    if (forget)
        spy->clear();
}

void TestObjectsLiveUpdates::changesMadeHereArriveAsUpdates()
{
    QVERIFY(!server.seedFile(demoEmail, QStringLiteral("/Desk/old.txt"), "old").isEmpty());
    QVERIFY(!server.seedFile(demoEmail, QStringLiteral("/Desk/gone.txt"), "gone").isEmpty());
    QCOMPARE(list(QStringLiteral("/Desk")),
             (QStringList{QStringLiteral("/Desk/gone.txt"), QStringLiteral("/Desk/old.txt")}));
    settle();

    objects()->createDirectoryAtPath(QStringLiteral("/Desk/New"), QStringLiteral("mkdir"));
    const int added = waitForUpdate(MOObjectsAddedUpdateNotification, QStringLiteral("/Desk/New"));
    QVERIFY(added >= 0);
    const MOPostedNotification &made = spy->at(added);
    QCOMPARE(made.object, objects());
    // Live updates answer no call: the caller's data stays with the call.
    QCOMPARE(made.userInfo.keys(), QStringList{MOStorageObjectsMapKey});
    QCOMPARE(grouped(made), (QMap<QString, QStringList>{{"/Desk", {"/Desk/New"}}}));
    const QList<MOStorageObject> folder = MOObjectsNotification(made).objects();
    QVERIFY(!MOObjectsNotification(made).userData().isValid());
    QCOMPARE(folder.at(0).type(), MOStorageObject::Directory);
    QCOMPARE(folder.at(0).label(), QStringLiteral("New"));

    objects()->renameObjectAtPath(QStringLiteral("/Desk/old.txt"), QStringLiteral("/Desk/new.txt"),
                                  QStringLiteral("rename"));
    const int modified =
        waitForUpdate(MOObjectsModifiedUpdateNotification, QStringLiteral("/Desk/old.txt"));
    QVERIFY(modified >= 0);
    const MOPostedNotification &renamed = spy->at(modified);
    QCOMPARE(renamed.object, objects());
    QCOMPARE(renamed.userInfo.keys(), QStringList{MOObjectsPairsKey});
    const QList<MOObjectsNotification::Change> pairs = MOObjectsNotification(renamed).pairs();
    QCOMPARE(pairs.size(), 1);
    QCOMPARE(pairs.at(0).path, QStringLiteral("/Desk/old.txt"));
    QCOMPARE(pairs.at(0).before.fullPath(), QStringLiteral("/Desk/old.txt"));
    QCOMPARE(pairs.at(0).after.fullPath(), QStringLiteral("/Desk/new.txt"));
    QCOMPARE(pairs.at(0).after.contentHash(), md5Hex("old"));

    MOStorageObject gone;
    gone.setBasePath(QStringLiteral("/Desk"));
    gone.setLabel(QStringLiteral("gone.txt"));
    objects()->deleteObject(gone, QStringLiteral("delete"));
    const int deleted =
        waitForUpdate(MOObjectsDeletedUpdateNotification, QStringLiteral("/Desk/gone.txt"));
    QVERIFY(deleted >= 0);
    QCOMPARE(spy->at(deleted).object, objects());
    QCOMPARE(spy->at(deleted).userInfo.keys(), QStringList{MOStorageObjectsMapKey});
    QCOMPARE(grouped(spy->at(deleted)),
             (QMap<QString, QStringList>{{"/Desk", {"/Desk/gone.txt"}}}));

    // The listing the interface asks for next agrees with what it was told.
    QCOMPARE(list(QStringLiteral("/Desk"), false),
             (QStringList{QStringLiteral("/Desk/New"), QStringLiteral("/Desk/new.txt")}));
    settle(false);
    // Each change once; a rename is a modification, never a renamed update.
    QCOMPARE(updatesNaming(MOObjectsAddedUpdateNotification, QStringLiteral("/Desk/New")), 1);
    QCOMPARE(updatesNaming(MOObjectsModifiedUpdateNotification, QStringLiteral("/Desk/old.txt")),
             1);
    QCOMPARE(updatesNaming(MOObjectsDeletedUpdateNotification, QStringLiteral("/Desk/gone.txt")),
             1);
    QVERIFY(std::none_of(spy->notifications.cbegin(), spy->notifications.cend(),
                         [](const MOPostedNotification &notification) {
                             return notification.name == MOObjectRenamedUpdateNotification;
                         }));
    QVERIFY(spy->allOnMainThread());
}

void TestObjectsLiveUpdates::deletedObjectsAreGroupedByFolder()
{
    for (const char *path :
         {"/Two/a/c1.txt", "/Two/a/c2.txt", "/Two/a/c3.txt", "/Two/b/d1.txt", "/Two/keep.txt"})
        QVERIFY(!server.seedFile(demoEmail, QString::fromLatin1(path), path).isEmpty());
    QCOMPARE(list(QStringLiteral("/Two/a")).size(), 3);
    QCOMPARE(list(QStringLiteral("/Two/b")).size(), 1);
    QCOMPARE(list(QStringLiteral("/Two")).size(), 3);
    settle();

    // One delete of four files in two folders: the service records it at once, and it comes
    // as one update with one entry per folder, each in the order the service gave.
    objects()->deleteObjectsAtPaths(
        {QStringLiteral("/Two/b/d1.txt"), QStringLiteral("/Two/a/c3.txt"),
         QStringLiteral("/Two/a/c1.txt"), QStringLiteral("/Two/a/c2.txt")},
        QVariant());
    const int deleted =
        waitForUpdate(MOObjectsDeletedUpdateNotification, QStringLiteral("/Two/b/d1.txt"));
    QVERIFY(deleted >= 0);
    QCOMPARE(
        grouped(spy->at(deleted)),
        (QMap<QString, QStringList>{{"/Two/a", {"/Two/a/c1.txt", "/Two/a/c2.txt", "/Two/a/c3.txt"}},
                                    {"/Two/b", {"/Two/b/d1.txt"}}}));
    settle();
    QCOMPARE(list(QStringLiteral("/Two/a"), false), QStringList());
    QCOMPARE(list(QStringLiteral("/Two"), false),
             (QStringList{QStringLiteral("/Two/a"), QStringLiteral("/Two/b"),
                          QStringLiteral("/Two/keep.txt")}));
    QVERIFY(spy->allOnMainThread());
}

void TestObjectsLiveUpdates::changesFromAnotherDeviceArrive()
{
    QVERIFY(!server.seedFile(demoEmail, QStringLiteral("/Remote/base.txt"), "base").isEmpty());
    QCOMPARE(list(QStringLiteral("/Remote")), QStringList{QStringLiteral("/Remote/base.txt")});
    settle();

    QVERIFY(!server.seedFile(demoEmail, QStringLiteral("/Remote/new.txt"), "first").isEmpty());
    const int added = waitForUpdate(MOObjectsAddedUpdateNotification, "/Remote/new.txt");
    QVERIFY(added >= 0);
    QCOMPARE(grouped(spy->at(added)),
             (QMap<QString, QStringList>{{"/Remote", {"/Remote/new.txt"}}}));

    // New content: the same path before and after, with the hashes of both.
    QVERIFY(!server.seedFile(demoEmail, QStringLiteral("/Remote/new.txt"), "second").isEmpty());
    const int updated =
        waitForUpdate(MOObjectsModifiedUpdateNotification, "/Remote/new.txt", added + 1);
    QVERIFY(updated >= 0);
    MOObjectsNotification::Change change = changeAt(spy->at(updated), "/Remote/new.txt");
    QCOMPARE(change.before.contentHash(), md5Hex("first"));
    QCOMPARE(change.after.contentHash(), md5Hex("second"));
    QCOMPARE(change.after.fullPath(), QStringLiteral("/Remote/new.txt"));

    QVERIFY(!server
                 .moveObject(demoEmail, QStringLiteral("/Remote/new.txt"),
                             QStringLiteral("/Remote/moved.txt"))
                 .isEmpty());
    const int moved =
        waitForUpdate(MOObjectsModifiedUpdateNotification, "/Remote/new.txt", updated + 1);
    QVERIFY(moved >= 0);
    change = changeAt(spy->at(moved), "/Remote/new.txt");
    QCOMPARE(change.before.fullPath(), QStringLiteral("/Remote/new.txt"));
    QCOMPARE(change.after.fullPath(), QStringLiteral("/Remote/moved.txt"));

    QCOMPARE(server.deleteObject(demoEmail, QStringLiteral("/Remote/moved.txt")).size(), 1);
    const int deleted = waitForUpdate(MOObjectsDeletedUpdateNotification, "/Remote/moved.txt");
    QVERIFY(deleted >= 0);
    QCOMPARE(grouped(spy->at(deleted)),
             (QMap<QString, QStringList>{{"/Remote", {"/Remote/moved.txt"}}}));

    // A file in folders never seen: the folders come in one update, each under its parent.
    QVERIFY(!server.seedFile(demoEmail, QStringLiteral("/Fresh/Sub/f.txt"), "f").isEmpty());
    const int fresh = waitForUpdate(MOObjectsAddedUpdateNotification, "/Fresh");
    QVERIFY(fresh >= 0);
    QCOMPARE(grouped(spy->at(fresh)),
             (QMap<QString, QStringList>{{"/", {"/Fresh"}}, {"/Fresh", {"/Fresh/Sub"}}}));
    QVERIFY(spy->allOnMainThread());
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    TestObjectsLiveUpdates test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_objectsliveupdates.moc"

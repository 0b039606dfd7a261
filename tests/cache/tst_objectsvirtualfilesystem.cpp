#include "kerlolocal.h"
#include "logcapture.h"
#include "mobjectsvirtualfilesystem.h"
#include "signedincore.h"
#include "tolvoappimpl.h"

#include <QDataStream>
#include <QDate>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

using TestData::demoEmail;

using TestData::md5;
using TestData::md5Hex;

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(content) == content.size();
}

// Dates the file a minute back: a save right after it is newer, as a user's save would be.
bool ageFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) &&
           file.setFileTime(QDateTime::currentDateTime().addSecs(-60),
                            QFileDevice::FileModificationTime);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// The local cache on real folders; the check against the service talks to kerlo-local.
class TestObjectsVirtualFileSystem : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void hostileNamesStayInside_data();
    void hostileNamesStayInside();
    void indexFileLayout();
    void damagedIndexIsSetAside_data();
    void damagedIndexIsSetAside();
    void offlineEditIsStagedAtLoad_data();
    void offlineEditIsStagedAtLoad();
    void savesAreStagedOnce();
    void binNamesAndPurge();
    void unusableFolderLeavesTheCacheOff();
    void deletesPropagateOnlyWithTheFolder();
    void oldNamesAreFreeAfterAMove();
    void filesAreAddedTogether();
    void writesHeldBackLand();
    void checkAgainstTheService();

private:
    // A cache rooted in a fresh folder, its index loaded.
    void makeCache();
    QString indexPath() const { return root.filePath("cache/index"); }
    QString objects() const { return root.filePath("cache/objects"); }
    // Indexes a second file and saves an edit to it: changes reach the cache in the order they
    // were made, so once the edit is staged every file saved before it has been looked at.
    void stageLaterEdit(const QString &name);
    // Whether the cache refused to take the path for a deletion, its folder being gone.
    static bool refusedAsDeleted(const QString &path);

    SignedInCore core;
    KerloLocal &server = core.server();
    QTemporaryDir root;
    std::unique_ptr<MObjectsVirtualFileSystem> cache;
};

void TestObjectsVirtualFileSystem::initTestCase()
{
    LogCapture::install();
    QVERIFY(core.start());
    QVERIFY(core.signIn());
}

void TestObjectsVirtualFileSystem::init()
{
    QVERIFY(server.reset());
    QDir(root.filePath("cache")).removeRecursively();
}

void TestObjectsVirtualFileSystem::cleanup()
{
    cache.reset();
}

void TestObjectsVirtualFileSystem::makeCache()
{
    cache = std::make_unique<MObjectsVirtualFileSystem>();
    cache->setFileSystemPath(root.filePath("cache"));
    // The index is read on a zero timer; one started after it fires after it.
    QObject context;
    bool loaded = false;
    QTimer::singleShot(0, &context, [&loaded] { loaded = true; });
    QTRY_VERIFY(loaded);
}

void TestObjectsVirtualFileSystem::stageLaterEdit(const QString &name)
{
    const QString local = objects() + "/" + name;
    QVERIFY(writeFile(local, "indexed"));
    QVERIFY(ageFile(local));
    QVERIFY(cache->addObject(local, true));
    QVERIFY(writeFile(local, "edited"));
    bool consolidated = true;
    QTRY_VERIFY(cache->containsObject(name, &consolidated) && !consolidated);
}

bool TestObjectsVirtualFileSystem::refusedAsDeleted(const QString &path)
{
    return !LogCapture::messages()
                .filter(QStringLiteral("not treating \"%1\" as deleted").arg(path))
                .isEmpty();
}

void TestObjectsVirtualFileSystem::hostileNamesStayInside_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("key"); // empty: refused

    QTest::newRow("plain") << "/A/b.txt"
                           << "A/b.txt";
    QTest::newRow("no leading slash") << "A/b.txt"
                                      << "A/b.txt";
    QTest::newRow("absolute, stays under objects") << "/etc/passwd"
                                                   << "etc/passwd";
    QTest::newRow("encoded dots are a name") << "/%2e%2e/x"
                                             << "%2e%2e/x";
    QTest::newRow("parent") << "/.."
                            << "";
    QTest::newRow("parent inside") << "/A/../../index"
                                   << "";
    QTest::newRow("parent at the end") << "A/.."
                                       << "";
    QTest::newRow("nul") << QStringLiteral("/a") + QChar(0) + "b"
                         << "";
}

void TestObjectsVirtualFileSystem::hostileNamesStayInside()
{
    QFETCH(QString, path);
    QFETCH(QString, key);
    makeCache();
    const QString local = cache->localPath(path);
    QCOMPARE(cache->shadowPath(path), key);
    if (key.isEmpty()) {
        QVERIFY(local.isEmpty());
    } else {
        QCOMPARE(local, objects() + "/" + key);
        QCOMPARE(cache->shadowPath(local), key);
    }

    // Nothing outside the working copy is removed, binned or replaced.
    QVERIFY(writeFile(root.filePath("outside.txt"), "keep"));
    QVERIFY(writeFile(objects() + "/A/b.txt", "b"));
    QVERIFY(cache->addObject(objects() + "/A/b.txt", true));
    const QString escape = path.contains("..") ? path : QStringLiteral("/../../outside.txt");
    cache->removeObject(escape, false, true);
    QVERIFY(!cache->renameObject("/A/b.txt", escape));
    cache->moveDirectory("/A", escape);
    QCOMPARE(readFile(root.filePath("outside.txt")), QByteArray("keep"));
    QVERIFY(QFile::exists(indexPath()));
    QVERIFY(QFile::exists(objects() + "/A/b.txt"));
}

void TestObjectsVirtualFileSystem::indexFileLayout()
{
    makeCache();
    QVERIFY(writeFile(objects() + "/A/b.txt", "hello"));
    QVERIFY(cache->addObject(objects() + "/A/b.txt", true));
    const QByteArray bytes = readFile(indexPath());
    QCOMPARE(bytes.size(), 4 + 2 + 4 + (4 + 2 * 7 + 49));
    QCOMPARE(bytes.left(10).toHex(), QByteArray("637b0000000100000001"));
    QCOMPARE(bytes.mid(10, 4).toHex(), QByteArray("0000000e"));
    QByteArray key;
    for (const char c : QByteArray("A/b.txt"))
        key.append('\0').append(c);
    QCOMPARE(bytes.mid(14, 14), key);
    QCOMPARE(bytes.mid(28, 16), md5("hello"));
    QCOMPARE(bytes.mid(44, 16), QByteArray(16, '\0'));
    QCOMPARE(bytes.mid(60, 8).toHex(), QByteArray("0000000000000005"));
    QCOMPARE(bytes.right(1).toHex(), QByteArray("01"));

    // Read back by a new cache: the entry, its hash and flags.
    cache.reset();
    makeCache();
    QTRY_COMPARE(cache->indexedPaths(), QStringList{"A/b.txt"});
    QCOMPARE(cache->indexedHash("/A/b.txt"), md5Hex("hello"));
}

void TestObjectsVirtualFileSystem::damagedIndexIsSetAside_data()
{
    QTest::addColumn<QByteArray>("damage");
    QTest::addColumn<int>("kept");

    QTest::newRow("truncated in the second entry") << QByteArray("truncate") << 1;
    QTest::newRow("huge count") << QByteArray("count") << 0;
    QTest::newRow("wrong magic") << QByteArray("magic") << 0;
}

void TestObjectsVirtualFileSystem::damagedIndexIsSetAside()
{
    QFETCH(QByteArray, damage);
    QFETCH(int, kept);
    makeCache();
    for (const char *name : {"a.txt", "b.txt"}) {
        QVERIFY(writeFile(objects() + "/" + name, name));
        QVERIFY(cache->addObject(objects() + "/" + name, true));
    }
    cache.reset();
    QByteArray bytes = readFile(indexPath());
    if (damage == "truncate")
        bytes.chop(20);
    else if (damage == "count")
        bytes.replace(6, 4, QByteArray::fromHex("7fffffff"));
    else
        bytes[0] = 'X';
    QVERIFY(writeFile(indexPath(), bytes));

    makeCache();
    QTRY_VERIFY(QDir(root.filePath("cache")).entryList({"index.damaged-*"}).size() == 1);
    QCOMPARE(cache->indexedPaths().size(), kept);
    // Working on: a new entry is indexed and the file written whole again.
    QVERIFY(writeFile(objects() + "/c.txt", "c"));
    QVERIFY(cache->addObject(objects() + "/c.txt", true));
    cache.reset();
    makeCache();
    QTRY_COMPARE(cache->indexedPaths().size(), kept + 1);
    QVERIFY(cache->indexedPaths().contains("c.txt"));
}

void TestObjectsVirtualFileSystem::offlineEditIsStagedAtLoad_data()
{
    QTest::addColumn<qint64>("shift"); // of the edit's modification time, in seconds

    QTest::newRow("newer") << qint64(5);
    // Copied over with its time kept (cp -p, rsync -t).
    QTest::newRow("time kept") << qint64(0);
    QTest::newRow("older") << qint64(-86400);
}

void TestObjectsVirtualFileSystem::offlineEditIsStagedAtLoad()
{
    QFETCH(qint64, shift);
    makeCache();
    QVERIFY(writeFile(objects() + "/A/doc.txt", "saved"));
    QVERIFY(cache->addObject(objects() + "/A/doc.txt", true));
    QVERIFY(writeFile(objects() + "/gone.txt", "gone"));
    QVERIFY(cache->addObject(objects() + "/gone.txt", true));
    cache.reset();
    const QDateTime saved = QFileInfo(objects() + "/A/doc.txt").lastModified();
    QVERIFY(writeFile(objects() + "/A/doc.txt", "edited while stopped"));
    QFile file(objects() + "/A/doc.txt");
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(saved.addSecs(shift), QFileDevice::FileModificationTime));
    file.close();
    QVERIFY(QFile::remove(objects() + "/gone.txt"));

    cache = std::make_unique<MObjectsVirtualFileSystem>();
    QSignalSpy staged(cache.get(), &MObjectsVirtualFileSystem::hasNewStagingObjects);
    QSignalSpy ready(cache.get(), &MObjectsVirtualFileSystem::ready);
    cache->setFileSystemPath(root.filePath("cache"));
    QVERIFY(ready.wait(20000));
    QCOMPARE(staged.count(), 1);
    QCOMPARE(cache->takeStagingObjects(), QStringList{"/A/doc.txt"});
    QCOMPARE(cache->indexedPaths(), QStringList{"A/doc.txt"});
    bool consolidated = true;
    QVERIFY(cache->containsObject("/A/doc.txt", &consolidated));
    QVERIFY(!consolidated);
    // The indexed hash stays the one the edit is based on.
    QCOMPARE(cache->indexedHash("/A/doc.txt"), md5Hex("saved"));

    // Not uploaded before the next start: offered again, staged the same.
    cache = std::make_unique<MObjectsVirtualFileSystem>();
    QSignalSpy readyAgain(cache.get(), &MObjectsVirtualFileSystem::ready);
    cache->setFileSystemPath(root.filePath("cache"));
    QVERIFY(readyAgain.wait(20000));
    QCOMPARE(cache->takeStagingObjects(), QStringList{"/A/doc.txt"});
    QCOMPARE(cache->indexedHash("/A/doc.txt"), md5Hex("saved"));
}

void TestObjectsVirtualFileSystem::savesAreStagedOnce()
{
    makeCache();
    QVERIFY(writeFile(objects() + "/n.txt", "base"));
    QVERIFY(ageFile(objects() + "/n.txt"));
    QVERIFY(cache->addObject(objects() + "/n.txt", true));
    QSignalSpy staged(cache.get(), &MObjectsVirtualFileSystem::hasNewStagingObjects);

    // Saved back with the indexed content: nothing to send.
    QVERIFY(writeFile(objects() + "/n.txt", "base"));
    stageLaterEdit("first later.txt");
    QCOMPARE(staged.count(), 1);
    QCOMPARE(cache->takeStagingObjects(), QStringList{"/first later.txt"});

    staged.clear();
    QVERIFY(writeFile(objects() + "/n.txt", "one"));
    QVERIFY(writeFile(objects() + "/n.txt", "two"));
    QVERIFY(staged.wait(5000));
    stageLaterEdit("second later.txt");
    QCOMPARE(staged.count(), 2);
    QCOMPARE(cache->takeStagingObjects(), (QStringList{"/n.txt", "/second later.txt"}));

    // Uploaded: the service's hash becomes the indexed one.
    QVERIFY(cache->addUploadedObject("/n.txt", md5Hex("two")));
    bool consolidated = false;
    QVERIFY(cache->containsObject("/n.txt", &consolidated));
    QVERIFY(consolidated);
    QVERIFY(cache->takeStagingObjects().isEmpty());

    // The uploaded object consolidates the entry with its content hash or, when it has none,
    // with the staged content's.
    QSignalSpy consolidations(cache.get(), &MObjectsVirtualFileSystem::objectConsolidated);
    QVERIFY(writeFile(objects() + "/n.txt", "three"));
    cache->recheckObject("/n.txt");
    QVERIFY(cache->containsObject("/n.txt", &consolidated));
    QVERIFY(!consolidated);
    MStorageObject uploaded(QStringLiteral("/"), QStringLiteral("n.txt"));
    uploaded.setContentHash(md5Hex("three"));
    cache->consolidate(uploaded);
    QCOMPARE(consolidations.count(), 1);
    QCOMPARE(consolidations.first().first().toString(), QStringLiteral("n.txt"));
    QCOMPARE(cache->indexedHash("/n.txt"), md5Hex("three"));
    QVERIFY(cache->containsObject("/n.txt", &consolidated));
    QVERIFY(consolidated);
    QVERIFY(cache->takeStagingObjects().isEmpty());

    QVERIFY(writeFile(objects() + "/n.txt", "four"));
    cache->recheckObject("/n.txt");
    cache->consolidate(MStorageObject(QStringLiteral("/"), QStringLiteral("n.txt")));
    QCOMPARE(consolidations.count(), 2);
    QCOMPARE(cache->indexedHash("/n.txt"), md5Hex("four"));
    QVERIFY(cache->takeStagingObjects().isEmpty());
    // Already consolidated: nothing more to do.
    cache->consolidate(uploaded);
    QCOMPARE(consolidations.count(), 2);
    QCOMPARE(cache->indexedHash("/n.txt"), md5Hex("four"));
}

void TestObjectsVirtualFileSystem::binNamesAndPurge()
{
    const QString bin = root.filePath("cache/deleted");
    const QString old = bin + "/" + QDate::currentDate().addDays(-4).toString(Qt::ISODate);
    const QString oldEmpty = bin + "/" + QDate::currentDate().addDays(-5).toString(Qt::ISODate);
    const QString recent = bin + "/" + QDate::currentDate().addDays(-3).toString(Qt::ISODate);
    QVERIFY(writeFile(old + "/x 00.txt", "old"));
    QVERIFY(QDir().mkpath(oldEmpty));
    QVERIFY(writeFile(recent + "/y 00.txt", "recent"));
    QVERIFY(writeFile(bin + "/keepme/z.txt", "not a day"));
    makeCache();
    // An old day folder goes only once empty: its files may be the last copies of files
    // deleted elsewhere.
    QVERIFY(!QFileInfo::exists(oldEmpty));
    QVERIFY(QFileInfo::exists(old + "/x 00.txt"));
    QVERIFY(QFileInfo::exists(recent + "/y 00.txt"));
    QVERIFY(QFileInfo::exists(bin + "/keepme/z.txt"));

    // Two removals of one name and content on one day keep both copies.
    const QString today = bin + "/" + QDate::currentDate().toString(Qt::ISODate);
    const QString hash = md5Hex("abc");
    for (int i = 0; i < 2; ++i) {
        QVERIFY(writeFile(objects() + "/abc.txt", "abc"));
        QVERIFY(cache->addObject(objects() + "/abc.txt", true));
        cache->removeObject("/abc.txt", false, true);
        QVERIFY(!QFileInfo::exists(objects() + "/abc.txt"));
    }
    QCOMPARE(QDir(today).entryList(QDir::Files),
             (QStringList{"abc " + hash + " 2.txt", "abc " + hash + ".txt"}));
}

void TestObjectsVirtualFileSystem::unusableFolderLeavesTheCacheOff()
{
    // Tests run as root: a path under a regular file is one no permission makes usable.
    QVERIFY(writeFile(root.filePath("plain file"), "x"));
    const QString unusable = root.filePath("plain file/cache");
    const QRegularExpression reason("Cannot make directory at path .*plain file/cache/objects: "
                                    "Not a directory - running without the local cache");

    cache = std::make_unique<MObjectsVirtualFileSystem>();
    QSignalSpy ready(cache.get(), &MObjectsVirtualFileSystem::ready);
    QTest::ignoreMessage(QtCriticalMsg, reason);
    cache->setFileSystemPath(unusable);
    QCoreApplication::sendPostedEvents();
    QCOMPARE(cache->fileSystemPath(), QString());
    QCOMPARE(cache->localPath("/a.txt"), QString());
    QVERIFY(!cache->addObject(unusable + "/objects/a.txt", true));
    cache->flush();
    QCOMPARE(ready.count(), 0);

    // A cache in use moved onto such a path lets go of its copies, its index kept on disk.
    makeCache();
    QVERIFY(writeFile(objects() + "/kept.txt", "kept"));
    QVERIFY(cache->addObject(objects() + "/kept.txt", true));
    cache->removeObject("/kept.txt", true, false);
    QVERIFY(writeFile(objects() + "/other.txt", "other"));
    QVERIFY(cache->addObject(objects() + "/other.txt", true));
    QTest::ignoreMessage(QtCriticalMsg, reason);
    cache->setFileSystemPath(unusable);
    QVERIFY(cache->indexedPaths().isEmpty());
    QVERIFY(!cache->containsObject(objects() + "/other.txt"));
    QVERIFY(cache->takeStagingObjects().isEmpty());
    QCOMPARE(readFile(root.filePath("plain file")), QByteArray("x"));

    cache.reset();
    makeCache();
    QTRY_COMPARE(cache->indexedPaths(), QStringList{"other.txt"});
}

void TestObjectsVirtualFileSystem::deletesPropagateOnlyWithTheFolder()
{
    makeCache();
    QVERIFY(writeFile(objects() + "/D/one.txt", "1"));
    QVERIFY(writeFile(objects() + "/two.txt", "2"));
    QVERIFY(cache->addObject(objects() + "/D/one.txt", true));
    QVERIFY(cache->addObject(objects() + "/two.txt", true));
    QSignalSpy removed(cache.get(), &MObjectsVirtualFileSystem::objectRemoved);

    QVERIFY(QFile::remove(objects() + "/two.txt"));
    QVERIFY(removed.wait(10000));
    QCOMPARE(removed.first(), (QVariantList{"two.txt", true}));

    // The whole working copy vanishes: no remote deletes follow.
    removed.clear();
    QVERIFY(QDir(objects()).removeRecursively());
    QTRY_VERIFY_WITH_TIMEOUT(refusedAsDeleted(objects() + "/D/one.txt"), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(refusedAsDeleted(objects() + "/D"), 10000);
    QCOMPARE(removed.count(), 0);
}

void TestObjectsVirtualFileSystem::oldNamesAreFreeAfterAMove()
{
    makeCache();
    QVERIFY(writeFile(objects() + "/R/old.txt", "r"));
    QVERIFY(writeFile(objects() + "/M/S/a.txt", "a"));
    QVERIFY(cache->addObject(objects() + "/R/old.txt", true));
    QVERIFY(cache->addObject(objects() + "/M/S/a.txt", true));
    QSignalSpy added(cache.get(), &MObjectsVirtualFileSystem::objectsAdded);
    QSignalSpy removed(cache.get(), &MObjectsVirtualFileSystem::objectRemoved);

    QVERIFY(cache->renameObject("/R/old.txt", "/R/new.txt"));
    QVERIFY(cache->moveDirectory("/M", "/N"));
    QCOMPARE(cache->indexedPaths(), (QStringList{"N/S/a.txt", "R/new.txt"}));
    QVERIFY(!QFileInfo::exists(objects() + "/M"));
    for (const char *path : {"/R/old.txt", "/R", "/M/S/a.txt", "/M/S", "/M"})
        QVERIFY2(!cache->isExcluded(path), path);

    // The user makes the old names again: new files and folders, offered for upload.
    QVERIFY(writeFile(objects() + "/R/old.txt", "new file"));
    QVERIFY(added.wait(5000));
    QCOMPARE(added.takeFirst(), (QVariantList{QStringList{objects() + "/R/old.txt"}, true}));
    QVERIFY(cache->containsObject("/R/old.txt"));
    QVERIFY(QDir().mkpath(objects() + "/M"));
    QVERIFY(added.wait(5000));
    QCOMPARE(added.takeFirst(), (QVariantList{QStringList{objects() + "/M"}, true}));

    // What moved away is not taken for a deletion under the old names. A file deleted after
    // the moves is looked at after them.
    QVERIFY(writeFile(objects() + "/later.txt", "later"));
    QVERIFY(cache->addObject(objects() + "/later.txt", true));
    QVERIFY(QFile::remove(objects() + "/later.txt"));
    QVERIFY(removed.wait(10000));
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.first(), (QVariantList{"later.txt", true}));
}

void TestObjectsVirtualFileSystem::filesAreAddedTogether()
{
    // Made before the cache watches them: only the calls below see them.
    for (const char *name : {"F/a.txt", "F/b.txt", "F/known.txt", "G/c.txt"})
        QVERIFY(writeFile(objects() + "/" + name, name));
    QVERIFY(writeFile(root.filePath("elsewhere.txt"), "not the cache's"));
    makeCache();
    QVERIFY(cache->addObject(objects() + "/F/known.txt", true));

    const QStringList added = cache->addObjects({objects() + "/G/c.txt", objects() + "/G/gone.txt",
                                                 objects() + "/G", root.filePath("elsewhere.txt")},
                                                true);
    QCOMPARE(added, QStringList{objects() + "/G/c.txt"});

    // What a scan of F found: the new files and a new folder are reported in their order; the
    // indexed file, a file gone since the scan and a folder holding copies are not.
    QVERIFY(QDir().mkpath(objects() + "/F/New"));
    QSignalSpy reported(cache.get(), &MObjectsVirtualFileSystem::objectsAdded);
    const QStringList found{objects() + "/F/b.txt", objects() + "/F/known.txt",
                            objects() + "/F/New",   objects() + "/F/gone.txt",
                            objects() + "/F/a.txt", objects() + "/G"};
    QVERIFY(QMetaObject::invokeMethod(cache.get(), "handlePathsAdded", Qt::DirectConnection,
                                      Q_ARG(QStringList, found)));
    QCOMPARE(reported.count(), 1);
    QCOMPARE(reported.first(),
             (QVariantList{
                 QStringList{objects() + "/F/b.txt", objects() + "/F/New", objects() + "/F/a.txt"},
                 true}));
    bool consolidated = true;
    QVERIFY(cache->containsObject("/F/a.txt", &consolidated));
    QVERIFY(!consolidated);

    // All on disk, read back by a new cache.
    cache.reset();
    makeCache();
    QTRY_COMPARE(cache->indexedPaths(),
                 (QStringList{"F/a.txt", "F/b.txt", "F/known.txt", "G/c.txt"}));
    QCOMPARE(cache->indexedHash("/F/b.txt"), md5Hex("F/b.txt"));
}

void TestObjectsVirtualFileSystem::writesHeldBackLand()
{
    makeCache();
    const auto indexedOnDisk = [this] {
        QDataStream stream(readFile(indexPath()));
        qint32 magic = 0;
        qint16 version = 0;
        qint32 count = -1;
        stream >> magic >> version >> count;
        return count;
    };
    // One at a time, as downloads finish: the first is written at once, the rest together
    // a moment later, without a flush.
    for (const char *name : {"a.txt", "b.txt", "c.txt"}) {
        QVERIFY(writeFile(objects() + "/" + name, name));
        QVERIFY(cache->addObject(objects() + "/" + name, true));
    }
    QCOMPARE(indexedOnDisk(), 1);
    QTRY_COMPARE(indexedOnDisk(), 3);
}

void TestObjectsVirtualFileSystem::checkAgainstTheService()
{
    const QJsonObject same = server.seedFile(demoEmail, "/C/same.txt", "same");
    const QJsonObject newer = server.seedFile(demoEmail, "/C/newer.txt", "remote v2");
    const QJsonObject staged = server.seedFile(demoEmail, "/C/staged.txt", "edit");
    QVERIFY(!same.isEmpty() && !newer.isEmpty() && !staged.isEmpty());

    makeCache();
    const QStringList names{"same.txt", "newer.txt", "staged.txt", "unknown.txt"};
    const QList<QByteArray> contents{"same", "v1", "v1", "never sent"};
    for (int i = 0; i < names.size(); ++i) {
        QVERIFY(writeFile(objects() + "/C/" + names[i], contents[i]));
        QVERIFY(cache->addObject(objects() + "/C/" + names[i], true));
    }
    // staged.txt holds an edit the service already has.
    QVERIFY(writeFile(objects() + "/C/staged.txt", "edit"));
    cache->recheckObject("/C/staged.txt");
    QCOMPARE(cache->takeStagingObjects(), QStringList{"/C/staged.txt"});

    QSignalSpy expired(cache.get(), &MObjectsVirtualFileSystem::objectExpired);
    QSignalSpy consolidated(cache.get(), &MObjectsVirtualFileSystem::objectConsolidated);
    // The first answer fails: the check is sent again after a pause.
    QVERIFY(server.forceStatus("/api/v1/objects/metadata", 503, "{}", 1, "POST"));
    cache->sendCheckRequest();
    QVERIFY(expired.wait(15000));
    QCOMPARE(expired.first(), (QVariantList{"C/newer.txt", true}));
    QCOMPARE(consolidated.count(), 1);
    QCOMPARE(consolidated.first().first().toString(), QStringLiteral("C/staged.txt"));
    QCOMPARE(server.requestsTo("/api/v1/objects/metadata").size(), 2);
    QCOMPARE(cache->indexedHash("/C/staged.txt"), md5Hex("edit"));
    QCOMPARE(cache->indexedHash("/C/same.txt"), md5Hex("same"));
    // The service never knew it: offered for upload again.
    QCOMPARE(cache->takeStagingObjects(), QStringList{"/C/unknown.txt"});
}

QTEST_MAIN(TestObjectsVirtualFileSystem)
#include "tst_objectsvirtualfilesystem.moc"

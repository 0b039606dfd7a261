#include "mfolderwatcher.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(content) == content.size();
}

// The inotify watches this process holds, from the kernel's own account of its fds.
int inotifyWatches()
{
    int watches = 0;
    const QStringList fds = QDir(QStringLiteral("/proc/self/fdinfo")).entryList(QDir::Files);
    for (const QString &fd : fds) {
        QFile info(QStringLiteral("/proc/self/fdinfo/") + fd);
        if (info.open(QIODevice::ReadOnly))
            watches += info.readAll().count("inotify wd:");
    }
    return watches;
}

} // namespace

// The cache's watcher on real folders: every way a saved, replaced, deleted or moved file
// reaches it, told by name.
class TestFolderWatcher : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void filesAreReportedByName();
    void foldersReportTheirEntries();
    void oneWatchPerFolder();

private:
    QString path(const QString &name) const { return folder->filePath(name); }

    std::unique_ptr<QTemporaryDir> folder;
};

void TestFolderWatcher::init()
{
    folder = std::make_unique<QTemporaryDir>();
    QVERIFY(folder->isValid());
}

void TestFolderWatcher::filesAreReportedByName()
{
    MFolderWatcher watcher;
    QSignalSpy changed(&watcher, &MFolderWatcher::fileChanged);
    for (const char *name : {"edited.txt", "replaced.txt", "deleted.txt", "moved.txt", "quiet.txt"})
        QVERIFY(writeFile(path(name), "v1"));
    for (const char *name : {"edited.txt", "replaced.txt", "deleted.txt", "moved.txt"})
        QVERIFY(watcher.addPath(path(name)));
    const auto changes = [&changed] {
        QSet<QString> paths;
        for (const QVariantList &signal : qAsConst(changed))
            paths.insert(signal.first().toString());
        return paths;
    };

    // Saved in place; an unwatched neighbour's save is not reported.
    QVERIFY(writeFile(path("quiet.txt"), "v2"));
    QVERIFY(writeFile(path("edited.txt"), "v2"));
    QTRY_VERIFY(changes().contains(path("edited.txt")));
    QVERIFY(!changes().contains(path("quiet.txt")));
    changed.clear();

    // An atomic save: a new file renamed over the watched one, which stays watched.
    QVERIFY(writeFile(path(".replaced.txt.tmp"), "v2"));
    QVERIFY(::rename(QFile::encodeName(path(".replaced.txt.tmp")).constData(),
                     QFile::encodeName(path("replaced.txt")).constData()) == 0);
    QTRY_VERIFY(changes().contains(path("replaced.txt")));
    QVERIFY(watcher.isWatching(path("replaced.txt")));
    changed.clear();
    QVERIFY(writeFile(path("replaced.txt"), "v3"));
    QTRY_VERIFY(changes().contains(path("replaced.txt")));
    changed.clear();

    // Deleted and moved away: reported under the old name, then no longer watched, so a
    // file made under the name later is a new one.
    QVERIFY(QFile::remove(path("deleted.txt")));
    QVERIFY(QFile::rename(path("moved.txt"), path("elsewhere.txt")));
    QTRY_VERIFY(changes().contains(path("deleted.txt")) && changes().contains(path("moved.txt")));
    // Besides a late event of the save above.
    QCOMPARE(changes() - QSet<QString>{path("replaced.txt")},
             (QSet<QString>{path("deleted.txt"), path("moved.txt")}));
    changed.clear();
    QVERIFY(!watcher.isWatching(path("deleted.txt")));
    QVERIFY(!watcher.isWatching(path("moved.txt")));
    QVERIFY(writeFile(path("deleted.txt"), "new"));
    QVERIFY(writeFile(path("elsewhere.txt"), "v2"));
    // Removed by the caller: no longer reported either.
    watcher.removePath(path("edited.txt"));
    QVERIFY(writeFile(path("edited.txt"), "v3"));
    // Something watched still reports, so the quiet ones had their chance.
    QVERIFY(writeFile(path("replaced.txt"), "v4"));
    QTRY_VERIFY(changes().contains(path("replaced.txt")));
    QCOMPARE(changes(), QSet<QString>{path("replaced.txt")});
}

void TestFolderWatcher::foldersReportTheirEntries()
{
    MFolderWatcher watcher;
    QSignalSpy changed(&watcher, &MFolderWatcher::directoryChanged);
    QSignalSpy filesChanged(&watcher, &MFolderWatcher::fileChanged);
    QVERIFY(QDir().mkpath(path("A")));
    QVERIFY(QDir().mkpath(path("B")));
    QVERIFY(QDir().mkpath(path("Moved")));
    QVERIFY(writeFile(path("B/b.txt"), "b"));
    QVERIFY(writeFile(path("Moved/m.txt"), "m"));
    QVERIFY(watcher.addPath(path("A")));
    // B is watched only for its file: its new entries are not reported.
    QVERIFY(watcher.addPath(path("B/b.txt")));
    QVERIFY(watcher.addPath(path("Moved")));
    QVERIFY(watcher.addPath(path("Moved/m.txt")));
    QVERIFY(!watcher.addPath(path("missing")));

    QVERIFY(writeFile(path("B/new.txt"), "n"));
    QVERIFY(writeFile(path("A/new.txt"), "n"));
    QTRY_COMPARE(changed.count(), 1);
    QCOMPARE(changed.takeFirst().first().toString(), path("A"));

    // A folder moved away is reported with its files, and watched no more.
    QVERIFY(QFile::rename(path("Moved"), path("Renamed")));
    QTRY_VERIFY(!changed.isEmpty() && !filesChanged.isEmpty());
    QCOMPARE(changed.takeFirst().first().toString(), path("Moved"));
    QCOMPARE(filesChanged.takeFirst().first().toString(), path("Moved/m.txt"));
    QVERIFY(!watcher.isWatching(path("Moved")));
    QVERIFY(!watcher.isWatching(path("Moved/m.txt")));

    // Deleted: reported, then watched no more; made again, it needs adding again.
    QVERIFY(QDir(path("A")).removeRecursively());
    QTRY_VERIFY(!changed.isEmpty());
    QCOMPARE(changed.last().first().toString(), path("A"));
    QVERIFY(!watcher.isWatching(path("A")));
    QVERIFY(QDir().mkpath(path("A")));
    QVERIFY(watcher.addPath(path("A")));
    changed.clear();
    watcher.removePath(path("A"));
    QVERIFY(writeFile(path("A/after.txt"), "n"));
    QVERIFY(watcher.addPath(path("A/after.txt")));
    QVERIFY(writeFile(path("A/after.txt"), "edit"));
    QTRY_COMPARE(filesChanged.count(), 1);
    QCOMPARE(changed.count(), 0);
}

void TestFolderWatcher::oneWatchPerFolder()
{
    const int before = inotifyWatches();
    {
        MFolderWatcher watcher;
        for (int folderNumber = 0; folderNumber < 3; ++folderNumber) {
            const QString name = QStringLiteral("F%1").arg(folderNumber);
            QVERIFY(QDir().mkpath(path(name)));
            QVERIFY(watcher.addPath(path(name)));
            for (int i = 0; i < 100; ++i) {
                const QString file = path(QStringLiteral("%1/%2.txt").arg(name).arg(i));
                QVERIFY(writeFile(file, "x"));
                QVERIFY(watcher.addFile(file));
            }
        }
        QCOMPARE(inotifyWatches() - before, 3);
        // A folder goes once nothing in it is watched any more.
        watcher.removePath(path("F0"));
        for (int i = 0; i < 100; ++i)
            watcher.removePath(path(QStringLiteral("F0/%1.txt").arg(i)));
        QCOMPARE(inotifyWatches() - before, 2);
    }
    QCOMPARE(inotifyWatches(), before);
}

QTEST_GUILESS_MAIN(TestFolderWatcher)
#include "tst_folderwatcher.moc"

#include "mobjectslistcache.h"

#include <QtConcurrent>
#include <QtTest>

static MStorageObject object(const QString &basePath, const QString &label,
                             const QString &hash = {})
{
    MStorageObject object(basePath, label);
    object.setType(hash.isEmpty() ? MStorageObject::Directory : MStorageObject::RegularFile);
    object.setContentHash(hash);
    return object;
}

// Each object as label:hash.
static QStringList listing(const MObjectsListCache &cache, const QString &path)
{
    QStringList labels;
    for (const MStorageObject &object : cache.objects(path))
        labels << object.label() + ":" + object.contentHash();
    return labels;
}

class tst_ObjectsListCache : public QObject
{
    Q_OBJECT
private slots:
    void expiry_data();
    void expiry();
    void lookupsAndUpdates();
    void takeObject();
    void manyChangesKeepTheOrder();
    void concurrentUse();

private:
    QDateTime now = QDateTime(QDate(2020, 1, 1), QTime(12, 0), Qt::UTC);
};

void tst_ObjectsListCache::expiry_data()
{
    QTest::addColumn<int>("timeToLive");
    QTest::addColumn<int>("age");
    QTest::addColumn<bool>("expired");
    QTest::newRow("no limit, a year") << 0 << 365 * 86400 << false;
    QTest::newRow("at the limit") << 10 << 10 << false;
    QTest::newRow("past the limit") << 10 << 11 << true;
}

void tst_ObjectsListCache::expiry()
{
    QFETCH(int, timeToLive);
    QFETCH(int, age);
    QFETCH(bool, expired);
    MObjectsListCache cache([this] { return now; });
    cache.setTimeToLive(timeToLive);
    cache.store({object("/A", "b", "h")});
    now = now.addSecs(age);
    QCOMPARE(cache.isExpired("/A"), expired);
    QCOMPARE(cache.objects("/A").size(), expired ? 0 : 1);
    // Existence answers do not age.
    QVERIFY(cache.contains("/A") && cache.containsObject("/A/b"));

    // Putting an object stamps its listing fresh.
    cache.updateObject(object("/A", "c"), false);
    QVERIFY(!cache.isExpired("/A"));
}

void tst_ObjectsListCache::lookupsAndUpdates()
{
    MObjectsListCache cache;
    cache.store({object("/A/", "b.txt", "h1"), object("/A", "c")});
    cache.store({});
    MStorageObject found;
    QVERIFY(cache.containsObject("/A//b.txt/", &found) && found.contentHash() == "h1");
    QVERIFY(!cache.containsObject("/A/B.txt") && !cache.containsObject("/A"));
    QVERIFY(!cache.contains("/"));

    // One entry per name: new content or a new type replaces the old entry.
    QVERIFY(cache.updateObject(object("/A", "b.txt", "h2"), false));
    QVERIFY(cache.updateObject(object("/A", "c", "h3"), false));
    QVERIFY(cache.updateObject(object("/A", "d"), false));
    QCOMPARE(listing(cache, "/A"), QStringList({"b.txt:h2", "c:h3", "d:"}));

    // A folder never listed gets a listing only when asked to.
    QVERIFY(!cache.updateObject(object("/Z", "e"), false));
    QVERIFY(!cache.contains("/Z"));
    QVERIFY(cache.updateObject(object("/Z", "e"), true));
    QCOMPARE(listing(cache, "/Z"), QStringList({"e:"}));
}

void tst_ObjectsListCache::takeObject()
{
    MObjectsListCache cache;
    cache.store({object("/", "A"), object("/", "AB")});
    cache.store({object("/A", "b.txt", "h1"), object("/A", "B")});
    cache.store({object("/A/B", "x")});
    cache.store({object("/AB", "y")});
    cache.store({object("/Q/R", "z")});

    QCOMPARE(cache.takeObject("/A/b.txt/").contentHash(), QString("h1"));
    QVERIFY(!cache.takeObject("/A/b.txt").isValid());
    QCOMPARE(listing(cache, "/A"), QStringList({"B:"}));

    // A folder takes its own listing and those below it, not a sibling's with a longer name.
    QCOMPARE(cache.takeObject("/A").label(), QString("A"));
    QVERIFY(!cache.contains("/A") && !cache.contains("/A/B"));
    QCOMPARE(listing(cache, "/"), QStringList({"AB:"}));
    QVERIFY(cache.contains("/AB"));

    // Even when its parent was never listed.
    QVERIFY(!cache.takeObject("/Q/R").isValid());
    QVERIFY(!cache.contains("/Q/R"));
}

void tst_ObjectsListCache::manyChangesKeepTheOrder()
{
    MObjectsListCache cache;
    MStorageObjectList objects;
    QStringList expected;
    for (int i = 0; i < 10; ++i) {
        objects.append(object("/D", QString::number(i), "h"));
        expected.append(QString::number(i) + ":h");
    }
    // The service listed one name twice: taking it leaves the other.
    objects.append(object("/D", "3", "again"));
    expected.append("3:again");
    cache.store(objects);

    // Taken past the point where the listing is packed again, replaced, added to.
    for (const char *label : {"1", "3", "5", "7", "8", "9"}) {
        QCOMPARE(cache.takeObject(QString("/D/") + label).label(), QString(label));
        expected.removeOne(QString(label) + ":h");
        QCOMPARE(listing(cache, "/D"), expected);
    }
    MStorageObject again;
    QVERIFY(cache.containsObject("/D/3", &again));
    QCOMPARE(again.contentHash(), QString("again"));
    QVERIFY(!cache.containsObject("/D/5"));
    QVERIFY(cache.updateObject(object("/D", "0", "new"), false));
    QVERIFY(cache.updateObject(object("/D", "5", "back"), false));
    QCOMPARE(listing(cache, "/D"),
             (QStringList{"0:new", "2:h", "4:h", "6:h", "3:again", "5:back"}));
    QCOMPARE(cache.takeObject("/D/3").contentHash(), QString("again"));
    QVERIFY(!cache.containsObject("/D/3"));
    QCOMPARE(cache.takeObject("/D/6").label(), QString("6"));
    QCOMPARE(listing(cache, "/D"), (QStringList{"0:new", "2:h", "4:h", "5:back"}));
    MStorageObject found;
    QVERIFY(cache.containsObject("/D/5", &found));
    QCOMPARE(found.contentHash(), QString("back"));
}

void tst_ObjectsListCache::concurrentUse()
{
    MObjectsListCache cache;
    const int rounds = 500;
    QVector<int> workers = {0, 1, 2, 3};
    QtConcurrent::blockingMap(workers, [&](int worker) {
        const QString folder = QString("/w%1").arg(worker);
        cache.store({object(folder, "keep")});
        for (int round = 0; round < rounds; ++round) {
            const QString label = QString::number(round);
            cache.updateObject(object(folder, label), false);
            cache.updateObject(object("/shared", label + folder), true);
            if (round % 2)
                cache.takeObject(folder + "/" + label);
            cache.objects("/shared");
        }
    });
    for (int worker : workers)
        QCOMPARE(cache.objects(QString("/w%1").arg(worker)).size(), 1 + rounds / 2);
    QCOMPARE(cache.objects("/shared").size(), workers.size() * rounds);
}

QTEST_GUILESS_MAIN(tst_ObjectsListCache)
#include "tst_objectslistcache.moc"

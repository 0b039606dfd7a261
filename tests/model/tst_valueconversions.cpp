#include "modeltypes.h"
#include "mostrongnsobjectcontainer.h"
#include "mqbindings.h"

#include <QPointer>
#include <QSharedPointer>
#include <QThread>
#include <QtTest>

namespace {

// Remembers the thread it was destroyed on.
class Tracked : public QObject
{
    Q_OBJECT
public:
    explicit Tracked(QThread **destroyedOn)
        : destroyedOn(destroyedOn)
    {}
    ~Tracked() override { *destroyedOn = QThread::currentThread(); }
    QThread **destroyedOn;
};

// Destroys what it holds on a thread of its own.
void releaseOnWorker(QVariant &&variant)
{
    QThread *worker = QThread::create([held = std::move(variant)]() mutable { held = QVariant(); });
    worker->start();
    QVERIFY(worker->wait(10000));
    delete worker;
}

QDateTime utc(qint64 seconds, int milliseconds = 0)
{
    return QDateTime::fromMSecsSinceEpoch(seconds * 1000 + milliseconds, Qt::UTC);
}

struct Foreign
{
    int value = 0;
};

} // namespace

Q_DECLARE_METATYPE(Foreign)

class TestValueConversions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { registerModelTypes(); }

    void datesAreWholeSecondsIn64Bits_data()
    {
        QTest::addColumn<QDateTime>("date");
        QTest::addColumn<QDateTime>("expected");
        QTest::newRow("null") << QDateTime() << QDateTime();
        QTest::newRow("epoch") << utc(0) << utc(0);
        QTest::newRow("fraction dropped") << utc(1700000000, 999) << utc(1700000000);
        QTest::newRow("before 1970") << utc(-86400 * 365 * 30) << utc(-86400 * 365 * 30);
        // Toward zero: -1.5 s becomes -1 s, not -2 s.
        QTest::newRow("fraction before 1970") << utc(-1, -500) << utc(-1);
        QTest::newRow("after 2106") << utc(4294967296LL + 86400) << utc(4294967296LL + 86400);
        QTest::newRow("year 3000") << utc(32503680000LL, 250) << utc(32503680000LL);
        QTest::newRow("local time") << QDateTime(QDate(2020, 5, 1), QTime(12, 0, 0, 700))
                                    << QDateTime(QDate(2020, 5, 1), QTime(12, 0, 0)).toUTC();
    }

    void datesAreWholeSecondsIn64Bits()
    {
        QFETCH(QDateTime, date);
        QFETCH(QDateTime, expected);
        const QDateTime down = NSDateToQDateTime(date);
        const QDateTime up = QDateTimeToNSDate(date);
        QCOMPARE(down, expected);
        QCOMPARE(up, expected);
        QCOMPARE(down.isNull(), expected.isNull());
        if (!expected.isNull()) {
            QCOMPARE(down.timeSpec(), Qt::UTC);
            QCOMPARE(down.toMSecsSinceEpoch(), expected.toMSecsSinceEpoch());
        }
        // Through a map, both ways; a null date is nothing, left out of the map.
        if (expected.isNull())
            QTest::ignoreMessage(QtWarningMsg, "[WARNING] Unable to decode Variant: skipping.");
        const QVariantMap map =
            QVariantMapToNSDictionary(NSDictionaryToQVariantMap({{"d", date}, {"x", 1}}));
        QCOMPARE(map.contains("d"), !expected.isNull());
        QCOMPARE(map.value("d").toDateTime(), expected);
    }

    void valuesGoingDown()
    {
        QObject object;
        const QUrl web("https://example.org/a%20b?q=1");
        const QVariantMap nested{{"s", QStringLiteral("x")}};
        const QVariantMap map = NSDictionaryToQVariantMap({
            {"a", QStringLiteral("text")},
            {"empty", QStringLiteral("")},
            {"n", 42},
            {"b", true},
            {"d", utc(1000, 900)},
            {"u", web},
            {"data", QByteArray("\0x", 2)},
            {"list", QVariantList{"one", "two"}},
            {"strings", QStringList{"three"}},
            {"nested", nested},
            {"object", QVariant::fromValue(&object)},
        });
        QCOMPARE(map.value("a"), QVariant(QStringLiteral("text")));
        QVERIFY(!map.value("empty").toString().isNull());
        QCOMPARE(map.value("d").toDateTime(), utc(1000));
        QCOMPARE(map.value("u").toUrl(), web);
        QCOMPARE(map.value("data").toByteArray(), QByteArray("\0x", 2));
        QCOMPARE(map.value("list").userType(), int(QMetaType::QStringList));
        QCOMPARE(map.value("list").toStringList(), QStringList({"one", "two"}));
        QCOMPARE(map.value("strings").toStringList(), QStringList({"three"}));
        QCOMPARE(map.value("nested").toMap(), nested);
        // Numbers and objects cross the core in a container and come back as they went.
        for (const char *key : {"n", "b", "object"})
            QCOMPARE(map.value(key).userType(), qMetaTypeId<MOStrongNSObjectContainer>());
        const QVariantMap back = QVariantMapToNSDictionary(map);
        QCOMPARE(back.value("n"), QVariant(42));
        QCOMPARE(back.value("b"), QVariant(true));
        QCOMPARE(back.value("object").value<QObject *>(), &object);
        QCOMPARE(back.value("nested").toMap(), nested);

        // An invalid value has no key to go under.
        QTest::ignoreMessage(QtWarningMsg,
                             "variantMapWithDictionary: Unable to find object for key gone");
        QCOMPARE(NSDictionaryToQVariantMap({{"gone", QVariant()}, {"kept", 1}}).keys(),
                 QStringList({"kept"}));
        QCOMPARE(NSArrayToQStringList({QStringLiteral("a"), 2}), QStringList({"a", "2"}));
    }

    void valuesComingUp()
    {
        QCOMPARE(QVariantToNSObject(QVariant()), QVariant());
        QCOMPARE(QVariantToNSObject(QString()), QVariant());
        const QVariant empty = QVariantToNSObject(QStringLiteral(""));
        QVERIFY(empty.isValid() && !empty.toString().isNull());
        QCOMPARE(QVariantToNSObject(qint64(1) << 40), QVariant(qint64(1) << 40));
        QCOMPARE(QVariantToNSObject(2.5), QVariant(2.5));
        QCOMPARE(QVariantToNSObject(QStringList({"a", QString(), ""})),
                 QVariant(QStringList({"a", ""})));
        QCOMPARE(QVariantToNSObject(QVariantList({"a", QVariant(), QString(), 3})),
                 QVariant(QVariantList({"a", 3})));
        QVariantHash hash{{"h", 1}};
        QCOMPARE(QVariantToNSObject(hash), QVariant(QVariantMap({{"h", 1}})));
        // Qt values with no conversion pass through.
        QCOMPARE(QVariantToNSObject(QByteArray("raw")), QVariant(QByteArray("raw")));

        // A foreign user type and an untyped pointer give nothing; the pointer is refused.
        QCOMPARE(QVariantToNSObject(QVariant::fromValue(Foreign{1})), QVariant());
        int target = 0;
        QTest::ignoreMessage(QtWarningMsg, "[WARNING] Unsupported Variant type: 31");
        QCOMPARE(QVariantToNSObject(QVariant::fromValue(static_cast<void *>(&target))), QVariant());
        QTest::ignoreMessage(QtWarningMsg, "[WARNING] Unable to decode Variant: skipping.");
        QCOMPARE(QVariantMapToNSDictionary({{"s", QString()}, {"k", 1}}), QVariantMap({{"k", 1}}));
        QCOMPARE(QVariantMapToNSDictionary({}), QVariantMap());
    }

    void urls_data()
    {
        QTest::addColumn<QUrl>("url");
        QTest::addColumn<QUrl>("expected");
        QTest::newRow("empty") << QUrl() << QUrl();
        QTest::newRow("invalid") << QUrl("http://[bad") << QUrl();
        const QString path = QStringLiteral("/tmp/with space/éte\u0301 ü.txt");
        QTest::newRow("local file") << QUrl::fromLocalFile(path) << QUrl::fromLocalFile(path);
        QTest::newRow("encoded local file")
            << QUrl(QStringLiteral("file:///tmp/a%20b/%C3%BC.txt"))
            << QUrl::fromLocalFile(QStringLiteral("/tmp/a b/ü.txt"));
        QTest::newRow("web") << QUrl("https://example.org/x?y=1#z")
                             << QUrl("https://example.org/x?y=1#z");
    }

    void urls()
    {
        QFETCH(QUrl, url);
        QFETCH(QUrl, expected);
        const QUrl up = QUrlToNSURL(url);
        QCOMPARE(up, expected);
        QCOMPARE(up.isEmpty(), expected.isEmpty());
        if (expected.isLocalFile())
            QCOMPARE(up.toLocalFile(), expected.toLocalFile());
        QCOMPARE(QVariantToNSObject(url).isValid(), !expected.isEmpty());
        QCOMPARE(NSURLToQUrl(expected), expected);
    }

    void userDataContainer()
    {
        // Nothing still travels as a valid variant, and comes back as nothing.
        const QVariant nothing = MOStrongNSObjectContainer::wrap(QVariant());
        QVERIFY(nothing.isValid());
        QCOMPARE(nothing.userType(), qMetaTypeId<MOStrongNSObjectContainer>());
        QCOMPARE(MOStrongNSObjectContainer::unwrap(nothing), QVariant());
        QCOMPARE(MOStrongNSObjectContainer::unwrap(QVariant()), QVariant());
        QCOMPARE(MOStrongNSObjectContainer::unwrap(QVariant(7)), QVariant());

        const QVariantMap request{{"MCRequestedActionTypeKey", 1}};
        const QVariant wrapped = MOStrongNSObjectContainer::wrap(request);
        QCOMPARE(MOStrongNSObjectContainer::unwrap(wrapped).toMap(), request);
        // Copies compare equal by payload, through QVariant too.
        QCOMPARE(wrapped, QVariant(wrapped));
        QCOMPARE(wrapped, MOStrongNSObjectContainer::wrap(request));
        QVERIFY(wrapped != MOStrongNSObjectContainer::wrap(QVariantMap()));

        // An interface object is held weakly and keeps its own type.
        QPointer<QThread> pointer = new QThread;
        const QVariant node = MOStrongNSObjectContainer::wrap(QVariant::fromValue(pointer.data()));
        QCOMPARE(MOStrongNSObjectContainer::unwrap(node).value<QThread *>(), pointer.data());
        QCOMPARE(MOStrongNSObjectContainer::unwrap(node).userType(), qMetaTypeId<QThread *>());
        QCOMPARE(MOStrongNSObjectContainer::unwrap(node).value<QObject *>(),
                 static_cast<QObject *>(pointer.data()));
        QVariant copy = node;
        delete pointer.data();
        QCOMPARE(MOStrongNSObjectContainer::unwrap(copy), QVariant());
    }

    void lastCopyOnAWorkerThread()
    {
        // A weakly held object outlives every container copy, wherever the last one goes.
        QThread *destroyedOn = nullptr;
        auto *weak = new Tracked(&destroyedOn);
        releaseOnWorker(MOStrongNSObjectContainer::wrap(QVariant::fromValue(weak)));
        QCOMPARE(destroyedOn, nullptr);
        delete weak;
        QCOMPARE(destroyedOn, QThread::currentThread());

        // A shared object whose last reference goes with a container on a worker thread is
        // deleted on the main thread.
        destroyedOn = nullptr;
        QSharedPointer<Tracked> shared(new Tracked(&destroyedOn));
        QVariant wrapped = MOStrongNSObjectContainer::wrap(QVariant::fromValue(shared));
        QCOMPARE(MOStrongNSObjectContainer::unwrap(wrapped).value<QSharedPointer<Tracked>>(),
                 shared);
        shared.reset();
        releaseOnWorker(std::move(wrapped));
        QCOMPARE(destroyedOn, nullptr);
        QTRY_COMPARE(destroyedOn, QThread::currentThread());

        // Plain values are released where the last copy goes.
        releaseOnWorker(MOStrongNSObjectContainer::wrap(QVariantMap{{"k", QStringList{"v"}}}));
    }
};

QTEST_GUILESS_MAIN(TestValueConversions)

#include "tst_valueconversions.moc"

#include "modelegatepointer.h"
#include "monotificationcenter.h"
#include "monotificationspy.h"

#include <QPointer>
#include <QThread>
#include <QtTest>

#include <memory>

namespace {

const QString Ping = QStringLiteral("Ping");
const QString Pong = QStringLiteral("Pong");

// Appends its tag to a shared log for every notification it receives.
class Observer : public QObject
{
    Q_OBJECT
public:
    Observer(QStringList *log, const QString &tag)
        : log(log)
        , tag(tag)
    {}
    void received(const MOPostedNotification &notification)
    {
        log->append(tag + QLatin1Char(':') + notification.name);
    }

    QStringList *log;
    QString tag;
};

class Delegate
{
public:
    virtual ~Delegate() = default;
    virtual void call() = 0;
};

class QObjectDelegate
    : public QObject
    , public Delegate
{
    Q_OBJECT
public:
    void call() override { ++calls; }
    int calls = 0;
};

class PlainDelegate : public Delegate
{
public:
    void call() override { ++calls; }
    int calls = 0;
};

} // namespace

class TestNotificationCenter : public QObject
{
    Q_OBJECT

private slots:
    void deliversInRegistrationOrderWithFilters()
    {
        MONotificationCenter center;
        QObject sender, other;
        QStringList log;
        Observer any(&log, "any"), pings(&log, "pings"), fromSender(&log, "fromSender"),
            pingsFromOther(&log, "pingsFromOther");
        center.addObserver(&pingsFromOther, &Observer::received, Ping, &other);
        center.addObserver(&any, &Observer::received, QString());
        center.addObserver(&pings, &Observer::received, Ping);
        center.addObserver(&fromSender, &Observer::received, QString(), &sender);

        center.postNotificationName(Ping, &sender, {{"k", 1}});
        QCOMPARE(log, QStringList({"any:Ping", "pings:Ping", "fromSender:Ping"}));
        log.clear();
        center.postNotificationName(Pong, &other);
        QCOMPARE(log, QStringList({"any:Pong"}));
        log.clear();
        center.postNotificationName(Ping, &other);
        QCOMPARE(log, QStringList({"pingsFromOther:Ping", "any:Ping", "pings:Ping"}));
        log.clear();
        // An empty name is a name like any other, not a wildcard.
        center.postNotificationName(QStringLiteral(""), nullptr);
        QCOMPARE(log, QStringList({"any:"}));

        // The user info and object arrive as posted; another centre hears nothing.
        MONotificationSpy spy(&center, Ping);
        MONotificationSpy elsewhere(MONotificationCenter::defaultCenter(), Ping);
        center.postNotificationName(Ping, &sender, {{"k", 1}});
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).object, &sender);
        QCOMPARE(spy.at(0).userInfo, QVariantMap({{"k", 1}}));
        QCOMPARE(elsewhere.count(), 0);
    }

    void removalBySelector()
    {
        MONotificationCenter center;
        QObject sender;
        QStringList log;
        Observer observer(&log, "o");
        center.addObserver(&observer, &Observer::received, Ping);
        center.addObserver(&observer, &Observer::received, Pong);
        center.addObserver(&observer, &Observer::received, Pong, &sender);

        center.removeObserver(&observer, Pong, &sender);
        center.postNotificationName(Pong, &sender);
        QCOMPARE(log, QStringList({"o:Pong"}));
        center.removeObserver(&observer, Pong);
        center.postNotificationName(Pong, &sender);
        center.postNotificationName(Ping, &sender);
        QCOMPARE(log, QStringList({"o:Pong", "o:Ping"}));
        center.removeObserver(&observer);
        center.postNotificationName(Ping, &sender);
        QCOMPARE(log.size(), 2);
        QCOMPARE(center.observerCount(), 0);
    }

    void removalAndAdditionDuringDelivery()
    {
        MONotificationCenter center;
        QStringList log;
        Observer first(&log, "first"), second(&log, "second"), third(&log, "third"),
            late(&log, "late");
        // The first removes itself and the third; the second adds a late observer.
        center.addObserver(&first, Ping, nullptr, [&](const MOPostedNotification &n) {
            first.received(n);
            center.removeObserver(&first);
            center.removeObserver(&third);
        });
        center.addObserver(&second, Ping, nullptr, [&](const MOPostedNotification &n) {
            second.received(n);
            center.addObserver(&late, &Observer::received, Ping);
        });
        center.addObserver(&third, &Observer::received, Ping);

        center.postNotificationName(Ping, nullptr);
        // One added during a delivery hears the next notification, not this one.
        QCOMPARE(log, QStringList({"first:Ping", "second:Ping"}));
        log.clear();
        center.removeObserver(&second);
        center.postNotificationName(Ping, nullptr);
        QCOMPARE(log, QStringList({"late:Ping"}));
    }

    void nestedPosting()
    {
        MONotificationCenter center;
        QStringList log;
        Observer a(&log, "a"), b(&log, "b");
        // a answers every Ping with a Pong, delivered in full before the Ping goes on to b.
        center.addObserver(&a, QString(), nullptr, [&](const MOPostedNotification &n) {
            a.received(n);
            if (n.name == Ping)
                center.postNotificationName(Pong, nullptr);
        });
        center.addObserver(&b, &Observer::received, QString());
        center.postNotificationName(Ping, nullptr);
        QCOMPARE(log, QStringList({"a:Ping", "a:Pong", "b:Pong", "b:Ping"}));
    }

    void destroyedObserversAreRemoved()
    {
        MONotificationCenter center;
        QStringList log;
        auto *gone = new Observer(&log, "gone");
        auto *victim = new Observer(&log, "victim");
        Observer killer(&log, "killer"), survivor(&log, "survivor");
        center.addObserver(gone, &Observer::received, Ping);
        center.addObserver(gone, &Observer::received, Pong);
        delete gone;
        QCOMPARE(center.observerCount(), 0);
        center.postNotificationName(Ping, nullptr);
        QVERIFY(log.isEmpty());

        // Destroyed by an earlier observer in the middle of a delivery: not called.
        center.addObserver(&killer, Ping, nullptr, [&](const MOPostedNotification &n) {
            killer.received(n);
            delete victim;
        });
        center.addObserver(victim, &Observer::received, Ping);
        center.addObserver(&survivor, &Observer::received, Ping);
        center.postNotificationName(Ping, nullptr);
        QCOMPARE(log, QStringList({"killer:Ping", "survivor:Ping"}));
        QCOMPARE(center.observerCount(), 2);

        // An observer whose filter object died hears nothing more, whatever now sits at its
        // address.
        log.clear();
        auto filter = std::make_unique<QObject>();
        Observer filtered(&log, "filtered");
        center.removeObserver(&killer);
        center.removeObserver(&survivor);
        center.addObserver(&filtered, &Observer::received, Ping, filter.get());
        const QObject *address = filter.get();
        filter.reset();
        center.postNotificationName(Ping, const_cast<QObject *>(address));
        QVERIFY(log.isEmpty());
    }

    void centerDestroyedDuringDelivery()
    {
        auto *center = new MONotificationCenter;
        QStringList log;
        Observer first(&log, "first"), second(&log, "second");
        center->addObserver(&first, Ping, nullptr, [&](const MOPostedNotification &n) {
            first.received(n);
            delete center;
        });
        center->addObserver(&second, &Observer::received, Ping);
        center->postNotificationName(Ping, nullptr);
        QCOMPARE(log, QStringList({"first:Ping"}));
    }

    void postsFromOtherThreadsArriveOnTheMainThread()
    {
        MONotificationCenter center;
        QObject sender;
        auto doomed = std::make_unique<QObject>();
        MONotificationSpy spy(&center, QString());
        QThread *worker = QThread::create([&] {
            center.postNotificationName(Ping, &sender, {{"n", 1}});
            center.postNotificationName(Pong, doomed.get());
            center.postNotificationName(Ping, nullptr, {{"n", 2}});
        });
        worker->start();
        QVERIFY(worker->wait(10000));
        delete worker;
        // Nothing is delivered on the posting thread.
        QCOMPARE(spy.count(), 0);
        // A notification whose object died before delivery is dropped, not delivered with a
        // dangling object.
        doomed.reset();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("dropped \"Pong\""));
        QVERIFY(spy.waitForCount(2));
        // The three were posted in order: the last delivered, anything still posted is a third.
        QCoreApplication::sendPostedEvents();
        QCOMPARE(spy.count(), 2);
        QVERIFY(spy.allOnMainThread());
        QCOMPARE(spy.values("n"), QVariantList({1, 2}));
        QCOMPARE(spy.at(0).object, &sender);
    }

    void delegatePointerSkipsDestroyedDelegates()
    {
        MODelegatePointer<Delegate> pointer;
        QVERIFY(!pointer);
        auto *tracked = new QObjectDelegate;
        pointer.set(tracked);
        pointer->call();
        QCOMPARE(tracked->calls, 1);
        delete tracked;
        QVERIFY(!pointer);
        QCOMPARE(pointer.get(), nullptr);

        // A delegate that is not a QObject cannot be tracked: its owner clears it.
        PlainDelegate plain;
        pointer.set(&plain);
        QVERIFY(pointer);
        pointer->call();
        QCOMPARE(plain.calls, 1);
        pointer.set(nullptr);
        QVERIFY(!pointer);
    }
};

QTEST_GUILESS_MAIN(TestNotificationCenter)

#include "tst_notificationcenter.moc"

#include "kerlolocal.h"
#include "mjsonelements.h"
#include "mjsonrequestmanager.h"
#include "testcore.h"
#include "tolvoappimpl.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QThreadPool>
#include <QtTest>

namespace {

// A listing reply large enough to be decoded on another thread.
QByteArray largeListing()
{
    QByteArray large = "{\"objects\":[";
    for (int i = 0; i < 60000; ++i)
        large += (i ? "," : "") + QByteArray("{\"label\":\"item-") + QByteArray::number(i) + "\"}";
    large += "]}";
    return large;
}

} // namespace

class TestJsonRequestManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void decoding_data();
    void decoding();
    void bufferJoinsEveryPiece();
    void errorStatusStillDecodes();
    void largeRepliesDecodeAwayInOrder();
    void largeRepliesReachTheManagersThread_data();
    void largeRepliesReachTheManagersThread();
    void arrayElementsOneByOne_data();
    void arrayElementsOneByOne();
    void abandonedDecodesReachNobody();
    void plainReplyKeepsBodyAndHeaders();
    void plainRequestStalls();
    void synchronousRequest();
    void synchronousRequestTimesOut();

private:
    QUrl url(const QString &path) const { return server.url(path); }
    // A JSON body of 300 KiB: long enough to arrive in several reads.
    static QByteArray largeJson() { return "{\"v\":\"" + QByteArray(300 * 1024, 'x') + "\"}"; }
    // Sends request on manager and waits for its end: the reply and the whole body, what
    // arrived before the end joined with what the reply still held.
    static QPair<MNetworkReply, QByteArray> fetch(MNetworkRequestManager &manager,
                                                  const MNetworkRequest &request);

    KerloLocal server;
};

void TestJsonRequestManager::initTestCase()
{
    QVERIFY(server.start());
    TestCore::initCore(server.baseUrl(), TestCore::supportPath());
}

void TestJsonRequestManager::init()
{
    QVERIFY(server.reset());
    TolvoApp::instance()->setConnectivityStatus(TolvoApp::Online);
}

void TestJsonRequestManager::decoding_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("decodes");
    QTest::addColumn<QVariantMap>("object");

    QTest::newRow("empty object") << 200 << QByteArray("{}") << true << QVariantMap();
    QTest::newRow("object") << 200 << QByteArray("{\"cursor\":\"c1\",\"objects\":[1,2]}") << true
                            << QVariantMap{{QStringLiteral("cursor"), QStringLiteral("c1")},
                                           {QStringLiteral("objects"), QVariantList{1, 2}}};
    QTest::newRow("top-level array") << 200 << QByteArray("[{\"a\":1}]") << true << QVariantMap();
    QTest::newRow("empty array") << 200 << QByteArray("[]") << true << QVariantMap();
    QTest::newRow("no content") << 204 << QByteArray() << true << QVariantMap();
    QTest::newRow("html page") << 200 << QByteArray("<html><body>Bad gateway</body></html>")
                               << false << QVariantMap();
    QTest::newRow("truncated") << 200 << QByteArray("{\"objects\":[") << false << QVariantMap();
}

void TestJsonRequestManager::decoding()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, decodes);
    QFETCH(QVariantMap, object);

    MJsonRequestManager manager;
    QSignalSpy ready(&manager, &MJsonRequestManager::responseObjectReady);
    QSignalSpy failed(&manager, &MJsonRequestManager::decodeError);
    QSignalSpy finished(&manager, &MNetworkRequestManager::replyFinishedForRequest);
    const QString path = QStringLiteral("/api/v1/t/json");
    QVERIFY(server.forceStatus(path, status, body, 1, QString(),
                               decodes ? "application/json" : "text/html"));
    const QString id = manager.sendRequest(MNetworkRequest(url(path)));
    QVERIFY(finished.wait(20000));

    if (decodes) {
        QCOMPARE(failed.count(), 0);
        QCOMPARE(ready.at(0).at(0).toMap(), object);
        QCOMPARE(ready.at(0).at(1).value<MNetworkRequest>().requestId(), id);
        QCOMPARE(ready.at(0).at(2).value<MNetworkReply>().statusCode(), status);
    } else {
        QCOMPARE(ready.count(), 0);
        QCOMPARE(failed.at(0).at(0).value<MNetworkRequest>().requestId(), id);
        QCOMPARE(failed.at(0).at(1).toByteArray(), body);
    }
}

void TestJsonRequestManager::bufferJoinsEveryPiece()
{
    // A large body arrives in many pieces; the one handed on must be whole and in order.
    const int size = 8 * 1024 * 1024;
    MJsonRequestManager manager;
    QSignalSpy data(&manager, &MNetworkRequestManager::dataArrivedForRequest);
    QSignalSpy failed(&manager, &MJsonRequestManager::decodeError);
    manager.sendRequest(MNetworkRequest(url(QStringLiteral("/__control/bytes?size=%1").arg(size))));
    QVERIFY(failed.wait(20000));
    QVERIFY2(data.count() > 1, qPrintable(QString::number(data.count())));
    const QByteArray buffer = failed.at(0).at(1).toByteArray();
    QCOMPARE(buffer.size(), size);
    for (int i = 0; i < size; ++i) {
        if (uchar(buffer.at(i)) != i % 251)
            QFAIL(qPrintable(QStringLiteral("wrong byte at %1").arg(i)));
    }
}

void TestJsonRequestManager::errorStatusStillDecodes()
{
    // Error replies carry the service's explanation; listeners read it from the decoded body.
    MJsonRequestManager manager;
    QSignalSpy errors(&manager, QOverload<const MNetworkRequest &, QNetworkReply::NetworkError>::of(
                                    &MNetworkRequestManager::errorForRequest));
    QSignalSpy ready(&manager, &MJsonRequestManager::responseObjectReady);
    const QString path = QStringLiteral("/api/v1/t/failing");
    QVERIFY(server.forceStatus(path, 500, "{\"errors\":[\"disk on fire\"]}"));
    manager.sendRequest(MNetworkRequest(url(path)));
    QVERIFY(ready.wait(20000));
    QCOMPARE(errors.count(), 1);
    QCOMPARE(ready.at(0).at(0).toMap().value(QStringLiteral("errors")).toList(),
             QVariantList{QStringLiteral("disk on fire")});
    QCOMPARE(ready.at(0).at(2).value<MNetworkReply>().statusCode(), 500);
}

void TestJsonRequestManager::largeRepliesDecodeAwayInOrder()
{
    // Large replies are decoded (and made into the listener's value) off the main thread, a
    // broken one still fails with its bytes; every reply reaches the listeners in the order it
    // finished, a small one waiting behind a large one.
    const QByteArray large = largeListing();
    QVERIFY(large.size() > 1024 * 1024);
    const QByteArray broken = large.left(large.size() - 2);
    MJsonRequestManager manager;
    QThread *mainThread = QThread::currentThread();
    bool decodedAway = true;
    manager.setDecoder(
        [&](const QJsonObject &object, const MNetworkRequest &, const MNetworkReply &) {
            decodedAway = decodedAway && QThread::currentThread() != mainThread;
            return QVariant(object.value(QStringLiteral("objects")).toArray().size());
        });
    QStringList finished;
    connect(&manager, &MNetworkRequestManager::replyFinishedForRequest, this,
            [&](const MNetworkRequest &request) { finished.append(request.url().path()); });
    QStringList order;
    connect(&manager, &MJsonRequestManager::responseObjectReady, this,
            [&](const QVariant &value, const MNetworkRequest &request) {
                order.append(request.url().path() + '=' + value.toString());
            });
    connect(&manager, &MJsonRequestManager::decodeError, this,
            [&](const MNetworkRequest &request, const QByteArray &bytes) {
                order.append(request.url().path() + (bytes == broken ? "=broken" : "=?"));
            });
    const auto send = [&](const QString &path, const QByteArray &body, int delayMs) {
        QVERIFY(server.forceStatus(path, 200, body));
        if (delayMs)
            QVERIFY(server.delay(path, delayMs));
        MNetworkRequest request(url(path));
        request.setRepliesAsJsonObject(true);
        manager.sendRequest(request);
    };
    send(QStringLiteral("/api/v1/t/large"), large, 0);
    send(QStringLiteral("/api/v1/t/broken"), broken, 200);
    send(QStringLiteral("/api/v1/t/small"), "{\"a\":1}", 400);
    QTRY_COMPARE_WITH_TIMEOUT(order.size(), 3, 20000);
    const QHash<QString, QString> delivered{{"/api/v1/t/large", "/api/v1/t/large=60000"},
                                            {"/api/v1/t/broken", "/api/v1/t/broken=broken"},
                                            {"/api/v1/t/small", "/api/v1/t/small="}};
    QStringList expected;
    for (const QString &path : qAsConst(finished))
        expected.append(delivered.value(path));
    QCOMPARE(order, expected);
    QVERIFY(decodedAway);
}

void TestJsonRequestManager::largeRepliesReachTheManagersThread_data()
{
    QTest::addColumn<bool>("asObject");
    QTest::addColumn<QByteArray>("large");
    QTest::newRow("map of 200 KiB") << false << "{\"v\":\"" + QByteArray(200 * 1024, 'x') + "\"}";
    QTest::newRow("listing with a decoder") << true << largeListing();
}

void TestJsonRequestManager::largeRepliesReachTheManagersThread()
{
    // A manager living on another thread (as the transfer engine's does) gets every reply
    // there, a large one decoded away too, in the order the replies finished.
    QFETCH(bool, asObject);
    QFETCH(QByteArray, large);
    QThread worker;
    auto *manager = new MJsonRequestManager;
    if (asObject)
        manager->setDecoder(
            [](const QJsonObject &object, const MNetworkRequest &, const MNetworkReply &) {
                return QVariant(object.value(QStringLiteral("objects")).toArray().size());
            });
    manager->moveToThread(&worker);
    connect(&worker, &QThread::finished, manager, &QObject::deleteLater);
    worker.start();
    const auto stopWorker = qScopeGuard([&worker] {
        worker.quit();
        worker.wait();
    });
    QMutex mutex;
    QStringList finished;
    QStringList delivered;
    QStringList elsewhere;
    connect(
        manager, &MNetworkRequestManager::replyFinishedForRequest, manager,
        [&](const MNetworkRequest &request) {
            QMutexLocker locker(&mutex);
            finished.append(request.url().path());
        },
        Qt::DirectConnection);
    connect(
        manager, &MJsonRequestManager::responseObjectReady, manager,
        [&](const QVariant &, const MNetworkRequest &request) {
            QMutexLocker locker(&mutex);
            delivered.append(request.url().path());
            if (QThread::currentThread() != &worker)
                elsewhere.append(request.url().path());
        },
        Qt::DirectConnection);
    const QString largePath = QStringLiteral("/api/v1/t/large");
    const QString smallPath = QStringLiteral("/api/v1/t/small");
    QVERIFY(server.forceStatus(largePath, 200, large));
    QVERIFY(server.forceStatus(smallPath, 200, "{\"a\":1}"));
    for (const QString &path : {largePath, smallPath}) {
        MNetworkRequest request(url(path));
        request.setRepliesAsJsonObject(asObject);
        QMetaObject::invokeMethod(manager, [manager, request] { manager->sendRequest(request); });
    }
    const auto deliveredCount = [&] {
        QMutexLocker locker(&mutex);
        return delivered.size();
    };
    QTRY_COMPARE_WITH_TIMEOUT(deliveredCount(), 2, 20000);
    QMutexLocker locker(&mutex);
    QCOMPARE(elsewhere, QStringList());
    QCOMPARE(delivered, finished);
}

void TestJsonRequestManager::arrayElementsOneByOne_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("read");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("brackets and quotes in strings")
        << QByteArray(R"({"cursor":"c]","objects":[{"label":"a]\"{,"},)"
                      R"({"label":"b","m":{"x":[1,{"y":"}"}]}}],"base_path":"/x"})")
        << true << QStringList{"a]\"{,", "b"};
    QTest::newRow("spaces") << QByteArray(" {\n \"n\" : 5 , \"objects\" : [ {\"label\":\"a\"} ,\n"
                                          " {\"label\":\"b\"} ] , \"t\":true }\n")
                            << true << QStringList{"a", "b"};
    QTest::newRow("empty") << QByteArray(R"({"objects":[ ],"cursor":null})") << true
                           << QStringList();
    QTest::newRow("no such key") << QByteArray(R"({"other":[{"label":"a"}]})") << false
                                 << QStringList();
    QTest::newRow("only nested") << QByteArray(R"({"x":{"objects":[{"label":"a"}]}})") << false
                                 << QStringList();
    QTest::newRow("not objects") << QByteArray(R"({"objects":[1,2]})") << false << QStringList();
    QTest::newRow("cut short") << QByteArray(R"({"objects":[{"label":"a"},{"lab)") << false
                               << QStringList();
    QTest::newRow("broken element")
        << QByteArray(R"({"objects":[{"label":"a",}]})") << false << QStringList();
    QTest::newRow("top-level array") << QByteArray(R"([{"objects":[]}])") << false << QStringList();
}

void TestJsonRequestManager::arrayElementsOneByOne()
{
    QFETCH(QByteArray, json);
    QFETCH(bool, read);
    QFETCH(QStringList, labels);
    QJsonObject rest;
    QStringList seen;
    const bool done = mForEachJsonArrayElement(json, QStringLiteral("objects"), &rest,
                                               [&seen](const QJsonObject &element) {
                                                   seen.append(element.value("label").toString());
                                                   return true;
                                               });
    QCOMPARE(done, read);
    if (!read)
        return;
    // What parsing the whole document gives.
    QJsonObject whole = QJsonDocument::fromJson(json).object();
    QStringList wholeLabels;
    for (const QJsonValue &element : whole.take(QStringLiteral("objects")).toArray())
        wholeLabels.append(element.toObject().value("label").toString());
    QCOMPARE(seen, labels);
    QCOMPARE(seen, wholeLabels);
    QCOMPARE(rest, whole);
    // The element handler can stop the reading.
    QVERIFY(labels.isEmpty() ||
            !mForEachJsonArrayElement(json, QStringLiteral("objects"), &rest,
                                      [](const QJsonObject &) { return false; }));
}

void TestJsonRequestManager::abandonedDecodesReachNobody()
{
    // A decoder uses its owner's data: once the owner abandons the decodes (shutting down) or
    // the manager is gone, no decoder call may still be running or start, and nothing of an
    // abandoned reply reaches the listeners; later replies still do.
    struct Owner
    {
        QAtomicInt alive{1};
        QAtomicInt usedAfterEnd{0};
        QSemaphore started;
        QSemaphore release;
    };
    const QString path = QStringLiteral("/api/v1/t/large");
    QVERIFY(server.forceStatus(path, 200, largeListing(), 3));
    const auto largeRequest = [&] {
        MNetworkRequest request(url(path));
        request.setRepliesAsJsonObject(true);
        return request;
    };
    for (const bool destroy : {false, true}) {
        const auto owner = std::make_shared<Owner>();
        auto *manager = new MJsonRequestManager;
        // The decoder holds on until released (or a while), then uses its owner.
        manager->setDecoder(
            [owner](const QJsonObject &, const MNetworkRequest &, const MNetworkReply &) {
                owner->started.release();
                owner->release.tryAcquire(1, 300);
                if (!owner->alive.loadAcquire())
                    owner->usedAfterEnd.storeRelease(1);
                return QVariant(1);
            });
        QSignalSpy ready(manager, &MJsonRequestManager::responseObjectReady);
        manager->sendRequest(largeRequest());
        QTRY_VERIFY_WITH_TIMEOUT(owner->started.available() > 0, 20000);
        owner->started.acquire();
        if (destroy)
            delete manager;
        else
            manager->abandonDecodes();
        owner->alive.storeRelease(0);
        owner->release.release();
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::sendPostedEvents();
        QVERIFY2(!owner->usedAfterEnd.loadAcquire(), destroy ? "destroyed" : "abandoned");
        if (destroy)
            continue;
        QCOMPARE(ready.count(), 0);
        // The manager goes on with later replies.
        owner->alive.storeRelease(1);
        owner->release.release();
        manager->sendRequest(largeRequest());
        QTRY_COMPARE_WITH_TIMEOUT(ready.count(), 1, 20000);
        QCOMPARE(ready.first().first(), QVariant(1));
        delete manager;
    }
}

QPair<MNetworkReply, QByteArray> TestJsonRequestManager::fetch(MNetworkRequestManager &manager,
                                                               const MNetworkRequest &request)
{
    QByteArray body;
    const QMetaObject::Connection arrived =
        connect(&manager, &MNetworkRequestManager::dataArrivedForRequest, &manager,
                [&body](const MNetworkRequest &, const QByteArray &data) { body += data; });
    QSignalSpy finished(&manager, &MNetworkRequestManager::replyFinishedForRequest);
    manager.sendRequest(request);
    const bool ended = finished.wait(20000);
    disconnect(arrived);
    if (!ended)
        return {};
    const MNetworkReply reply = finished.first().at(1).value<MNetworkReply>();
    return {reply, body + reply.body()};
}

void TestJsonRequestManager::plainReplyKeepsBodyAndHeaders()
{
    const QString path = QStringLiteral("/api/v1/t/plain");
    const QByteArray body = largeJson();
    QVERIFY(server.forceStatus(path, 200, body, 1, QString(), "application/json",
                               {{"X-Kerlo-Metadata", "meta"}}));
    MNetworkRequestManager manager;
    const auto [reply, received] = fetch(manager, MNetworkRequest(url(path)));
    QCOMPARE(reply.error(), QNetworkReply::NoError);
    QCOMPARE(reply.statusCode(), 200);
    QCOMPARE(reply.header("x-kerlo-metadata"), QByteArray("meta"));
    QCOMPARE(received, body);

    // An HTTP error is a reply too, body included.
    QVERIFY(server.forceStatus(path, 404, "{\"errors\":[\"gone\"]}"));
    const auto [missing, missingBody] = fetch(manager, MNetworkRequest(url(path)));
    QCOMPARE(missing.statusCode(), 404);
    QCOMPARE(missingBody, QByteArray("{\"errors\":[\"gone\"]}"));
}

// A request the service never answers ends with nothing received: no status, body or header.
void TestJsonRequestManager::plainRequestStalls()
{
    const QString path = QStringLiteral("/api/v1/t/plain-hang");
    QVERIFY(server.hang(path));
    MNetworkRequestManager manager;
    manager.setStallTimeout(1000);
    const auto [reply, received] = fetch(manager, MNetworkRequest(url(path)));
    QCOMPARE(reply.error(), QNetworkReply::TimeoutError);
    QCOMPARE(reply.statusCode(), 0);
    QVERIFY(received.isEmpty());
    QVERIFY(reply.headers().isEmpty());
}

// The whole body comes back in the reply, though the manager hands it out as it arrives.
void TestJsonRequestManager::synchronousRequest()
{
    const QString path = QStringLiteral("/api/v1/t/sync");
    const QByteArray body = largeJson();
    QVERIFY(server.forceStatus(path, 200, body, 1, QString(), "application/json",
                               {{"X-Kerlo-Metadata", "meta"}}));
    MNetworkRequestManager manager;
    bool timedOut = true;
    const MNetworkReply reply =
        manager.sendSynchronousRequest(MNetworkRequest(url(path)), 10, &timedOut);
    QVERIFY(!timedOut);
    QCOMPARE(reply.statusCode(), 200);
    QCOMPARE(reply.header("x-kerlo-metadata"), QByteArray("meta"));
    QCOMPARE(reply.body(), body);

    // An HTTP error is a reply too, body included; 0 waits without limit.
    QVERIFY(server.forceStatus(path, 404, "{\"errors\":[\"gone\"]}"));
    const MNetworkReply missing = manager.sendSynchronousRequest(MNetworkRequest(url(path)), 0);
    QCOMPARE(missing.statusCode(), 404);
    QCOMPARE(missing.body(), QByteArray("{\"errors\":[\"gone\"]}"));
}

// The call returns once the time is up, with the flag set and an empty reply.
void TestJsonRequestManager::synchronousRequestTimesOut()
{
    const QString path = QStringLiteral("/api/v1/t/sync-hang");
    QVERIFY(server.hang(path));
    MNetworkRequestManager manager;
    bool timedOut = false;
    QElapsedTimer elapsed;
    elapsed.start();
    const MNetworkReply reply =
        manager.sendSynchronousRequest(MNetworkRequest(url(path)), 1, &timedOut);
    QVERIFY(timedOut);
    QVERIFY(elapsed.elapsed() < 10000);
    QCOMPARE(reply.statusCode(), 0);
    QVERIFY(reply.body().isEmpty());
    QVERIFY(reply.headers().isEmpty());
}

QTEST_GUILESS_MAIN(TestJsonRequestManager)
#include "tst_jsonrequestmanager.moc"

#include "kerlolocal.h"
#include "mnetworkreply.h"
#include "mnetworkrequest.h"
#include "mnetworkrequestmanager.h"
#include "testcore.h"
#include "testdata.h"
#include "tolvoappimpl.h"

#include <QBuffer>
#include <QHttpMultiPart>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

using Spy = QSignalSpy;

// Keeps each request as it came over the wire and answers it with an empty 200.
class WireHost : public QTcpServer
{
public:
    struct Request
    {
        QByteArray method;
        QHash<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
    };
    QList<Request> requests;

    WireHost()
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *socket = nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                const QByteArray data = socket->property("data").toByteArray() + socket->readAll();
                socket->setProperty("data", data);
                const int end = data.indexOf("\r\n\r\n");
                if (end < 0)
                    return;
                Request request;
                const QList<QByteArray> lines = data.left(end).split('\n');
                request.method = lines.value(0).split(' ').value(0);
                for (const QByteArray &line : lines.mid(1)) {
                    const int colon = line.indexOf(':');
                    request.headers.insert(line.left(colon).trimmed().toLower(),
                                           line.mid(colon + 1).trimmed());
                }
                request.body = data.mid(end + 4);
                if (request.body.size() < request.headers.value("content-length").toInt())
                    return;
                requests.append(request);
                socket->write("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
                socket->disconnectFromHost();
            });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        });
    }
};

class TestNetworkRequestManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void replySnapshots();
    void identifiersAreUniqueAndTravelWithTheRequest();
    void bodiesAndUserAgent();
    void multiPartBodies();
    void cancel();
    void shutdownCancelsEverything();
    void httpErrorsAreReported();
    void largeBodies_data();
    void largeBodies();
    void redirects();
    void networkFailuresAreReportedOrWaitForOnline();
    void silentRequestsStall();
    void networkFailureWhileOnlineProbesAgain();
    void resentRequestCanBeCanceled();
    void requestsThatChangeSomethingGoOutOnce();
    void connectionsSendWithoutDelay();

private:
    QUrl url(const QString &path) const { return server.url(path); }
    QJsonArray logged(const QString &path) const { return server.requestsTo(path); }
    // The TCP_NODELAY setting of each of this process's sockets connected to kerlo-local.
    QList<int> lowDelayOfConnectionsToServer() const;
    static MNetworkRequest requestAt(const Spy &spy, int index);

    KerloLocal server;
};

MNetworkRequest TestNetworkRequestManager::requestAt(const Spy &spy, int index)
{
    return spy.at(index).at(0).value<MNetworkRequest>();
}

void TestNetworkRequestManager::initTestCase()
{
    QVERIFY(server.start());
    TestCore::initCore(server.baseUrl(), TestCore::supportPath());
}

void TestNetworkRequestManager::init()
{
    QVERIFY(server.reset());
    TolvoApp::instance()->setConnectivityStatus(TolvoApp::Online);
}

void TestNetworkRequestManager::replySnapshots()
{
    const QString path = QStringLiteral("/api/v1/t/snapshot");
    QVERIFY(server.forceStatus(path, 200, "payload", 1, QString(), "text/plain",
                               {{"X-Kerlo-Metadata", "{\"a\":1}"}}));
    QNetworkAccessManager plain;
    QNetworkReply *reply = plain.get(QNetworkRequest(url(path)));
    QSignalSpy finished(reply, &QNetworkReply::finished);
    QVERIFY(finished.wait(20000));

    const MNetworkReply skipped(reply, true);
    QVERIFY(skipped.body().isEmpty());
    QCOMPARE(skipped.statusCode(), 200);
    // Header names are not case-sensitive.
    QCOMPARE(skipped.header("x-kerlo-metadata"), QByteArray("{\"a\":1}"));
    QCOMPARE(skipped.header("X-KERLO-METADATA"), QByteArray("{\"a\":1}"));
    QVERIFY(skipped.header("x-absent").isEmpty());
    // A snapshot that reads takes the bytes from the reply.
    QCOMPARE(MNetworkReply(reply, false).body(), QByteArray("payload"));
    QVERIFY(MNetworkReply(reply, false).body().isEmpty());
    reply->deleteLater();
}

void TestNetworkRequestManager::identifiersAreUniqueAndTravelWithTheRequest()
{
    MNetworkRequestManager manager;
    Spy finished(&manager, &MNetworkRequestManager::replyFinishedForRequest);
    const QRegularExpression shape(QStringLiteral("^[0-9A-Za-z]{32}$"));
    QHash<QString, int> sent;
    const int count = 100;
    for (int i = 0; i < count; ++i) {
        MNetworkRequest request(url(QStringLiteral("/__control/bytes?size=1")));
        request.setUserInfo(i);
        const QString id = manager.sendRequest(request);
        QVERIFY2(shape.match(id).hasMatch(), qPrintable(id));
        QVERIFY(!sent.contains(id));
        sent.insert(id, i);
    }
    while (finished.count() < count)
        QVERIFY(finished.wait(20000));
    for (int i = 0; i < count; ++i) {
        const MNetworkRequest request = requestAt(finished, i);
        QVERIFY(sent.contains(request.requestId()));
        QCOMPARE(request.userInfo().toInt(), sent.value(request.requestId()));
        QCOMPARE(finished.at(i).at(1).value<MNetworkReply>().statusCode(), 200);
    }
}

void TestNetworkRequestManager::bodiesAndUserAgent()
{
    MNetworkRequestManager manager;
    Spy finished(&manager, &MNetworkRequestManager::replyFinishedForRequest);
    const QString path = QStringLiteral("/api/v1/t/body");
    QVERIFY(server.forceStatus(path, 200, "{}", 3));

    // No body, and an empty one, both go out as an empty form POST.
    manager.sendRequest(MNetworkRequest(url(path), MNetworkRequest::Post));
    MNetworkRequest emptyBody(url(path), MNetworkRequest::Post);
    emptyBody.setBody(QByteArray(""));
    emptyBody.setUserAgent(QStringLiteral("explicit agent"));
    manager.sendRequest(emptyBody);
    QBuffer device;
    device.setData("streamed bytes");
    QVERIFY(device.open(QIODevice::ReadOnly));
    MNetworkRequest streamed(url(path), MNetworkRequest::Put);
    streamed.setContentType(QStringLiteral("application/octet-stream"));
    streamed.setUploadDevice(&device);
    manager.sendRequest(streamed);
    while (finished.count() < 3)
        QVERIFY(finished.wait(20000));

    QStringList seen;
    for (const QJsonValue &value : logged(path)) {
        const QJsonObject entry = value.toObject();
        const QJsonObject headers = entry.value(QLatin1String("headers")).toObject();
        const QString agent = headers.value(QLatin1String("user-agent")).toString();
        seen << QStringList{entry.value(QLatin1String("method")).toString(),
                            headers.value(QLatin1String("content-type")).toString(),
                            entry.value(QLatin1String("body")).toString(),
                            agent == TolvoApp::instance()->userAgent() ? QStringLiteral("app")
                                                                       : agent}
                    .join(QLatin1Char('|'));
    }
    seen.sort();
    QVERIFY(!TolvoApp::instance()->userAgent().isEmpty());
    QCOMPARE(seen,
             (QStringList{QStringLiteral("POST|application/x-www-form-urlencoded||app"),
                          QStringLiteral("POST|application/x-www-form-urlencoded||explicit agent"),
                          QStringLiteral("PUT|application/octet-stream|streamed bytes|app")}));

    // Bodies larger than one read go out whole, a device's from its position on.
    QByteArray large(300 * 1024, Qt::Uninitialized);
    for (int i = 0; i < large.size(); ++i)
        large[i] = char('a' + i % 23);
    QVERIFY(server.clearRequests());
    QVERIFY(server.forceStatus(path, 200, "{}", 2));
    MNetworkRequest largePost(url(path), MNetworkRequest::Post);
    largePost.setContentType(QStringLiteral("application/octet-stream"));
    largePost.setBody(large);
    manager.sendRequest(largePost);
    QBuffer partly;
    partly.setData("skipped" + large);
    QVERIFY(partly.open(QIODevice::ReadOnly));
    QVERIFY(partly.seek(7));
    MNetworkRequest largePut(url(path), MNetworkRequest::Put);
    largePut.setContentType(QStringLiteral("application/octet-stream"));
    largePut.setUploadDevice(&partly);
    manager.sendRequest(largePut);
    while (finished.count() < 5)
        QVERIFY(finished.wait());
    const QJsonArray received = logged(path);
    QCOMPARE(received.size(), 2);
    for (const QJsonValue &value : received)
        QVERIFY(QByteArray::fromBase64(
                    value.toObject().value(QLatin1String("bodyBase64")).toString().toLatin1()) ==
                large);
}

// A multipart body goes out whole under its own type and boundary, POST or PUT; a body set on
// the same request goes first. Seen on the wire: the local service reads such a body as
// form fields and keeps no copy of it.
void TestNetworkRequestManager::multiPartBodies()
{
    WireHost host;
    QVERIFY(host.listen(QHostAddress::LocalHost));
    const QUrl url(QStringLiteral("http://127.0.0.1:%1/api/v1/t/multipart").arg(host.serverPort()));
    MNetworkRequestManager manager;
    Spy finished(&manager, &MNetworkRequestManager::replyFinishedForRequest);

    // One object per request: Qt reads a multipart through to its end.
    QHttpMultiPart forms[3];
    for (QHttpMultiPart &form : forms) {
        form.setContentType(QHttpMultiPart::FormDataType);
        QHttpPart field;
        field.setHeader(QNetworkRequest::ContentDispositionHeader,
                        QStringLiteral("form-data; name=\"note\""));
        field.setBody("first part");
        form.append(field);
        QHttpPart file;
        file.setHeader(QNetworkRequest::ContentDispositionHeader,
                       QStringLiteral("form-data; name=\"file\"; filename=\"a.txt\""));
        file.setBody("second part");
        form.append(file);
    }

    MNetworkRequest post(url, MNetworkRequest::Post);
    post.setMultiPart(&forms[0]);
    QVERIFY(post.hasMultiPart());
    QCOMPARE(post.multiPart(), &forms[0]);
    manager.sendRequest(post);
    QVERIFY(finished.wait(20000));
    MNetworkRequest put(url, MNetworkRequest::Put);
    put.setMultiPart(&forms[1]);
    manager.sendRequest(put);
    QVERIFY(finished.wait(20000));
    MNetworkRequest both(url, MNetworkRequest::Post);
    both.setBody("plain=1");
    QVERIFY(both.hasBody());
    both.setMultiPart(&forms[2]);
    manager.sendRequest(both);
    QVERIFY(finished.wait(20000));
    for (int i = 0; i < 3; ++i)
        QCOMPARE(finished.at(i).at(1).value<MNetworkReply>().statusCode(), 200);

    QCOMPARE(host.requests.size(), 3);
    for (int i = 0; i < 2; ++i) {
        const WireHost::Request &request = host.requests.at(i);
        QCOMPARE(request.method, i == 0 ? QByteArray("POST") : QByteArray("PUT"));
        QCOMPARE(request.headers.value("content-type"),
                 "multipart/form-data; boundary=\"" + forms[i].boundary() + '"');
        const QByteArray boundary = "--" + forms[i].boundary();
        QVERIFY(request.body.startsWith(boundary + "\r\n"));
        QVERIFY(request.body.contains("name=\"note\"\r\n\r\nfirst part\r\n" + boundary + "\r\n"));
        QVERIFY(request.body.endsWith("filename=\"a.txt\"\r\n\r\nsecond part\r\n" + boundary +
                                      "--\r\n"));
    }
    const WireHost::Request &plain = host.requests.at(2);
    QCOMPARE(plain.headers.value("content-type"), QByteArray("application/x-www-form-urlencoded"));
    QCOMPARE(plain.body, QByteArray("plain=1"));
}

void TestNetworkRequestManager::cancel()
{
    MNetworkRequestManager manager;
    Spy canceled(&manager, &MNetworkRequestManager::requestCanceled);
    Spy allCanceled(&manager, &MNetworkRequestManager::allRequestsCanceled);
    Spy finished(&manager, &MNetworkRequestManager::replyFinishedForRequest);

    QVERIFY(!manager.cancelRequest(QStringLiteral("0123456789abcdef0123456789abcdef")));
    manager.cancelAllActiveRequests();
    QCOMPARE(allCanceled.count(), 1);

    const QString path = QStringLiteral("/api/v1/t/cancel");
    QVERIFY(server.hang(path, 2));
    const QString first = manager.sendRequest(MNetworkRequest(url(path)));
    const QString second = manager.sendRequest(MNetworkRequest(url(path)));
    QVERIFY(manager.cancelRequest(first));
    QVERIFY(canceled.count() == 1 || canceled.wait());
    QCOMPARE(requestAt(canceled, 0).requestId(), first);
    // Another request is still active: not everything is canceled yet.
    QCOMPARE(allCanceled.count(), 1);
    QVERIFY(!manager.cancelRequest(first));

    QVERIFY(manager.cancelRequest(second));
    QVERIFY(allCanceled.count() == 2 || allCanceled.wait());
    QCOMPARE(canceled.count(), 2);
    QCOMPARE(requestAt(canceled, 1).requestId(), second);
    QCOMPARE(finished.count(), 0);
}

void TestNetworkRequestManager::shutdownCancelsEverything()
{
    MNetworkRequestManager manager;
    const QString path = QStringLiteral("/api/v1/t/shutdown");
    const int count = 50;
    QVERIFY(server.hang(path, count));
    for (int i = 0; i < count; ++i)
        manager.sendRequest(MNetworkRequest(url(path)));

    Spy canceled(&manager, &MNetworkRequestManager::requestCanceled);
    Spy completed(&manager, &MNetworkRequestManager::shutdownCompleted);
    int canceledAtCompletion = -1;
    connect(&manager, &MNetworkRequestManager::shutdownCompleted, this,
            [&] { canceledAtCompletion = canceled.count(); });
    manager.shutdown();
    QVERIFY(completed.wait(20000));
    QCOMPARE(canceledAtCompletion, count);
    // Let any stray signal arrive before counting.
    QCoreApplication::processEvents();
    QCOMPARE(completed.count(), 1);
    QCOMPARE(canceled.count(), count);
}

void TestNetworkRequestManager::httpErrorsAreReported()
{
    MNetworkRequestManager manager;
    QStringList order;
    connect(&manager,
            QOverload<const MNetworkRequest &, QNetworkReply::NetworkError>::of(
                &MNetworkRequestManager::errorForRequest),
            this, [&](const MNetworkRequest &, QNetworkReply::NetworkError code) {
                order << QStringLiteral("code %1").arg(int(code));
            });
    connect(&manager,
            QOverload<const MNetworkRequest &, const MNetworkReply &>::of(
                &MNetworkRequestManager::errorForRequest),
            this, [&](const MNetworkRequest &, const MNetworkReply &reply) {
                order << QStringLiteral("reply %1").arg(reply.statusCode());
            });
    Spy finished(&manager, &MNetworkRequestManager::replyFinishedForRequest);

    const QString path = QStringLiteral("/api/v1/t/errors");
    QVERIFY(server.forceStatus(path, 404, "{\"errors\":[\"missing\"]}"));
    QVERIFY(server.forceStatus(path, 500, "{\"errors\":[\"boom\"]}"));
    const QString missing = manager.sendRequest(MNetworkRequest(url(path)));
    QVERIFY(finished.wait(20000));
    const QString failed = manager.sendRequest(MNetworkRequest(url(path)));
    QVERIFY(finished.wait(20000));

    QCOMPARE(order, (QStringList{QStringLiteral("code 203"), QStringLiteral("reply 404"),
                                 QStringLiteral("code 401"), QStringLiteral("reply 500")}));
    QCOMPARE(requestAt(finished, 0).requestId(), missing);
    QCOMPARE(finished.at(0).at(1).value<MNetworkReply>().statusCode(), 404);
    QCOMPARE(requestAt(finished, 1).requestId(), failed);
    QCOMPARE(finished.at(1).at(1).value<MNetworkReply>().error(),
             QNetworkReply::InternalServerError);
}

// A large answer that Qt holds whole at once (JSON comes compressed and is inflated as it
// ends) reaches the listeners a MiB at most per turn, whole, and before what the reply says
// after it: its error, its end. A cancel meanwhile drops the rest and ends it as a cancel.
void TestNetworkRequestManager::largeBodies_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("cancelAtMiB"); // 0: never
    QTest::newRow("answer") << 200 << 0;
    QTest::newRow("error") << 500 << 0;
    // Qt still has the reply; then it has finished it, and the rest waits.
    QTest::newRow("canceled at its first MiB") << 200 << 1;
    QTest::newRow("canceled at its third MiB") << 200 << 3;
}

void TestNetworkRequestManager::largeBodies()
{
    QFETCH(int, status);
    QFETCH(int, cancelAtMiB);
    QByteArray sent = "{\"objects\":[";
    for (int i = 0; sent.size() < 6 << 20; ++i)
        sent += QByteArrayLiteral("{\"name\":\"item-") + QByteArray::number(i) + "\"},";
    sent += "{}]}";
    const QString path = QStringLiteral("/api/v1/t/large");
    QVERIFY(server.forceStatus(path, status, sent));

    MNetworkRequestManager manager;
    QStringList events;
    QByteArray received;
    qint64 largestPiece = 0;
    QString id;
    connect(&manager, &MNetworkRequestManager::dataArrivedForRequest, this,
            [&](const MNetworkRequest &, const QByteArray &data) {
                if (events.isEmpty() || events.last() != QLatin1String("data"))
                    events << QStringLiteral("data");
                received += data;
                largestPiece = qMax(largestPiece, qint64(data.size()));
                if (cancelAtMiB && received.size() >= cancelAtMiB << 20 && !id.isEmpty())
                    QVERIFY(manager.cancelRequest(std::exchange(id, QString())));
            });
    connect(&manager,
            QOverload<const MNetworkRequest &, const MNetworkReply &>::of(
                &MNetworkRequestManager::errorForRequest),
            this, [&](const MNetworkRequest &, const MNetworkReply &reply) {
                events << QStringLiteral("error %1").arg(reply.statusCode());
            });
    connect(&manager, &MNetworkRequestManager::replyFinishedForRequest, this,
            [&] { events << QStringLiteral("end"); });
    connect(&manager, &MNetworkRequestManager::requestCanceled, this,
            [&] { events << QStringLiteral("canceled"); });
    Spy allCanceled(&manager, &MNetworkRequestManager::allRequestsCanceled);
    id = manager.sendRequest(MNetworkRequest(url(path)));
    QVERIFY(QTest::qWaitFor([&] { return !events.isEmpty() && events.last() != "data"; }, 20000));
    // A turn more: nothing of the body follows its end.
    QCoreApplication::processEvents();

    QVERIFY2(largestPiece <= 1 << 20, qPrintable(QString::number(largestPiece)));
    if (cancelAtMiB) {
        QCOMPARE(events, (QStringList{QStringLiteral("data"), QStringLiteral("canceled")}));
        QVERIFY(received.size() < sent.size());
        QVERIFY(sent.startsWith(received));
        QCOMPARE(allCanceled.count(), 1);
        return;
    }
    const QStringList expected =
        status == 200 ? QStringList{"data", "end"} : QStringList{"data", "error 500", "end"};
    QCOMPARE(events, expected);
    QVERIFY(received == sent);
}

void TestNetworkRequestManager::redirects()
{
    MNetworkRequestManager manager;
    Spy data(&manager, &MNetworkRequestManager::dataArrivedForRequest);
    Spy finished(&manager, &MNetworkRequestManager::replyFinishedForRequest);
    const QString path = QStringLiteral("/api/v1/t/redirect");

    const QUrl elsewhere(QStringLiteral("http://127.0.0.1:9/elsewhere"));
    QVERIFY(server.forceStatus(path, 302, "<html>moved</html>", 1, QString(), "text/html",
                               {{"Location", elsewhere.toEncoded()}}));
    QTest::ignoreMessage(QtDebugMsg,
                         qPrintable(QStringLiteral("Redirect requested from QUrl(\"%1\") "
                                                   "to QUrl(\"%2\")")
                                        .arg(url(path).toString(), elsewhere.toString())));
    manager.sendRequest(MNetworkRequest(url(path)));
    QVERIFY(finished.wait(20000));
    QCOMPARE(data.count(), 0);
    QCOMPARE(finished.at(0).at(1).value<MNetworkReply>().statusCode(), 302);

    // A redirect to the request's own URL is ordinary data.
    QVERIFY(server.forceStatus(path, 302, "same place", 1, QString(), "text/plain",
                               {{"Location", url(path).toEncoded()}}));
    manager.sendRequest(MNetworkRequest(url(path)));
    QVERIFY(finished.wait(20000));
    QVERIFY(data.count() >= 1);
    QCOMPARE(data.at(0).at(1).toByteArray(), QByteArray("same place"));
}

// A request's fate is told once: either its failure is reported and it is dropped, or it
// waits for the connection without a word and its answer is the only one.
void TestNetworkRequestManager::networkFailuresAreReportedOrWaitForOnline()
{
    TolvoApp *app = TolvoApp::instance();
    MNetworkRequestManager reporting;
    Spy reported(&reporting, &MNetworkRequestManager::replyFinishedForRequest);
    Spy errors(&reporting, QOverload<const MNetworkRequest &, const MNetworkReply &>::of(
                               &MNetworkRequestManager::errorForRequest));
    const QString renamePath = QStringLiteral("/api/v1/t/rename");
    MNetworkRequestManager waiting;
    waiting.setResendAfterReconnection(true);
    Spy answered(&waiting, &MNetworkRequestManager::replyFinishedForRequest);
    Spy canceled(&waiting, &MNetworkRequestManager::requestCanceled);
    const QString path = QStringLiteral("/api/v1/t/offline");
    const QString dropped = QStringLiteral("/api/v1/t/offline-dropped");

    server.stop();
    MNetworkRequest rename(url(renamePath), MNetworkRequest::Post);
    rename.setBody("source=a&destination=b");
    reporting.sendRequest(rename);
    MNetworkRequest request(url(path));
    request.setUserInfo(QStringLiteral("kept"));
    const QString id = waiting.sendRequest(request);
    const QString droppedId = waiting.sendRequest(MNetworkRequest(url(dropped)));
    QVERIFY(reported.wait(20000));
    const MNetworkReply failure = reported.at(0).at(1).value<MNetworkReply>();
    QCOMPARE(failure.error(), QNetworkReply::ConnectionRefusedError);
    QCOMPARE(failure.statusCode(), 0);
    QCOMPARE(errors.count(), 0);
    // The waiting ones failed too, and nobody heard of it; one is given up.
    QTRY_COMPARE(app->connectivityStatus() == TolvoApp::Online, false);
    QCOMPARE(answered.count(), 0);
    QVERIFY(waiting.cancelRequest(droppedId));
    QCOMPARE(canceled.count(), 1);
    QCOMPARE(requestAt(canceled, 0).requestId(), droppedId);

    QVERIFY(server.restart());
    QVERIFY(server.forceStatus(path, 200, "{}"));
    // Not reachable yet, or reachable but not serving: nothing is sent again.
    app->setConnectivityStatus(TolvoApp::HostUnreachable);
    app->setConnectivityStatus(TolvoApp::ServiceUnavailable);
    app->setConnectivityStatus(TolvoApp::Offline);
    QCoreApplication::processEvents();
    QCOMPARE(answered.count(), 0);

    app->setConnectivityStatus(TolvoApp::Online);
    QVERIFY(answered.wait(20000));
    const MNetworkRequest resent = requestAt(answered, 0);
    QCOMPARE(resent.requestId(), id);
    QCOMPARE(resent.userInfo().toString(), QStringLiteral("kept"));
    QCOMPARE(answered.at(0).at(1).value<MNetworkReply>().statusCode(), 200);

    // Once answered it is gone from the queue: another return online sends nothing. The
    // reported failure never reaches the service, nor does the given-up request.
    app->setConnectivityStatus(TolvoApp::ServiceUnavailable);
    app->setConnectivityStatus(TolvoApp::Online);
    QCoreApplication::processEvents();
    QVERIFY(!waiting.cancelRequest(id));
    QCOMPARE(logged(path).size(), 1);
    QCOMPARE(answered.count(), 1);
    QCOMPARE(logged(renamePath).size(), 0);
    QCOMPARE(logged(dropped).size(), 0);
    QCOMPARE(reported.count(), 1);
}

// A request the service never answers fails after the stall timeout as a dropped connection
// does; one answered in time is not touched. An answer that trickles in is never silent: a
// request with a deadline for its whole answer fails at the deadline, one without is read to
// its end.
void TestNetworkRequestManager::silentRequestsStall()
{
    {
        MNetworkRequestManager manager;
        Spy finished(&manager, &MNetworkRequestManager::replyFinishedForRequest);
        Spy arrived(&manager, &MNetworkRequestManager::dataArrivedForRequest);
        const QString base = QStringLiteral("/api/v1");
        QVERIFY(server.drip(base, 200, 2));
        MNetworkRequest bounded(url(base));
        bounded.setAnswerDeadline(400);
        const QString boundedId = manager.sendRequest(bounded);
        const QString patientId = manager.sendRequest(MNetworkRequest(url(base)));
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, 20000);
        QHash<QString, MNetworkReply> replies;
        for (int i = 0; i < finished.count(); ++i)
            replies.insert(requestAt(finished, i).requestId(),
                           finished.at(i).at(1).value<MNetworkReply>());
        QCOMPARE(replies.value(boundedId).error(), QNetworkReply::TimeoutError);
        // Its head said 200, but no answer came whole.
        QCOMPARE(replies.value(boundedId).statusCode(), 0);
        QCOMPARE(replies.value(patientId).error(), QNetworkReply::NoError);
        QCOMPARE(replies.value(patientId).statusCode(), 200);
        QByteArray body;
        for (int i = 0; i < arrived.count(); ++i) {
            if (requestAt(arrived, i).requestId() == patientId)
                body += arrived.at(i).at(1).toByteArray();
        }
        QCOMPARE(QJsonDocument::fromJson(body).object().value("status").toString(),
                 QStringLiteral("ok"));
    }

    QCOMPARE(MNetworkRequestManager().stallTimeout(), 60000);
    MNetworkRequestManager manager;
    Spy finished(&manager, &MNetworkRequestManager::replyFinishedForRequest);
    Spy canceled(&manager, &MNetworkRequestManager::requestCanceled);
    Spy allCanceled(&manager, &MNetworkRequestManager::allRequestsCanceled);
    const QString hung = QStringLiteral("/api/v1/t/hung");
    // The service's base answers unsigned requests.
    const QString slow = QStringLiteral("/api/v1");
    QVERIFY(server.hang(hung));
    QVERIFY(server.delay(slow, 3000));

    // A request keeps the stall timeout it was sent under. The slow one is silent ten times as
    // long as the hung one may be, under a timeout twenty times longer than that: it is
    // answered and the hung one ends, however the two are scheduled.
    const QString slowId = manager.sendRequest(MNetworkRequest(url(slow)));
    manager.setStallTimeout(300);
    const QString hungId = manager.sendRequest(MNetworkRequest(url(hung)));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, 30000);
    QHash<QString, MNetworkReply> replies;
    for (int i = 0; i < finished.count(); ++i)
        replies.insert(requestAt(finished, i).requestId(),
                       finished.at(i).at(1).value<MNetworkReply>());
    QCOMPARE(replies.value(hungId).error(), QNetworkReply::TimeoutError);
    QCOMPARE(replies.value(hungId).statusCode(), 0);
    QCOMPARE(replies.value(slowId).statusCode(), 200);
    QCOMPARE(canceled.count() + allCanceled.count(), 0);
    QVERIFY(!manager.cancelRequest(hungId));
}

// Nothing but a probe moves the status away from online, so a failure must ask for one;
// otherwise the failed request would wait for good and the interface never hear of it.
void TestNetworkRequestManager::networkFailureWhileOnlineProbesAgain()
{
    TolvoApp *app = TolvoApp::instance();
    MNetworkRequestManager manager;
    manager.setResendAfterReconnection(true);
    Spy finished(&manager, &MNetworkRequestManager::replyFinishedForRequest);
    QSignalSpy statuses(app, &TolvoApp::connectivityStatusChanged);
    const QString path = QStringLiteral("/api/v1/t/probe-after-failure");

    server.stop();
    manager.sendRequest(MNetworkRequest(url(path)));
    QTRY_VERIFY_WITH_TIMEOUT(app->connectivityStatus() != TolvoApp::Online, 15000);
    QCOMPARE(finished.count(), 0);

    QVERIFY(server.restart());
    QVERIFY(server.forceStatus(path, 200, "{}"));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
    QCOMPARE(app->connectivityStatus(), TolvoApp::Online);
    QCOMPARE(finished.at(0).at(1).value<MNetworkReply>().statusCode(), 200);
    QVERIFY(statuses.count() >= 2);
}

void TestNetworkRequestManager::resentRequestCanBeCanceled()
{
    MNetworkRequestManager manager;
    manager.setResendAfterReconnection(true);
    manager.setStallTimeout(300);
    Spy finished(&manager, &MNetworkRequestManager::replyFinishedForRequest);
    Spy canceled(&manager, &MNetworkRequestManager::requestCanceled);
    Spy allCanceled(&manager, &MNetworkRequestManager::allRequestsCanceled);
    const QString path = QStringLiteral("/api/v1/t/stalled");

    // The first attempt goes silent and waits; the probe that follows finds the service and
    // sends it again, to hang for good this time.
    QVERIFY(server.hang(path, 2));
    const QString id = manager.sendRequest(MNetworkRequest(url(path)));
    manager.setStallTimeout(0);
    QTRY_COMPARE_WITH_TIMEOUT(logged(path).size(), 2, 15000);
    QVERIFY(manager.cancelRequest(id));
    QVERIFY(canceled.count() == 1 || canceled.wait());
    QCOMPARE(requestAt(canceled, 0).requestId(), id);
    QVERIFY(allCanceled.count() == 1 || allCanceled.wait());
    QCOMPARE(finished.count(), 0);
}

// The connection closes after the service carried the request out, before the answer. Qt's
// HTTP layer sends such a request again on its own; one that changes something must go out
// once and fail as a dropped connection, with or without held requests. A read may go again.
void TestNetworkRequestManager::requestsThatChangeSomethingGoOutOnce()
{
    TolvoApp *app = TolvoApp::instance();
    const QString email = QStringLiteral("once@example.com");
    const QString password = QStringLiteral("once-secret");
    QVERIFY(!server.createUser(email, password).isEmpty());
    const QString apiKey =
        server.signInOverHttp(email, password, "tst", TestData::clientCredential).apiKey;
    QVERIFY(!apiKey.isEmpty());
    const auto issuedTokens = [&] {
        return server.tokens().value(email).toObject().value("access_tokens").toArray().size();
    };
    int tokens = issuedTokens();
    const QString tokenPath = QStringLiteral("/oauth/token.json");
    const QByteArray tokenForm =
        "grant_type=password&client_id=" + TestData::clientCredential.toUtf8() +
        "&client_secret=" + TestData::clientCredential.toUtf8() + "&auth_token=" + apiKey.toUtf8();

    MNetworkRequestManager reporting;
    MNetworkRequestManager waiting;
    waiting.setResendAfterReconnection(true);
    for (MNetworkRequestManager *manager : {&reporting, &waiting}) {
        QVERIFY(server.clearRequests());
        Spy finished(manager, &MNetworkRequestManager::replyFinishedForRequest);

        // A token is issued, and its answer lost.
        QVERIFY(server.dropAfterHandling(tokenPath));
        MNetworkRequest issue(url(tokenPath), MNetworkRequest::Post);
        issue.setBody(tokenForm);
        manager->sendRequest(issue);
        // Unsigned, so refused, and the answer lost.
        const QString putPath = QStringLiteral("/api/v1/t/put-once");
        const QString deletePath = QStringLiteral("/api/v1/t/delete-once");
        QVERIFY(server.dropAfterHandling(putPath));
        QVERIFY(server.dropAfterHandling(deletePath));
        MNetworkRequest put(url(putPath), MNetworkRequest::Put);
        put.setBody("content");
        manager->sendRequest(put);
        manager->sendRequest(MNetworkRequest(url(deletePath), MNetworkRequest::Delete));

        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 3, 15000);
        for (const QList<QVariant> &arguments : qAsConst(finished)) {
            const MNetworkReply failure = arguments.at(1).value<MNetworkReply>();
            QCOMPARE(failure.error(), QNetworkReply::RemoteHostClosedError);
            QCOMPARE(failure.statusCode(), 0);
        }
        // Back online, nothing is sent again either.
        app->setConnectivityStatus(TolvoApp::ServiceUnavailable);
        app->setConnectivityStatus(TolvoApp::Online);
        QCoreApplication::processEvents();
        QCOMPARE(issuedTokens(), ++tokens);
        QCOMPARE(logged(tokenPath).size(), 1);
        QCOMPARE(logged(putPath).size(), 1);
        QCOMPARE(logged(deletePath).size(), 1);
        QCOMPARE(finished.count(), 3);
    }

    // A read that lost its answer is asked again.
    MNetworkRequestManager reading;
    Spy read(&reading, &MNetworkRequestManager::replyFinishedForRequest);
    const QString readPath = QStringLiteral("/api/v1");
    QVERIFY(server.clearRequests());
    QVERIFY(server.dropAfterHandling(readPath));
    reading.sendRequest(MNetworkRequest(url(readPath)));
    QVERIFY(read.wait());
    QCOMPARE(read.at(0).at(1).value<MNetworkReply>().statusCode(), 200);
    QCOMPARE(logged(readPath).size(), 2);
}

QList<int> TestNetworkRequestManager::lowDelayOfConnectionsToServer() const
{
    QList<int> settings;
    const QDir descriptors(QStringLiteral("/proc/self/fd"));
    for (const QString &name : descriptors.entryList(QDir::NoDotAndDotDot | QDir::System)) {
        const int fd = name.toInt();
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        if (::getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &length) != 0 ||
            peer.sin_family != AF_INET || ntohs(peer.sin_port) != server.port())
            continue;
        int value = -1;
        socklen_t size = sizeof value;
        if (::getsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &value, &size) == 0)
            settings << value;
    }
    return settings;
}

void TestNetworkRequestManager::connectionsSendWithoutDelay()
{
    // A connection made without Qt keeps the kernel's default, so the check below can tell.
    const int plain = ::socket(AF_INET, SOCK_STREAM, 0);
    QVERIFY(plain >= 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(quint16(server.port()));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QCOMPARE(::connect(plain, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    QVERIFY(lowDelayOfConnectionsToServer().contains(0));
    ::close(plain);

    // Small bodies on several connections at once, through the thread Qt keeps them on.
    MNetworkRequestManager manager;
    Spy finished(&manager, &MNetworkRequestManager::replyFinishedForRequest);
    const QString path = QStringLiteral("/api/v1/t/small");
    const int requests = 8;
    QVERIFY(server.forceStatus(path, 200, "{}", requests));
    for (int i = 0; i < requests; ++i) {
        MNetworkRequest post(url(path), MNetworkRequest::Post);
        post.setBody(QByteArray(100, 'x'));
        manager.sendRequest(post);
    }
    while (finished.count() < requests)
        QVERIFY(finished.wait(20000));

    const QList<int> settings = lowDelayOfConnectionsToServer();
    QVERIFY2(!settings.isEmpty(), "no connection to kerlo-local left open");
    for (const int lowDelay : settings)
        QVERIFY(lowDelay != 0);
}

QTEST_GUILESS_MAIN(TestNetworkRequestManager)
#include "tst_networkrequestmanager.moc"

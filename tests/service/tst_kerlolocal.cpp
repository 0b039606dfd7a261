#include "kerlolocal.h"
#include "testcertificates.h"
#include "testdata.h"

#include <QFileInfo>
#include <QHostAddress>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Reply
{
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    int status = 0; // 0: no HTTP response at all
    QByteArray body;
    QMap<QByteArray, QByteArray> headers; // lower-case names
    QList<QSslError> sslErrors;
    bool finished = false;
};

// Sends one request and waits for its end. transferTimeoutMs > 0 makes Qt give up on a
// silent server.
Reply send(QNetworkAccessManager &manager, QNetworkRequest request,
           const QByteArray &method = "GET", const QByteArray &body = QByteArray(),
           int transferTimeoutMs = 0)
{
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    if (transferTimeoutMs > 0)
        request.setTransferTimeout(transferTimeoutMs);
    if (!body.isEmpty() && request.header(QNetworkRequest::ContentTypeHeader).isNull())
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/octet-stream");

    std::unique_ptr<QNetworkReply> reply(manager.sendCustomRequest(request, method, body));
    Reply result;
    QObject::connect(reply.get(), &QNetworkReply::sslErrors,
                     [&result](const QList<QSslError> &errors) { result.sslErrors = errors; });
    QSignalSpy finished(reply.get(), &QNetworkReply::finished);
    result.finished = finished.wait(30000);
    result.error = reply->error();
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->isOpen())
        result.body = reply->readAll();
    for (const QNetworkReply::RawHeaderPair &header : reply->rawHeaderPairs())
        result.headers.insert(header.first.toLower(), header.second);
    return result;
}

Reply get(QNetworkAccessManager &manager, const QUrl &url, int transferTimeoutMs = 0)
{
    return send(manager, QNetworkRequest(url), "GET", QByteArray(), transferTimeoutMs);
}

QUrl urlFor(const KerloLocal &server, const QByteArray &encodedPathAndQuery)
{
    return QUrl::fromEncoded(server.baseUrl().toEncoded() + encodedPathAndQuery);
}

} // namespace

class TestKerloLocal : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void probeAndUnknownPaths();
    void controlApiNeedsItsFlag();
    void forcedStatusCountsDown();
    void faultMatchingAndOrder();
    void forcedRedirect();
    void delay();
    void hangAndStopPromptly();
    void drop();
    void requestLog();
    void streamedBytes();
    void restartKeepsPortAndData();
    void tls();

private:
    KerloLocal server;
    std::unique_ptr<QNetworkAccessManager> manager;
};

void TestKerloLocal::initTestCase()
{
    QVERIFY(server.start());
}

void TestKerloLocal::init()
{
    QVERIFY(server.reset());
    // A fresh manager per test: no keep-alive connection outlives a test's faults.
    manager.reset(new QNetworkAccessManager);
}

void TestKerloLocal::cleanup()
{
    manager.reset();
}

void TestKerloLocal::probeAndUnknownPaths()
{
    for (const QByteArray &path : {QByteArray("/api/v1"), QByteArray("/api/v1/")}) {
        const Reply probe = get(*manager, urlFor(server, path));
        QCOMPARE(probe.status, 200);
        QVERIFY(QJsonDocument::fromJson(probe.body).isObject());
    }

    const Reply unknown = get(*manager, urlFor(server, "/no/such/route"));
    QCOMPARE(unknown.status, 404);
    QCOMPARE(QJsonDocument::fromJson(unknown.body).object().value("errors").toArray(),
             QJsonArray{"Not found"});

    // The probe is a GET; other methods on it are unknown routes.
    QCOMPARE(send(*manager, QNetworkRequest(server.apiUrl()), "POST", "{}").status, 404);
}

void TestKerloLocal::controlApiNeedsItsFlag()
{
    KerloLocal plain;
    KerloLocal::Options options;
    options.controlApi = false;
    QVERIFY(plain.start(options));

    QCOMPARE(plain.control("GET", "/requests"), 404);
    QCOMPARE(plain.control("POST", "/fault",
                           {{"path", "/api/v1"}, {"action", "status"}, {"status", 500}}),
             404);
    QCOMPARE(get(*manager, plain.apiUrl()).status, 200);
}

void TestKerloLocal::forcedStatusCountsDown()
{
    const QByteArray maintenance = R"({"errors":["maintenance"]})";
    QVERIFY(server.forceStatus("/api/v1", 503, maintenance, 2));
    for (int i = 0; i < 2; ++i) {
        const Reply reply = get(*manager, server.apiUrl());
        QCOMPARE(reply.status, 503);
        QCOMPARE(reply.body, maintenance);
        QCOMPARE(reply.headers.value("content-type"), QByteArray("application/json"));
    }
    QCOMPARE(get(*manager, server.apiUrl()).status, 200);

    // Any path can be made to answer, routed or not.
    QVERIFY(server.forceStatus("/nowhere", 200, "<html>down</html>", 1, QString(), "text/html"));
    const Reply page = get(*manager, urlFor(server, "/nowhere"));
    QCOMPARE(page.status, 200);
    QCOMPARE(page.body, QByteArray("<html>down</html>"));
    QCOMPARE(page.headers.value("content-type"), QByteArray("text/html"));
    QCOMPARE(get(*manager, urlFor(server, "/nowhere")).status, 404);
}

void TestKerloLocal::faultMatchingAndOrder()
{
    QVERIFY(server.forceStatus("/api/v1", 500, {}, 1, "POST"));
    QCOMPARE(get(*manager, server.apiUrl()).status, 200);
    QCOMPARE(send(*manager, QNetworkRequest(server.apiUrl()), "POST", "{}").status, 500);
    QCOMPARE(send(*manager, QNetworkRequest(server.apiUrl()), "POST", "{}").status, 404);

    // The first fault added wins until it is used up; -1 never is.
    QVERIFY(server.forceStatus("/api/v1", 501, {}, 1));
    QVERIFY(server.forceStatus("/api/v1", 502, {}, -1));
    QCOMPARE(get(*manager, server.apiUrl()).status, 501);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(get(*manager, server.apiUrl()).status, 502);
    QVERIFY(server.reset());
    QCOMPARE(get(*manager, server.apiUrl()).status, 200);

    // Paths match decoded and exactly.
    QVERIFY(server.forceStatus("/api/v1/a b", 409));
    QCOMPARE(get(*manager, urlFor(server, "/api/v1/a%20b/")).status, 401);
    QCOMPARE(get(*manager, urlFor(server, "/api/v1/a%20b")).status, 409);

    // A malformed fault is refused, not half-installed.
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("refused a fault"));
    QVERIFY(!server.addFault({{"path", "/api/v1"}, {"action", "explode"}}));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("refused a fault"));
    QVERIFY(!server.addFault({{"path", "/api/v1"}, {"action", "status"}, {"count", 0}}));
    QCOMPARE(get(*manager, server.apiUrl()).status, 200);
}

void TestKerloLocal::forcedRedirect()
{
    const QByteArray elsewhere = "http://127.0.0.1:1/elsewhere";
    QVERIFY(server.forceStatus("/api/v1", 302, {}, 1, {}, "text/html", {{"Location", elsewhere}}));
    const Reply reply = get(*manager, server.apiUrl());
    QCOMPARE(reply.status, 302);
    QCOMPARE(reply.headers.value("location"), elsewhere);
}

void TestKerloLocal::delay()
{
    // Handled normally once the delay is over.
    QVERIFY(server.delay("/api/v1", 100));
    const Reply delayed = get(*manager, server.apiUrl());
    QCOMPARE(delayed.status, 200);
    QCOMPARE(delayed.body, get(*manager, server.apiUrl()).body);

    // And really held back: a client that gives up early sees no reply.
    QVERIFY(server.delay("/api/v1", 60000));
    const Reply impatient = get(*manager, server.apiUrl(), 200);
    QCOMPARE(impatient.error, QNetworkReply::OperationCanceledError);
    QCOMPARE(impatient.status, 0);
}

void TestKerloLocal::hangAndStopPromptly()
{
    KerloLocal hanging;
    QVERIFY(hanging.start());
    QVERIFY(hanging.hang("/api/v1", 2));

    const Reply abandoned = get(*manager, hanging.apiUrl(), 200);
    QCOMPARE(abandoned.error, QNetworkReply::OperationCanceledError);
    QCOMPARE(abandoned.status, 0);

    // A hung request is logged like any other. Sent on a plain socket: a network access
    // manager reconnects after the close below, and by then another suite's server may have
    // been given the port.
    QTcpSocket pending;
    pending.connectToHost(QHostAddress::LocalHost, quint16(hanging.port()));
    QVERIFY(pending.waitForConnected(10000));
    pending.write("GET /api/v1 HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Probe: hung\r\n\r\n");
    QTRY_COMPARE(hanging.requests().size(), 2);
    QCOMPARE(hanging.requests().at(1).toObject().value("headers").toObject().value("x-probe"),
             QJsonValue("hung"));

    // Hung handlers do not hold up a stop, and the waiting client gets no reply.
    hanging.stop();
    QVERIFY(hanging.exitedCleanly());
    QTRY_COMPARE_WITH_TIMEOUT(pending.state(), QAbstractSocket::UnconnectedState, 10000);
    QCOMPARE(pending.readAll(), QByteArray());
}

void TestKerloLocal::drop()
{
    // Qt re-sends a request whose connection closes before any reply, so drop every attempt.
    QVERIFY(server.drop("/api/v1", -1, "GET"));
    const Reply dropped = get(*manager, server.apiUrl());
    QVERIFY(dropped.finished);
    QCOMPARE(dropped.error, QNetworkReply::RemoteHostClosedError);
    QCOMPARE(dropped.status, 0);
    QVERIFY(dropped.body.isEmpty());
    QVERIFY(!server.requests().isEmpty());

    QVERIFY(server.reset());
    QCOMPARE(get(*manager, server.apiUrl()).status, 200);

    // After handling: the request is carried out (a token issued), and the connection closes
    // without its answer. Sent on a plain socket, which does not send it again.
    QVERIFY(!server.addFault({{"path", "/api/v1"}, {"action", "delay"}, {"afterHandling", true}}));
    const QString email = QStringLiteral("dropped-after@example.org");
    QVERIFY(!server.createUser(email, "pw").isEmpty());
    const QString apiKey =
        server.signInOverHttp(email, "pw", "tst", TestData::clientCredential).apiKey;
    QVERIFY(!apiKey.isEmpty());
    const auto issued = [&] {
        return server.tokens().value(email).toObject().value("access_tokens").toArray().size();
    };
    const int before = issued();
    QVERIFY(server.clearRequests());
    QVERIFY(server.dropAfterHandling("/oauth/token.json"));
    const QByteArray form = "grant_type=password&client_id=" + TestData::clientCredential.toUtf8() +
                            "&client_secret=" + TestData::clientCredential.toUtf8() +
                            "&auth_token=" + apiKey.toUtf8();
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, quint16(server.port()));
    QVERIFY(socket.waitForConnected(10000));
    socket.write("POST /oauth/token.json HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                 "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                 QByteArray::number(form.size()) + "\r\n\r\n" + form);
    QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QAbstractSocket::UnconnectedState, 10000);
    QCOMPARE(socket.readAll(), QByteArray());
    QCOMPARE(issued(), before + 1);
    QCOMPARE(server.requestsTo("/oauth/token.json").size(), 1);

    // An answer replaced after handling: the token is issued, and the client gets the forced
    // answer instead of it.
    QVERIFY(server.replaceAnswer("/oauth/token.json", 200, "not JSON"));
    const KerloLocal::Tokens replaced =
        server.signInOverHttp(email, "pw", "tst", TestData::clientCredential);
    QVERIFY(!replaced.apiKey.isEmpty());
    QVERIFY(replaced.accessToken.isEmpty());
    QCOMPARE(issued(), before + 2);
}

void TestKerloLocal::requestLog()
{
    QNetworkRequest upload(urlFor(server, "/api/v1/files/a%20b%25.txt?b=2&a=%2B1"));
    upload.setHeader(QNetworkRequest::ContentTypeHeader, "text/plain; charset=utf-8");
    upload.setRawHeader("M-Auth-Token", "key-123");
    // Refused for want of a signature, and logged all the same.
    QCOMPARE(send(*manager, upload, "PUT", "h\xc3\xa9llo").status, 401);
    const QByteArray binary("\x00\x01\xfe\xff", 4);
    QCOMPARE(send(*manager, QNetworkRequest(server.apiUrl()), "POST", binary).status, 404);
    QCOMPARE(server.control("GET", "/requests"), 200);

    // Control calls stay out of the log.
    const QJsonArray requests = server.requests();
    QCOMPARE(requests.size(), 2);

    const QJsonObject put = requests.at(0).toObject();
    QCOMPARE(put.value("method").toString(), QString("PUT"));
    QCOMPARE(put.value("path").toString(), QString("/api/v1/files/a b%.txt"));
    QCOMPARE(put.value("query").toString(), QString("b=2&a=%2B1"));
    const QJsonObject headers = put.value("headers").toObject();
    QCOMPARE(headers.value("m-auth-token").toString(), QString("key-123"));
    QCOMPARE(headers.value("content-type").toString(), QString("text/plain; charset=utf-8"));
    QCOMPARE(headers.value("host").toString(), QString("127.0.0.1:%1").arg(server.port()));
    QVERIFY(!headers.contains("remote_addr"));
    QCOMPARE(put.value("body").toString(), QString::fromUtf8("h\xc3\xa9llo"));

    const QJsonObject post = requests.at(1).toObject();
    QCOMPARE(post.value("method").toString(), QString("POST"));
    QCOMPARE(post.value("query").toString(), QString());
    QCOMPARE(QByteArray::fromBase64(post.value("bodyBase64").toString().toLatin1()), binary);
    QCOMPARE(post.value("bodyDropped").toBool(), false);

    QVERIFY(server.clearRequests());
    QVERIFY(server.requests().isEmpty());

    // Bodies of many megabytes: the log lets the oldest bodies go.
    QByteArray large(6 * 1024 * 1024, 'x');
    for (char tag = 'a'; tag < 'a' + 8; ++tag) {
        large[0] = tag;
        QCOMPARE(send(*manager, QNetworkRequest(server.apiUrl()), "POST", large).status, 404);
    }
    const QJsonArray bulky = server.requests();
    QCOMPARE(bulky.size(), 8);
    const QJsonObject oldest = bulky.first().toObject();
    QCOMPARE(oldest.value("bodyDropped").toBool(), true);
    QCOMPARE(oldest.value("bodyBase64").toString(), QString());
    const QJsonObject newest = bulky.last().toObject();
    QCOMPARE(newest.value("bodyDropped").toBool(), false);
    QCOMPARE(QByteArray::fromBase64(newest.value("bodyBase64").toString().toLatin1()), large);

    // Nor does it keep every entry: the newest 2048 stay, and the bodies let go with the
    // oldest entries make room for new ones (a large one here, with a small one kept).
    const int kept = 2048;
    for (int i = 1; i <= kept - 2; ++i) {
        const QUrl url = urlFor(server, "/api/v1?n=" + QByteArray::number(i));
        QCOMPARE(get(*manager, url).status, 200);
    }
    QCOMPARE(send(*manager, QNetworkRequest(server.apiUrl()), "POST", "small").status, 404);
    QCOMPARE(send(*manager, QNetworkRequest(server.apiUrl()), "POST", large).status, 404);
    const QJsonArray newestOnly = server.requests();
    QCOMPARE(newestOnly.size(), kept);
    QCOMPARE(newestOnly.first().toObject().value("query").toString(), QString("n=1"));
    const QJsonObject small = newestOnly.at(kept - 2).toObject();
    QCOMPARE(small.value("bodyDropped").toBool(), false);
    QCOMPARE(small.value("body").toString(), QString("small"));
    QCOMPARE(newestOnly.last().toObject().value("bodyDropped").toBool(), false);
    QVERIFY(server.clearRequests());
}

void TestKerloLocal::streamedBytes()
{
    const int size = 3 * 65536 + 7;
    const Reply bytes =
        get(*manager, urlFor(server, "/__control/bytes?size=" + QByteArray::number(size)));
    QCOMPARE(bytes.status, 200);
    QCOMPARE(bytes.headers.value("content-length"), QByteArray::number(size));
    QCOMPARE(bytes.body.size(), size);
    for (int i = 0; i < size; ++i) {
        if (quint8(bytes.body.at(i)) != i % 251)
            QFAIL(qPrintable(QString("byte %1 differs").arg(i)));
    }

    QCOMPARE(get(*manager, urlFor(server, "/__control/bytes?size=0")).body, QByteArray());
    QCOMPARE(get(*manager, urlFor(server, "/__control/bytes?size=-1")).status, 400);
    QCOMPARE(get(*manager, urlFor(server, "/__control/bytes")).status, 400);
}

void TestKerloLocal::restartKeepsPortAndData()
{
    KerloLocal restarted;
    QVERIFY(restarted.start());
    const int port = restarted.port();
    const QString dataPath = restarted.dataPath();
    QCOMPARE(get(*manager, restarted.apiUrl()).status, 200);

    QVERIFY(restarted.restart());
    QVERIFY(restarted.exitedCleanly());
    QCOMPARE(restarted.port(), port);
    QCOMPARE(restarted.dataPath(), dataPath);
    QVERIFY(QFileInfo(dataPath).isDir());
    QCOMPARE(get(*manager, restarted.apiUrl()).status, 200);

    // Once stopped, the port refuses connections.
    restarted.stop();
    QCOMPARE(get(*manager, restarted.apiUrl()).error, QNetworkReply::ConnectionRefusedError);
}

void TestKerloLocal::tls()
{
    QTemporaryDir serverCa;
    QTemporaryDir otherCa;
    const TestCertificates certificates = TestCertificates::generate(serverCa.path());
    const TestCertificates unrelated = TestCertificates::generate(otherCa.path());
    QVERIFY(certificates.isValid());
    QVERIFY(unrelated.isValid());

    KerloLocal secure;
    KerloLocal::Options options;
    options.certificatePath = certificates.certificatePath;
    options.keyPath = certificates.keyPath;
    QVERIFY(secure.start(options));
    QCOMPARE(secure.baseUrl().scheme(), QString("https"));

    const auto requestTrusting = [&secure](const QString &caPath) {
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setCaCertificates(QSslCertificate::fromPath(caPath));
        QNetworkRequest request(secure.apiUrl());
        request.setSslConfiguration(configuration);
        return request;
    };

    QNetworkAccessManager trusting;
    const Reply ok = send(trusting, requestTrusting(certificates.caCertificatePath));
    QCOMPARE(ok.status, 200);
    QVERIFY(ok.sslErrors.isEmpty());

    // The control API works over TLS as well.
    QVERIFY(secure.forceStatus("/api/v1", 503));
    QCOMPARE(send(trusting, requestTrusting(certificates.caCertificatePath)).status, 503);

    QNetworkAccessManager distrusting;
    const Reply refused = send(distrusting, requestTrusting(unrelated.caCertificatePath));
    QCOMPARE(refused.error, QNetworkReply::SslHandshakeFailedError);
    QCOMPARE(refused.status, 0);
    QVERIFY(!refused.sslErrors.isEmpty());
}

QTEST_GUILESS_MAIN(TestKerloLocal)
#include "tst_kerlolocal.moc"

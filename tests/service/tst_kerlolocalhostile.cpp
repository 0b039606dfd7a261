#include "kerlolocal.h"
#include "testimages.h"

#include <QDir>
#include <QHostAddress>
#include <QImage>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <dirent.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

const QString password = QStringLiteral("hostile-pw");
const QString clientCredential = QStringLiteral("0123456789abcdef").repeated(4);
const std::string userAgent = "os: Debian GNU/Linux 12 (bookworm); name: hostile-test; uuid: "
                              "00112233445566778899aabbccddeeff;";

struct RawReply
{
    int status = 0;                       // 0: no HTTP response
    QMap<QByteArray, QByteArray> headers; // lower-case names
    QByteArray body;
    // const: lookups then give values, never references
    const QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
};

// One request written as it stands (the caller chooses every header, Host included) on a
// connection of its own, read until the server closes it.
RawReply exchange(int port, const QByteArray &request)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, quint16(port));
    if (!socket.waitForConnected(30000))
        return {};
    socket.write(request);
    QByteArray received;
    while (socket.waitForReadyRead(30000))
        received += socket.readAll();
    received += socket.readAll();

    RawReply reply;
    const int headerEnd = received.indexOf("\r\n\r\n");
    if (!received.startsWith("HTTP/1.1 ") || headerEnd < 0)
        return reply;
    const QList<QByteArray> lines = received.left(headerEnd).split('\n');
    reply.status = lines.first().mid(9, 3).toInt();
    for (const QByteArray &line : lines.mid(1)) {
        const int colon = line.indexOf(':');
        reply.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
    }
    reply.body = received.mid(headerEnd + 4);
    return reply;
}

QByteArray percentEncoded(const QString &path)
{
    return QUrl::toPercentEncoding(path, "/");
}

// Sets the soft stack limit of this process, which a child started afterwards inherits.
void setStackLimit(rlim_t bytes, rlim_t *previous)
{
    rlimit limit{};
    getrlimit(RLIMIT_STACK, &limit);
    *previous = limit.rlim_cur;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_STACK, &limit);
}

// The server's end of the loopback connection from clientPort to serverPort, duplicated into
// this process; -1 when the kernel does not allow it.
int serverSocketOf(int serverPort, int clientPort)
{
    FILE *table = std::fopen("/proc/net/tcp", "r");
    if (!table)
        return -1;
    char line[512];
    unsigned long inode = 0;
    while (std::fgets(line, sizeof(line), table)) {
        unsigned localPort = 0;
        unsigned remotePort = 0;
        unsigned long lineInode = 0;
        if (std::sscanf(line, " %*d: %*8X:%X %*8X:%X %*X %*X:%*X %*X:%*X %*X %*u %*u %lu",
                        &localPort, &remotePort, &lineInode) == 3 &&
            int(localPort) == serverPort && int(remotePort) == clientPort)
            inode = lineInode;
    }
    std::fclose(table);
    if (inode == 0)
        return -1;
    const QByteArray wanted = "socket:[" + QByteArray::number(qulonglong(inode)) + "]";
    const QDir proc(QStringLiteral("/proc"));
    for (const QString &pid : proc.entryList(QDir::Dirs)) {
        if (pid.toInt() <= 0)
            continue;
        const QDir fds(proc.filePath(pid + QStringLiteral("/fd")));
        for (const QString &fd : fds.entryList(QDir::Files | QDir::System)) {
            char target[64] = {};
            if (readlink(QFile::encodeName(fds.filePath(fd)).constData(), target,
                         sizeof(target) - 1) <= 0 ||
                wanted != target)
                continue;
            const int process = int(syscall(SYS_pidfd_open, pid.toInt(), 0));
            if (process < 0)
                return -1;
            const int duplicate = int(syscall(SYS_pidfd_getfd, process, fd.toInt(), 0));
            close(process);
            return duplicate;
        }
    }
    return -1;
}

} // namespace

// Requests no client of ours sends: over-long paths and names, broken Range headers, forged
// Host headers, oversized images, and slow or stuck connections.
class TestKerloLocalHostile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void longPathsAreRefusedWithoutHarm();
    void longNamesAndPaths();
    void malformedRangeIsIgnored();
    void urlsUseTheServersOwnAddress();
    void hugeImagesAreRefusedUndecoded();
    void slowAndHungConnectionsDoNotStarveOthers();
    void repliesAreNotDelayedByNagle();

private:
    QByteArray request(const QByteArray &method, const QByteArray &target,
                       const QByteArray &extraHeaders = QByteArray(),
                       const QByteArray &body = QByteArray()) const;

    KerloLocal server;
    KerloLocal::Tokens tokens;
    const QString email = QStringLiteral("hostile@kerlo.local");
};

void TestKerloLocalHostile::initTestCase()
{
    // Worker stacks as small as some systems give them: recursion per byte of a request
    // shows at a few thousand bytes.
    rlim_t previous = 0;
    setStackLimit(2 * 1024 * 1024, &previous);
    const bool started = server.start();
    setStackLimit(previous, &previous);
    QVERIFY(started);
    QVERIFY(!server.createUser(email, password).isEmpty());
    tokens = server.signInOverHttp(email, password, userAgent, clientCredential);
    QVERIFY(!tokens.accessToken.isEmpty());
}

void TestKerloLocalHostile::cleanupTestCase()
{
    server.stop();
    QVERIFY(server.exitedCleanly());
}

QByteArray TestKerloLocalHostile::request(const QByteArray &method, const QByteArray &target,
                                          const QByteArray &extraHeaders,
                                          const QByteArray &body) const
{
    return method + ' ' + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n" +
           "Authorization: Bearer " + tokens.accessToken.toUtf8() + "\r\n" +
           "M-Auth-Token: " + tokens.apiKey.toUtf8() +
           "\r\nUser-Agent: " + QByteArray::fromStdString(userAgent) + "\r\n" + extraHeaders +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

void TestKerloLocalHostile::longPathsAreRefusedWithoutHarm()
{
    const QByteArray long8000(8000, 'a');
    QCOMPARE(exchange(server.port(), request("GET", "/" + long8000)).status, 414);
    QCOMPARE(exchange(server.port(), request("GET", "/api/v1/objects/list/" + long8000)).status,
             414);
    // A query counts as much: a poll naming too many conversations is refused whole.
    QByteArray items = "last_conversation_id=1";
    while (items.size() <= 6144)
        items += "&" + QByteArray::number(items.size()) + "=1700000000";
    QCOMPARE(exchange(server.port(), request("GET", "/api/v1/conversations/notifications?" + items))
                 .status,
             414);
    // Within the request limit, past the object path one.
    QCOMPARE(
        exchange(server.port(), request("GET", "/api/v1/objects/metadata/" + QByteArray(5000, 'b')))
            .status,
        400);
    // A long Range header is parsed by the HTTP layer itself.
    QByteArray ranges = "Range: bytes=0-0";
    while (ranges.size() < 8000)
        ranges += ",0-0";
    QCOMPARE(exchange(server.port(), request("GET", "/api/v1", ranges + "\r\n")).status, 200);
    QCOMPARE(exchange(server.port(), request("GET", "/api/v1")).status, 200);
}

void TestKerloLocalHostile::longNamesAndPaths()
{
    const auto mkdir = [this](const QString &path) {
        return exchange(server.port(),
                        request("POST", "/api/v1/objects/mkdir" + percentEncoded(path)))
            .status;
    };
    const QString longestName(255, QLatin1Char('n'));
    QCOMPARE(mkdir("/" + longestName), 200);
    QCOMPARE(mkdir("/" + longestName + "x"), 400);
    // Bytes, not characters: 128 two-byte characters.
    QCOMPARE(mkdir("/" + QString(128, QChar(0xe9))), 400);

    // 16 names of 255 bytes: exactly 4,096 bytes, accepted (and not there); one byte more is
    // refused, here and in a body.
    const QString longestPath = ("/" + longestName).repeated(16);
    QCOMPARE(longestPath.size(), 4096);
    QCOMPARE(exchange(server.port(),
                      request("GET", "/api/v1/objects/metadata" + percentEncoded(longestPath)))
                 .status,
             404);
    QCOMPARE(exchange(server.port(), request("GET", "/api/v1/objects/metadata" +
                                                        percentEncoded(longestPath + "x")))
                 .status,
             400);
    const QByteArray renameBody = QJsonDocument(QJsonObject{{"source", "/" + longestName},
                                                            {"destination", longestPath + "x"}})
                                      .toJson();
    QCOMPARE(exchange(server.port(), request("POST", "/api/v1/objects/rename",
                                             "Content-Type: application/json\r\n", renameBody))
                 .status,
             400);
}

void TestKerloLocalHostile::malformedRangeIsIgnored()
{
    const QByteArray content("0123456789");
    QVERIFY(!server.seedFile(email, "/range.txt", content).isEmpty());
    const QByteArray download = "/api/v1/object//range.txt";

    for (const QByteArray &range : {QByteArray("bytes=abc"), QByteArray("bytes=5-1"),
                                    QByteArray("items=0-1"), QByteArray("bytes=--")}) {
        const QByteArray header = "Range: " + range + "\r\n";
        const RawReply probe = exchange(server.port(), request("GET", "/api/v1", header));
        QCOMPARE(probe.status, 200);
        QCOMPARE(probe.json()["status"].toString(), QStringLiteral("ok"));
        QCOMPARE(exchange(server.port(), request("HEAD", "/api/v1", header)).status, 200);
        const RawReply whole = exchange(server.port(), request("GET", download, header));
        QCOMPARE(whole.status, 200);
        QCOMPARE(whole.body, content);
        // A body cannot be read once the HTTP layer refused: a clear error, not a bare 416.
        const RawReply posted = exchange(
            server.port(), request("POST", "/api/v1/objects/delete", header, R"({"paths":[]})"));
        QCOMPARE(posted.status, 400);
        QVERIFY(!posted.json()["errors"].toArray().isEmpty());
    }

    const RawReply part = exchange(server.port(), request("GET", download, "Range: bytes=2-4\r\n"));
    QCOMPARE(part.status, 206);
    QCOMPARE(part.body, QByteArray("234"));
    const RawReply past =
        exchange(server.port(), request("GET", download, "Range: bytes=100-200\r\n"));
    QCOMPARE(past.status, 416);
    QCOMPARE(past.headers.value("content-range"), QByteArray("bytes */10"));
}

void TestKerloLocalHostile::urlsUseTheServersOwnAddress()
{
    const QString own = server.baseUrl().toString();
    QVERIFY(own.startsWith("http://127.0.0.1:"));
    const auto forged = [](QByteArray request) {
        return request.replace("Host: 127.0.0.1\r\n", "Host: attacker.example:666\r\n");
    };

    const RawReply avatar =
        exchange(server.port(),
                 forged(request("POST", "/api/v1/users/avatar",
                                "Content-Type: image/png\r\nx-kerlo-avatar-filename: me.png\r\n",
                                TestImages::png(4))));
    QCOMPARE(avatar.status, 200);
    const QString avatarUrl = avatar.json()["user"]["avatar"]["url"].toString();
    QVERIFY2(avatarUrl.startsWith(own + "/avatars/"), qPrintable(avatarUrl));
    // The stored URL, as every later reply gives it, and it serves the image.
    const RawReply me = exchange(server.port(), forged(request("GET", "/api/v1/me.json")));
    QCOMPARE(me.json()["user"]["avatar"]["url"].toString(), avatarUrl);
    const RawReply image =
        exchange(server.port(), request("GET", QUrl(avatarUrl).path(QUrl::FullyEncoded).toUtf8()));
    QCOMPARE(image.status, 200);
    QCOMPARE(image.body, TestImages::png(4));

    QVERIFY(!server.seedFile(email, "/shared.txt", "shared").isEmpty());
    const QByteArray shareBody =
        QJsonDocument(
            QJsonObject{{"share", QJsonObject{{"path", "/shared.txt"}, {"expires_in", 1}}}})
            .toJson();
    const RawReply share =
        exchange(server.port(), forged(request("POST", "/api/v1/shares.json",
                                               "Content-Type: application/json\r\n", shareBody)));
    QCOMPARE(share.status, 200);
    QVERIFY(share.json()["share"]["public_url"].toString().startsWith(own + "/s/"));
    QVERIFY(share.json()["share"]["public_uri"].toString().startsWith(own + "/s/"));
    const RawReply list =
        exchange(server.port(), forged(request("GET", "/api/v1/sharelinks/list")));
    QCOMPARE(list.status, 200);
    QVERIFY(!list.body.contains("attacker"));
}

void TestKerloLocalHostile::hugeImagesAreRefusedUndecoded()
{
    // 0.7 MB on disk, 900 megapixels: 3.6 GB as a 32-bit image.
    QVERIFY(!server.seedFile(email, "/huge.png", TestImages::blankPng(30000, 30000)).isEmpty());
    QVERIFY(!server.seedFile(email, "/large.png", TestImages::blankPng(4000, 3000)).isEmpty());
    const QJsonObject destinations{{"/huge.png", QJsonArray{"xs"}},
                                   {"/large.png", QJsonArray{"xs", "xl"}}};
    const RawReply reply =
        exchange(server.port(),
                 request("POST", "/api/v1/thumbnail", "Content-Type: application/json\r\n",
                         QJsonDocument(QJsonObject{{"destinations", destinations}}).toJson()));
    QCOMPARE(reply.status, 200);
    const QJsonObject index =
        QJsonDocument::fromJson(reply.headers.value("x-kerlo-thumbnails")).object();
    QCOMPARE(index["/huge.png"]["error"].toInt(), 413);
    QVERIFY(!index["/huge.png"]["message"].toString().isEmpty());

    // Decoded at a reduced size, yet each thumbnail has its own.
    const QMap<QString, QSize> expected{{"xs", QSize(32, 24)}, {"xl", QSize(1024, 768)}};
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        const QJsonObject slice = index["/large.png"][it.key()].toObject();
        const QImage thumbnail =
            QImage::fromData(reply.body.mid(slice["offset"].toInt(), slice["length"].toInt()));
        QCOMPARE(thumbnail.size(), it.value());
        QCOMPARE(qGray(thumbnail.pixel(thumbnail.width() / 2, thumbnail.height() / 2)), 0);
    }
}

void TestKerloLocalHostile::slowAndHungConnectionsDoNotStarveOthers()
{
    // Requests stuck in the hang fault, and clients that send their headers a byte at a
    // time, each byte well within the read timeout: together more than a fixed pool holds.
    const int hung = 20;
    QVERIFY(server.hang("/api/v1/contacts.json", hung));
    std::vector<std::unique_ptr<QTcpSocket>> connections;
    for (int i = 0; i < 100; ++i) {
        connections.push_back(std::make_unique<QTcpSocket>());
        QTcpSocket *socket = connections.back().get();
        const QByteArray start = i < hung ? request("GET", "/api/v1/contacts.json")
                                          : QByteArray("GET /api/v1 HTTP/1.1\r\nX-Slow: ");
        QObject::connect(socket, &QTcpSocket::connected, [socket, start] { socket->write(start); });
        socket->connectToHost(QHostAddress::LocalHost, quint16(server.port()));
    }
    QTimer trickle;
    QObject::connect(&trickle, &QTimer::timeout, [&connections, hung] {
        for (size_t i = hung; i < connections.size(); ++i) {
            if (connections[i]->state() == QAbstractSocket::ConnectedState)
                connections[i]->write("a");
        }
    });
    trickle.start(500);
    QTRY_VERIFY_WITH_TIMEOUT(std::all_of(connections.begin(), connections.end(),
                                         [](const std::unique_ptr<QTcpSocket> &socket) {
                                             return socket->state() ==
                                                        QAbstractSocket::ConnectedState &&
                                                    socket->bytesToWrite() == 0;
                                         }),
                             60000);

    QNetworkAccessManager manager;
    const std::unique_ptr<QNetworkReply> probe(manager.get(QNetworkRequest(server.apiUrl())));
    QTRY_VERIFY_WITH_TIMEOUT(probe->isFinished(), 60000);
    QCOMPARE(probe->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
    // None of the stuck requests got an answer meanwhile.
    for (const auto &socket : connections)
        QCOMPARE(socket->bytesAvailable(), 0);
}

void TestKerloLocalHostile::repliesAreNotDelayedByNagle()
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, quint16(server.port()));
    QVERIFY(socket.waitForConnected(30000));
    // Answered, so that the server has surely accepted the connection.
    socket.write("GET /api/v1 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    QVERIFY(socket.waitForReadyRead(30000));
    const int serverEnd = serverSocketOf(server.port(), socket.localPort());
    if (serverEnd < 0)
        QSKIP("The kernel does not let this process look at the server's socket");
    int noDelay = 0;
    socklen_t length = sizeof(noDelay);
    QCOMPARE(getsockopt(serverEnd, IPPROTO_TCP, TCP_NODELAY, &noDelay, &length), 0);
    close(serverEnd);
    QVERIFY(noDelay != 0);
}

QTEST_GUILESS_MAIN(TestKerloLocalHostile)
#include "tst_kerlolocalhostile.moc"

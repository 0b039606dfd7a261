#include "kerlolocal.h"
#include "testdata.h"

#include <QJsonDocument>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

#include <httplib.h>

#include <algorithm>
#include <vector>

namespace {

using TestData::clientCredential;
using TestData::demoEmail;
using TestData::demoPassword;
using TestData::md5Hex;
const std::string userAgent = "os: Debian GNU/Linux 12 (bookworm); name: transfers-test; uuid: "
                              "0123456789abcdef0123456789abcdef;";
const std::string otherDeviceAgent = "os: Debian GNU/Linux 12 (bookworm); name: laptop; uuid: "
                                     "fedcba9876543210fedcba9876543210;";
constexpr int clientChunk = 5 * 1024 * 1024;
// The status cases cut their files finer: the service takes any chunking.
constexpr int smallChunk = 4;

struct Reply
{
    int status = 0; // 0: no HTTP response
    QByteArray body;
    const QJsonObject json;
    QByteArray metadata; // the x-kerlo-metadata header
    QByteArray contentRange;
    bool hasMetadata = false;
};

struct Session
{
    QString apiKey;
    QString accessToken;
};

// Bytes no other case uploads, so that the chunk store holds none of them yet.
QByteArray uniqueBytes(int size)
{
    static QRandomGenerator generator(20240611);
    // Whole words at once: a call per byte takes seconds for a few chunks on a busy machine.
    std::vector<quint32> words((size_t(size) + 3) / 4);
    generator.fillRange(words.data(), qsizetype(words.size()));
    return QByteArray(reinterpret_cast<const char *>(words.data()), size);
}

QList<QByteArray> chunksOf(const QByteArray &content, int chunkBytes)
{
    QList<QByteArray> chunks;
    for (int offset = 0; offset < content.size(); offset += chunkBytes)
        chunks.append(content.mid(offset, chunkBytes));
    return chunks;
}

httplib::Headers hashHeaders(const QList<QByteArray> &chunks)
{
    httplib::Headers headers;
    for (int i = 0; i < chunks.size(); ++i)
        headers.emplace("Chunk-Hash-" + std::to_string(i), md5Hex(chunks[i]).toStdString());
    return headers;
}

QByteArray encodedPath(const QString &path)
{
    QUrl url;
    url.setPath(path, QUrl::DecodedMode);
    return url.toEncoded();
}

} // namespace

class TestKerloLocalTransfers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void uploads_data();
    void uploads();
    void startStatuses_data();
    void startStatuses();
    void stepStatuses_data();
    void stepStatuses();
    void largeHeaderBlock();
    void downloads_data();
    void downloads();
    void switches();
    void openUploadSurvivesRestart();
    void uploadSessions();
    void chunksBelongToTheirSender();

private:
    Reply send(const char *method, const QByteArray &target, httplib::Headers headers = {},
               const QByteArray &payload = {}, QByteArray *received = nullptr);
    Reply start(const QByteArray &target, const QList<QByteArray> &chunks);
    Reply sendChunk(const QString &token, const QByteArray &chunk);
    Reply commit(const QString &token, const QString &hash);
    // Start, every missing chunk in the order asked, commit.
    Reply upload(const QByteArray &target, const QByteArray &content, int chunkBytes);
    Session signIn(const QString &email, const QString &password);
    // A new user, signed in and made current, with "alpha" at /Docs/a.txt.
    QString useFreshUser(const QJsonObject &fields = {});

    KerloLocal server;
    Session demo;
    Session session;
    int userCount = 0;
};

void TestKerloLocalTransfers::initTestCase()
{
    QVERIFY(server.start());
    demo = signIn(demoEmail, demoPassword);
    QVERIFY(!demo.accessToken.isEmpty());
}

void TestKerloLocalTransfers::init()
{
    session = demo;
    QVERIFY(server.reset());
}

void TestKerloLocalTransfers::cleanupTestCase()
{
    // Under the sanitizers a leak or a fault in any handler shows as an unclean exit.
    server.stop();
    QVERIFY(server.exitedCleanly());
}

Reply TestKerloLocalTransfers::send(const char *method, const QByteArray &target,
                                    httplib::Headers headers, const QByteArray &payload,
                                    QByteArray *received)
{
    httplib::Client client(server.baseUrl().toString().toStdString());
    client.set_url_encode(false);
    client.set_read_timeout(120);
    headers.emplace("Authorization", "Bearer " + session.accessToken.toStdString());
    headers.emplace("M-Auth-Token", session.apiKey.toStdString());
    headers.emplace("User-Agent", userAgent);
    const std::string path = target.toStdString();
    const std::string body = payload.toStdString();
    httplib::Result result = [&] {
        if (qstrcmp(method, "PUT") == 0)
            return client.Put(path, headers, body, "application/octet-stream");
        if (qstrcmp(method, "POST") == 0)
            return client.Post(path, headers, body, "application/json");
        if (received)
            return client.Get(path, headers, [received](const char *data, size_t length) {
                received->append(data, int(length));
                return true;
            });
        return client.Get(path, headers);
    }();
    if (!result)
        return {};
    const QByteArray replyBody = QByteArray::fromStdString(result->body);
    return {result->status,
            replyBody,
            QJsonDocument::fromJson(replyBody).object(),
            QByteArray::fromStdString(result->get_header_value("x-kerlo-metadata")),
            QByteArray::fromStdString(result->get_header_value("Content-Range")),
            result->has_header("x-kerlo-metadata")};
}

Reply TestKerloLocalTransfers::start(const QByteArray &target, const QList<QByteArray> &chunks)
{
    return send("PUT", "/api/v1" + target, hashHeaders(chunks), chunks.value(0));
}

Reply TestKerloLocalTransfers::sendChunk(const QString &token, const QByteArray &chunk)
{
    return send("PUT", "/api/v1/upload/" + token.toUtf8(),
                {{"Chunk-Hash", md5Hex(chunk).toStdString()}}, chunk);
}

Reply TestKerloLocalTransfers::commit(const QString &token, const QString &hash)
{
    const QJsonObject metadata{{"md5", hash},
                               {"last_modified", "2015-03-03T15:05:00+01:00"},
                               {"content_type", "application/octet-stream"}};
    return send("POST", "/api/v1/commit/" + token.toUtf8(), {},
                QJsonDocument(QJsonObject{{"metadata", metadata}}).toJson());
}

Reply TestKerloLocalTransfers::upload(const QByteArray &target, const QByteArray &content,
                                      int chunkBytes)
{
    const QList<QByteArray> chunks = chunksOf(content, chunkBytes);
    QStringList hashes;
    for (const QByteArray &chunk : chunks)
        hashes.append(md5Hex(chunk));
    const Reply started = start(target, chunks);
    const QString token = started.json["token"].toString();
    if (started.status != 200)
        return started;
    for (const QJsonValue &missing : started.json["missing_chunks"].toArray()) {
        const Reply sent = sendChunk(token, chunks.value(hashes.indexOf(missing.toString())));
        if (sent.status != 200)
            return sent;
    }
    return commit(token, md5Hex(content));
}

Session TestKerloLocalTransfers::signIn(const QString &email, const QString &password)
{
    const KerloLocal::Tokens tokens =
        server.signInOverHttp(email, password, userAgent, clientCredential);
    return {tokens.apiKey, tokens.accessToken};
}

QString TestKerloLocalTransfers::useFreshUser(const QJsonObject &fields)
{
    const QString email = QStringLiteral("transfers%1@example.org").arg(++userCount);
    if (server.createUser(email, "pw", fields).isEmpty() ||
        server.seedFile(email, "/Docs/a.txt", "alpha").isEmpty())
        return QString();
    session = signIn(email, "pw");
    return email;
}

void TestKerloLocalTransfers::uploads_data()
{
    QTest::addColumn<QByteArray>("route");
    QTest::addColumn<int>("size");

    QTest::newRow("empty, sync") << QByteArray("/sync/object") << 0;
    QTest::newRow("empty, plain") << QByteArray("/objects") << 0;
    QTest::newRow("one chunk") << QByteArray("/sync/object") << clientChunk;
    QTest::newRow("one byte over a chunk") << QByteArray("/sync/object") << clientChunk + 1;
    QTest::newRow("two chunks, plain") << QByteArray("/objects") << clientChunk + 1;
}

void TestKerloLocalTransfers::uploads()
{
    QFETCH(QByteArray, route);
    QFETCH(int, size);
    const QByteArray content = uniqueBytes(size);
    const QList<QByteArray> chunks = chunksOf(content, clientChunk);
    const QString path = "/Uploads/" + QString(QTest::currentDataTag()) + ".bin";
    const QByteArray query =
        route == "/sync/object" ? "?base_hash=&final_hash=" + md5Hex(content).toLatin1() : "";
    const QString cursor = send("GET", "/api/v1/objects/delta/").json["cursor"].toString();
    const QJsonObject chunksBefore = server.uploads()["chunks"].toObject();

    // Chunk 0 comes with the start, so only the later ones are missing.
    const Reply started = start(route + encodedPath(path) + query, chunks);
    QCOMPARE(started.status, 200);
    const QString token = started.json["token"].toString();
    QVERIFY(QRegularExpression("^[A-Za-z0-9._~-]+$").match(token).hasMatch());
    QStringList expectedMissing;
    for (int i = 1; i < chunks.size(); ++i)
        expectedMissing.append(md5Hex(chunks[i]));
    QCOMPARE(started.json["missing_chunks"].toVariant().toStringList(), expectedMissing);
    for (const QByteArray &chunk : chunks.mid(1))
        QCOMPARE(sendChunk(token, chunk).json["token"].toString(), token);

    const Reply committed = commit(token, md5Hex(content));
    QCOMPARE(committed.status, 200);
    const QJsonObject object = committed.json["object"].toObject();
    QCOMPARE(object["hash"].toString(), md5Hex(content));
    QCOMPARE(object["size"].toInt(), size);
    QCOMPARE(object["base_path"].toString(), QString("/Uploads"));
    QCOMPARE(object["metadata"]["last_modified"].toString(), QString("2015-03-03T14:05:00Z"));
    QCOMPARE(send("GET", "/api/v1/object/" + encodedPath(path)).body, content);
    // The token is spent, and the file stored needs its chunks no more.
    QCOMPARE(commit(token, md5Hex(content)).status, 404);
    QCOMPARE(server.uploads()["chunks"].toObject(), chunksBefore);

    // Journalled as added by this client; the same bytes elsewhere are sent again.
    const QJsonArray updates =
        send("GET", "/api/v1/objects/delta/" + cursor.toUtf8()).json["updates"].toArray();
    QVERIFY(!updates.isEmpty());
    QCOMPARE(updates.last()["type"].toString(), QString("add"));
    QCOMPARE(updates.last()["path"].toString(), path);
    const Reply again = start(route + encodedPath(path + ".copy") + query, chunks);
    QCOMPARE(again.json["missing_chunks"].toVariant().toStringList(), expectedMissing);
    for (const QByteArray &chunk : chunks.mid(1))
        QCOMPARE(sendChunk(again.json["token"].toString(), chunk).status, 200);
    QCOMPARE(commit(again.json["token"].toString(), md5Hex(content)).status, 200);

    // A forced replacement is journalled as an update.
    const QByteArray other = uniqueBytes(size + 1);
    QCOMPARE(upload("/objects" + encodedPath(path) + "?force=true", other, clientChunk).status,
             200);
    const QJsonArray after =
        send("GET", "/api/v1/objects/delta/" + cursor.toUtf8()).json["updates"].toArray();
    QCOMPARE(after.last()["type"].toString(), QString("update"));
    QCOMPARE(after.last()["attributes"]["hash"].toArray(),
             (QJsonArray{md5Hex(content), md5Hex(other)}));
    QCOMPARE(send("GET", "/api/v1/object/" + encodedPath(path)).body, other);
}

void TestKerloLocalTransfers::startStatuses_data()
{
    QTest::addColumn<QByteArray>("route");
    QTest::addColumn<QString>("path");
    // {final}: the file's MD5, {FINAL} the same in upper case, {current}: that of /Docs/a.txt,
    // {other}: one that nothing has.
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("hashes"); // "ok", "none", "gap" or "wrong"
    QTest::addColumn<bool>("openFirst"); // the same upload is open on another device
    QTest::addColumn<int>("quota");      // 0: the default
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("code"); // 0: no "error_code"

    const QByteArray sync = "/sync/object";
    const QByteArray plain = "/objects";
    const QString existing = "/Docs/a.txt";
    const QString fresh = "/New/b.bin";
    const auto row = [](const char *tag, const QByteArray &route, const QString &path,
                        const char *query, int status, int code = 0, const char *hashes = "ok",
                        bool openFirst = false, int quota = 0) {
        QTest::newRow(tag) << route << path << QString(query) << QString(hashes) << openFirst
                           << quota << status << code;
    };
    row("plain, new", plain, fresh, "", 200);
    row("plain onto a file", plain, existing, "", 409);
    row("plain onto a file, forced", plain, existing, "?force=true", 200);
    row("plain onto a folder, forced", plain, "/Docs", "?force=true", 409);
    row("plain to the root", plain, "/", "", 400);
    row("plain to a path named list", plain, "/list/x", "", 200);
    row("sync, new", sync, fresh, "?base_hash=&final_hash={final}", 200);
    row("sync from the current version", sync, existing, "?base_hash={current}&final_hash={final}",
        200);
    row("sync from an old version", sync, existing, "?base_hash={other}&final_hash={final}", 409,
        602);
    row("sync from an old version, forced", sync, existing,
        "?base_hash={other}&final_hash={final}&force=true", 200);
    row("sync onto a file without a base", sync, existing, "?base_hash=&final_hash={final}", 409);
    row("sync of the bytes already there", sync, existing,
        "?base_hash={current}&final_hash={current}", 409, 701);
    row("sync onto a file deleted meanwhile", sync, fresh, "?base_hash={other}&final_hash={final}",
        500, 805);
    row("sync while one is open", sync, fresh, "?base_hash=&final_hash={final}", 409, 601, "ok",
        true);
    row("plain while one is open", plain, fresh, "", 409, 601, "ok", true);
    row("sync without a final hash", sync, fresh, "?base_hash=", 400);
    row("sync with an upper-case hash", sync, fresh, "?base_hash=&final_hash={FINAL}", 400);
    row("no chunk hashes", plain, fresh, "", 400, 0, "none");
    row("a gap in the chunk hashes", plain, fresh, "", 400, 0, "gap");
    row("chunk 0 not matching its hash", plain, fresh, "", 400, 0, "wrong");
    row("over the quota", plain, fresh, "", 507, 0, "ok", false, 13);
}

void TestKerloLocalTransfers::startStatuses()
{
    QFETCH(QByteArray, route);
    QFETCH(QString, path);
    QFETCH(QString, query);
    QFETCH(QString, hashes);
    QFETCH(bool, openFirst);
    QFETCH(int, quota);
    QFETCH(int, status);
    QFETCH(int, code);
    QVERIFY(!useFreshUser(quota ? QJsonObject{{"total_size", quota}} : QJsonObject()).isEmpty());

    const QByteArray content = uniqueBytes(3 * smallChunk - 1);
    query.replace("{final}", md5Hex(content))
        .replace("{FINAL}", md5Hex(content).toUpper())
        .replace("{current}", md5Hex("alpha"))
        .replace("{other}", md5Hex("other"));
    const QByteArray target = "/api/v1" + route + encodedPath(path) + query.toLatin1();
    QList<QByteArray> chunks = chunksOf(content, smallChunk);
    httplib::Headers headers = hashHeaders(chunks);
    if (hashes == "none")
        headers.clear();
    else if (hashes == "gap")
        headers.erase("Chunk-Hash-1");
    else if (hashes == "wrong")
        chunks[0] = "nope";
    if (openFirst) {
        httplib::Headers otherDevice = headers;
        otherDevice.emplace("User-Agent", otherDeviceAgent);
        QCOMPARE(send("PUT", target, otherDevice, chunks[0]).status, 200);
    }

    const int openBefore = server.uploads()["uploads"].toArray().size();
    const Reply reply = send("PUT", target, headers, chunks[0]);
    QCOMPARE(reply.status, status);
    if (status == 200) {
        QVERIFY(!reply.json["token"].toString().isEmpty());
        return;
    }
    QVERIFY2(reply.json["errors"][0].isString(), reply.body.constData());
    QCOMPARE(reply.json.contains("error_code"), code != 0);
    QCOMPARE(reply.json["error_code"].toInt(), code);
    // A refused upload holds nothing open.
    QCOMPARE(server.uploads()["uploads"].toArray().size(), openBefore);
}

void TestKerloLocalTransfers::stepStatuses_data()
{
    QTest::addColumn<QString>("step"); // what goes wrong, after a good start of three chunks
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("stillOpen"); // the upload can still be completed

    QTest::newRow("chunk, unknown token") << "chunk to unknown" << 404 << true;
    QTest::newRow("chunk, expired token") << "chunk after expiry" << 404 << false;
    QTest::newRow("chunk, another user's token") << "chunk as another user" << 404 << true;
    QTest::newRow("chunk without Chunk-Hash") << "chunk without hash" << 400 << true;
    QTest::newRow("chunk not of this upload") << "foreign chunk" << 400 << true;
    QTest::newRow("chunk bytes not matching") << "corrupt chunk" << 400 << true;
    QTest::newRow("commit, unknown token") << "commit to unknown" << 404 << true;
    QTest::newRow("commit before the last chunk") << "early commit" << 400 << true;
    QTest::newRow("commit with another MD5") << "commit other md5" << 400 << true;
    QTest::newRow("commit of changed bytes") << "changed file" << 400 << false;
}

void TestKerloLocalTransfers::stepStatuses()
{
    QFETCH(QString, step);
    QFETCH(int, status);
    QFETCH(bool, stillOpen);
    QVERIFY(!useFreshUser().isEmpty());
    const QByteArray content = uniqueBytes(3 * smallChunk);
    const QList<QByteArray> chunks = chunksOf(content, smallChunk);
    // The final hash is what the sync announced; the file changed after it.
    const QString announced =
        step == "changed file" ? md5Hex("before the change") : md5Hex(content);
    const Reply started =
        start("/sync/object/c.bin?base_hash=&final_hash=" + announced.toLatin1(), chunks);
    QCOMPARE(started.status, 200);
    const QString token = started.json["token"].toString();
    const auto sendRest = [&] {
        return sendChunk(token, chunks[1]).status == 200 &&
               sendChunk(token, chunks[2]).status == 200;
    };

    // Answers of the chunks and commits that lead up to the step are not the point here.
    const Reply reply = [&]() -> Reply {
        if (step == "chunk to unknown")
            return sendChunk("nope", chunks[1]);
        if (step == "chunk after expiry") {
            server.expireUploads(token);
            return sendChunk(token, chunks[1]);
        }
        if (step == "chunk as another user") {
            const Session owner = session;
            session = demo;
            const Reply refused = sendChunk(token, chunks[1]);
            session = owner;
            return refused;
        }
        if (step == "chunk without hash")
            return send("PUT", "/api/v1/upload/" + token.toUtf8(), {}, chunks[1]);
        if (step == "foreign chunk")
            return sendChunk(token, "elsewhere");
        if (step == "corrupt chunk")
            return send("PUT", "/api/v1/upload/" + token.toUtf8(),
                        {{"Chunk-Hash", md5Hex(chunks[1]).toStdString()}}, chunks[2]);
        if (step == "early commit") {
            sendChunk(token, chunks[1]);
            return commit(token, md5Hex(content));
        }
        sendRest();
        if (step == "commit to unknown")
            return commit("nope", md5Hex(content));
        if (step == "commit other md5")
            return commit(token, md5Hex("other"));
        return commit(token, announced);
    }();
    QCOMPARE(reply.status, status);
    QVERIFY2(reply.json["errors"][0].isString(), reply.body.constData());
    QCOMPARE(send("GET", "/api/v1/objects/metadata/c.bin").status, 404);

    if (!stillOpen) {
        QCOMPARE(sendChunk(token, chunks[1]).status, 404);
        return;
    }
    QVERIFY(sendRest());
    QCOMPARE(commit(token, md5Hex(content)).status, 200);
    QCOMPARE(send("GET", "/api/v1/object//c.bin").body, content);
}

void TestKerloLocalTransfers::largeHeaderBlock()
{
    // A 64 GiB file announces 13,108 chunks; the quota must not be what refuses it.
    QVERIFY(!useFreshUser({{"total_size", 100.0 * (1LL << 30)}}).isEmpty());
    const QByteArray first = uniqueBytes(smallChunk);
    httplib::Headers headers{{"Chunk-Hash-0", md5Hex(first).toStdString()}};
    for (int i = 1; i < 13108; ++i)
        headers.emplace("Chunk-Hash-" + std::to_string(i),
                        md5Hex(QByteArray::number(i) + "large").toStdString());
    const Reply reply = send("PUT", "/api/v1/objects/large.bin", headers, first);
    QCOMPARE(reply.status, 200);
    QCOMPARE(reply.json["missing_chunks"].toArray().size(), 13107);
    QCOMPARE(reply.json["missing_chunks"][0].toString(), md5Hex("1large"));
    QVERIFY(server.expireUploads(reply.json["token"].toString()));
}

void TestKerloLocalTransfers::downloads_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QByteArray>("range");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("first"); // of the bytes sent
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("contentRange");

    QTest::newRow("whole") << 1000 << QByteArray() << 200 << 0 << 1000 << QByteArray();
    // The client asks up to the size, one past the last byte.
    QTest::newRow("resume to the size") << 1000 << QByteArray("bytes=400-1000") << 206 << 400 << 600
                                        << QByteArray("bytes 400-999/1000");
    QTest::newRow("inner") << 1000 << QByteArray("bytes=10-19") << 206 << 10 << 10
                           << QByteArray("bytes 10-19/1000");
    QTest::newRow("open end") << 1000 << QByteArray("bytes=999-") << 206 << 999 << 1
                              << QByteArray("bytes 999-999/1000");
    QTest::newRow("suffix") << 1000 << QByteArray("bytes=-10") << 206 << 990 << 10
                            << QByteArray("bytes 990-999/1000");
    QTest::newRow("at the size") << 1000 << QByteArray("bytes=1000-1000") << 416 << 0 << 0
                                 << QByteArray("bytes */1000");
    QTest::newRow("beyond the size")
        << 1000 << QByteArray("bytes=5000-") << 416 << 0 << 0 << QByteArray("bytes */1000");
    // Other units and malformed ranges get 416 from the HTTP layer, before any route.
    QTest::newRow("two ranges") << 1000 << QByteArray("bytes=0-1,5-6") << 200 << 0 << 1000
                                << QByteArray();
    QTest::newRow("empty file") << 0 << QByteArray() << 200 << 0 << 0 << QByteArray();
    QTest::newRow("empty file, ranged")
        << 0 << QByteArray("bytes=0-0") << 416 << 0 << 0 << QByteArray("bytes */0");
}

void TestKerloLocalTransfers::downloads()
{
    QFETCH(int, size);
    QFETCH(QByteArray, range);
    QFETCH(int, status);
    QFETCH(int, first);
    QFETCH(int, count);
    QFETCH(QByteArray, contentRange);
    // Non-ASCII in the name, which the header must carry escaped.
    const QString path =
        QString::fromUtf8("/Down/\xc3\xbc \xe2\x82\xac ") + QTest::currentDataTag();
    const QByteArray content = uniqueBytes(size);
    QVERIFY(!server.seedFile(demoEmail, path, content).isEmpty());

    httplib::Headers headers;
    if (!range.isEmpty())
        headers.emplace("Range", range.toStdString());
    // As the client sends it: the path after "/object/" keeps its own "/".
    const Reply reply = send("GET", "/api/v1/object/" + encodedPath(path), headers);
    QCOMPARE(reply.status, status);
    QCOMPARE(reply.contentRange, contentRange);
    if (status != 416)
        QCOMPARE(reply.body, content.mid(first, count));

    QVERIFY(reply.hasMetadata);
    QVERIFY(std::all_of(reply.metadata.begin(), reply.metadata.end(),
                        [](char c) { return c > 0x1f && c < 0x7f; }));
    const QJsonObject object = QJsonDocument::fromJson(reply.metadata).object();
    QCOMPARE(object["hash"].toString(), md5Hex(content));
    QCOMPARE(object["size"].toInt(), size);
    QCOMPARE(object["base_path"].toString() + '/' + object["label"].toString(), path);
}

void TestKerloLocalTransfers::switches()
{
    const QByteArray content = uniqueBytes(100000);
    QVERIFY(!server.seedFile(demoEmail, "/Switch/a.bin", content).isEmpty());
    const QByteArray target = "/api/v1/object//Switch/a.bin";

    // Cut: the body stops short and the connection drops; one use only.
    QVERIFY(server.cutDownload(1000, "/Switch/a.bin"));
    QByteArray received;
    QCOMPARE(send("GET", target, {}, {}, &received).status, 0);
    QCOMPARE(received, content.left(1000));
    QCOMPARE(send("GET", target).body, content);

    // Another path's switch stays unused.
    QVERIFY(server.ignoreRange("/Switch/other.bin"));
    QVERIFY(server.ignoreRange("/Switch/a.bin"));
    const Reply ignored = send("GET", target, {{"Range", "bytes=10-"}});
    QCOMPARE(ignored.status, 200);
    QCOMPARE(ignored.body, content);
    QVERIFY(ignored.contentRange.isEmpty());
    QCOMPARE(send("GET", target, {{"Range", "bytes=10-"}}).status, 206);

    // Slowed: sent in small blocks, whole and from the range asked.
    QVERIFY(server.slowDownload(200000, "/Switch/a.bin", 2));
    QCOMPARE(send("GET", target).body, content);
    const Reply slowPart = send("GET", target, {{"Range", "bytes=10-"}});
    QCOMPARE(slowPart.status, 206);
    QCOMPARE(slowPart.body, content.mid(10));

    QVERIFY(server.omitMetadata());
    QVERIFY(!send("GET", target).hasMetadata);
    QVERIFY(send("GET", target).hasMetadata);

    QVERIFY(server.fakeMetadataHash("../../x", QString(), 2));
    for (int i = 0; i < 2; ++i)
        QCOMPARE(QJsonDocument::fromJson(send("GET", target).metadata)["hash"].toString(),
                 QString("../../x"));
    QCOMPARE(QJsonDocument::fromJson(send("GET", target).metadata)["hash"].toString(),
             md5Hex(content));

    // Missing chunks last first.
    const QList<QByteArray> chunks = chunksOf(uniqueBytes(4 * smallChunk), smallChunk);
    QVERIFY(server.reverseMissingChunks());
    const Reply reversed = start("/objects/Switch/b.bin", chunks);
    QCOMPARE(reversed.json["missing_chunks"].toVariant().toStringList(),
             QStringList({md5Hex(chunks[3]), md5Hex(chunks[2]), md5Hex(chunks[1])}));

    // A reset drops pending switches.
    QVERIFY(server.omitMetadata());
    QVERIFY(server.reset());
    QVERIFY(send("GET", target).hasMetadata);
}

void TestKerloLocalTransfers::openUploadSurvivesRestart()
{
    const QByteArray content = uniqueBytes(3 * smallChunk);
    const QList<QByteArray> chunks = chunksOf(content, smallChunk);
    const Reply started = start("/objects/Restart/a.bin", chunks);
    QCOMPARE(started.status, 200);
    const QString token = started.json["token"].toString();
    QCOMPARE(sendChunk(token, chunks[1]).status, 200);
    const QJsonObject before = server.uploads();

    QVERIFY(server.restart());
    QVERIFY(server.exitedCleanly());
    QCOMPARE(server.uploads(), before);
    // Still open: asking again gives it back, with only the last chunk missing.
    const Reply again = start("/objects/Restart/a.bin", chunks);
    QCOMPARE(again.json["token"].toString(), token);
    QCOMPARE(again.json["missing_chunks"], QJsonArray{md5Hex(chunks[2])});
    QCOMPARE(sendChunk(token, chunks[2]).status, 200);
    QCOMPARE(commit(token, md5Hex(content)).status, 200);
    QCOMPARE(send("GET", "/api/v1/object//Restart/a.bin").body, content);
}

void TestKerloLocalTransfers::uploadSessions()
{
    QVERIFY(!useFreshUser().isEmpty());
    const QByteArray content = uniqueBytes(3 * smallChunk);
    const QList<QByteArray> chunks = chunksOf(content, smallChunk);
    QList<QByteArray> changed = chunks;
    changed[2] = "zzzz";
    const QByteArray target = "/api/v1/objects/Open/a.bin";
    const auto open = [&](const QList<QByteArray> &parts, const QByteArray &query = {},
                          const std::string &agent = userAgent) {
        httplib::Headers headers = hashHeaders(parts);
        headers.emplace("User-Agent", agent);
        return send("PUT", target + query, headers, parts[0]);
    };
    const Reply first = open(chunks);
    QCOMPARE(first.status, 200);
    const QString token = first.json["token"].toString();
    QCOMPARE(sendChunk(token, chunks[1]).status, 200);

    // The same device asking again, as after a lost reply, gets the same upload.
    const Reply again = open(chunks);
    QCOMPARE(again.status, 200);
    QCOMPARE(again.json["token"].toString(), token);
    QCOMPARE(again.json["missing_chunks"], QJsonArray{md5Hex(chunks[2])});

    // Other bytes, another device, or a forced upload while it is in use: 601.
    QCOMPARE(open(changed).json["error_code"].toInt(), 601);
    QCOMPARE(open(chunks, {}, otherDeviceAgent).json["error_code"].toInt(), 601);
    QCOMPARE(open(changed, "?force=true").json["error_code"].toInt(), 601);

    // Left alone for a while, it is taken over by a forced upload only.
    QCOMPARE(server.control("POST", "/uploads/expire", {{"token", token}, {"idle_seconds", 3600}}),
             200);
    QCOMPARE(open(changed).json["error_code"].toInt(), 601);
    const Reply forced = open(changed, "?force=true");
    QCOMPARE(forced.status, 200);
    QVERIFY(forced.json["token"].toString() != token);
    QCOMPARE(sendChunk(token, chunks[2]).status, 404);

    // Below a file: refused at the start, forced or not, with nothing left open.
    const int openCount = server.uploads()["uploads"].toArray().size();
    for (const QByteArray &below :
         {QByteArray("/api/v1/objects/Docs/a.txt/b.bin"),
          QByteArray("/api/v1/objects/Docs/a.txt/b.bin?force=true"),
          "/api/v1/sync/object/Docs/a.txt/in/b.bin?base_hash=&final_hash=" +
              md5Hex(content).toLatin1()}) {
        const Reply refused = send("PUT", below, hashHeaders(chunks), chunks[0]);
        QCOMPARE(refused.status, 404);
        QVERIFY2(refused.json["errors"][0].toString().contains("/Docs/a.txt"), below.constData());
    }
    QCOMPARE(server.uploads()["uploads"].toArray().size(), openCount);

    // Dropped past its lifetime, an upload leaves no chunk behind.
    QVERIFY(server.expireUploads());
    QCOMPARE(start("/objects/Open/b.bin", {QByteArray("last")}).status, 200);
    QCOMPARE(server.uploads()["chunks"].toObject()["count"].toInt(), 1);
}

void TestKerloLocalTransfers::chunksBelongToTheirSender()
{
    QVERIFY(!useFreshUser().isEmpty());
    const Session owner = session;
    const QByteArray secret = uniqueBytes(3 * smallChunk);
    const QList<QByteArray> chunks = chunksOf(secret, smallChunk);
    // The owner's upload with every chunk sent, still open: the store holds its chunks.
    const Reply opened = start("/objects/Private/secret.bin", chunks);
    QCOMPARE(opened.status, 200);
    const QString token = opened.json["token"].toString();
    for (const QByteArray &chunk : chunks.mid(1))
        QCOMPARE(sendChunk(token, chunk).status, 200);

    // Another user who knows the hashes (and the first chunk) must still send the rest: the
    // commit fails rather than handing out the owner's bytes.
    QVERIFY(!useFreshUser().isEmpty());
    for (const QByteArray &route :
         {QByteArray("/objects/Stolen.bin"),
          "/sync/object/Synced.bin?base_hash=&final_hash=" + md5Hex(secret).toLatin1()}) {
        const Reply started = start(route, chunks);
        QCOMPARE(started.status, 200);
        QCOMPARE(started.json["missing_chunks"],
                 QJsonArray({md5Hex(chunks[1]), md5Hex(chunks[2])}));
        QCOMPARE(commit(started.json["token"].toString(), md5Hex(secret)).status, 400);
    }
    for (const char *path : {"/api/v1/object//Stolen.bin", "/api/v1/object//Synced.bin"})
        QCOMPARE(send("GET", path).status, 404);

    // Its owner still reuses them.
    session = owner;
    const Reply again = start("/objects/Private/again.bin", chunks);
    QCOMPARE(again.json["missing_chunks"], QJsonArray());
    QCOMPARE(commit(again.json["token"].toString(), md5Hex(secret)).status, 200);
    QCOMPARE(send("GET", "/api/v1/object//Private/again.bin").body, secret);
    QCOMPARE(commit(token, md5Hex(secret)).status, 200);
    QCOMPARE(send("GET", "/api/v1/object//Private/secret.bin").body, secret);
}

QTEST_GUILESS_MAIN(TestKerloLocalTransfers)
#include "tst_kerlolocaltransfers.moc"

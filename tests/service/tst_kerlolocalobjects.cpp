#include "kerlolocal.h"
#include "testdata.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QJsonDocument>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <httplib.h>

#include <algorithm>
#include <cstdlib>

namespace {

using TestData::clientCredential;
using TestData::demoEmail;
using TestData::demoPassword;
using TestData::md5Hex;
const std::string userAgent = "os: Debian GNU/Linux 12 (bookworm); name: objects-test; uuid: "
                              "0123456789abcdef0123456789abcdef;";

struct Reply
{
    int status = 0; // 0: no HTTP response
    QByteArray body;
    const QJsonObject json; // const: lookups then give values, never references
    QByteArray thumbnails;  // the x-kerlo-thumbnails header
};

struct Session
{
    QString apiKey;
    QString accessToken;
    qint64 deviceId = 0;
};

// As the client builds its URLs: the path set decoded, so that " ", "%", "?", "#" and
// non-ASCII arrive percent-encoded, and "+" as it is.
QByteArray encodedPath(const QString &path)
{
    QUrl url;
    url.setPath(path, QUrl::DecodedMode);
    return url.toEncoded();
}

QByteArray body(const QJsonObject &json)
{
    return QJsonDocument(json).toJson();
}

// Listings come in no particular order.
QMap<QString, QJsonObject> byLabel(const QJsonValue &objects)
{
    QMap<QString, QJsonObject> result;
    for (const QJsonValue &object : objects.toArray())
        result.insert(object["label"].toString(), object.toObject());
    return result;
}

QByteArray encodedImage(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// The shape the client reads: strings, or for a delete [_, code, message] each.
bool hasErrorList(const QJsonObject &json, bool listsOfThree)
{
    const QJsonArray errors = json["errors"].toArray();
    return !errors.isEmpty() &&
           std::all_of(errors.begin(), errors.end(), [listsOfThree](const QJsonValue &error) {
               if (!listsOfThree)
                   return error.isString();
               const QJsonArray entry = error.toArray();
               return entry.size() == 3 && entry[1].isDouble() && entry[2].isString();
           });
}

} // namespace

class TestKerloLocalObjects : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void listingAndMetadata();
    void names_data();
    void names();
    void hostilePaths_data();
    void hostilePaths();
    void statuses_data();
    void statuses();
    void journal();
    void changesFromAnotherDevice();
    void cacheCheck();
    void quota();
    void shareLinks();
    void thumbnails();
    void persistence();
    void killedMidChange();
    void largeFolders();
    void demoTree();
    void oldDataFolder();

private:
    Reply send(const char *method, const QByteArray &target, const QByteArray &payload = {});
    Reply get(const QByteArray &route, const QString &path = QString());
    Reply post(const QByteArray &route, const QJsonObject &json);
    Session signIn(const QString &email, const QString &password);
    // A user of its own, signed in and made current, with /Docs/a.txt, /Docs/Sub/b.txt and
    // the folder /Empty.
    QString useFreshUser(const QJsonObject &fields = {});

    KerloLocal server;
    KerloLocal *target = &server; // the server the helpers talk to
    Session demo;
    Session session; // the current one
    int userCount = 0;
};

namespace {

// Runs statement on the database of a stopped server.
bool tamper(const QString &dataPath, const QString &statement)
{
    bool done = false;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase("QSQLITE", "tamper");
        database.setDatabaseName(dataPath + "/kerlo-local.db");
        done = database.open() && QSqlQuery(database).exec(statement);
        database.close();
    }
    QSqlDatabase::removeDatabase("tamper");
    return done;
}

} // namespace

void TestKerloLocalObjects::initTestCase()
{
    QVERIFY(server.start());
    demo = signIn(demoEmail, demoPassword);
    QVERIFY(demo.deviceId > 0);
}

void TestKerloLocalObjects::init()
{
    target = &server;
    session = demo;
}

void TestKerloLocalObjects::cleanupTestCase()
{
    // Under the sanitizers a leak or a fault in any handler shows as an unclean exit.
    server.stop();
    QVERIFY(server.exitedCleanly());
}

Reply TestKerloLocalObjects::send(const char *method, const QByteArray &requestTarget,
                                  const QByteArray &payload)
{
    httplib::Client client(target->baseUrl().toString().toStdString());
    client.set_url_encode(false);
    client.set_read_timeout(120);
    const httplib::Headers headers{{"Authorization", "Bearer " + session.accessToken.toStdString()},
                                   {"M-Auth-Token", session.apiKey.toStdString()},
                                   {"User-Agent", userAgent}};
    const std::string path = requestTarget.toStdString();
    const httplib::Result result =
        qstrcmp(method, "GET") == 0
            ? client.Get(path, headers)
            : client.Post(path, headers, payload.toStdString(), "application/json");
    if (!result)
        return {};
    const QByteArray replyBody = QByteArray::fromStdString(result->body);
    return {result->status, replyBody, QJsonDocument::fromJson(replyBody).object(),
            QByteArray::fromStdString(result->get_header_value("x-kerlo-thumbnails"))};
}

Reply TestKerloLocalObjects::get(const QByteArray &route, const QString &path)
{
    return send("GET", "/api/v1" + route + (path.isEmpty() ? QByteArray() : encodedPath(path)));
}

Reply TestKerloLocalObjects::post(const QByteArray &route, const QJsonObject &json)
{
    return send("POST", "/api/v1" + route, body(json));
}

Session TestKerloLocalObjects::signIn(const QString &email, const QString &password)
{
    const KerloLocal::Tokens tokens =
        target->signInOverHttp(email, password, userAgent, clientCredential);
    Session signedIn;
    signedIn.apiKey = tokens.apiKey;
    signedIn.accessToken = tokens.accessToken;
    if (signedIn.accessToken.isEmpty())
        return signedIn;
    const Session previous = session;
    session = signedIn;
    signedIn.deviceId = get("/me.json").json["device"]["id"].toDouble();
    session = previous;
    return signedIn;
}

QString TestKerloLocalObjects::useFreshUser(const QJsonObject &fields)
{
    const QString email = QStringLiteral("user%1@example.org").arg(++userCount);
    if (server.createUser(email, "pw", fields).isEmpty() ||
        server.seedFile(email, "/Docs/a.txt", "alpha").isEmpty() ||
        server.seedFile(email, "/Docs/Sub/b.txt", "beta").isEmpty() ||
        server.seedFolder(email, "/Empty").isEmpty())
        return QString();
    session = signIn(email, "pw");
    return email;
}

void TestKerloLocalObjects::listingAndMetadata()
{
    const QString email = useFreshUser();
    QVERIFY(!email.isEmpty());
    // Names that sort between "/Docs" and "/Docs/...".
    QVERIFY(!server.seedFile(email, "/Docs b/c.txt", "gamma").isEmpty());
    QVERIFY(!server.seedFile(email, "/Docs-1.txt", "delta").isEmpty());

    const Reply root = get("/objects/list");
    QCOMPARE(root.status, 200);
    QCOMPARE(root.json["base_path"].toString(), QString("/"));
    QVERIFY(!root.json["cursor"].toString().isEmpty());
    const QMap<QString, QJsonObject> top = byLabel(root.json["objects"]);
    QCOMPARE(top.keys(), QStringList({"Docs", "Docs b", "Docs-1.txt", "Empty"}));
    QCOMPARE(top["Docs"]["type"].toString(), QString("directory"));
    QCOMPARE(top["Docs"]["children_count"].toInt(), 2);
    QCOMPARE(top["Docs"]["base_path"].toString(), QString("/"));
    QCOMPARE(top["Empty"]["children_count"].toInt(), 0);

    const Reply docs = get("/objects/list", "/Docs");
    QCOMPARE(docs.json["base_path"].toString(), QString("/Docs"));
    QCOMPARE(docs.json["cursor"], root.json["cursor"]);
    const QMap<QString, QJsonObject> inDocs = byLabel(docs.json["objects"]);
    QCOMPARE(inDocs.keys(), QStringList({"Sub", "a.txt"}));
    const QJsonObject file = inDocs["a.txt"];
    QCOMPARE(file["type"].toString(), QString("regfile"));
    QCOMPARE(file["base_path"].toString(), QString("/Docs"));
    QCOMPARE(file["size"].toInt(), 5);
    QCOMPARE(file["hash"].toString(), md5Hex("alpha"));
    QCOMPARE(file["metadata"]["content_type"].toString(), QString("text/plain"));
    QVERIFY(
        QDateTime::fromString(file["metadata"]["last_modified"].toString(), Qt::ISODate).isValid());
    QVERIFY(!file["version_id"].toString().isEmpty());
    QVERIFY(file["version_id"] != inDocs["Sub"]["version_id"]);

    // Metadata gives the same object; "//" and a trailing "/" change nothing.
    QCOMPARE(get("/objects/metadata", "/Docs/a.txt").json["object"].toObject(), file);
    QCOMPARE(send("GET", "/api/v1/objects/metadata//Docs//a.txt/").json["object"].toObject(), file);
    QCOMPARE(send("GET", "/api/v1/objects/list/Docs/").json, docs.json);

    // The root is a folder labelled "/".
    const QJsonObject rootObject = get("/objects/metadata").json["object"].toObject();
    QCOMPARE(rootObject["label"].toString(), QString("/"));
    QCOMPARE(rootObject["base_path"].toString(), QString("/"));
    QCOMPARE(rootObject["type"].toString(), QString("directory"));
    QCOMPARE(rootObject["children_count"].toInt(), 4);

    // A folder goes with what is below it, and only that.
    QCOMPARE(post("/objects/rename", {{"source", "/Docs"}, {"destination", "/Old"}}).status, 200);
    QCOMPARE(post("/objects/delete", {{"paths", QJsonArray{"Old"}}}).status, 200);
    QCOMPARE(byLabel(get("/objects/list").json["objects"]).keys(),
             QStringList({"Docs b", "Docs-1.txt", "Empty"}));
    QCOMPARE(byLabel(get("/objects/list", "/Docs b").json["objects"]).keys(), QStringList{"c.txt"});

    // Users do not see each other's files.
    session = demo;
    QVERIFY(!byLabel(get("/objects/list").json["objects"]).keys().contains("Empty"));
}

void TestKerloLocalObjects::names_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("space") << "two words.txt";
    QTest::newRow("plus") << "a+b.txt";
    QTest::newRow("percent") << "100% sure %41.txt";
    QTest::newRow("query and fragment") << "what?#not.txt";
    QTest::newRow("non-ASCII") << QString::fromUtf8(
        "\xc3\xbc\xc3\xa9 \xe2\x82\xac \xf0\x9f\x93\x84.txt");
    QTest::newRow("dots inside") << "..hidden...";
    QTest::newRow("line break") << "two\nlines";
}

void TestKerloLocalObjects::names()
{
    QFETCH(QString, name);
    const QString folder = "/Names " + QString(QTest::currentDataTag());
    const QString path = folder + '/' + name;

    QCOMPARE(send("POST", "/api/v1/objects/mkdir" + encodedPath(folder)).status, 200);
    QCOMPARE(server.seedFile(demoEmail, path, "x")["label"].toString(), name);
    QCOMPARE(byLabel(get("/objects/list", folder).json["objects"]).keys(), QStringList{name});
    const Reply metadata = get("/objects/metadata", path);
    QCOMPARE(metadata.status, 200);
    QCOMPARE(metadata.json["object"]["label"].toString(), name);
    QCOMPARE(metadata.json["object"]["base_path"].toString(), folder);

    // A folder of that name through the URL, and a rename and delete through bodies.
    QCOMPARE(send("POST", "/api/v1/objects/mkdir" + encodedPath(path + " dir")).status, 200);
    QCOMPARE(get("/objects/metadata", path + " dir").json["object"]["label"].toString(),
             name + " dir");
    QCOMPARE(post("/objects/rename", {{"source", path}, {"destination", path + "2"}}).status, 200);
    QCOMPARE(post("/objects/delete", {{"paths", QJsonArray{path.mid(1) + "2"}}}).status, 200);
    QCOMPARE(byLabel(get("/objects/list", folder).json["objects"]).keys(),
             QStringList{name + " dir"});
}

void TestKerloLocalObjects::hostilePaths_data()
{
    QTest::addColumn<QByteArray>("encoded");
    QTest::newRow("parent") << QByteArray("/..");
    QTest::newRow("encoded parent") << QByteArray("/%2e%2E/etc");
    QTest::newRow("parent inside") << QByteArray("/Docs/../../x");
    QTest::newRow("current") << QByteArray("/Docs/./a.txt");
    QTest::newRow("encoded current") << QByteArray("/Docs/%2E");
    QTest::newRow("NUL") << QByteArray("/a%00b");
    QTest::newRow("not UTF-8") << QByteArray("/%ff%fe");
}

void TestKerloLocalObjects::hostilePaths()
{
    QFETCH(QByteArray, encoded);
    const QString decoded = QUrl::fromPercentEncoding(encoded);
    const QByteArray before = get("/objects/list").body;

    for (const char *route : {"/objects/list", "/objects/metadata"})
        QCOMPARE(send("GET", "/api/v1" + QByteArray(route) + encoded).status, 400);
    QCOMPARE(send("POST", "/api/v1/objects/mkdir" + encoded).status, 400);
    // JSON text cannot carry bytes that are not UTF-8.
    const bool inBodies = !decoded.contains(QChar::ReplacementCharacter);
    // The same names in bodies, with and without the leading "/".
    for (const QString &path : inBodies ? QStringList{decoded, decoded.mid(1)} : QStringList()) {
        QCOMPARE(post("/objects/delete", {{"paths", QJsonArray{"/Docs", path}}}).status, 400);
        QCOMPARE(post("/objects/metadata", {{"paths", QJsonArray{path}}}).status, 400);
        for (const char *route : {"/objects/rename", "/objects/copy"}) {
            QCOMPARE(post(route, {{"source", "/Docs"}, {"destination", path}}).status, 400);
            QCOMPARE(post(route, {{"source", path}, {"destination", "/x"}}).status, 400);
        }
        QCOMPARE(
            post("/shares.json", {{"share", QJsonObject{{"path", path}, {"expires_in", "72"}}}})
                .status,
            400);
        QCOMPARE(server.control("POST", "/objects",
                                {{"email", demoEmail}, {"path", path}, {"content", "x"}}),
                 400);
    }

    // Nothing changed, and nothing was written beside the data folder.
    QCOMPARE(get("/objects/list").body, before);
    const QDir data(server.dataPath());
    const QStringList known{"kerlo-local.db", "kerlo-local.db-wal", "kerlo-local.db-shm", "blobs",
                            "chunks"};
    for (const QString &entry : data.entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
        QVERIFY2(known.contains(entry), qPrintable(entry));
}

void TestKerloLocalObjects::statuses_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QByteArray>("route");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("present"); // after the call; may be empty
    QTest::addColumn<QString>("absent");

    const auto post = [](const char *tag, const QByteArray &route, const QByteArray &payload,
                         int status, const char *present = "", const char *absent = "") {
        QTest::newRow(tag) << QByteArray("POST") << route << payload << status << QString(present)
                           << QString(absent);
    };
    const auto get = [](const char *tag, const QByteArray &route, int status,
                        const char *present = "", const char *absent = "") {
        QTest::newRow(tag) << QByteArray("GET") << route << QByteArray() << status
                           << QString(present) << QString(absent);
    };
    const auto move = [](const char *from, const char *to) {
        return body({{"source", from}, {"destination", to}});
    };
    const auto paths = [](const QJsonArray &list) {
        return body({{"paths", list}});
    };
    const QByteArray rename = "/objects/rename";
    const QByteArray copy = "/objects/copy";
    const QByteArray remove = "/objects/delete";

    get("list root", "/objects/list", 200, "/Docs");
    get("list missing", "/objects/list/Nope", 404, "", "/Nope");
    get("list a file", "/objects/list/Docs/a.txt", 404, "/Docs/a.txt");
    get("metadata missing", "/objects/metadata/Docs/z", 404, "", "/Docs/z");
    get("delta with an unknown cursor", "/objects/delta/0000000000000000-0", 404);

    post("mkdir", "/objects/mkdir/New", {}, 200, "/New");
    post("mkdir with parents", "/objects/mkdir/X/Y/Z", {}, 200, "/X/Y/Z");
    post("mkdir existing", "/objects/mkdir/Docs/a.txt", {}, 412, "/Docs/a.txt");
    post("mkdir root", "/objects/mkdir", {}, 412);
    post("mkdir below a file", "/objects/mkdir/Docs/a.txt/x", {}, 412, "", "/Docs/a.txt/x");

    post("rename", rename, move("/Docs/a.txt", "Empty/z.txt"), 200, "/Empty/z.txt", "/Docs/a.txt");
    post("move a folder", rename, move("/Docs", "/Empty/D"), 200, "/Empty/D/Sub/b.txt",
         "/Docs/Sub");
    post("rename onto a folder", rename, move("/Docs/a.txt", "/Docs/Sub"), 412, "/Docs/a.txt",
         "/Docs/Sub/a.txt");
    post("rename onto itself", rename, move("/Docs", "/Docs"), 412, "/Docs/a.txt");
    post("rename missing", rename, move("/Nope", "/Nope2"), 404, "", "/Nope2");
    post("rename into a missing folder", rename, move("/Docs/a.txt", "/Nope/a.txt"), 404,
         "/Docs/a.txt");
    post("rename into a file", rename, move("/Empty", "/Docs/a.txt/E"), 404, "/Empty");
    post("move a folder into itself", rename, move("/Docs", "/Docs/Sub/Docs"), 400,
         "/Docs/Sub/b.txt");
    post("rename the root", rename, move("/", "/Root"), 400, "", "/Root");
    post("rename without destination", rename, body({{"source", "/Docs"}}), 400, "/Docs");

    post("copy a folder", copy, move("/Docs", "/Empty/Copy"), 200, "/Empty/Copy/Sub/b.txt");
    post("copy onto a file", copy, move("/Docs/a.txt", "/Docs/Sub/b.txt"), 412, "/Docs/a.txt");
    post("copy missing", copy, move("/Nope", "/Empty/Nope"), 404, "", "/Empty/Nope");
    post("copy into itself", copy, move("/Docs", "/Docs/Sub/D"), 400, "", "/Docs/Sub/D");

    post("delete nested and repeated", remove,
         paths({"Docs/Sub/b.txt", "/Docs/Sub", "Docs/Sub/b.txt", "/Empty"}), 200, "/Docs/a.txt",
         "/Docs/Sub");
    post("delete with a missing path", remove, paths({"/Nope", "Docs/a.txt"}), 500, "/Docs",
         "/Docs/a.txt");
    post("delete the root", remove, paths({"Docs/a.txt", "/"}), 400, "/Docs/a.txt");
    post("delete without a list", remove, body({{"paths", "/Docs"}}), 400, "/Docs");
    post("delete a broken body", remove, "{\"paths\": [", 400, "/Docs");
    post("cache check with a number", "/objects/metadata", paths({1}), 400);
}

void TestKerloLocalObjects::statuses()
{
    QFETCH(QByteArray, method);
    QFETCH(QByteArray, route);
    QFETCH(QByteArray, payload);
    QFETCH(int, status);
    QFETCH(QString, present);
    QFETCH(QString, absent);
    QVERIFY(!useFreshUser().isEmpty());

    const Reply reply = send(method.constData(), "/api/v1" + route, payload);
    QCOMPARE(reply.status, status);
    if (status != 200)
        QVERIFY2(hasErrorList(reply.json, route.endsWith("/delete") && status == 500),
                 reply.body.constData());
    if (!present.isEmpty())
        QCOMPARE(get("/objects/metadata", present).status, 200);
    if (!absent.isEmpty())
        QCOMPARE(get("/objects/metadata", absent).status, 404);
}

void TestKerloLocalObjects::journal()
{
    const Reply start = get("/objects/delta/");
    QCOMPARE(start.status, 200);
    QVERIFY(!start.json.contains("updates"));
    const QString cursor = start.json["cursor"].toString();
    QCOMPARE(get("/objects/list").json["cursor"].toString(), cursor);
    QCOMPARE(start.json["user"]["email"].toString(), demoEmail);

    // Changes by this client, and by another device through the control API.
    QCOMPARE(send("POST", "/api/v1/objects/mkdir/Journal/A").status, 200);
    QVERIFY(!server.seedFile(demoEmail, "/Journal/A/f.txt", "one").isEmpty());
    QVERIFY(!server.seedFile(demoEmail, "/Journal/A/f.txt", "two").isEmpty());
    QCOMPARE(post("/objects/rename",
                  {{"source", "/Journal/A/f.txt"}, {"destination", "/Journal/A/g.txt"}})
                 .status,
             200);
    QCOMPARE(
        post("/objects/rename", {{"source", "/Journal/A/g.txt"}, {"destination", "/Journal/g.txt"}})
            .status,
        200);
    QCOMPARE(
        post("/objects/copy", {{"source", "/Journal/g.txt"}, {"destination", "/Journal/h.txt"}})
            .status,
        200);
    QCOMPARE(post("/objects/delete", {{"paths", QJsonArray{"Journal/g.txt"}}}).status, 200);

    const Reply delta = get("/objects/delta/", cursor);
    QCOMPARE(delta.status, 200);
    const QJsonArray updates = delta.json["updates"].toArray();
    QStringList summary;
    for (const QJsonValue &update : updates)
        summary.append(QStringLiteral("%1 %2 %3")
                           .arg(update["type"].toString(), update["path"].toString())
                           .arg(update["device_id"].toDouble() == demo.deviceId ? "us" : "other"));
    QCOMPARE(summary, QStringList({"add /Journal us", "add /Journal/A us",
                                   "add /Journal/A/f.txt other", "update /Journal/A/f.txt other",
                                   "update /Journal/A/f.txt us", "update /Journal/A/g.txt us",
                                   "add /Journal/h.txt us", "delete /Journal/g.txt us"}));
    QCOMPARE(updates[1]["object"]["label"].toString(), QString("A"));
    QCOMPARE(updates[1]["object"]["type"].toString(), QString("directory"));
    QCOMPARE(updates[0]["device_id"].toDouble(), demo.deviceId);
    QCOMPARE(updates[2]["device_id"].toDouble(), 0);

    // Attribute lists end with the new value; a rename names the label, a move only the path.
    QCOMPARE(updates[3]["attributes"].toObject(),
             QJsonObject({{"hash", QJsonArray{md5Hex("one"), md5Hex("two")}}}));
    QCOMPARE(updates[3]["final_object"]["hash"].toString(), md5Hex("two"));
    QCOMPARE(updates[4]["attributes"].toObject(),
             QJsonObject({{"path", QJsonArray{"/Journal/A/f.txt", "/Journal/A/g.txt"}},
                          {"label", QJsonArray{"f.txt", "g.txt"}}}));
    QCOMPARE(updates[4]["final_object"]["label"].toString(), QString("g.txt"));
    QCOMPARE(updates[5]["attributes"].toObject(),
             QJsonObject({{"path", QJsonArray{"/Journal/A/g.txt", "/Journal/g.txt"}}}));
    QCOMPARE(updates[5]["final_object"]["base_path"].toString(), QString("/Journal"));
    QCOMPARE(updates[6]["object"]["hash"].toString(), md5Hex("two"));
    QCOMPARE(updates[7]["object"]["deleted"].toBool(), true);

    // Each token is the cursor after its entry; the last one is the head.
    for (int i = 0; i < updates.size(); ++i) {
        const Reply rest = get("/objects/delta/", updates[i]["token"].toString());
        QCOMPARE(rest.json["updates"].toArray().size(), updates.size() - i - 1);
    }
    const QString head = updates.last()["token"].toString();
    QCOMPARE(delta.json["cursor"].toString(), head);
    QCOMPARE(get("/objects/list").json["cursor"].toString(), head);
    QCOMPARE(get("/objects/delta/", head).json["updates"].toArray(), QJsonArray());

    // Cursors this journal never gave.
    const QString id = head.section('-', 0, 0);
    for (const QString &unknown :
         {QString("nope"), id + "-999", id + "-01", id + "--1", "0" + head, id})
        QCOMPARE(get("/objects/delta/", unknown).status, 404);
}

void TestKerloLocalObjects::changesFromAnotherDevice()
{
    const QString email = useFreshUser();
    QVERIFY(!email.isEmpty());
    const QString cursor = get("/objects/delta/").json["cursor"].toString();

    QCOMPARE(server.moveObject(email, "/Docs/a.txt", "/Empty/c.txt")["base_path"].toString(),
             QString("/Empty"));
    QCOMPARE(server.deleteObject(email, "/Docs/Sub").size(), 1);
    // Refused: nothing there any more, a move onto itself, a path out of the store.
    QVERIFY(server.deleteObject(email, "/Docs/Sub").isEmpty());
    QVERIFY(server.moveObject(email, "/Empty", "/Empty/In").isEmpty());
    QVERIFY(server.moveObject(email, "/Empty/c.txt", "/../c.txt").isEmpty());
    // Journalled as it stands, whatever it says; the tree is left alone.
    const QJsonObject hostile{{"path", "/../../etc/passwd"}, {"type", "delete"}};
    const QString token = server.journalEntry(email, hostile);
    QVERIFY(!token.isEmpty());
    QVERIFY(server.journalEntry("nobody@example.org", hostile).isEmpty());

    const QJsonArray updates = get("/objects/delta/", cursor).json["updates"].toArray();
    QStringList summary;
    for (const QJsonValue &update : updates)
        summary.append(QStringLiteral("%1 %2 %3")
                           .arg(update["type"].toString(), update["path"].toString())
                           .arg(update["device_id"].toDouble()));
    QCOMPARE(summary, QStringList({"update /Docs/a.txt 0", "delete /Docs/Sub 0",
                                   "delete /../../etc/passwd 0"}));
    QCOMPARE(updates[2]["token"].toString(), token);
    QCOMPARE(get("/objects/list", "/Empty").json["objects"].toArray().size(), 1);
    QCOMPARE(get("/objects/metadata", "/Docs/Sub").status, 404);
}

void TestKerloLocalObjects::cacheCheck()
{
    const QString email = useFreshUser();
    QVERIFY(!email.isEmpty());
    QCOMPARE(post("/objects/rename", {{"source", "/Docs/Sub"}, {"destination", "/Moved"}}).status,
             200);
    QCOMPARE(post("/objects/delete", {{"paths", QJsonArray{"/Docs/a.txt"}}}).status, 200);
    QVERIFY(!server.seedFile(email, "/Docs/a.txt", "again").isEmpty());
    QCOMPARE(post("/objects/delete", {{"paths", QJsonArray{"/Empty"}}}).status, 200);

    // Keys come back as sent. "deleted" holds the object when it was removed (deleted or
    // moved away, with what was below), and "" when the path was never known.
    const QJsonArray asked{"Docs/a.txt", "/Moved/b.txt", "Docs/Sub/b.txt", "/Empty",
                           "never/there.txt"};
    const Reply check = post("/objects/metadata", {{"paths", asked}});
    QCOMPARE(check.status, 200);
    const QJsonObject objects = check.json["objects"].toObject();
    const QJsonObject deleted = check.json["deleted"].toObject();
    QCOMPARE(objects.keys(), QStringList({"/Moved/b.txt", "Docs/a.txt"}));
    QCOMPARE(objects["Docs/a.txt"]["hash"].toString(), md5Hex("again"));
    QCOMPARE(deleted.keys(), QStringList({"/Empty", "Docs/Sub/b.txt", "never/there.txt"}));
    QCOMPARE(deleted["Docs/Sub/b.txt"]["hash"].toString(), md5Hex("beta"));
    QCOMPARE(deleted["Docs/Sub/b.txt"]["deleted"].toBool(), true);
    QCOMPARE(deleted["/Empty"]["type"].toString(), QString("directory"));
    QCOMPARE(deleted["never/there.txt"], QJsonValue(""));
    QCOMPARE(post("/objects/metadata", {{"paths", QJsonArray()}}).json,
             QJsonObject({{"objects", QJsonObject()}, {"deleted", QJsonObject()}}));
}

void TestKerloLocalObjects::quota()
{
    const QString email = useFreshUser({{"total_size", 13}});
    QVERIFY(!email.isEmpty());
    QCOMPARE(get("/me.json").json["user"]["used_size"].toInt(), 9); // "alpha" and "beta"

    // Over the quota: a copy, a new file, a bigger replacement; nothing changes.
    const Reply copy = post("/objects/copy", {{"source", "/Docs"}, {"destination", "/Copy"}});
    QCOMPARE(copy.status, 507);
    QVERIFY(hasErrorList(copy.json, false));
    QCOMPARE(get("/objects/metadata", "/Copy").status, 404);
    const QJsonObject newFile{{"email", email}, {"path", "/c.txt"}, {"content", "gamma"}};
    QCOMPARE(server.control("POST", "/objects", newFile), 507);
    QCOMPARE(
        server.control("POST", "/objects",
                       {{"email", email}, {"path", "/Docs/a.txt"}, {"content", "alphabetical"}}),
        507);
    QCOMPARE(get("/objects/metadata", "/Docs/a.txt").json["object"]["hash"].toString(),
             md5Hex("alpha"));

    // Folders cost nothing, the quota may be filled exactly, and freed space is used again.
    QCOMPARE(send("POST", "/api/v1/objects/mkdir/Folders/Cost/Nothing").status, 200);
    QCOMPARE(
        post("/objects/copy", {{"source", "/Docs/Sub/b.txt"}, {"destination", "/b.txt"}}).status,
        200);
    QCOMPARE(get("/me.json").json["user"]["used_size"].toInt(), 13);
    QCOMPARE(post("/objects/delete", {{"paths", QJsonArray{"/Docs"}}}).status, 200);
    QCOMPARE(get("/objects/delta/").json["user"]["used_size"].toInt(), 4);
    QCOMPARE(server.control("POST", "/objects", newFile), 200);
    QCOMPARE(get("/me.json").json["user"]["used_size"].toInt(), 9);
}

void TestKerloLocalObjects::shareLinks()
{
    const QString email = useFreshUser();
    QVERIFY(!email.isEmpty());
    const auto share = [this](const QJsonValue &path, const QJsonValue &expiresIn) {
        return post("/shares.json",
                    {{"share", QJsonObject{{"path", path}, {"expires_in", expiresIn}}}});
    };

    const Reply shared = share("/Docs/a.txt", "72");
    QCOMPARE(shared.status, 200);
    const QJsonObject link = shared.json["share"].toObject();
    const QString token = link["token"].toString();
    QVERIFY(!token.isEmpty());
    QCOMPARE(link["public_url"], link["public_uri"]);
    QVERIFY(link["public_url"].toString().startsWith(server.baseUrl().toString()));
    QVERIFY(link["public_url"].toString().contains(token));
    QCOMPARE(link["path"].toString(), QString("/Docs/a.txt"));
    QCOMPARE(link["expires_in"].toInt(), 72);
    QVERIFY(QDateTime::fromString(link["created_at"].toString(), Qt::ISODate).isValid());
    QVERIFY(link["revoked_at"].isNull());
    QCOMPARE(shared.json["object"]["label"].toString(), QString("a.txt"));

    // The link itself serves the file to anyone, under its name, and counts the visit.
    const auto visit = [this](const QString &url) {
        httplib::Client client(target->baseUrl().toString().toStdString());
        const httplib::Result result = client.Get(QUrl(url).path().toStdString());
        return result ? std::make_pair(result->status,
                                       QByteArray::fromStdString(result->body) + '|' +
                                           QByteArray::fromStdString(
                                               result->get_header_value("Content-Disposition")))
                      : std::make_pair(0, QByteArray());
    };
    const auto served = visit(link["public_url"].toString());
    QCOMPARE(served.first, 200);
    QCOMPARE(served.second, QByteArray("alpha|attachment; filename=\"a.txt\"; "
                                       "filename*=UTF-8''a.txt"));
    QCOMPARE(get("/sharelinks/list").json["share_links"][0]["visit_count"].toInt(), 1);
    QCOMPARE(visit(server.baseUrl().toString() + "/s/0123").first, 404);

    // Sharing again gives the same live link; other paths get their own.
    QCOMPARE(share("Docs/a.txt", 72).json["share"]["token"].toString(), token);
    const QString folderToken = share("/Docs", "24").json["share"]["token"].toString();
    QVERIFY(!folderToken.isEmpty() && folderToken != token);
    QCOMPARE(share("/Docs/nope.txt", "72").status, 404);
    for (const QJsonValue &bad :
         {QJsonValue("soon"), QJsonValue(-1), QJsonValue(1.5), QJsonValue()})
        QCOMPARE(share("/Docs/a.txt", bad).status, 400);
    QCOMPARE(post("/shares.json", {{"path", "/Docs/a.txt"}}).status, 400);

    // Pages in creation order.
    const auto page = [this](const QByteArray &query) {
        const Reply reply = send("GET", "/api/v1/sharelinks/list" + query);
        QStringList tokens;
        for (const QJsonValue &entry : reply.json["share_links"].toArray())
            tokens.append(entry["token"].toString());
        return reply.status == 200 ? tokens : QStringList{QString::number(reply.status)};
    };
    QCOMPARE(page("?limit=200&offset=0"), QStringList({token, folderToken}));
    QCOMPARE(page("?limit=1&offset=1"), QStringList{folderToken});
    QCOMPARE(page("?limit=5&offset=2"), QStringList());
    QCOMPARE(page("?limit=-1&offset=0"), QStringList{"400"});
    QCOMPARE(page("?limit=1&offset=x"), QStringList{"400"});

    // Revoking keeps the link listed, with its date; a new share makes a new link.
    const Reply revoked = post("/shares/" + token.toUtf8() + "/revoke", {{"token", token}});
    QCOMPARE(revoked.status, 200);
    QVERIFY(QDateTime::fromString(revoked.json["share"]["revoked_at"].toString(), Qt::ISODate)
                .isValid());
    QCOMPARE(post("/shares/" + token.toUtf8() + "/revoke", {}).json["share"]["revoked_at"],
             revoked.json["share"]["revoked_at"]);
    QCOMPARE(post("/shares/0123/revoke", {}).status, 404);
    QCOMPARE(visit(link["public_url"].toString()).first, 404);
    const QJsonObject lapsed = share("/Docs/Sub/b.txt", 0).json["share"].toObject();
    QVERIFY(!lapsed["public_url"].toString().isEmpty());
    QCOMPARE(visit(lapsed["public_url"].toString()).first, 404);
    const QString renewed = share("/Docs/a.txt", "72").json["share"]["token"].toString();
    QVERIFY(!renewed.isEmpty() && renewed != token);
    QCOMPARE(page("?limit=10&offset=0"),
             QStringList({token, folderToken, lapsed["token"].toString(), renewed}));

    // Other users neither see nor revoke the links.
    session = demo;
    QVERIFY(!page("?limit=1000&offset=0").contains(folderToken));
    QCOMPARE(post("/shares/" + folderToken.toUtf8() + "/revoke", {}).status, 404);

    // E-mail: each recipient is accepted or gets an error.
    const Reply mailed =
        post("/sharelinks/email",
             {{"link", link["public_url"]},
              {"filename", "a.txt"},
              {"emails", QJsonArray{"ann@example.org", "not an address", "bob@example.org"}},
              {"message", "Look"}});
    QCOMPARE(mailed.status, 200);
    QCOMPARE(mailed.json["recps"].toArray(), QJsonArray({"ann@example.org", "bob@example.org"}));
    QCOMPARE(mailed.json["filename"].toString(), QString("a.txt"));
    QCOMPARE(mailed.json["errors"].toArray().size(), 1);
    QVERIFY(mailed.json["errors"][0].toString().contains("not an address"));
    QCOMPARE(post("/sharelinks/email", {{"link", "x"}, {"emails", "ann@example.org"}}).status, 400);
    QCOMPARE(post("/sharelinks/email", {{"emails", QJsonArray{"ann@example.org"}}}).status, 400);
}

void TestKerloLocalObjects::thumbnails()
{
    struct Expected
    {
        QSize size;
        int edge;
        bool png;
        int green; // tells the images apart
    };
    const QStringList sizeNames{"xs", "s", "m", "l", "xl"};
    const QList<int> edges{32, 64, 128, 512, 1024};
    QJsonObject destinations;
    QMap<QString, Expected> expected;
    for (int i = 0; i < 50; ++i) {
        const bool png = i % 2 == 0;
        QImage image(60 + i * 13, 40 + (i % 7) * 30,
                     png ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        image.fill(QColor(200, i * 5, 40, png ? 160 : 255));
        const QString name = QStringLiteral("/Thumbs/pic %1%2.%3")
                                 .arg(i)
                                 .arg(i % 10 == 3 ? QString::fromUtf8("\xc3\xbc") : QString())
                                 .arg(png ? "png" : "jpg");
        QVERIFY(
            !server.seedFile(demoEmail, name, encodedImage(image, png ? "PNG" : "JPEG")).isEmpty());
        // Keys as the client has them: some without the leading "/", some uncleaned.
        const QString key = i % 3 == 0   ? name.mid(1)
                            : i % 3 == 1 ? name
                                         : "/Thumbs//" + name.mid(8);
        destinations.insert(key, QJsonArray{sizeNames[i % 5]});
        expected.insert(key, {image.size(), edges[i % 5], png, i * 5});
    }
    QVERIFY(!server.seedFile(demoEmail, "/Thumbs/notes.txt", "not an image").isEmpty());
    const QStringList failing{"/Thumbs/notes.txt", "/Thumbs", "/Thumbs/missing.png",
                              "/Thumbs/../pic 1.jpg"};
    for (const QString &path : failing)
        destinations.insert(path, QJsonArray{"m"});
    destinations.insert("Thumbs/pic 0.png", QJsonArray{"huge", "xs"});

    const Reply reply = post("/thumbnail", {{"destinations", destinations}});
    QCOMPARE(reply.status, 200);
    QVERIFY(std::all_of(reply.thumbnails.begin(), reply.thumbnails.end(),
                        [](char c) { return c > 0x1f && c < 0x7f; }));
    QVERIFY(reply.thumbnails.contains("\\u00fc"));
    const QJsonObject index = QJsonDocument::fromJson(reply.thumbnails).object();
    QCOMPARE(index.keys(), destinations.keys());

    for (const QString &path : failing) {
        QVERIFY2(index[path]["error"].isDouble(), qPrintable(path));
        QVERIFY(!index[path]["message"].toString().isEmpty());
    }
    QVERIFY(index["Thumbs/pic 0.png"]["huge"]["error"].isDouble());

    // The slices tile the body, and each is its own image, fitted into its edge.
    QList<std::pair<int, int>> slices;
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        const Expected &image = it.value();
        const QJsonObject entry = index[it.key()][sizeNames[edges.indexOf(image.edge)]].toObject();
        const int offset = entry["offset"].toInt(-1);
        const int length = entry["length"].toInt();
        slices.append({offset, length});
        const QByteArray bytes = reply.body.mid(offset, length);
        QVERIFY(bytes.startsWith(image.png ? QByteArray("\x89PNG") : QByteArray("\xff\xd8")));
        const QImage thumbnail = QImage::fromData(bytes);
        QVERIFY2(!thumbnail.isNull(), qPrintable(it.key()));
        const QSize size = image.size;
        QCOMPARE(std::max(thumbnail.width(), thumbnail.height()),
                 std::min(image.edge, std::max(size.width(), size.height())));
        QVERIFY(std::abs(thumbnail.width() * size.height() - thumbnail.height() * size.width()) <=
                std::max(size.width(), size.height()));
        const QColor centre = thumbnail.pixelColor(thumbnail.width() / 2, thumbnail.height() / 2);
        QVERIFY2(std::abs(centre.green() - image.green) <= 6, qPrintable(it.key()));
    }
    std::sort(slices.begin(), slices.end());
    int end = 0;
    for (const auto &slice : slices) {
        QCOMPARE(slice.first, end);
        end += slice.second;
    }
    QCOMPARE(end, reply.body.size());

    QCOMPARE(post("/thumbnail", {{"destinations", QJsonArray{"/Thumbs/pic 1.jpg"}}}).status, 400);
}

void TestKerloLocalObjects::persistence()
{
    KerloLocal restarted;
    QVERIFY(restarted.start());
    target = &restarted;
    session = signIn(demoEmail, demoPassword);
    const QString cursor = get("/objects/delta/").json["cursor"].toString();
    QVERIFY(!restarted.seedFile(demoEmail, "/Kept/a.txt", "kept").isEmpty());
    QCOMPARE(post("/objects/copy", {{"source", "/Kept"}, {"destination", "/Copy"}}).status, 200);
    QCOMPARE(post("/objects/delete", {{"paths", QJsonArray{"/Kept/a.txt"}}}).status, 200);
    const QString link =
        post("/shares.json", {{"share", QJsonObject{{"path", "/Copy"}, {"expires_in", "72"}}}})
            .json["share"]["token"]
            .toString();
    QVERIFY(!link.isEmpty());
    const Reply list = get("/objects/list");
    const Reply copy = get("/objects/list", "/Copy");
    const Reply delta = get("/objects/delta/", cursor);
    const Reply links = send("GET", "/api/v1/sharelinks/list?limit=10&offset=0");
    const Reply check = post("/objects/metadata", {{"paths", QJsonArray{"Kept/a.txt"}}});
    const qint64 used = get("/me.json").json["user"]["used_size"].toDouble();

    QVERIFY(restarted.restart());
    QVERIFY(restarted.exitedCleanly());
    QCOMPARE(get("/objects/list").json, list.json);
    QCOMPARE(get("/objects/list", "/Copy").json, copy.json);
    QCOMPARE(get("/objects/delta/", cursor).json, delta.json);
    QCOMPARE(send("GET", "/api/v1/sharelinks/list?limit=10&offset=0").json, links.json);
    QCOMPARE(post("/objects/metadata", {{"paths", QJsonArray{"Kept/a.txt"}}}).json, check.json);
    QCOMPARE(get("/me.json").json["user"]["used_size"].toDouble(), used);
    QCOMPARE(used, qint64(4));

    // The journal goes on after a restart.
    QCOMPARE(send("POST", "/api/v1/objects/mkdir/After").status, 200);
    const QJsonArray after = get("/objects/delta/", cursor).json["updates"].toArray();
    QCOMPARE(after.size(), delta.json["updates"].toArray().size() + 1);
    QCOMPARE(after.last()["path"].toString(), QString("/After"));
    QVERIFY(restarted.restart());
    QCOMPARE(get("/objects/delta/", cursor).json["updates"].toArray(), after);

    // A damaged tree (a file in no folder) is an error for its user, never an empty store.
    restarted.stop();
    QVERIFY(tamper(restarted.dataPath(),
                   "INSERT INTO objects VALUES(1, '/Nowhere/x', 0, 0, '', 0, 'v', 0)"));
    QVERIFY(restarted.start());
    for (const QString &path : {QString(), QString("/Copy")}) {
        const Reply broken = get("/objects/list", path);
        QCOMPARE(broken.status, 500);
        QVERIFY(hasErrorList(broken.json, false));
    }
    QCOMPARE(get("/objects/metadata", "/Copy").status, 500);
    const Reply failedDelete = post("/objects/delete", {{"paths", QJsonArray{"/Copy"}}});
    QCOMPARE(failedDelete.status, 500);
    QVERIFY(hasErrorList(failedDelete.json, true));
    QVERIFY(!restarted.createUser("fresh@example.org", "pw").isEmpty());
    session = signIn("fresh@example.org", "pw");
    QCOMPARE(get("/objects/list").status, 200);
    restarted.stop();
    QVERIFY(restarted.exitedCleanly());
}

void TestKerloLocalObjects::killedMidChange()
{
    KerloLocal killed;
    QVERIFY(killed.start());
    target = &killed;
    session = signIn(demoEmail, demoPassword);
    const QString cursor = get("/objects/delta/").json["cursor"].toString();
    QCOMPARE(send("POST", "/api/v1/objects/mkdir/Before").status, 200);

    // mkdir of /Killed/Deep writes two folders, two journal entries and the journal's length:
    // the process dies after the folders, between the entries, and before the commit.
    for (int statements : {2, 3, 5}) {
        QCOMPARE(killed.control("POST", "/database/kill", {{"after_statements", statements}}), 200);
        QVERIFY(send("POST", "/api/v1/objects/mkdir/Killed/Deep").status != 200);
        QVERIFY(killed.restart());
        QCOMPARE(get("/objects/metadata", "/Killed").status, 404);
        const QJsonArray updates = get("/objects/delta/", cursor).json["updates"].toArray();
        QCOMPARE(updates.size(), 1);
        QCOMPARE(updates[0]["path"].toString(), QString("/Before"));
    }

    // Unhindered, the change and both entries land together, and stay.
    QCOMPARE(send("POST", "/api/v1/objects/mkdir/Killed/Deep").status, 200);
    QVERIFY(killed.restart());
    QStringList journalled;
    for (const QJsonValue &entry : get("/objects/delta/", cursor).json["updates"].toArray())
        journalled.append(entry["path"].toString());
    QCOMPARE(journalled, QStringList({"/Before", "/Killed", "/Killed/Deep"}));
    QCOMPARE(get("/objects/metadata", "/Killed/Deep").status, 200);
    killed.stop();
}

void TestKerloLocalObjects::largeFolders()
{
    const QString cursor = get("/objects/delta/").json["cursor"].toString();
    const auto seed = [this](const QJsonObject &fields) {
        QJsonObject body{{"email", demoEmail}, {"folder", "/Large"}};
        for (auto it = fields.begin(); it != fields.end(); ++it)
            body.insert(it.key(), it.value());
        QByteArray reply;
        const int status = server.control("POST", "/objects/seed", body, &reply);
        return std::make_pair(status, QJsonDocument::fromJson(reply)["added"].toInt(-1));
    };
    QCOMPARE(seed({{"count", 3000}}), std::make_pair(200, 3000));
    // Names that are taken are skipped; files are named apart from folders.
    QCOMPARE(seed({{"count", 3001}}), std::make_pair(200, 1));
    QCOMPARE(seed({{"count", 2}, {"files", true}}), std::make_pair(200, 2));
    QCOMPARE(seed({{"count", -1}}).first, 400);
    QCOMPARE(seed({{"count", 1}, {"folder", "/Large/item-000001.txt/x"}}).first, 412);

    const QJsonArray listed = get("/objects/list", "/Large").json["objects"].toArray();
    QCOMPARE(listed.size(), 3003);
    QCOMPARE(listed.first()["label"].toString(), QString("item-000001"));
    QCOMPARE(listed.first()["type"].toString(), QString("directory"));
    QCOMPARE(get("/objects/metadata", "/Large/item-000002.txt").json["object"]["hash"].toString(),
             QString("d41d8cd98f00b204e9800998ecf8427e"));
    // Journalled like any other change: the folder, then each object.
    QCOMPARE(get("/objects/delta/", cursor).json["updates"].toArray().size(), 1 + 3003);

    // Pictures sharing one content, and a large file of pattern bytes.
    QCOMPARE(seed({{"count", 2}, {"files", true}, {"content", "GIF89a"}, {"suffix", ".gif"}}),
             std::make_pair(200, 2));
    QCOMPARE(seed({{"count", 1}, {"content", "x"}}).first, 400);
    QCOMPARE(seed({{"count", 1}, {"files", true}, {"suffix", "a/b"}}).first, 400);
    const QJsonObject picture =
        get("/objects/metadata", "/Large/item-000002.gif").json["object"].toObject();
    QCOMPARE(picture["size"].toInt(), 6);
    QCOMPARE(picture["hash"].toString(), md5Hex("GIF89a"));
    constexpr int patternSize = 3 * 1024 * 1024 + 7;
    QByteArray pattern(patternSize, Qt::Uninitialized);
    for (int i = 0; i < patternSize; ++i)
        pattern[i] = char(i % 251);
    QByteArray reply;
    QCOMPARE(server.control(
                 "POST", "/objects",
                 {{"email", demoEmail}, {"path", "/Large/big.bin"}, {"size", patternSize}}, &reply),
             200);
    QCOMPARE(QJsonDocument::fromJson(reply)["object"]["hash"].toString(), md5Hex(pattern));
    QCOMPARE(send("GET", "/api/v1/object/Large/big.bin").body, pattern);
    QCOMPARE(server.control("POST", "/objects",
                            {{"email", demoEmail}, {"path", "/Large/x"}, {"size", -1}}),
             400);

    // The same from the command line, before the server listens.
    KerloLocal seeded;
    KerloLocal::Options options;
    options.extraArguments = QStringList{"--seed", demoEmail + ":/Seeded:50", "--seed-files"};
    QVERIFY(seeded.start(options));
    target = &seeded;
    session = signIn(demoEmail, demoPassword);
    const QJsonArray files = get("/objects/list", "/Seeded").json["objects"].toArray();
    QCOMPARE(files.size(), 50);
    QCOMPARE(files.last()["label"].toString(), QString("item-000050.txt"));
    seeded.stop();
    options.extraArguments = QStringList{"--seed", "nobody@example.org:/Seeded:5"};
    QVERIFY(!seeded.start(options));
}

void TestKerloLocalObjects::demoTree()
{
    KerloLocal seeded;
    KerloLocal::Options options;
    options.extraArguments = QStringList{"--demo-tree", demoEmail};
    QVERIFY(seeded.start(options));
    target = &seeded;
    session = signIn(demoEmail, demoPassword);

    // Path -> content type; the image format QImageReader must find in the bytes.
    QMap<QString, std::pair<QString, QByteArray>> files{
        {"/Documents/Welcome.txt", {"text/plain", {}}},
        {"/Documents/Manual.pdf", {"application/pdf", {}}},
        {"/Photos/Sunset.jpg", {"image/jpeg", "jpeg"}},
        {"/Photos/Badge.gif", {"image/gif", "gif"}},
        {"/Photos/Chart.bmp", {"image/bmp", "bmp"}},
        {"/Photos/Trip/Beach.png", {"image/png", "png"}},
        {"/Photos/Trip/Mountains.jpg", {"image/jpeg", "jpeg"}}};
    if (QImageWriter::supportedImageFormats().contains("webp"))
        files.insert("/Photos/Trip/Harbour.webp", {"image/webp", "webp"});
    const QStringList folders{"/Documents", "/Photos", "/Photos/Trip"};

    // Listings show every object with its type, and nothing else.
    QStringList listed;
    for (const QString &folder : QStringList{"/"} + folders) {
        const Reply listing = get("/objects/list", folder);
        QCOMPARE(listing.status, 200);
        for (const QJsonValue &object : listing.json["objects"].toArray()) {
            const QString path =
                (folder == "/" ? QString() : folder) + "/" + object["label"].toString();
            listed.append(path);
            const bool isFolder = folders.contains(path);
            QCOMPARE(object["type"].toString(), QString(isFolder ? "directory" : "regfile"));
            if (!isFolder)
                QCOMPARE(object["metadata"]["content_type"].toString(), files.value(path).first);
        }
    }
    QStringList expected = folders + files.keys();
    expected.sort();
    listed.sort();
    QCOMPARE(listed, expected);

    // Each file downloads whole, with the hash its metadata announces, and is what its name
    // says; every image gets a thumbnail.
    QJsonObject destinations;
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        const QJsonObject object = get("/objects/metadata", it.key()).json["object"].toObject();
        const Reply download = get("/object", it.key());
        QCOMPARE(download.status, 200);
        QCOMPARE(download.body.size(), object["size"].toInt());
        QCOMPARE(md5Hex(download.body), object["hash"].toString());
        if (it.value().second.isEmpty())
            continue;
        QBuffer buffer(const_cast<QByteArray *>(&download.body));
        QImageReader reader(&buffer);
        QCOMPARE(reader.format(), it.value().second);
        QVERIFY2(std::max(reader.size().width(), reader.size().height()) >= 800,
                 qPrintable(it.key()));
        destinations.insert(it.key(), QJsonArray{"m"});
    }
    const QByteArray pdf = get("/object", "/Documents/Manual.pdf").body;
    QVERIFY(pdf.size() > 2 * 1024 * 1024);
    QVERIFY(pdf.startsWith("%PDF-1.4\n") && pdf.endsWith("%%EOF\n"));
    const int startxref = pdf.lastIndexOf("startxref\n") + 10;
    const int table = pdf.mid(startxref, pdf.indexOf('\n', startxref) - startxref).toInt();
    QVERIFY(pdf.mid(table).startsWith("xref\n0 6\n"));

    const Reply thumbnails = post("/thumbnail", {{"destinations", destinations}});
    QCOMPARE(thumbnails.status, 200);
    const QJsonObject index = QJsonDocument::fromJson(thumbnails.thumbnails).object();
    QCOMPARE(index.keys(), destinations.keys());
    QSet<QRgb> centres;
    for (const QString &path : index.keys()) {
        const QJsonObject slice = index[path]["m"].toObject();
        const QImage thumbnail =
            QImage::fromData(thumbnails.body.mid(slice["offset"].toInt(), slice["length"].toInt()));
        QVERIFY2(!thumbnail.isNull(), qPrintable(path));
        QCOMPARE(std::max(thumbnail.width(), thumbnail.height()), 128);
        centres.insert(thumbnail.pixel(thumbnail.width() / 2, thumbnail.height() / 3));
    }
    QVERIFY2(centres.size() >= index.size() - 1, "the pictures look alike");

    // A restart with the option, and the control call on a store that holds something,
    // add nothing.
    const Reply before = get("/objects/delta/");
    const QString cursor = before.json["cursor"].toString();
    QVERIFY(seeded.restart());
    QCOMPARE(get("/objects/delta/").json["cursor"].toString(), cursor);
    QCOMPARE(get("/objects/delta/", cursor).json["updates"].toArray().size(), 0);
    QByteArray reply;
    QCOMPARE(seeded.control("POST", "/objects/demo-tree", {{"email", demoEmail}}, &reply), 200);
    QCOMPARE(QJsonDocument::fromJson(reply)["added"].toInt(-1), 0);
    QCOMPARE(seeded.control("POST", "/objects/demo-tree", {{"email", "nobody@example.org"}}), 404);

    // Through the control API for a new user: the same tree, journalled.
    QVERIFY(!seeded.createUser("fresh@example.org", "pw").isEmpty());
    session = signIn("fresh@example.org", "pw");
    const QString fresh = get("/objects/delta/").json["cursor"].toString();
    QCOMPARE(seeded.control("POST", "/objects/demo-tree", {{"email", "fresh@example.org"}}, &reply),
             200);
    const int added = QJsonDocument::fromJson(reply)["added"].toInt();
    QCOMPARE(added, folders.size() + files.size());
    QCOMPARE(get("/objects/delta/", fresh).json["updates"].toArray().size(), added);
    QCOMPARE(get("/objects/metadata", "/Photos/Trip/Beach.png").json["object"]["hash"],
             QJsonValue(md5Hex(get("/object", "/Photos/Trip/Beach.png").body)));
    seeded.stop();
    QVERIFY(seeded.exitedCleanly());

    options.extraArguments = QStringList{"--demo-tree", "nobody@example.org"};
    QVERIFY(!seeded.start(options));
}

void TestKerloLocalObjects::oldDataFolder()
{
    // A data folder of the JSON files kerlo-local kept before its database.
    QTemporaryDir parent;
    const QString data = parent.filePath("data");
    QVERIFY(QDir().mkpath(data + "/objects/1"));
    for (const QString &file : {QString("accounts.json"), QString("objects/1/tree.json")}) {
        QFile old(data + "/" + file);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("{}");
    }

    for (int start = 0; start < 2; ++start) {
        QProcess process;
        process.start(KERLO_LOCAL_PATH, {"--port", "0", "--data", data, "--exit-with-parent"});
        QVERIFY(process.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(process.canReadLine(), 30000);
        const QByteArray first = process.readLine();
        QVERIFY2(first.startsWith("kerlo-local listening on http://"), first.constData());
        process.terminate();
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 0);

        // Set aside whole beside the folder, said so, and a fresh folder in its place; the
        // second start finds the database and leaves it.
        const QStringList aside =
            QDir(parent.path()).entryList({"data.json-*"}, QDir::Dirs | QDir::NoDotAndDotDot);
        QCOMPARE(aside.size(), 1);
        QVERIFY(QFile::exists(parent.filePath(aside.first() + "/objects/1/tree.json")));
        QVERIFY(QFile::exists(data + "/kerlo-local.db"));
        QVERIFY(!QFile::exists(data + "/accounts.json"));
        QCOMPARE(process.readAllStandardError().contains("moved it to"), start == 0);
    }
}

QTEST_GUILESS_MAIN(TestKerloLocalObjects)
#include "tst_kerlolocalobjects.moc"

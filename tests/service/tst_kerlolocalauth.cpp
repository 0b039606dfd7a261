#include "kerlolocal.h"
#include "testdata.h"

#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

using TestData::demoEmail;
using TestData::demoPassword;
const QString &clientId = TestData::clientCredential;
const QString clientSecret = QStringLiteral("fedcba9876543210").repeated(4);
const QByteArray deviceUuid = "00112233445566778899aabbccddeeff";
const QByteArray userAgent =
    "os: Debian GNU/Linux 12 (bookworm); name: test-host; uuid: " + deviceUuid +
    "; app-identifier: tests;";

struct Reply
{
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    int status = 0;
    QJsonObject json;
    QByteArray wwwAuthenticate;
};

struct Session
{
    QString apiKey;
    QString accessToken;
    QString refreshToken;
};

// Every value fully percent-encoded, "+" included, as the client sends them.
QByteArray form(const std::vector<std::pair<QByteArray, QString>> &fields)
{
    QByteArray body;
    for (const auto &field : fields) {
        if (!body.isEmpty())
            body += '&';
        body += field.first + '=' + QUrl::toPercentEncoding(field.second);
    }
    return body;
}

QByteArray tokenForm(const QString &apiKey)
{
    return form({{"grant_type", QStringLiteral("password")},
                 {"client_id", clientId},
                 {"client_secret", clientSecret},
                 {"auth_token", apiKey}});
}

QByteArray refreshForm(const QString &refreshToken)
{
    return form({{"grant_type", QStringLiteral("refresh_token")},
                 {"refresh_token", refreshToken},
                 {"client_id", clientId},
                 {"client_secret", clientSecret}});
}

} // namespace

class TestKerloLocalAuth : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void signInAndDevices();
    void devicesAreBounded();
    void refusedSignIn();
    void malformedRequests();
    void formValuesRoundTrip_data();
    void formValuesRoundTrip();
    void expiryAndRefresh();
    void signatureChecks();
    void controlUsers();
    void persistence();

private:
    Reply send(const QUrl &url, const QByteArray &method, const QByteArray &body = {},
               const QMap<QByteArray, QByteArray> &headers = {});
    Reply postForm(const QString &path, const QByteArray &body);
    Reply me(const Session &session, const QByteArray &agent = userAgent);
    Session signIn(const QString &email, const QString &password);
    QUrl url(const QString &path) const { return target->url(path); }

    KerloLocal server;
    KerloLocal *target = &server; // the server the helpers talk to
    QNetworkAccessManager manager;
};

void TestKerloLocalAuth::initTestCase()
{
    QVERIFY(server.start());
}

void TestKerloLocalAuth::init()
{
    target = &server;
    QVERIFY(server.reset());
}

void TestKerloLocalAuth::cleanupTestCase()
{
    // Under the sanitizers a leak or a fault in any handler above shows as an unclean exit.
    server.stop();
    QVERIFY(server.exitedCleanly());
}

Reply TestKerloLocalAuth::send(const QUrl &url, const QByteArray &method, const QByteArray &body,
                               const QMap<QByteArray, QByteArray> &headers)
{
    QNetworkRequest request(url);
    for (auto it = headers.cbegin(); it != headers.cend(); ++it)
        request.setRawHeader(it.key(), it.value());
    std::unique_ptr<QNetworkReply> reply(manager.sendCustomRequest(request, method, body));
    QSignalSpy finished(reply.get(), &QNetworkReply::finished);
    if (!finished.wait(30000))
        qWarning("no reply from %s", qPrintable(url.toString()));
    Reply result;
    result.error = reply->error();
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.json = QJsonDocument::fromJson(reply->readAll()).object();
    result.wwwAuthenticate = reply->rawHeader("WWW-Authenticate");
    return result;
}

Reply TestKerloLocalAuth::postForm(const QString &path, const QByteArray &body)
{
    return send(url(path), "POST", body,
                {{"Content-Type", "application/x-www-form-urlencoded"}, {"User-Agent", userAgent}});
}

Reply TestKerloLocalAuth::me(const Session &session, const QByteArray &agent)
{
    return send(url("/api/v1/me.json"), "GET", {},
                {{"Authorization", "Bearer " + session.accessToken.toUtf8()},
                 {"M-Auth-Token", session.apiKey.toUtf8()},
                 {"User-Agent", agent}});
}

// An empty session when a step fails.
Session TestKerloLocalAuth::signIn(const QString &email, const QString &password)
{
    const Reply key =
        postForm("/api/v1/key.json", form({{"email", email}, {"password", password}}));
    if (key.status != 200)
        return {};
    const QString apiKey = key.json.value("api_key").toString();
    const Reply token = postForm("/oauth/token.json", tokenForm(apiKey));
    if (token.status != 200)
        return {};
    return {apiKey, token.json.value("access_token").toString(),
            token.json.value("refresh_token").toString()};
}

void TestKerloLocalAuth::signInAndDevices()
{
    const Reply key =
        postForm("/api/v1/key.json", form({{"email", demoEmail}, {"password", demoPassword}}));
    QCOMPARE(key.status, 200);
    const QString apiKey = key.json.value("api_key").toString();
    static const QRegularExpression urlSafe("^[0-9a-f]{32,}$");
    QVERIFY(urlSafe.match(apiKey).hasMatch());

    const Reply token = postForm("/oauth/token.json", tokenForm(apiKey));
    QCOMPARE(token.status, 200);
    QCOMPARE(token.json.value("token_type").toString(), QString("bearer"));
    QCOMPARE(token.json.value("expires_in").toInt(), 3600);
    const Session session{apiKey, token.json.value("access_token").toString(),
                          token.json.value("refresh_token").toString()};
    QVERIFY(urlSafe.match(session.accessToken).hasMatch());
    QVERIFY(urlSafe.match(session.refreshToken).hasMatch());
    QVERIFY(session.accessToken != session.refreshToken);

    const QJsonObject issued = server.tokens().value(demoEmail).toObject();
    QCOMPARE(issued.value("api_key").toString(), apiKey);
    QCOMPARE(issued.value("access_tokens").toArray().last().toString(), session.accessToken);
    QCOMPARE(issued.value("refresh_tokens").toArray().last().toString(), session.refreshToken);

    const Reply signedIn = me(session);
    QCOMPARE(signedIn.status, 200);
    const QJsonObject user = signedIn.json.value("user").toObject();
    QCOMPARE(user.value("email").toString(), demoEmail);
    QCOMPARE(user.value("first_name").toString(), QString("Demo"));
    QCOMPARE(user.value("last_name").toString(), QString("User"));
    QVERIFY(user.value("id").toInt() > 0);
    QVERIFY(user.value("total_size").toDouble() > 0);
    for (const char *field :
         {"used_size", "avatar", "conversation", "online_status", "linked_providers"})
        QVERIFY2(user.contains(field), field);
    QVERIFY(!user.contains("password_hash"));
    QVERIFY(!user.contains("api_key"));

    // The device was registered at the token grant, from the User-Agent.
    const QJsonObject device = signedIn.json.value("device").toObject();
    QCOMPARE(device.value("uuid").toString(), QString(deviceUuid));
    QCOMPARE(device.value("name").toString(), QString("test-host"));
    QCOMPARE(device.value("user_id").toInt(), user.value("id").toInt());
    const QDateTime createdAt =
        QDateTime::fromString(device.value("created_at").toString(), Qt::ISODate);
    QVERIFY(createdAt.isValid());
    QCOMPARE(createdAt.timeSpec(), Qt::UTC);

    // One device per client uuid, and one for clients that send none.
    QCOMPARE(me(session).json.value("device").toObject().value("id"), device.value("id"));
    const QJsonObject other =
        me(session, "os: X; name: laptop; uuid: ffeeddccbbaa99887766554433221100;")
            .json.value("device")
            .toObject();
    QVERIFY(other.value("id") != device.value("id"));
    QCOMPARE(other.value("name").toString(), QString("laptop"));
    const QJsonObject anonymous = me(session, "curl/7.88").json.value("device").toObject();
    QCOMPARE(anonymous.value("uuid").toString(), QString(""));
    QVERIFY(anonymous.value("id") != device.value("id"));
    QCOMPARE(me(session, "").json.value("device").toObject().value("id"), anonymous.value("id"));

    // Another sign-in gets tokens of its own for the same key.
    const Session second = signIn(demoEmail, demoPassword);
    QCOMPARE(second.apiKey, apiKey);
    QVERIFY(second.accessToken != session.accessToken);
    QCOMPARE(me(session).status, 200);
    QCOMPARE(me(second).status, 200);
}

void TestKerloLocalAuth::devicesAreBounded()
{
    // Each new user-agent uuid is a device; the one seen least recently makes room.
    QVERIFY(!server.createUser("devices@example.org", "pw").isEmpty());
    const Session session = signIn("devices@example.org", "pw");
    const auto agent = [](int i) {
        return QStringLiteral("os: X; name: n%1; uuid: %2;")
            .arg(i)
            .arg(i, 32, 16, QLatin1Char('0'))
            .toLatin1();
    };
    const auto deviceId = [&](int i) {
        return me(session, agent(i)).json.value("device").toObject().value("id").toInt();
    };
    constexpr int bound = 20;
    QList<int> ids;
    for (int i = 0; i < bound; ++i)
        ids.append(deviceId(i));
    QCOMPARE(QSet<int>(ids.begin(), ids.end()).size(), bound);
    QCOMPARE(deviceId(0), ids[0]); // known devices stay

    const int newest = deviceId(bound);
    QVERIFY(!ids.contains(newest));
    QCOMPARE(deviceId(bound), newest);
    QCOMPARE(deviceId(bound - 1), ids[bound - 1]);
    // The first is gone: it comes back as a new device, and the session still works.
    const int returned = deviceId(0);
    QVERIFY(returned != ids[0]);
    QVERIFY(returned > newest);
}

void TestKerloLocalAuth::refusedSignIn()
{
    for (const auto &wrong : {std::make_pair(demoEmail, QString("lumarin")),
                              std::make_pair(QString("nobody@kerlo.local"), demoPassword)}) {
        const Reply refused = postForm("/api/v1/key.json",
                                       form({{"email", wrong.first}, {"password", wrong.second}}));
        QCOMPARE(refused.status, 401);
        QCOMPARE(refused.json.value("errors").toArray(), QJsonArray{"Invalid e-mail or password"});
    }

    // Addresses match whatever their case.
    QCOMPARE(postForm("/api/v1/key.json",
                      form({{"email", "Demo@KERLO.local"}, {"password", demoPassword}}))
                 .status,
             200);

    for (const QByteArray &body :
         {QByteArray("email=demo%40kerlo.local"), QByteArray("password=lumarin-demo"),
          QByteArray("email=&password="), QByteArray()}) {
        const Reply missing = postForm("/api/v1/key.json", body);
        QCOMPARE(missing.status, 401);
        QVERIFY(!missing.json.value("error").toString().isEmpty());
        QVERIFY(!missing.json.contains("errors"));
    }

    // The token grant wants a known key and client credentials of the right form.
    const QString apiKey = signIn(demoEmail, demoPassword).apiKey;
    QVERIFY(!apiKey.isEmpty());
    const Reply unknownKey = postForm("/oauth/token.json", tokenForm(apiKey + "0"));
    QCOMPARE(unknownKey.status, 401);
    QCOMPARE(unknownKey.json.value("error").toString(), QString("invalid_grant"));
    for (const auto &client :
         {std::make_pair(clientId.toUpper(), clientSecret),
          std::make_pair(clientId.left(63), clientSecret), std::make_pair(QString(), clientSecret),
          std::make_pair(clientId, QString("secret"))}) {
        const Reply refused = postForm("/oauth/token.json", form({{"grant_type", "password"},
                                                                  {"client_id", client.first},
                                                                  {"client_secret", client.second},
                                                                  {"auth_token", apiKey}}));
        QCOMPARE(refused.status, 401);
        QCOMPARE(refused.json.value("error").toString(), QString("invalid_client"));
    }
    QCOMPARE(postForm("/oauth/token", refreshForm("not-a-token")).status, 401);
    QCOMPARE(postForm("/oauth/token", refreshForm(apiKey)).status, 401);
    const Reply unsupported = postForm("/oauth/token", form({{"grant_type", "client_credentials"},
                                                             {"client_id", clientId},
                                                             {"client_secret", clientSecret}}));
    QCOMPARE(unsupported.status, 400);
    QCOMPARE(unsupported.json.value("error").toString(), QString("unsupported_grant_type"));
}

void TestKerloLocalAuth::malformedRequests()
{
    // Broken escapes and bytes that are not UTF-8 are refused, not guessed at.
    for (const QByteArray &body : {QByteArray("email=demo%40kerlo.local&password=%zz"),
                                   QByteArray("email=demo%40kerlo.local&password=%4"),
                                   QByteArray("email=demo%40kerlo.local&password=%"),
                                   QByteArray("email=%ff%fe&password=x")}) {
        QCOMPARE(postForm("/api/v1/key.json", body).status, 400);
        QCOMPARE(postForm("/oauth/token.json", body).status, 400);
    }
    const QByteArray huge = "email=" + QByteArray(1 << 20, 'a') + "&password=x";
    QCOMPARE(postForm("/api/v1/key.json", huge).status, 413);
    QCOMPARE(send(url("/api/v1/key.json"), "POST", QByteArray("\x00\x01\xff", 3),
                  {{"Content-Type", "application/octet-stream"}})
                 .status,
             400);
    QVERIFY(!signIn(demoEmail, demoPassword).accessToken.isEmpty());
}

void TestKerloLocalAuth::formValuesRoundTrip_data()
{
    QTest::addColumn<QString>("email");
    QTest::addColumn<QString>("password");
    QTest::newRow("plus") << "user+tag@example.org"
                          << "pass+word";
    QTest::newRow("ampersand and equals") << "a&b=c@example.org"
                                          << "x&password=y";
    QTest::newRow("percent") << "100%25@example.org"
                             << "%41%%";
    QTest::newRow("non-ASCII") << QString::fromUtf8("j\xc3\xbcrgen@ex\xc3\xa4mple.org")
                               << QString::fromUtf8(
                                      "p\xc3\xa4sswort \xe2\x82\xac \xf0\x9f\x94\x91");
    QTest::newRow("spaces") << " spaced @example.org"
                            << " a b ";
}

void TestKerloLocalAuth::formValuesRoundTrip()
{
    QFETCH(QString, email);
    QFETCH(QString, password);
    QVERIFY(!server.createUser(email, password).isEmpty());

    const Session session = signIn(email, password);
    QCOMPARE(session.apiKey, server.tokens().value(email).toObject().value("api_key").toString());
    const Reply signedIn = me(session);
    QCOMPARE(signedIn.status, 200);
    QCOMPARE(signedIn.json.value("user").toObject().value("email").toString(), email);

    // A raw "+" is a space in a form, so sent unencoded such a password no longer matches.
    const QByteArray raw = "email=" + QUrl::toPercentEncoding(email) +
                           "&password=" + QUrl::toPercentEncoding(password, "+ ");
    const int rawStatus = postForm("/api/v1/key.json", raw).status;
    QCOMPARE(rawStatus, password.contains('+') ? 401 : 200);
    if (!password.contains(' '))
        return;
    QString plussed = password;
    plussed.replace(' ', '+');
    QCOMPARE(postForm("/api/v1/key.json",
                      "email=" + QUrl::toPercentEncoding(email) + "&password=" + plussed.toUtf8())
                 .status,
             200);
}

void TestKerloLocalAuth::expiryAndRefresh()
{
    const QString email = QStringLiteral("expiry@example.org");
    QVERIFY(!server.createUser(email, "secret").isEmpty());
    const Session session = signIn(email, "secret");
    const Session bystander = signIn(demoEmail, demoPassword);
    QCOMPARE(me(session).status, 200);

    // Expiring one user's tokens leaves the others alone.
    QVERIFY(server.expireTokens(email));
    const Reply expired = me(session);
    QCOMPARE(expired.status, 401);
    QCOMPARE(expired.json.value("error").toString(), QString("invalid_token"));
    // Qt reports the 401 as an authentication error even with a Bearer challenge.
    QCOMPARE(expired.error, QNetworkReply::AuthenticationRequiredError);
    QVERIFY(expired.wwwAuthenticate.startsWith("Bearer"));
    QCOMPARE(me(bystander).status, 200);

    const Reply refreshed = postForm("/oauth/token", refreshForm(session.refreshToken));
    QCOMPARE(refreshed.status, 200);
    QCOMPARE(refreshed.json.value("token_type").toString(), QString("bearer"));
    QCOMPARE(refreshed.json.value("refresh_token").toString(), session.refreshToken);
    QCOMPARE(refreshed.json.value("expires_in").toInt(), 3600);
    Session renewed = session;
    renewed.accessToken = refreshed.json.value("access_token").toString();
    QVERIFY(renewed.accessToken != session.accessToken);
    QCOMPARE(me(renewed).status, 200);
    QCOMPARE(me(session).status, 401);

    // Without an e-mail every user's tokens expire.
    QVERIFY(server.expireTokens());
    QCOMPARE(me(renewed).status, 401);
    QCOMPARE(me(bystander).status, 401);

    QVERIFY(server.revokeRefreshTokens(email));
    const Reply revoked = postForm("/oauth/token", refreshForm(session.refreshToken));
    QCOMPARE(revoked.status, 401);
    QCOMPARE(revoked.json.value("error").toString(), QString("invalid_grant"));
    QCOMPARE(postForm("/oauth/token", refreshForm(bystander.refreshToken)).status, 200);
    QVERIFY(server.revokeRefreshTokens());
    QCOMPARE(postForm("/oauth/token", refreshForm(bystander.refreshToken)).status, 401);

    // A new sign-in starts over.
    QCOMPARE(me(signIn(email, "secret")).status, 200);
}

void TestKerloLocalAuth::signatureChecks()
{
    const Session session = signIn(demoEmail, demoPassword);
    QVERIFY(!session.accessToken.isEmpty());
    QVERIFY(!server.createUser("other@example.org", "other").isEmpty());
    const Session other = signIn("other@example.org", "other");
    QVERIFY(!other.accessToken.isEmpty());

    const QByteArray bearer = "Bearer " + session.accessToken.toUtf8();
    const QByteArray key = session.apiKey.toUtf8();
    const QUrl unbuilt = url("/api/v1/objects/list");
    using Headers = QMap<QByteArray, QByteArray>;
    const std::vector<std::pair<const char *, Headers>> refused{
        {"no headers", {}},
        {"no API key", {{"Authorization", bearer}}},
        {"empty API key", {{"Authorization", bearer}, {"M-Auth-Token", ""}}},
        {"no token", {{"M-Auth-Token", key}}},
        {"empty headers", {{"Authorization", ""}, {"M-Auth-Token", ""}}},
        {"another user's key",
         {{"Authorization", bearer}, {"M-Auth-Token", other.apiKey.toUtf8()}}},
        {"another scheme",
         {{"Authorization", "Basic " + session.accessToken.toUtf8()}, {"M-Auth-Token", key}}},
        {"bare token", {{"Authorization", session.accessToken.toUtf8()}, {"M-Auth-Token", key}}},
        {"key as token", {{"Authorization", "Bearer " + key}, {"M-Auth-Token", key}}},
        {"refresh token",
         {{"Authorization", "Bearer " + session.refreshToken.toUtf8()}, {"M-Auth-Token", key}}},
    };
    for (const auto &attempt : refused) {
        for (const QUrl &endpoint : {url("/api/v1/me.json"), unbuilt}) {
            const Reply reply = send(endpoint, "GET", {}, attempt.second);
            QVERIFY2(reply.status == 401, attempt.first);
            QCOMPARE(reply.json.value("error").toString(), QString("invalid_token"));
        }
    }

    // Past the check, a route that does not exist yet is simply not found.
    const Reply notFound = send(
        unbuilt, "POST", "{}",
        {{"Authorization", bearer}, {"M-Auth-Token", key}, {"Content-Type", "application/json"}});
    QCOMPARE(notFound.status, 404);
    QCOMPARE(notFound.json.value("errors").toArray(), QJsonArray{"Not found"});
    QCOMPARE(
        send(url("/api/v1/me.json"), "GET", {},
             {{"Authorization", "bEaReR  " + session.accessToken.toUtf8()}, {"M-Auth-Token", key}})
            .status,
        200);

    // Unsigned: the probe and the sign-in steps.
    QCOMPARE(send(url("/api/v1"), "GET").status, 200);
    QCOMPARE(send(url("/api/v1/"), "GET").status, 200);
    QCOMPARE(send(url("/api/v1/key.json"), "GET").status, 404);

    // Refused requests reach the log like any other.
    const QJsonArray requests = server.requests();
    QVERIFY(std::any_of(requests.begin(), requests.end(), [](const QJsonValue &request) {
        return request.toObject().value("path").toString() == "/api/v1/objects/list";
    }));
}

void TestKerloLocalAuth::controlUsers()
{
    const QJsonObject created = server.createUser("full@example.org", "pw",
                                                  {{"first_name", "Ada"},
                                                   {"last_name", "Byron"},
                                                   {"used_size", 1000},
                                                   {"total_size", 5000},
                                                   {"avatar_url", "http://127.0.0.1:1/a.png"},
                                                   {"online_status", 1}});
    QVERIFY(!created.isEmpty());

    const Reply signedIn = me(signIn("full@example.org", "pw"));
    QCOMPARE(signedIn.status, 200);
    const QJsonObject user = signedIn.json.value("user").toObject();
    QCOMPARE(user, created);
    QCOMPARE(user.value("first_name").toString(), QString("Ada"));
    QCOMPARE(user.value("used_size").toInt(), 1000);
    QCOMPARE(user.value("total_size").toInt(), 5000);
    QCOMPARE(user.value("avatar").toObject().value("url").toString(),
             QString("http://127.0.0.1:1/a.png"));
    QCOMPARE(user.value("online_status").toInt(), 1);

    QCOMPARE(server.control("POST", "/users", {{"email", "FULL@example.org"}, {"password", "x"}}),
             409);
    QCOMPARE(server.control("POST", "/users", {{"email", demoEmail}, {"password", "x"}}), 409);
    for (const QJsonObject &bad : std::vector<QJsonObject>{
             {{"email", "new@example.org"}},
             {{"password", "x"}},
             {{"email", 5}, {"password", "x"}},
             {{"email", "new@example.org"}, {"password", "x"}, {"first_name", 1}},
             {{"email", "new@example.org"}, {"password", "x"}, {"total_size", -1}},
             {{"email", "new@example.org"}, {"password", "x"}, {"used_size", 1.5}},
             {{"email", "new@example.org"}, {"password", "x"}, {"online_status", "on"}}}) {
        QCOMPARE(server.control("POST", "/users", bad), 400);
    }
    QVERIFY(!server.tokens().contains("new@example.org"));

    // Bodies that are not JSON objects get a 400, never a crash.
    for (const QByteArray &body :
         {QByteArray("{\"email\":"), QByteArray("[1]"), QByteArray("\xff")}) {
        for (const char *path : {"/__control/users", "/__control/expire-tokens"})
            QCOMPARE(send(url(path), "POST", body, {{"Content-Type", "application/json"}}).status,
                     400);
    }
    QCOMPARE(server.control("POST", "/expire-tokens", {{"email", 3}}), 400);
    QCOMPARE(server.control("POST", "/expire-tokens", {{"email", "nobody@example.org"}}), 404);
    QCOMPARE(server.control("POST", "/revoke-refresh-tokens", {{"email", "nobody@example.org"}}),
             404);
}

void TestKerloLocalAuth::persistence()
{
    KerloLocal restarted;
    QVERIFY(restarted.start());
    target = &restarted;
    QVERIFY(!restarted.createUser("kept@example.org", "kept").isEmpty());
    const Session session = signIn("kept@example.org", "kept");
    const Reply before = me(session);
    QCOMPARE(before.status, 200);
    const Session demo = signIn(demoEmail, demoPassword);
    QVERIFY(restarted.expireTokens(demoEmail));
    // Last, so that no later change writes its token for it.
    Session refreshed = session;
    refreshed.accessToken = postForm("/oauth/token", refreshForm(session.refreshToken))
                                .json.value("access_token")
                                .toString();

    QVERIFY(restarted.restart());
    QVERIFY(restarted.exitedCleanly());

    // Users, keys, tokens, devices and expiries all survive; the demo is not seeded twice.
    const Reply after = me(session);
    QCOMPARE(after.status, 200);
    QCOMPARE(after.json, before.json);
    QCOMPARE(me(refreshed).status, 200);
    QCOMPARE(me(demo).status, 401);
    QCOMPARE(signIn("kept@example.org", "kept").apiKey, session.apiKey);
    QCOMPARE(postForm("/oauth/token", refreshForm(session.refreshToken)).status, 200);
    QCOMPARE(restarted.tokens().keys(), QStringList({demoEmail, "kept@example.org"}));

    // Ids go on from where they were.
    const QJsonObject newcomer = restarted.createUser("new@example.org", "new");
    QVERIFY(newcomer.value("id").toInt() > before.json["user"]["id"].toInt());
    const QJsonObject newDevice =
        me(session, "os: X; name: n; uuid: 99999999999999999999999999999999;")
            .json["device"]
            .toObject();
    QVERIFY(newDevice.value("id").toInt() > before.json["device"]["id"].toInt());

    // A damaged store stops the server rather than starting it empty.
    restarted.stop();
    QVERIFY(restarted.exitedCleanly());
    {
        QSqlDatabase store = QSqlDatabase::addDatabase("QSQLITE", "tamper");
        store.setDatabaseName(restarted.dataPath() + "/kerlo-local.db");
        QVERIFY(store.open());
        QVERIFY(QSqlQuery(store).exec("UPDATE users SET record = '{\"users\": ['"));
        store.close();
    }
    QSqlDatabase::removeDatabase("tamper");
    QVERIFY(!restarted.start());
}

QTEST_GUILESS_MAIN(TestKerloLocalAuth)
#include "tst_kerlolocalauth.moc"

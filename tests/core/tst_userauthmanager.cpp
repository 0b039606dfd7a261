#include "kerlolocal.h"
#include "logcapture.h"
#include "mnetworkrequestmanager.h"
#include "muserauthmanager.h"
#include "signedincore.h"
#include "tolvoappimpl.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using TestData::demoEmail;
using TestData::demoPassword;
const QStringList credentialKeys{QStringLiteral("MAuthToken"), QStringLiteral("MOAuthToken"),
                                 QStringLiteral("MOAuthTokenType"), QStringLiteral("MRefreshToken"),
                                 QStringLiteral("MUsername")};

// A sign-in manager with a request manager of its own, wired as the application wires them.
struct Session
{
    Session() { auth.setNetworkRequestManager(&network); }

    MNetworkRequestManager network;
    MUserAuthManager auth;
};

} // namespace

class TestUserAuthManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void nothingStored();
    void firstSignIn();
    void startWithStoredCredentials_data();
    void startWithStoredCredentials();
    void signInRefused_data();
    void signInRefused();
    void checkWithoutTheAccountFails_data();
    void checkWithoutTheAccountFails();
    void formValuesAreEncoded_data();
    void formValuesAreEncoded();
    void doubleSubmittedSignIn();
    void refusedNewTokenSignsOut();
    void refreshReplies();
    void failedRefreshCanBeRetried();
    void passingFailuresKeepTheSession_data();
    void passingFailuresKeepTheSession();
    void refusedRefresh_data();
    void refusedRefresh();

    // Runs last: every flow above has logged by then.
    void logHoldsNoSecret();

private:
    bool signIn(Session &session, const QString &email = demoEmail,
                const QString &password = demoPassword);
    QUrl url(const QString &path) const { return server.url(path); }
    QJsonArray logged(const QString &path) const { return server.requestsTo(path); }
    QStringList loggedPaths() const;
    QJsonObject issued(const QString &email = demoEmail) const;
    void verifyStoredCredentials(const QString &email = demoEmail);

    SignedInCore core;
    KerloLocal &server = core.server();
    MemoryAuthStore &store = core.store();
    // Passwords and tokens that must never reach the log.
    QStringList secrets{demoPassword};
};

bool TestUserAuthManager::signIn(Session &session, const QString &email, const QString &password)
{
    QSignalSpy signedIn(&session.auth, &MUserAuthManager::authorizationSuccess);
    session.auth.authenticateUser(email, password);
    return signedIn.wait() && session.auth.state() == MUserAuthManager::Authorized;
}

QStringList TestUserAuthManager::loggedPaths() const
{
    QStringList paths;
    for (const QJsonValue &entry : server.requests())
        paths << entry.toObject().value(QLatin1String("path")).toString();
    return paths;
}

QJsonObject TestUserAuthManager::issued(const QString &email) const
{
    return server.tokens().value(email).toObject();
}

void TestUserAuthManager::verifyStoredCredentials(const QString &email)
{
    // Exactly the five keys, never the password, and the tokens the service handed out last.
    const QVariantMap stored = store.authInfo();
    QCOMPARE(stored.keys(), credentialKeys);
    const QJsonObject tokens = issued(email);
    QCOMPARE(stored.value("MUsername").toString(), email);
    QCOMPARE(stored.value("MAuthToken").toString(), tokens.value("api_key").toString());
    QCOMPARE(stored.value("MOAuthTokenType").toString(), QStringLiteral("Bearer"));
    QCOMPARE(stored.value("MOAuthToken").toString(),
             tokens.value("access_tokens").toArray().last().toString());
    QCOMPARE(stored.value("MRefreshToken").toString(),
             tokens.value("refresh_tokens").toArray().last().toString());
}

void TestUserAuthManager::initTestCase()
{
    LogCapture::install();
    QVERIFY(core.start());
}

void TestUserAuthManager::init()
{
    QVERIFY(server.reset());
    store.clear();
    TolvoApp::instance()->setConnectivityStatus(TolvoApp::Online);
}

void TestUserAuthManager::nothingStored()
{
    Session session;
    QSignalSpy needed(&session.auth, &MUserAuthManager::needAuthenticationDetails);
    QSignalSpy loggedOut(&session.auth, &MUserAuthManager::logoutPerformed);
    session.auth.reload();
    QCOMPARE(needed.count(), 1);
    QCOMPARE(session.auth.state(), MUserAuthManager::Idle);

    QVERIFY(!session.auth.refresh());
    bool ok = true;
    const MNetworkRequest request =
        session.auth.createAuthenticatedRequest(url("/api/v1/me.json"), MNetworkRequest::Get, &ok);
    QVERIFY(!ok);
    QVERIFY(request.url().isEmpty());

    session.auth.reset();
    QCOMPARE(needed.count(), 2);
    QCOMPARE(loggedOut.count(), 0);
}

void TestUserAuthManager::firstSignIn()
{
    Session session;
    QStringList events;
    connect(&session.auth, &MUserAuthManager::authenticationSuccess, this,
            [&](const QString &user) { events << "authenticated " + user; });
    connect(&session.auth, &MUserAuthManager::authorizationSuccess, this,
            [&](const QString &user) { events << "authorized " + user; });
    connect(&session.auth, &MUserAuthManager::authenticationFailure, this,
            [&] { events << "failure"; });
    QVERIFY(signIn(session));

    QCOMPARE(events, (QStringList{"authenticated " + demoEmail, "authorized " + demoEmail}));
    QVERIFY(session.auth.isAuthenticated());
    QCOMPARE(session.auth.account().email(), demoEmail);
    QVERIFY(session.auth.device().id() > 0);
    verifyStoredCredentials();
    QCOMPARE(loggedPaths(),
             (QStringList{"/api/v1/key.json", "/oauth/token.json", "/api/v1/me.json"}));

    // The check is signed with what was granted; the grants themselves are not signed.
    const QVariantMap stored = store.authInfo();
    const QJsonObject check = logged("/api/v1/me.json").at(0).toObject();
    const QJsonObject headers = check.value("headers").toObject();
    QCOMPARE(headers.value("authorization").toString(),
             "Bearer " + stored.value("MOAuthToken").toString());
    QCOMPARE(headers.value("m-auth-token").toString(), stored.value("MAuthToken").toString());
    QCOMPARE(headers.value("user-agent").toString(), TolvoApp::instance()->userAgent());
    const QJsonObject grant = logged("/oauth/token.json").at(0).toObject();
    QVERIFY(!grant.value("headers").toObject().contains("authorization"));
    QCOMPARE(grant.value("headers").toObject().value("content-type").toString(),
             QStringLiteral("application/x-www-form-urlencoded"));
}

void TestUserAuthManager::startWithStoredCredentials_data()
{
    QTest::addColumn<bool>("expired");
    QTest::addColumn<QStringList>("paths");
    QTest::newRow("valid token") << false << QStringList{"/api/v1/me.json"};
    QTest::newRow("expired token")
        << true << QStringList{"/api/v1/me.json", "/oauth/token", "/api/v1/me.json"};
}

void TestUserAuthManager::startWithStoredCredentials()
{
    QFETCH(bool, expired);
    QFETCH(QStringList, paths);
    {
        Session previousRun;
        QVERIFY(signIn(previousRun));
    }
    const QVariantMap previous = store.authInfo();
    if (expired)
        QVERIFY(server.expireTokens(demoEmail));
    QVERIFY(server.clearRequests());

    Session session;
    QSignalSpy signedIn(&session.auth, &MUserAuthManager::authorizationSuccess);
    QSignalSpy refreshed(&session.auth, &MUserAuthManager::authorizationRefreshed);
    QSignalSpy failed(&session.auth, &MUserAuthManager::authenticationFailure);
    QSignalSpy loggedOut(&session.auth, &MUserAuthManager::logoutPerformed);
    session.auth.reload();
    QCOMPARE(session.auth.state(), MUserAuthManager::CheckingCredentials);
    QVERIFY(signedIn.wait(20000));

    QCOMPARE(signedIn.at(0).at(0).toString(), demoEmail);
    QCOMPARE(session.auth.state(), MUserAuthManager::Authorized);
    QVERIFY(session.auth.isAuthenticated());
    QCOMPARE(session.auth.account().email(), demoEmail);
    QCOMPARE(refreshed.count() + failed.count() + loggedOut.count(), 0);
    QCOMPARE(loggedPaths(), paths);
    verifyStoredCredentials();
    QCOMPARE(store.authInfo().value("MOAuthToken") != previous.value("MOAuthToken"), expired);
}

void TestUserAuthManager::signInRefused_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("errors");
    // The status the failure reports: 0 when no answer came.
    QTest::addColumn<int>("reported");

    QTest::newRow("wrong password") << "not-the-password" << QString() << 0 << QByteArray()
                                    << QStringList{"Invalid e-mail or password"} << 401;
    QTest::newRow("single error") << demoPassword << "status" << 401
                                  << QByteArray(R"({"error":"account locked"})")
                                  << QStringList{"account locked"} << 401;
    QTest::newRow("server error") << demoPassword << "status" << 503
                                  << QByteArray(R"({"errors":["maintenance"]})")
                                  << QStringList{"maintenance"} << 503;
    QTest::newRow("not JSON") << demoPassword << "status" << 200
                              << QByteArray("<html>Welcome</html>") << QStringList() << 200;
    QTest::newRow("no API key") << demoPassword << "status" << 200 << QByteArray(R"({"user":{}})")
                                << QStringList() << 200;
    QTest::newRow("connection dropped")
        << demoPassword << "drop" << 0 << QByteArray() << QStringList() << 0;
}

void TestUserAuthManager::signInRefused()
{
    QFETCH(QString, password);
    QFETCH(QString, fault);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QStringList, errors);
    QFETCH(int, reported);
    const QString path = QStringLiteral("/api/v1/key.json");
    if (fault == "status")
        QVERIFY(server.forceStatus(path, status, body));
    else if (fault == "drop")
        QVERIFY(server.drop(path, -1));
    secrets << password;

    Session session;
    QSignalSpy failed(&session.auth, &MUserAuthManager::authenticationFailure);
    QSignalSpy authenticated(&session.auth, &MUserAuthManager::authenticationSuccess);
    session.auth.authenticateUser(demoEmail, password);
    QVERIFY(failed.wait(20000));

    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(0).toString(), demoEmail);
    QCOMPARE(failed.at(0).at(1).value<QList<QString>>(), QList<QString>(errors));
    QCOMPARE(failed.at(0).at(2).toInt(), reported);
    QCOMPARE(authenticated.count(), 0);
    QVERIFY(!session.auth.isAuthenticated());
    QCOMPARE(session.auth.state(), MUserAuthManager::WaitingForKey);
    QVERIFY(store.authInfo().isEmpty());
    QVERIFY(logged("/oauth/token.json").isEmpty());

    // Trying again works.
    QVERIFY(server.reset());
    QVERIFY(signIn(session));
    verifyStoredCredentials();
}

void TestUserAuthManager::checkWithoutTheAccountFails_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("no user") << QByteArray(R"({"device":{"id":1}})");
    QTest::newRow("user not an object") << QByteArray(R"({"user":"demo"})");
    QTest::newRow("user without e-mail") << QByteArray(R"({"user":{"id":7}})");
    QTest::newRow("not JSON") << QByteArray("<html>Welcome</html>");
}

// A token check answered 200 without the account is no authorized session of nobody.
void TestUserAuthManager::checkWithoutTheAccountFails()
{
    QFETCH(QByteArray, body);
    {
        Session previousRun;
        QVERIFY(signIn(previousRun));
    }
    QVERIFY(server.forceStatus(QStringLiteral("/api/v1/me.json"), 200, body));
    Session session;
    QSignalSpy failed(&session.auth, &MUserAuthManager::authenticationFailure);
    QSignalSpy signedIn(&session.auth, &MUserAuthManager::authorizationSuccess);
    session.auth.reload();
    QVERIFY(failed.wait(20000));
    QCOMPARE(signedIn.count(), 0);
    QVERIFY(!session.auth.isAuthenticated());
    QVERIFY(session.auth.state() != MUserAuthManager::Authorized);
    QVERIFY(session.auth.account().email().isEmpty());
}

void TestUserAuthManager::formValuesAreEncoded_data()
{
    QTest::addColumn<QString>("email");
    QTest::addColumn<QString>("password");
    QTest::newRow("plus in e-mail") << "ann+files@kerlo.local"
                                    << "plain-password";
    QTest::newRow("form characters") << "bob&co=1@kerlo.local"
                                     << "a+b&c=d%20e f?#/;";
    QTest::newRow("non-ASCII") << "zoë@kerlo.local"
                               << "pässwörd€ 日本";
}

void TestUserAuthManager::formValuesAreEncoded()
{
    QFETCH(QString, email);
    QFETCH(QString, password);
    secrets << password;
    QVERIFY(!server.createUser(email, password).isEmpty());

    Session session;
    QVERIFY(signIn(session, email, password));
    QCOMPARE(session.auth.account().email(), email);
    verifyStoredCredentials(email);

    // Only unreserved characters go out as they are.
    const QString body = logged("/api/v1/key.json").at(0).toObject().value("body").toString();
    QCOMPARE(body, QString::fromLatin1("email=" + QUrl::toPercentEncoding(email) +
                                       "&password=" + QUrl::toPercentEncoding(password)));
}

void TestUserAuthManager::doubleSubmittedSignIn()
{
    Session session;
    QSignalSpy finished(&session.network, &MNetworkRequestManager::replyFinishedForRequest);
    QSignalSpy authenticated(&session.auth, &MUserAuthManager::authenticationSuccess);
    QSignalSpy signedIn(&session.auth, &MUserAuthManager::authorizationSuccess);
    QSignalSpy failed(&session.auth, &MUserAuthManager::authenticationFailure);
    session.auth.authenticateUser(demoEmail, demoPassword);
    session.auth.authenticateUser(demoEmail, demoPassword);
    // Two key requests, then one token request and one check for the second.
    while (finished.count() < 4)
        QVERIFY(finished.wait(20000));

    QCOMPARE(authenticated.count(), 1);
    QCOMPARE(signedIn.count(), 1);
    QCOMPARE(failed.count(), 0);
    QCOMPARE(logged("/oauth/token.json").size(), 1);
    QCOMPARE(session.auth.state(), MUserAuthManager::Authorized);
    verifyStoredCredentials();

    // What was kept is a pair the service accepts.
    QSignalSpy refreshed(&session.auth, &MUserAuthManager::authorizationRefreshed);
    QVERIFY(session.auth.refresh());
    QVERIFY(refreshed.wait(20000));
    verifyStoredCredentials();
}

void TestUserAuthManager::refusedNewTokenSignsOut()
{
    // A token refused right after it was granted is not refreshed again and again.
    QVERIFY(server.forceStatus("/api/v1/me.json", 401, R"({"error":"invalid_token"})", -1));
    Session session;
    QSignalSpy loggedOut(&session.auth, &MUserAuthManager::logoutPerformed);
    session.auth.authenticateUser(demoEmail, demoPassword);
    QVERIFY(loggedOut.wait(20000));
    QCOMPARE(session.auth.state(), MUserAuthManager::Idle);
    QVERIFY(!session.auth.isAuthenticated());
    QVERIFY(store.authInfo().isEmpty());
    QCOMPARE(loggedPaths(),
             (QStringList{"/api/v1/key.json", "/oauth/token.json", "/api/v1/me.json"}));
}

void TestUserAuthManager::refreshReplies()
{
    Session session;
    QVERIFY(signIn(session));
    QSignalSpy refreshed(&session.auth, &MUserAuthManager::authorizationRefreshed);
    QSignalSpy signedIn(&session.auth, &MUserAuthManager::authorizationSuccess);
    const QString refreshToken = store.authInfo().value("MRefreshToken").toString();
    secrets << "access-from-refresh"
            << "mac-token";

    // A refresh may leave the refresh token out: the one held stays.
    QVERIFY(server.forceStatus("/oauth/token", 200,
                               R"({"token_type":"BEARER","access_token":"access-from-refresh"})"));
    QVERIFY(session.auth.refresh());
    QCOMPARE(session.auth.state(), MUserAuthManager::RefreshingToken);
    // Asked twice while under way, it sends once.
    QVERIFY(session.auth.refresh());
    QVERIFY(refreshed.wait(20000));
    QCOMPARE(logged("/oauth/token").size(), 1);
    QCOMPARE(session.auth.state(), MUserAuthManager::Authorized);
    QVariantMap stored = store.authInfo();
    QCOMPARE(stored.keys(), credentialKeys);
    QCOMPARE(stored.value("MOAuthToken").toString(), QStringLiteral("access-from-refresh"));
    QCOMPARE(stored.value("MOAuthTokenType").toString(), QStringLiteral("Bearer"));
    QCOMPARE(stored.value("MRefreshToken").toString(), refreshToken);

    // It still works.
    QVERIFY(session.auth.refresh());
    QVERIFY(refreshed.wait(20000));
    verifyStoredCredentials();

    QCOMPARE(refreshed.count(), 2);
    QCOMPARE(signedIn.count(), 0);
}

void TestUserAuthManager::failedRefreshCanBeRetried()
{
    Session session;
    QVERIFY(signIn(session));
    const QVariantMap before = store.authInfo();
    const QString path = QStringLiteral("/oauth/token");
    QVERIFY(server.forceStatus(path, 200, R"({"token_type":"bearer"})"));

    QSignalSpy failed(&session.auth, &MUserAuthManager::authenticationFailure);
    QSignalSpy refreshed(&session.auth, &MUserAuthManager::authorizationRefreshed);
    QVERIFY(session.auth.refresh());
    QVERIFY(failed.wait(20000));
    QCOMPARE(store.authInfo(), before);
    bool ok = true;
    session.auth.authenticateRequest(MNetworkRequest(url("/api/v1/me.json")), &ok);
    QVERIFY(!ok);

    // The failure did not leave a refresh "under way": the next one is sent.
    QVERIFY(server.reset());
    QVERIFY(session.auth.refresh());
    QVERIFY(refreshed.wait(20000));
    QCOMPARE(logged(path).size(), 1);
    QCOMPARE(session.auth.state(), MUserAuthManager::Authorized);
    QVERIFY(session.auth.isAuthenticated());
    verifyStoredCredentials();
}

// A check or refresh that fails for a passing reason is tried again, later and later, while
// the session stays: nothing asks for the password.
void TestUserAuthManager::passingFailuresKeepTheSession_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("fault");
    QTest::newRow("refresh: 503 twice") << "/oauth/token"
                                        << "status";
    QTest::newRow("refresh: connection dropped") << "/oauth/token"
                                                 << "drop";
    QTest::newRow("refresh: no answer") << "/oauth/token"
                                        << "hang";
    QTest::newRow("first check: 502 twice") << "/api/v1/me.json"
                                            << "status";
    QTest::newRow("first check: service stopped") << "/api/v1/me.json"
                                                  << "stop";
}

void TestUserAuthManager::passingFailuresKeepTheSession()
{
    QFETCH(QString, path);
    QFETCH(QString, fault);
    const bool refresh = path == QLatin1String("/oauth/token");
    {
        Session previousRun;
        QVERIFY(signIn(previousRun));
    }
    Session session;
    session.network.setStallTimeout(400);
    if (refresh) {
        session.auth.reload();
        QTRY_COMPARE(session.auth.state(), MUserAuthManager::Authorized);
    }
    QVERIFY(server.clearRequests());
    if (fault == "status")
        QVERIFY(server.forceStatus(path, refresh ? 503 : 502, "<html>busy</html>", 2, QString(),
                                   "text/html"));
    else if (fault == "drop")
        // Two failed attempts: the network layer never sends a dropped POST again itself.
        QVERIFY(server.drop(path, 2));
    else if (fault == "hang")
        QVERIFY(server.hang(path, 1));
    else
        server.stop();

    QSignalSpy failed(&session.auth, &MUserAuthManager::authenticationFailure);
    QSignalSpy refused(&session.auth, &MUserAuthManager::authorizationFailed);
    QSignalSpy loggedOut(&session.auth, &MUserAuthManager::logoutPerformed);
    QSignalSpy details(&session.auth, &MUserAuthManager::needAuthenticationDetails);
    QSignalSpy refreshed(&session.auth, &MUserAuthManager::authorizationRefreshed);
    QSignalSpy signedIn(&session.auth, &MUserAuthManager::authorizationSuccess);
    QSignalSpy &done = refresh ? refreshed : signedIn;
    if (refresh)
        QVERIFY(session.auth.refresh());
    else
        session.auth.reload();
    if (fault == "stop") {
        QSignalSpy attempts(&session.network, &MNetworkRequestManager::replyFinishedForRequest);
        QTRY_VERIFY_WITH_TIMEOUT(attempts.count() >= 2, 10000);
        QCOMPARE(session.auth.state(), MUserAuthManager::CheckingCredentials);
        QVERIFY(server.restart());
    }
    QVERIFY(done.wait(15000));
    QCOMPARE(failed.count() + refused.count() + loggedOut.count() + details.count(), 0);
    QCOMPARE(session.auth.state(), MUserAuthManager::Authorized);
    QVERIFY(session.auth.isAuthenticated());
    if (fault == "status" || fault == "hang")
        QCOMPARE(logged(path).size(), fault == "status" ? 3 : 2);
    verifyStoredCredentials();
}

void TestUserAuthManager::refusedRefresh_data()
{
    QTest::addColumn<int>("status");
    QTest::newRow("revoked token (401)") << 401;
    QTest::newRow("bad request (400)") << 400;
}

void TestUserAuthManager::refusedRefresh()
{
    QFETCH(int, status);
    Session session;
    QVERIFY(signIn(session));
    if (status == 401)
        QVERIFY(server.revokeRefreshTokens(demoEmail));
    else
        QVERIFY(server.forceStatus("/oauth/token", 400, R"({"error":"invalid_grant"})"));
    QSignalSpy refused(&session.auth, &MUserAuthManager::authorizationFailed);
    QVERIFY(session.auth.refresh());
    QVERIFY(refused.wait(20000));

    QCOMPARE(refused.at(0).at(0).toString(), demoEmail);
    QCOMPARE(refused.at(0).at(1).toStringList(), QStringList{"invalid_grant"});
    QCOMPARE(session.auth.state(), MUserAuthManager::AuthorizationFailed);
    QVERIFY(!session.auth.isAuthenticated());
    // The credentials stay until the user signs out.
    QCOMPARE(store.authInfo().keys(), credentialKeys);

    // Nothing asks the service again until the next sign-in.
    QVERIFY(!session.auth.refresh());
    bool ok = true;
    session.auth.createAuthenticatedRequest(url("/api/v1/me.json"), MNetworkRequest::Get, &ok);
    QVERIFY(!ok);
    QCOMPARE(logged("/oauth/token").size(), 1);
    QCOMPARE(refused.count(), 1);

    QVERIFY(signIn(session));
    QSignalSpy refreshed(&session.auth, &MUserAuthManager::authorizationRefreshed);
    QVERIFY(session.auth.refresh());
    QVERIFY(refreshed.wait(20000));

    QSignalSpy loggedOut(&session.auth, &MUserAuthManager::logoutPerformed);
    session.auth.reset();
    QCOMPARE(loggedOut.count(), 1);
    QCOMPARE(session.auth.state(), MUserAuthManager::Idle);
    QVERIFY(store.authInfo().isEmpty());
    QVERIFY(!session.auth.refresh());
}

void TestUserAuthManager::logHoldsNoSecret()
{
    QVERIFY(!LogCapture::messages().isEmpty());
    QCOMPARE(LogCapture::leakedSecrets(server.tokens(), secrets), QStringList());
}

QTEST_GUILESS_MAIN(TestUserAuthManager)
#include "tst_userauthmanager.moc"

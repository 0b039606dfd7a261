#include "kerlolocal.h"
#include "logcapture.h"
#include "mjsonrequestmanager.h"
#include "muserauthmanager.h"
#include "signedincore.h"
#include "tolvoappimpl.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

namespace {

using TestData::demoEmail;
using TestData::demoPassword;
const QString mePath = QStringLiteral("/api/v1/me.json");

using ErrorCodeSignal = void (MNetworkRequestManager::*)(const MNetworkRequest &,
                                                         QNetworkReply::NetworkError);
const ErrorCodeSignal errorCodeSignal = &MNetworkRequestManager::errorForRequest;

QVariantMap objectAt(const QSignalSpy &ready, int index)
{
    return ready.at(index).at(0).toMap();
}

int statusAt(const QSignalSpy &ready, int index)
{
    return ready.at(index).at(2).value<MNetworkReply>().statusCode();
}

} // namespace

// Hands answers given on another thread to the test's thread.
class AnswerRelay : public QObject
{
    Q_OBJECT
signals:
    void answered(int status, const QVariantMap &object, bool onWorker);
};

// Requests refused for authorization, in a JSON request manager that retries them, against
// the application's sign-in manager.
class TestAuthRetry : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void expiredTokenIsRefreshed();
    void requestSignedBeforeARefreshGoesAgainWithTheNewToken();
    void refusedRefreshFailsWaitingRequests();
    void signOutFailsWaitingRequests();
    void refusalWithNewTokenIsReported();
    void refusalWhenSignedOutIsReported();
    void managerOnAnotherThread();

    // Runs last: every flow above has logged by then.
    void logHoldsNoSecret();

private:
    MUserAuthManager *auth() const;
    MNetworkRequest signedRequest(const QString &path) const;
    QUrl url(const QString &path) const { return server.url(path); }
    int loggedCount(const QString &path) const { return server.requestsTo(path).size(); }

    SignedInCore core;
    KerloLocal &server = core.server();
};

MUserAuthManager *TestAuthRetry::auth() const
{
    return core.auth();
}

MNetworkRequest TestAuthRetry::signedRequest(const QString &path) const
{
    bool ok = false;
    const MNetworkRequest request =
        auth()->createAuthenticatedRequest(url(path), MNetworkRequest::Get, &ok);
    return ok ? request : MNetworkRequest();
}

void TestAuthRetry::initTestCase()
{
    LogCapture::install();
    QVERIFY(core.start());
}

void TestAuthRetry::init()
{
    QVERIFY(server.reset());
    TolvoApp::instance()->setConnectivityStatus(TolvoApp::Online);
    QVERIFY(core.signOut());
    QVERIFY(core.signIn());
    QVERIFY(server.clearRequests());
}

void TestAuthRetry::expiredTokenIsRefreshed()
{
    MJsonRequestManager json;
    json.setRetryAuthenticatedRequests(true);
    QSignalSpy ready(&json, &MJsonRequestManager::responseObjectReady);
    QSignalSpy undecoded(&json, &MJsonRequestManager::decodeError);
    QSignalSpy errors(&json, errorCodeSignal);
    QSignalSpy finished(&json, &MNetworkRequestManager::replyFinishedForRequest);
    QSignalSpy refreshed(auth(), &MUserAuthManager::authorizationRefreshed);

    QVERIFY(server.expireTokens(demoEmail));
    const QString id = json.sendRequest(signedRequest(mePath));
    QVERIFY(ready.wait(20000));
    // The refusal's body never joins the answer's: one clean object, under the same id.
    QCOMPARE(ready.count(), 1);
    QCOMPARE(statusAt(ready, 0), 200);
    QCOMPARE(objectAt(ready, 0).value("user").toMap().value("email").toString(), demoEmail);
    QCOMPARE(ready.at(0).at(1).value<MNetworkRequest>().requestId(), id);
    QCOMPARE(refreshed.count(), 1);
    QCOMPARE(loggedCount("/oauth/token"), 1);
    QCOMPARE(loggedCount(mePath), 2);

    // Several refused at once are each answered once.
    QVERIFY(server.expireTokens(demoEmail));
    QSet<QString> ids;
    for (int i = 0; i < 3; ++i)
        ids << json.sendRequest(signedRequest(mePath));
    while (ready.count() < 4)
        QVERIFY(ready.wait(20000));
    QSet<QString> answered;
    for (int i = 1; i < ready.count(); ++i) {
        QCOMPARE(statusAt(ready, i), 200);
        QCOMPARE(objectAt(ready, i).value("user").toMap().value("email").toString(), demoEmail);
        answered << ready.at(i).at(1).value<MNetworkRequest>().requestId();
    }
    QCOMPARE(answered, ids);
    QCOMPARE(undecoded.count(), 0);
    QCOMPARE(errors.count(), 0);
    QCOMPARE(finished.count(), 4);
    QCOMPARE(auth()->state(), MUserAuthManager::Authorized);
}

// One of several requests refused together may be answered after the refresh the others
// started has ended: it goes again with the new token, and no second refresh is asked for.
void TestAuthRetry::requestSignedBeforeARefreshGoesAgainWithTheNewToken()
{
    MJsonRequestManager json;
    json.setRetryAuthenticatedRequests(true);
    QSignalSpy ready(&json, &MJsonRequestManager::responseObjectReady);
    QSignalSpy errors(&json, errorCodeSignal);
    QSignalSpy refreshed(auth(), &MUserAuthManager::authorizationRefreshed);

    const MNetworkRequest late = signedRequest(mePath);
    QVERIFY(server.expireTokens(demoEmail));
    json.sendRequest(signedRequest(mePath));
    QVERIFY(ready.wait(20000));
    QCOMPARE(refreshed.count(), 1);
    QCOMPARE(auth()->state(), MUserAuthManager::Authorized);

    const QString id = json.sendRequest(late);
    while (ready.count() < 2)
        QVERIFY(ready.wait(20000));
    QCOMPARE(statusAt(ready, 1), 200);
    QCOMPARE(ready.at(1).at(1).value<MNetworkRequest>().requestId(), id);
    QCOMPARE(errors.count(), 0);
    QCOMPARE(loggedCount("/oauth/token"), 1);
    QCOMPARE(loggedCount(mePath), 4);
    QCOMPARE(refreshed.count(), 1);
    QCOMPARE(auth()->state(), MUserAuthManager::Authorized);
}

void TestAuthRetry::refusedRefreshFailsWaitingRequests()
{
    MJsonRequestManager json;
    json.setRetryAuthenticatedRequests(true);
    QSignalSpy ready(&json, &MJsonRequestManager::responseObjectReady);
    QSignalSpy errors(&json, errorCodeSignal);
    QSignalSpy finished(&json, &MNetworkRequestManager::replyFinishedForRequest);
    QSignalSpy refused(auth(), &MUserAuthManager::authorizationFailed);

    QVERIFY(server.expireTokens(demoEmail));
    QVERIFY(server.revokeRefreshTokens(demoEmail));
    json.sendRequest(signedRequest(mePath));
    json.sendRequest(signedRequest(mePath));
    while (ready.count() < 2)
        QVERIFY(ready.wait(20000));

    // Each is answered once, with the refusal as the service worded it.
    QCOMPARE(refused.count(), 1);
    QCOMPARE(auth()->state(), MUserAuthManager::AuthorizationFailed);
    QCOMPARE(errors.count(), 2);
    QCOMPARE(finished.count(), 2);
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(errors.at(i).at(1).value<QNetworkReply::NetworkError>(),
                 QNetworkReply::AuthenticationRequiredError);
        QCOMPARE(statusAt(ready, i), 401);
        QCOMPARE(objectAt(ready, i), (QVariantMap{{"error", "invalid_token"}}));
    }

    // Later refusals are reported at once and ask for no other refresh.
    json.sendRequest(MNetworkRequest(url(mePath)));
    QVERIFY(ready.wait(20000));
    QCOMPARE(statusAt(ready, 2), 401);
    QCOMPARE(loggedCount("/oauth/token"), 1);
    QCOMPARE(refused.count(), 1);
}

void TestAuthRetry::signOutFailsWaitingRequests()
{
    MJsonRequestManager json;
    json.setRetryAuthenticatedRequests(true);
    QSignalSpy ready(&json, &MJsonRequestManager::responseObjectReady);
    QSignalSpy errors(&json, errorCodeSignal);
    // The refresh goes out and is never answered.
    QVERIFY(server.hang("/oauth/token"));
    QSignalSpy refreshSent(auth()->networkRequestManager(),
                           &MNetworkRequestManager::uploadProgress);

    QVERIFY(server.expireTokens(demoEmail));
    json.sendRequest(signedRequest(mePath));
    QVERIFY(refreshSent.wait(20000));
    QCOMPARE(ready.count(), 0);

    // The refresh, no longer awaited, is cancelled rather than left for a late answer or for
    // Qt to send again after the sign-out.
    QSignalSpy canceled(auth()->networkRequestManager(), &MNetworkRequestManager::requestCanceled);
    auth()->reset();
    QCOMPARE(ready.count(), 1);
    QCOMPARE(statusAt(ready, 0), 401);
    QCOMPARE(errors.count(), 1);
    QCOMPARE(canceled.count(), 1);
}

void TestAuthRetry::refusalWithNewTokenIsReported()
{
    // Refused again with a fresh token, a request is not refused for its token: no loop.
    MJsonRequestManager json;
    json.setRetryAuthenticatedRequests(true);
    QSignalSpy ready(&json, &MJsonRequestManager::responseObjectReady);
    QSignalSpy errors(&json, errorCodeSignal);
    const QString path = QStringLiteral("/api/v1/objects/list");
    QVERIFY(server.forceStatus(path, 401, R"({"error":"not for you"})", -1));

    json.sendRequest(signedRequest(path));
    QVERIFY(ready.wait(20000));
    QCOMPARE(statusAt(ready, 0), 401);
    QCOMPARE(objectAt(ready, 0), (QVariantMap{{"error", "not for you"}}));
    QCOMPARE(errors.count(), 1);
    QCOMPARE(loggedCount(path), 2);
    QCOMPARE(loggedCount("/oauth/token"), 1);
    QCOMPARE(auth()->state(), MUserAuthManager::Authorized);
}

void TestAuthRetry::refusalWhenSignedOutIsReported()
{
    auth()->reset();
    MJsonRequestManager json;
    json.setRetryAuthenticatedRequests(true);
    QSignalSpy ready(&json, &MJsonRequestManager::responseObjectReady);
    QSignalSpy errors(&json, errorCodeSignal);

    json.sendRequest(MNetworkRequest(url(mePath)));
    QVERIFY(ready.wait(20000));
    QCOMPARE(statusAt(ready, 0), 401);
    QCOMPARE(objectAt(ready, 0), (QVariantMap{{"error", "invalid_token"}}));
    QCOMPARE(errors.count(), 1);
    QCOMPARE(loggedCount("/oauth/token"), 0);
}

void TestAuthRetry::managerOnAnotherThread()
{
    // The refresh is asked for from the manager's thread and runs on the sign-in manager's.
    QThread worker;
    auto *json = new MJsonRequestManager;
    json->moveToThread(&worker);
    connect(&worker, &QThread::finished, json, &QObject::deleteLater);
    worker.start();
    const auto stopWorker = qScopeGuard([&worker] {
        worker.quit();
        worker.wait();
    });
    json->setRetryAuthenticatedRequests(true);
    AnswerRelay relay;
    connect(
        json, &MJsonRequestManager::responseObjectReady, &relay,
        [&](const QVariant &object, const MNetworkRequest &, const MNetworkReply &reply) {
            const int status = reply.statusCode();
            const QVariantMap map = object.toMap();
            const bool onWorker = QThread::currentThread() == &worker;
            QMetaObject::invokeMethod(
                &relay,
                [&relay, status, map, onWorker] { emit relay.answered(status, map, onWorker); },
                Qt::QueuedConnection);
        },
        Qt::DirectConnection);
    QSignalSpy answered(&relay, &AnswerRelay::answered);
    QSignalSpy refreshed(auth(), &MUserAuthManager::authorizationRefreshed);

    QVERIFY(server.expireTokens(demoEmail));
    const MNetworkRequest request = signedRequest(mePath);
    QMetaObject::invokeMethod(json, [json, request] { json->sendRequest(request); });
    QVERIFY(answered.wait(20000));
    QCOMPARE(answered.at(0).at(0).toInt(), 200);
    QCOMPARE(answered.at(0).at(1).toMap().value("user").toMap().value("email").toString(),
             demoEmail);
    QVERIFY(answered.at(0).at(2).toBool());
    QCOMPARE(refreshed.count(), 1);
    QCOMPARE(loggedCount("/oauth/token"), 1);
}

void TestAuthRetry::logHoldsNoSecret()
{
    QVERIFY(!LogCapture::messages().isEmpty());
    QCOMPARE(LogCapture::leakedSecrets(server.tokens(), {demoPassword}), QStringList());
}

QTEST_GUILESS_MAIN(TestAuthRetry)
#include "tst_authretry.moc"

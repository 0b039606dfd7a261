#include "kerlolocal.h"
#include "moconstants.h"
#include "modeltestapplication.h"
#include "moerror.h"
#include "monotificationspy.h"
#include "mouserauthenticationmanager.h"
#include "testdata.h"

#include <QtTest>

namespace {

using TestData::demoEmail;
using TestData::demoPassword;

// Records every call in order, with the thread it came on.
class RecordingAuthDelegate
    : public QObject
    , public MOUserAuthenticationManagerDelegate
{
public:
    void authManagerDidAuthenticateSuccessfully(MOUserAuthenticationManager *,
                                                const QString &user) override
    {
        record(QStringLiteral("authenticated ") + user);
    }
    void authManagerDidAuthorizeClientSuccessfully(MOUserAuthenticationManager *,
                                                   const QString &user) override
    {
        record(QStringLiteral("authorized ") + user);
    }
    void authManagerDidFailAuthenticatingUserWithError(MOUserAuthenticationManager *,
                                                       const QString &user,
                                                       const MOError &error) override
    {
        lastError = error;
        record(QStringLiteral("authentication failed ") + user);
    }
    void authManagerDidFailAuthorizingClientWithError(MOUserAuthenticationManager *,
                                                      const QString &user,
                                                      const MOError &error) override
    {
        lastError = error;
        record(QStringLiteral("authorization failed ") + user);
    }
    void authManagerRequiresAuthentication(MOUserAuthenticationManager *) override
    {
        record(QStringLiteral("requires authentication"));
    }
    void authManagerLogoutPerformed(MOUserAuthenticationManager *) override
    {
        record(QStringLiteral("logout"));
    }

    void record(const QString &call)
    {
        calls.append(call);
        offMainThread |= QThread::currentThread() != qApp->thread();
    }

    QStringList calls;
    MOError lastError;
    bool offMainThread = false;
};

} // namespace

// The authentication facade against kerlo-local: every outcome of signing in reaches the
// delegate, in order and on the main thread.
class TestAuthenticationManager : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void reloadWithoutCredentialsAsksForThem();
    void wrongPasswordFailsWithTheServiceMessages();
    void unreachableServiceFailsTheSignIn();
    void signInAuthenticatesThenAuthorizes();
    void accountsAreSnapshots();
    void signOutClearsTheSession();
    void destroyedDelegateIsSkipped();

private:
    MOUserAuthenticationManager *auth() { return MOUserAuthenticationManager::sharedInstance(); }
    bool waitForCalls(int count)
    {
        return QTest::qWaitFor([&] { return delegate->calls.size() >= count; }, 15000);
    }

    KerloLocal server;
    RecordingApplicationDelegate application;
    RecordingAuthDelegate *delegate = nullptr;
};

void TestAuthenticationManager::initTestCase()
{
    ModelTest::useTemporaryDataLocation();
    QVERIFY(server.start());
    QVERIFY(ModelTest::startApplication(server, &application));
}

void TestAuthenticationManager::init()
{
    QVERIFY(server.reset());
    delegate = new RecordingAuthDelegate;
    auth()->setDelegate(delegate);
}

void TestAuthenticationManager::cleanup()
{
    QVERIFY(!delegate->offMainThread);
    delete delegate;
    delegate = nullptr;
}

void TestAuthenticationManager::reloadWithoutCredentialsAsksForThem()
{
    auth()->reload();
    QVERIFY(waitForCalls(1));
    QCOMPARE(delegate->calls, QStringList{"requires authentication"});
    QVERIFY(!auth()->isAuthenticated());
}

void TestAuthenticationManager::wrongPasswordFailsWithTheServiceMessages()
{
    auth()->authenticateUser(demoEmail, QStringLiteral("not the password"));
    QVERIFY(waitForCalls(1));
    QCOMPARE(delegate->calls, QStringList{"authentication failed " + demoEmail});
    QCOMPARE(delegate->lastError.domain(), MOAuthenticationErrorDomain);
    QCOMPARE(delegate->lastError.domain(), QStringLiteral("Authentication"));
    QCOMPARE(delegate->lastError.code(), qint64(403));
    const QStringList errors =
        delegate->lastError.userInfo().value(MOUserAuthenticationErrors).toStringList();
    QVERIFY(!errors.isEmpty());
    QCOMPARE(delegate->lastError.userInfo().value(MOUserAuthenticationStatusCode), QVariant(401));
    QCOMPARE(auth()->username(), demoEmail);
    QVERIFY(!auth()->isAuthorized());
    QVERIFY(!auth()->isAuthenticated());
}

void TestAuthenticationManager::unreachableServiceFailsTheSignIn()
{
    // The connection is dropped without an answer: the sign-in window must not wait forever.
    QVERIFY(server.drop(QStringLiteral("/api/v1/key.json"), -1));
    auth()->authenticateUser(demoEmail, demoPassword);
    QVERIFY(waitForCalls(1));
    QCOMPARE(delegate->calls, QStringList{"authentication failed " + demoEmail});
    QCOMPARE(delegate->lastError.code(), qint64(403));
    QVERIFY(delegate->lastError.userInfo().contains(MOUserAuthenticationErrors));
    QCOMPARE(delegate->lastError.userInfo().value(MOUserAuthenticationStatusCode), QVariant(0));
    QVERIFY(!auth()->isAuthorized());
}

void TestAuthenticationManager::signInAuthenticatesThenAuthorizes()
{
    auth()->authenticateUser(demoEmail, demoPassword);
    QVERIFY(waitForCalls(2));
    QCOMPARE(delegate->calls,
             (QStringList{"authenticated " + demoEmail, "authorized " + demoEmail}));
    QVERIFY(auth()->isAuthorized());
    QVERIFY(auth()->isAuthenticated());
    QCOMPARE(auth()->username(), demoEmail);
}

void TestAuthenticationManager::accountsAreSnapshots()
{
    if (!auth()->isAuthorized()) {
        auth()->authenticateUser(demoEmail, demoPassword);
        QVERIFY(waitForCalls(2));
    }
    const MOUserAccount first = auth()->account();
    const MOUserAccount second = auth()->account();
    QCOMPARE(first.email(), demoEmail);
    QVERIFY(first == second);
}

void TestAuthenticationManager::signOutClearsTheSession()
{
    auth()->reset();
    QVERIFY(waitForCalls(1));
    QCOMPARE(delegate->calls.first(), QStringLiteral("logout"));
    QVERIFY(!auth()->isAuthenticated());
    // Nobody is signed in any more: a second reset only asks for credentials.
    auth()->reset();
    QVERIFY(waitForCalls(2));
    QCOMPARE(delegate->calls.last(), QStringLiteral("requires authentication"));
}

void TestAuthenticationManager::destroyedDelegateIsSkipped()
{
    auto *gone = new RecordingAuthDelegate;
    auth()->setDelegate(gone);
    delete gone;
    QVERIFY(!auth()->delegate());
    auth()->reload();
    // The facade still follows the core without anyone listening: the next reload reaches the
    // delegate set again.
    auth()->setDelegate(delegate);
    auth()->reload();
    QVERIFY(waitForCalls(1));
    QCOMPARE(delegate->calls, QStringList{"requires authentication"});
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    TestAuthenticationManager test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_authenticationmanager.moc"

#include "kerlolocal.h"
#include "mconnectivitychecker.h"
#include "mnetworkrequestmanager.h"
#include "testcertificates.h"
#include "testcore.h"
#include "tolvoappimpl.h"

#include <QSignalSpy>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>

// The client trusts the CAs of its SSL configuration and nothing else: no certificate
// name, however close to the service's, stands in for a trusted issuer.
class TestTls : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void configuredCaIsTrusted();
    void untrustedCertificateIsRefused_data();
    void untrustedCertificateIsRefused();
    void ignoringErrorsIsAnExplicitChoice();

private:
    struct Outcome
    {
        int sslErrorReports = 0;
        MNetworkReply reply;
    };
    Outcome fetch(MNetworkRequestManager &manager, const QUrl &url);

    QTemporaryDir folder;
    TestCertificates trusted;
    TestCertificates lookalike;
    KerloLocal service;
    KerloLocal impostor;
    QSslConfiguration trustingConfiguration;
};

TestTls::Outcome TestTls::fetch(MNetworkRequestManager &manager, const QUrl &url)
{
    QSignalSpy sslErrors(&manager, &MNetworkRequestManager::sslErrorsForRequest);
    QSignalSpy finished(&manager, &MNetworkRequestManager::replyFinishedForRequest);
    manager.sendRequest(MNetworkRequest(url));
    Outcome outcome;
    if (!finished.wait())
        return outcome;
    outcome.sslErrorReports = sslErrors.count();
    outcome.reply = finished.at(0).at(1).value<MNetworkReply>();
    return outcome;
}

void TestTls::initTestCase()
{
    QVERIFY(folder.isValid());
    trusted = TestCertificates::generate(folder.filePath(QStringLiteral("trusted")));
    QVERIFY(trusted.isValid());
    lookalike = TestCertificates::generate(
        folder.filePath(QStringLiteral("lookalike")), QStringLiteral("evil-kerlo.com"),
        {QStringLiteral("DNS:evil-kerlo.com"), QStringLiteral("IP:127.0.0.1")});
    QVERIFY(lookalike.isValid());

    KerloLocal::Options options;
    options.certificatePath = trusted.certificatePath;
    options.keyPath = trusted.keyPath;
    QVERIFY(service.start(options));
    options.certificatePath = lookalike.certificatePath;
    options.keyPath = lookalike.keyPath;
    QVERIFY(impostor.start(options));
    QCOMPARE(service.baseUrl().scheme(), QStringLiteral("https"));

    trustingConfiguration = QSslConfiguration::defaultConfiguration();
    trustingConfiguration.setCaCertificates(QSslCertificate::fromPath(trusted.caCertificatePath));
    QCOMPARE(trustingConfiguration.caCertificates().size(), 1);

    TestCore::initCore(service.baseUrl(), folder.filePath(QStringLiteral("support")));
    TolvoApp::instance()->setConnectivityStatus(TolvoApp::Online);
}

void TestTls::init()
{
    QVERIFY(service.reset());
    QVERIFY(impostor.reset());
    TolvoApp::instance()->setSslConfiguration(trustingConfiguration);
    TolvoApp::instance()->setIgnoreSslErrors(false);
}

void TestTls::configuredCaIsTrusted()
{
    MNetworkRequestManager manager;
    Outcome outcome = fetch(manager, service.apiUrl());
    QCOMPARE(outcome.sslErrorReports, 0);
    QCOMPARE(outcome.reply.error(), QNetworkReply::NoError);
    QCOMPARE(outcome.reply.statusCode(), 200);

    // Copies and synchronous requests keep the manager's trust, whatever the application's;
    // so does the manager.
    TolvoApp::instance()->setSslConfiguration(QSslConfiguration::defaultConfiguration());
    MNetworkRequestManager copy(manager);
    outcome = fetch(copy, service.apiUrl());
    QCOMPARE(outcome.reply.statusCode(), 200);
    outcome = fetch(manager, service.apiUrl());
    QCOMPARE(outcome.reply.error(), QNetworkReply::NoError);
    QCOMPARE(outcome.reply.statusCode(), 200);
    bool timedOut = true;
    const MNetworkReply reply =
        manager.sendSynchronousRequest(MNetworkRequest(service.apiUrl()), 10, &timedOut);
    QVERIFY(!timedOut);
    QCOMPARE(reply.error(), QNetworkReply::NoError);
    QCOMPARE(reply.statusCode(), 200);
}

void TestTls::untrustedCertificateIsRefused_data()
{
    QTest::addColumn<bool>("trustTestCa");
    QTest::addColumn<bool>("toImpostor");
    QTest::newRow("unknown CA") << false << false;
    // Signed by another CA under a name that a suffix rule on the domain would accept.
    QTest::newRow("lookalike name") << true << true;
}

void TestTls::untrustedCertificateIsRefused()
{
    QFETCH(bool, trustTestCa);
    QFETCH(bool, toImpostor);
    if (!trustTestCa)
        TolvoApp::instance()->setSslConfiguration(QSslConfiguration::defaultConfiguration());
    KerloLocal &server = toImpostor ? impostor : service;
    MNetworkRequestManager manager;
    const Outcome outcome = fetch(manager, server.apiUrl());
    QCOMPARE(outcome.sslErrorReports, 1);
    QCOMPARE(outcome.reply.error(), QNetworkReply::SslHandshakeFailedError);
    QCOMPARE(outcome.reply.statusCode(), 0);

    // A synchronous request is refused the same way, not let through by its private manager.
    bool timedOut = true;
    const MNetworkReply refused =
        manager.sendSynchronousRequest(MNetworkRequest(server.apiUrl()), 10, &timedOut);
    QVERIFY(!timedOut);
    QCOMPARE(refused.error(), QNetworkReply::SslHandshakeFailedError);
    QCOMPARE(refused.statusCode(), 0);

    // The connectivity probe of the service says so, not that the service is down.
    if (!toImpostor) {
        auto *checker = new MConnectivityChecker;
        QSignalSpy probed(checker, &MConnectivityChecker::connectivityStatusChanged);
        QThreadPool::globalInstance()->start(checker);
        QThreadPool::globalInstance()->waitForDone();
        QCOMPARE(probed.count(), 1);
        QCOMPARE(probed.first().first().value<TolvoApp::ConnectivityStatus>(),
                 TolvoApp::UntrustedCertificate);
    }
    QCOMPARE(server.requests().size(), 0);
}

void TestTls::ignoringErrorsIsAnExplicitChoice()
{
    TolvoApp::instance()->setIgnoreSslErrors(true);
    MNetworkRequestManager fromApplication;
    QCOMPARE(fetch(fromApplication, impostor.apiUrl()).reply.statusCode(), 200);

    TolvoApp::instance()->setIgnoreSslErrors(false);
    MNetworkRequestManager manager;
    QCOMPARE(fetch(manager, impostor.apiUrl()).reply.error(),
             QNetworkReply::SslHandshakeFailedError);
    manager.setIgnoreSslErrors(true);
    QCOMPARE(fetch(manager, impostor.apiUrl()).reply.statusCode(), 200);
}

QTEST_GUILESS_MAIN(TestTls)
#include "tst_tls.moc"

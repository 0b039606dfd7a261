// The "kerlo://thirdpartyproviders/..." callback, which any local program can send: the
// signed-in window thanks for a provider's link only when the service lists the provider as
// linked, says otherwise that the link did not complete, and answers a burst of callbacks with
// one check and one alert.
#include "kerlolocal.h"
#include "mcappdelegate.h"
#include "mcbrowsableviewcontroller.h"
#include "mcmanager.h"
#include "shelltestfixture.h"

#include <QtTest>

using namespace ShellTest;

namespace {

const QString Callback = QStringLiteral("kerlo://thirdpartyproviders/dropbox");

QStringList handOver(int callbacks)
{
    QStringList arguments{QCoreApplication::applicationFilePath()};
    for (int i = 0; i < callbacks; ++i)
        arguments.append(Callback);
    return arguments;
}

} // namespace

class TestShellProviderCallback : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void callbackWithoutTheServicesWordThanksForNothing();
    void callbackAfterTheServiceLinkedThanks();

private:
    KerloLocal m_server;
    Shell m_shell;
};

void TestShellProviderCallback::initTestCase()
{
    QVERIFY(m_server.start());
    QVERIFY(m_shell.launchSignedIn(m_server.baseUrl().toString()));
}

void TestShellProviderCallback::callbackWithoutTheServicesWordThanksForNothing()
{
    QVERIFY(m_server.clearRequests());
    // Three hundred callbacks in one hand-over from another program.
    m_shell.delegate()->handleArguments(handOver(300));
    QTRY_COMPARE_WITH_TIMEOUT(m_shell.alerts.pendingCount(), 1, 20000);
    const Alert alert = m_shell.alerts.pendingAlert();
    QCOMPARE(alert.messageText, QStringLiteral("Dropbox link"));
    QVERIFY2(alert.informativeText.contains("did not complete"), qPrintable(alert.informativeText));
    QVERIFY(!alert.informativeText.contains("Thank you"));
    QVERIFY(!MCManager::sharedManager()->linkedProviders().contains("dropbox"));
    // One question to the service for the whole burst.
    QCOMPARE(countRequests(m_server.requests(), QStringLiteral("/api/v1/me\\.json")), 1);

    // More callbacks while the alert is open belong to it.
    m_shell.delegate()->handleArguments(handOver(5));
    QVERIFY(m_shell.alerts.answer(0));
    QCOMPARE(m_shell.alerts.alerts().size(), 1);

    // The service cannot be asked: the link is not taken for granted either.
    QVERIFY(m_server.forceStatus(QStringLiteral("/api/v1/me.json"), 503));
    m_shell.delegate()->handleArguments(handOver(1));
    QTRY_COMPARE_WITH_TIMEOUT(m_shell.alerts.pendingCount(), 1, 20000);
    QVERIFY2(m_shell.alerts.pendingAlert().informativeText.contains("did not complete"),
             qPrintable(m_shell.alerts.pendingAlert().informativeText));
    QVERIFY(!MCManager::sharedManager()->linkedProviders().contains("dropbox"));
    QVERIFY(m_shell.alerts.answer(0));
    QCOMPARE(m_shell.alerts.alerts().size(), 2);
}

void TestShellProviderCallback::callbackAfterTheServiceLinkedThanks()
{
    m_shell.alerts.clearRecord();
    // The provider's linking page told the service.
    QCOMPARE(m_server.control("POST", QStringLiteral("/link-provider"),
                              {{"email", QString::fromLatin1(DemoEmail)}, {"provider", "dropbox"}}),
             200);
    // Callbacks that name another provider, or none, are no thanks for Dropbox: the one
    // for Dropbox after them is the only one answered.
    QVERIFY(m_server.clearRequests());
    for (int i = 0; i < 4; ++i)
        QTest::ignoreMessage(QtInfoMsg,
                             "Ignored a callback for a provider Kerlo does not link with");
    m_shell.delegate()->handleArguments(
        {QCoreApplication::applicationFilePath(),
         QStringLiteral("kerlo://thirdpartyproviders/anything"),
         QStringLiteral("kerlo://thirdpartyproviders/"),
         QStringLiteral("kerlo://thirdpartyproviders"),
         QStringLiteral("kerlo://thirdpartyproviders/dropbox/../evil")});
    m_shell.delegate()->handleArguments(handOver(3));
    QTRY_COMPARE_WITH_TIMEOUT(m_shell.alerts.pendingCount(), 1, 20000);
    QCOMPARE(countRequests(m_server.requests(), QStringLiteral("/api/v1/me\\.json")), 1);
    QCOMPARE(m_shell.alerts.pendingAlert().informativeText,
             QStringLiteral("Thank you for linking Kerlo with Dropbox. You can now send files "
                            "directly from your Dropbox folder."));
    QVERIFY(MCManager::sharedManager()->linkedProviders().contains("dropbox"));
    QVERIFY(m_shell.alerts.answer(0));
    QCOMPARE(m_shell.alerts.alerts().size(), 1);
}

int main(int argc, char **argv)
{
    isolateEnvironment();
    QApplication app(argc, argv);
    TestShellProviderCallback test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_shellprovidercallback.moc"

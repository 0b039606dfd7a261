// One shell in this process, against one kerlo-local, from launch to quit: the banner while
// the service cannot be reached, the sign-in window, the signed-in session and its order of
// requests, a renewed sign-in, the sign-out question and the quit. The sign-in window says when
// no browser can open its links, and keeps a refusal that came while it was opening.
#include "kerlolocal.h"
#include "mcabstractobjectnode.h"
#include "mcappdelegate.h"
#include "mcbrowsableviewcontroller.h"
#include "mclogintextfield.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcwarningviewcontroller.h"
#include "mcwindowlogincontroller.h"
#include "moapplication.h"
#include "mouserauthenticationmanager.h"
#include "shelltestfixture.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QtTest>

using namespace ShellTest;

class TestShellSession : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void historyIgnoresEmptyStepsAndRepeats();
    void bannerFollowsTheService();
    void signInWindowChecksFieldsAndShowsRefusal();
    void signInThatFailsSaysWhatFailed_data();
    void signInThatFailsSaysWhatFailed();
    void signInGivesUpWhenTheServiceGoesAway();
    void signInWindowSaysWhatItCouldNotDo();
    void refusedTokenAtFirstSignInStaysInTheWindow();
    void demoAccountStartsTheSessionInOrder();
    void renewedSignInDoesNotStartTheSessionTwice();
    void signOutAsksFirst();
    void quitShutsDownOnce();

private:
    MCWindowLoginController *login() const { return m_shell.delegate()->loginController(); }
    bool loginIdle() const;
    KerloLocal m_server;
    Shell m_shell;
};

bool TestShellSession::loginIdle() const
{
    return login() && login()->isVisible() && login()->buttonSignIn()->isEnabled() &&
           !login()->isConnecting();
}

void TestShellSession::initTestCase()
{
    QVERIFY(m_server.start());
    // The service's host answers, the service does not: maintenance.
    QVERIFY(m_server.forceStatus(QStringLiteral("/api/v1"), 503, "{}", -1, QStringLiteral("GET")));
}

void TestShellSession::historyIgnoresEmptyStepsAndRepeats()
{
    MCManager *hub = MCManager::sharedManager();
    QSignalSpy back(hub->navigation(), &MCNavigation::arrayBackChanged);
    QSignalSpy forward(hub->navigation(), &MCNavigation::arrayForwardChanged);
    // Nothing to go back or forward to: nothing happens.
    QVERIFY(hub->backPath().isNull());
    QVERIFY(hub->forwardPath().isNull());
    QVERIFY(hub->arrayForward().isEmpty());
    const MCHistoryPlace account(MCHistoryPlace::Page, QStringLiteral("account://"));
    // A chat whose group is named like the folder.
    const MCHistoryPlace chat(MCHistoryPlace::Chat, QStringLiteral("/a"));
    hub->addBackPath(MCHistoryPlace::folder(QStringLiteral("/a")));
    hub->addBackPath(MCHistoryPlace::folder(QStringLiteral("/a")));
    hub->addBackPath(account);
    hub->addBackPath(chat);
    hub->addBackPath(MCHistoryPlace::folder(QStringLiteral("/a")));
    QCOMPARE(hub->arrayBack(), (QStringList{"/a", "account://", "/a", "/a"}));
    QCOMPARE(back.count(), 4);
    // The folder goes; the chat stays.
    hub->backForwardRemovePath(QStringLiteral("/a"));
    QCOMPARE(hub->backPlaces(), (QList<MCHistoryPlace>{account, chat}));
    QCOMPARE(hub->backPath(), chat);
    QCOMPARE(hub->backPath(), account);
    QVERIFY(hub->arrayBack().isEmpty());
    QCOMPARE(forward.count(), 0); // nothing was shown yet, so nothing to remember
}

void TestShellSession::bannerFollowsTheService()
{
    m_shell.launch(m_server.baseUrl().toString());
    MCMainWindow *window = m_shell.delegate()->mainWindow();
    QVERIFY(window);
    QTRY_VERIFY_WITH_TIMEOUT(window->hasBanner() && window->banner()->isVisible(), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(window->banner()->text(),
                              QStringLiteral("Our servers are currently in Maintenance"), 20000);
    QVERIFY(window->isVisible());

    m_server.stop();
    QTRY_COMPARE_WITH_TIMEOUT(window->banner()->text(),
                              QStringLiteral("Can't contact the server..."), 20000);
    // Nothing is asked of the user while the service cannot be reached.
    QVERIFY(!login());
    QVERIFY(!m_shell.delegate()->didFinishSetup());

    QVERIFY(m_server.restart());
    QVERIFY(m_server.reset());
    QTRY_VERIFY_WITH_TIMEOUT(loginIdle(), 30000);
    QVERIFY(!window->banner()->isVisible());
    // Online clears the text and the colours and keeps the last icon.
    QCOMPARE(window->banner()->text(), QString());
    QCOMPARE(window->banner()->fillColor().alpha(), 0);
    QCOMPARE(window->banner()->iconName(), QStringLiteral("dialog-error"));
    QVERIFY(!window->isVisible());
    // The first launch fills the defaults and adds the autostart entry.
    QVERIFY(QFile::exists(m_shell.autostart->filePath()));

    // A provider callback means nothing while nobody is signed in: no alert for anyone who
    // can start the program with a kerlo:// argument. The callback is turned away before any
    // check of the account starts, so no alert can follow later.
    QTest::ignoreMessage(QtInfoMsg, "Ignored a provider callback while nobody is signed in");
    m_shell.delegate()->handleArguments(
        {QStringLiteral("lumarin"), QStringLiteral("kerlo://thirdpartyproviders/dropbox")});
    QCOMPARE(m_shell.alerts.alerts().size(), 0);
}

void TestShellSession::signInWindowChecksFieldsAndShowsRefusal()
{
    QVERIFY(m_server.clearRequests());
    QCOMPARE(login()->passwordTextField()->echoMode(), QLineEdit::Password);
    // The logo slides 150 down from the top, and the fields are below it.
    const QWidget *logo = login()->findChild<QWidget *>(QStringLiteral("logoImageView"));
    const QWidget *fields = login()->findChild<QWidget *>(QStringLiteral("buttonsView"));
    QVERIFY(logo && fields);
    QTRY_VERIFY2_WITH_TIMEOUT(logo->y() >= 150, qPrintable(QString::number(logo->y())), 20000);
    QVERIFY(logo->geometry().bottom() < fields->y());
    // Behind everything the orange gradient: (255, 149, 0) at the top, (255, 94, 58) below.
    const QImage shown = login()->grab().toImage();
    const auto near = [&shown](int y, const QColor &wanted) {
        const QColor seen = shown.pixelColor(2, y);
        return qAbs(seen.red() - wanted.red()) <= 3 && qAbs(seen.green() - wanted.green()) <= 3 &&
               qAbs(seen.blue() - wanted.blue()) <= 3;
    };
    QVERIFY(near(0, QColor(255, 149, 0)));
    QVERIFY(near(shown.height() - 1, QColor(255, 94, 58)));

    QVERIFY(m_shell.signInThroughWindow(QStringLiteral("not an address"), QStringLiteral("1234")));
    // The address is checked first, even with a short password.
    QCOMPARE(login()->statusText(), QStringLiteral("Email format is not valid"));
    QVERIFY(login()->buttonSignIn()->isEnabled());

    QVERIFY(m_shell.signInThroughWindow(QString::fromLatin1(DemoEmail), QStringLiteral("12345")));
    QCOMPARE(login()->statusText(), QStringLiteral("Password must be at least 6 characters"));
    QCOMPARE(firstRequest(m_server.requests(), QStringLiteral("/api/v1/key\\.json")), -1);

    QVERIFY(m_shell.signInThroughWindow(QString::fromLatin1(DemoEmail),
                                        QStringLiteral("not-the-password")));
    QCOMPARE(login()->statusText(), QStringLiteral("Connecting to Kerlo server..."));
    QVERIFY(!login()->buttonSignIn()->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(login()->statusText(),
                              QStringLiteral("This email and password pair is invalid"), 20000);
    QVERIFY(loginIdle());
    QCOMPARE(login()->usernameTextField()->text(), QString::fromLatin1(DemoEmail));
    QVERIFY(firstRequest(m_server.requests(), QStringLiteral("/api/v1/key\\.json")) >= 0);
}

void TestShellSession::signInThatFailsSaysWhatFailed_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("said");
    const QString refused = QStringLiteral("This email and password pair is invalid");
    const QString unreachable =
        QStringLiteral("Can't contact the server. Check your connection and try again.");
    const QString failed =
        QStringLiteral("The Kerlo server could not sign you in. Try again later.");
    const QString right = QString::fromLatin1(DemoPassword);
    // Only a refusal doubts the password.
    QTest::newRow("401") << QString() << QStringLiteral("not-the-password") << refused;
    QTest::newRow("500") << QStringLiteral("500") << right << failed;
    QTest::newRow("dropped connection") << QStringLiteral("drop") << right << unreachable;
    QTest::newRow("503 HTML") << QStringLiteral("503 html") << right << failed;
    QTest::newRow("no service") << QStringLiteral("stopped") << right << unreachable;
}

void TestShellSession::signInThatFailsSaysWhatFailed()
{
    QFETCH(QString, fault);
    QFETCH(QString, password);
    QFETCH(QString, said);
    const QString key = QStringLiteral("/api/v1/key.json");
    const QString post = QStringLiteral("POST");
    // Whatever an earlier row left: the service up, without faults.
    if (!m_server.isRunning())
        QVERIFY(m_server.restart());
    QVERIFY(m_server.reset());
    QTRY_VERIFY_WITH_TIMEOUT(loginIdle(), 30000);
    if (fault == QLatin1String("500"))
        QVERIFY(m_server.forceStatus(key, 500, R"({"errors":["internal error"]})", -1, post));
    else if (fault == QLatin1String("drop"))
        QVERIFY(m_server.drop(key, -1, post));
    else if (fault == QLatin1String("503 html"))
        QVERIFY(m_server.forceStatus(key, 503, "<html><body>Back soon</body></html>", -1, post,
                                     "text/html"));
    else if (fault == QLatin1String("stopped"))
        m_server.stop();

    QVERIFY(m_shell.signInThroughWindow(QString::fromLatin1(DemoEmail), password));
    QTRY_COMPARE_WITH_TIMEOUT(login()->statusText(), said, 20000);
    QVERIFY(loginIdle());
    // Nothing typed is lost: the same sign-in can be tried again at once.
    QCOMPARE(login()->usernameTextField()->text(), QString::fromLatin1(DemoEmail));
    QCOMPARE(login()->passwordTextField()->text(), password);

    if (fault == QLatin1String("stopped"))
        QVERIFY(m_server.restart());
    QVERIFY(m_server.reset());
}

void TestShellSession::signInGivesUpWhenTheServiceGoesAway()
{
    MCWindowLoginController::setConnectingTimeout(3000);
    // The sign-in request is never answered.
    QVERIFY(m_server.hang(QStringLiteral("/api/v1/key.json"), 1, QStringLiteral("POST")));
    QVERIFY(m_shell.signInThroughWindow(QString::fromLatin1(DemoEmail),
                                        QString::fromLatin1(DemoPassword)));
    QVERIFY(login()->isConnecting());
    QTRY_VERIFY_WITH_TIMEOUT(loginIdle(), 20000);
    QCOMPARE(login()->statusText(), QStringLiteral("Can't contact the server..."));
    QVERIFY(login()->usernameTextField()->isEnabled());
    MCWindowLoginController::setConnectingTimeout(30000);
}

void TestShellSession::signInWindowSaysWhatItCouldNotDo()
{
    // No browser on this desktop: the address to open by hand is shown instead.
    MCLoginTextField *forgot = nullptr;
    for (MCLoginTextField *link : login()->findChildren<MCLoginTextField *>()) {
        if (link->text() == QStringLiteral("Forgot your password?"))
            forgot = link;
    }
    QVERIFY(forgot);
    const QByteArray path = qgetenv("PATH");
    const QByteArray browser = qgetenv("BROWSER");
    QTemporaryDir nothing;
    qputenv("PATH", QFile::encodeName(nothing.path()));
    qunsetenv("BROWSER");
    QTest::mouseClick(forgot, Qt::LeftButton);
    qputenv("PATH", path);
    if (!browser.isNull())
        qputenv("BROWSER", browser);
    const QString said = login()->statusText();
    QVERIFY2(said.startsWith(QStringLiteral("No web browser could open the page. Visit http")) &&
                 said.endsWith(QStringLiteral("/forgot")),
             qPrintable(said));

    // A refusal told while the window still opens stays once its fields are shown.
    const auto restore = qScopeGuard([animated = MCWindowLoginController::animationsEnabled()] {
        MCWindowLoginController::setAnimationsEnabled(animated);
    });
    MCWindowLoginController::setAnimationsEnabled(true);
    MCWindowLoginController opening(nullptr, m_server.baseUrl());
    QSignalSpy opened(&opening, &MCWindowLoginController::opened);
    opening.show();
    opening.didFailAuthorizingClientWithUsername(QString::fromLatin1(DemoEmail));
    QVERIFY(opened.isEmpty());
    QVERIFY(opened.wait(10000));
    QCOMPARE(opening.statusText(), QStringLiteral("This client is not authorized"));
    QCOMPARE(opening.usernameTextField()->text(), QString::fromLatin1(DemoEmail));
}

void TestShellSession::refusedTokenAtFirstSignInStaysInTheWindow()
{
    QVERIFY(m_server.reset());
    // The password is accepted, the client is not.
    QVERIFY(m_server.forceStatus(QStringLiteral("/oauth/token.json"), 401, "{}", 1,
                                 QStringLiteral("POST")));
    QVERIFY(m_shell.signInThroughWindow(QString::fromLatin1(DemoEmail),
                                        QString::fromLatin1(DemoPassword)));
    QTRY_COMPARE_WITH_TIMEOUT(login()->statusText(),
                              QStringLiteral("This client is not authorized"), 20000);
    QVERIFY(loginIdle());
    QVERIFY(login()->passwordTextField()->text().isEmpty());
    // Nothing to restart from: no session had started.
    QVERIFY(m_shell.relaunched.isEmpty());
    QCOMPARE(m_shell.alerts.alerts().size(), 0);
    QVERIFY(m_server.reset());
}

void TestShellSession::demoAccountStartsTheSessionInOrder()
{
    QVERIFY(m_server.reset());
    QVERIFY(!m_server.seedFolder(QString::fromLatin1(DemoEmail), QStringLiteral("/Projects"))
                 .isEmpty());
    QVERIFY(
        !m_server.seedFile(QString::fromLatin1(DemoEmail), QStringLiteral("/notes.txt"), "hello")
             .isEmpty());
    QVERIFY(m_server.clearRequests());
    // The first fetch of "/" takes a while; the service's online reports go on meanwhile.
    const QString rootMetadata = QStringLiteral("/api/v1/objects/metadata");
    QVERIFY(m_server.delay(rootMetadata, 10000, 1, QStringLiteral("GET")));

    QVERIFY(m_shell.signInThroughWindow(QString::fromLatin1(DemoEmail),
                                        QString::fromLatin1(DemoPassword)));
    QTRY_VERIFY_WITH_TIMEOUT(countRequests(m_server.requests(), rootMetadata) == 1, 20000);
    const int probes = countRequests(m_server.requests(), QStringLiteral("/api/v1"));
    QTRY_VERIFY_WITH_TIMEOUT(
        countRequests(m_server.requests(), QStringLiteral("/api/v1")) >= probes + 2, 20000);
    QCOMPARE(countRequests(m_server.requests(), rootMetadata), 1);
    QVERIFY(m_shell.waitForSession());
    MCAppDelegate *delegate = m_shell.delegate();
    QVERIFY(!login());
    QVERIFY(delegate->mainWindow()->isVisible());
    QCOMPARE(delegate->mainWindow()->windowTitle(), QStringLiteral("Kerlo Home"));
    QTRY_VERIFY(delegate->iconController()->shownNames().contains(QStringLiteral("Projects")));
    QVERIFY(delegate->iconController()->shownNames().contains(QStringLiteral("notes.txt")));
    QVERIFY(delegate->mainWindow()->signOutAction()->isEnabled());
    QCOMPARE(m_shell.sounds.played(), QStringList{QStringLiteral("welcome")});
    QVERIFY(MOApplication::sharedInstance()->applicationString().endsWith(
        QStringLiteral(" - %1; user: %2").arg(BundleValues().versionText(), DemoEmail)));
    QVERIFY(m_shell.updater.automaticallyChecksForUpdates());

    // Live updates start once "/" has been fetched.
    QTRY_VERIFY_WITH_TIMEOUT(
        firstRequest(m_server.requests(), QStringLiteral("/api/v1/objects/delta/.*")) >= 0, 20000);
    const QJsonArray log = m_server.requests();
    const int key = firstRequest(log, QStringLiteral("/api/v1/key\\.json"));
    const int token = firstRequest(log, QStringLiteral("/oauth/token(\\.json)?"));
    const int conversations = firstRequest(log, QStringLiteral("/api/v1/conversations"));
    const int invites = firstRequest(log, QStringLiteral("/api/v1/invites/received\\.json"));
    const int metadata = firstRequest(log, QStringLiteral("/api/v1/objects/metadata/?"));
    const int list = firstRequest(log, QStringLiteral("/api/v1/objects/list/?"));
    const int delta = firstRequest(log, QStringLiteral("/api/v1/objects/delta/.*"));
    QVERIFY2(key >= 0 && token > key, qPrintable(QJsonDocument(log).toJson()));
    QVERIFY(metadata > token);
    QVERIFY(list > metadata);
    QVERIFY(delta > list);
    // The social services start before the first folder is asked for; the invitations poll
    // runs although nobody has listed the contacts.
    QTRY_VERIFY_WITH_TIMEOUT(
        firstRequest(m_server.requests(), QStringLiteral("/api/v1/conversations")) >= 0, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(
        firstRequest(m_server.requests(), QStringLiteral("/api/v1/invites/received\\.json")) >= 0,
        20000);
    Q_UNUSED(conversations)
    Q_UNUSED(invites)
}

void TestShellSession::renewedSignInDoesNotStartTheSessionTwice()
{
    MCAppDelegate *delegate = m_shell.delegate();
    const int contentCount = delegate->mainWindow()->mainContentView()->children().size();
    const int metadataBefore =
        countRequests(m_server.requests(), QStringLiteral("/api/v1/objects/metadata/?"));
    MOUserAuthenticationManager::sharedInstance()->authenticateUser(
        QString::fromLatin1(DemoEmail), QString::fromLatin1(DemoPassword));
    // The renewed session refreshes the folder shown instead of starting over.
    QTRY_VERIFY_WITH_TIMEOUT(
        countRequests(m_server.requests(), QStringLiteral("/api/v1/objects/metadata/?")) >
            metadataBefore,
        20000);
    QCOMPARE(delegate->sessionStartCount(), 1);
    QCOMPARE(delegate->mainWindow()->mainContentView()->children().size(), contentCount);
    QCOMPARE(m_shell.sounds.played().size(), 1);
    QVERIFY(m_shell.relaunched.isEmpty());
}

void TestShellSession::signOutAsksFirst()
{
    MCAppDelegate *delegate = m_shell.delegate();
    delegate->mainWindow()->signOutAction()->trigger();
    QTRY_COMPARE(m_shell.alerts.pendingCount(), 1);
    const Alert alert = m_shell.alerts.pendingAlert();
    QCOMPARE(alert.messageText, QStringLiteral("Are you sure you want to Sign Out?"));
    QCOMPARE(alert.windowTitle, QStringLiteral("Kerlo - Sign Out"));
    QCOMPARE(alert.informativeText, QStringLiteral("The application will restart if you confirm"));
    QCOMPARE(alert.buttons.value(alert.defaultButton), QStringLiteral("Cancel"));
    // The answer's completion runs inside answer(): a sign-out would have logged out by now.
    QVERIFY(m_shell.alerts.answer(QStringLiteral("Cancel")));
    QCOMPARE(m_shell.alerts.pendingCount(), 0);
    QVERIFY(MOUserAuthenticationManager::sharedInstance()->isAuthenticated());
    QVERIFY(m_shell.relaunched.isEmpty());
    QVERIFY(delegate->mainWindow()->isVisible());
}

void TestShellSession::quitShutsDownOnce()
{
    MCAppDelegate *delegate = m_shell.delegate();
    QSignalSpy ready(delegate, &MCAppDelegate::readyToQuit);
    QAction *quit = delegate->mainWindow()->quitAction();
    quit->trigger();
    quit->trigger();
    QVERIFY(delegate->isShuttingDown());
    QVERIFY(ready.wait(20000));
    // The second trigger was turned away at once; a second end of shutdown would be queued.
    QCoreApplication::sendPostedEvents();
    QCOMPARE(ready.count(), 1);
    QVERIFY(m_shell.quitRequests.isQuitting());
    // The signed-in user's defaults were saved on the way out.
    const QSettings stored(root() + QStringLiteral("/config/LumarinTests/LumarinTests.conf"),
                           QSettings::IniFormat);
    QCOMPARE(stored.status(), QSettings::NoError);
    QVERIFY(stored.value(QStringLiteral("MCAppDelegate"))
                .toMap()
                .value(QStringLiteral("SoundsEnabled"))
                .toBool());
}

int main(int argc, char **argv)
{
    isolateEnvironment();
    QApplication app(argc, argv);
    TestShellSession test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_shellsession.moc"

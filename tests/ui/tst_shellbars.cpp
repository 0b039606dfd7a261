// The window's bars across restarts: each run is a subprocess of this program ("--scenario"),
// since the core exists once per process. A first run signs in and hides the status bar, the
// path bar and the sidebar; the next run finds them hidden and shows them again; the last one
// finds them shown.
#include "kerlolocal.h"
#include "mcappdelegate.h"
#include "mcmainwindow.h"
#include "mcpathbarcontroller.h"
#include "shelltestfixture.h"

#include <QAction>
#include <QSignalSpy>
#include <QtTest>

using namespace ShellTest;

namespace {

const char ApiRootVariable[] = "LUMARIN_TEST_API_ROOT";

bool quit(Shell &shell)
{
    QSignalSpy ready(shell.delegate(), &MCAppDelegate::readyToQuit);
    shell.delegate()->mainWindow()->quitAction()->trigger();
    return ready.wait(20000);
}

// What a user sees of the three bars, as one word each.
QString bars(MCMainWindow *window)
{
    return QStringList{window->bottomView()->isHidden() ? "status-hidden" : "status-shown",
                       window->pathBar()->isHidden() ? "path-hidden" : "path-shown",
                       window->isSideBarCollapsed() ? "side-hidden" : "side-shown",
                       window->statusBarAction()->text(),
                       window->pathBarAction()->text(),
                       window->sideBarAction()->text()}
        .join(QLatin1Char('|'));
}

const QString AllHidden = QStringLiteral(
    "status-hidden|path-hidden|side-hidden|Show Status Bar|Show Path Bar|Show Side Bar");
const QString AllShown = QStringLiteral(
    "status-shown|path-shown|side-shown|Hide Status Bar|Hide Path Bar|Hide Side Bar");

int scenario(const QString &name)
{
    Shell shell;
    const QString apiRoot = qEnvironmentVariable(ApiRootVariable);
    if (name == QLatin1String("hide")) {
        if (!shell.launchSignedIn(apiRoot))
            return 2;
    } else {
        shell.launch(apiRoot);
        if (!QTest::qWaitFor([&] { return shell.delegate()->firstObjectsFetchDone(); }, 30000))
            return 2;
    }
    MCMainWindow *window = shell.delegate()->mainWindow();
    window->resize(900, 640);
    const QString seen = bars(window);
    if (name == QLatin1String("hide")) {
        if (seen != AllShown) {
            qWarning().noquote() << "first run:" << seen;
            return 3;
        }
        for (QAction *item :
             {window->statusBarAction(), window->pathBarAction(), window->sideBarAction()})
            item->trigger();
    } else if (name == QLatin1String("show")) {
        if (seen != AllHidden) {
            qWarning().noquote() << "after hiding:" << seen;
            return 3;
        }
        for (QAction *item :
             {window->statusBarAction(), window->pathBarAction(), window->sideBarAction()})
            item->trigger();
    } else if (seen != AllShown) {
        qWarning().noquote() << "after showing:" << seen;
        return 3;
    }
    return quit(shell) ? 0 : 4;
}

} // namespace

class TestShellBars : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void barsAreKeptAcrossRestarts();

private:
    KerloLocal m_server;
};

void TestShellBars::initTestCase()
{
    QVERIFY(m_server.start());
    qputenv(ApiRootVariable, m_server.baseUrl().toString().toUtf8());
    // Every run shares one keyring item, so the later ones reload the stored session.
    qputenv("LUMARIN_TEST_IDENTIFIER", QByteArray("com.kerloapp.lumarin.tests.bars.") +
                                           QByteArray::number(QCoreApplication::applicationPid()));
}

void TestShellBars::barsAreKeptAcrossRestarts()
{
    QCOMPARE(runScenario(QStringLiteral("hide")), 0);
    QCOMPARE(runScenario(QStringLiteral("show")), 0);
    QCOMPARE(runScenario(QStringLiteral("shown")), 0);
}

int main(int argc, char **argv)
{
    if (argc >= 3 && qstrcmp(argv[1], "--scenario") == 0) {
        isolateEnvironment(qEnvironmentVariable("LUMARIN_TEST_ROOT"));
        QApplication app(argc, argv);
        return scenario(QString::fromLocal8Bit(argv[2]));
    }
    qputenv("LUMARIN_TEST_ROOT", isolateEnvironment().toUtf8());
    QApplication app(argc, argv);
    TestShellBars test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_shellbars.moc"

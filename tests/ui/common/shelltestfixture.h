#ifndef SHELLTESTFIXTURE_H
#define SHELLTESTFIXTURE_H

#include "bundlevalues.h"
#include "kerlolocal.h"
#include "manualclock.h"
#include "mcappdelegate.h"
#include "nullupdater.h"
#include "quitrequests.h"
#include "recordinglauncherbadge.h"
#include "recordingsoundplayer.h"
#include "scriptedalertpresenter.h"
#include "xdgautostart.h"

#include <QJsonArray>
#include <QProcessEnvironment>
#include <QSize>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class DesktopNotifier;
class SingleInstance;

// The widget tests' world: the offscreen platform, throw-away XDG folders (data, settings,
// autostart, runtime), instant animations, alerts a test answers, and the shell wired as
// main() wires it, against kerlo-local. MOApplication and the core exist once per process, so
// a suite runs one shell in its own process and the others in subprocesses of itself
// (runScenario()).
namespace ShellTest {

constexpr auto DemoEmail = "demo@kerlo.local";
constexpr auto DemoPassword = "lumarin-demo";

// Points XDG_DATA_HOME, XDG_CONFIG_HOME, XDG_CACHE_HOME (and XDG_RUNTIME_DIR when unset)
// below root, creating root when empty; turns the animations off. Returns root. Call before
// the QApplication is made and before anything reads a standard path.
QString isolateEnvironment(QString root = QString());

// The folder isolateEnvironment() chose.
QString root();

// kerlo-local's demo tree in the store of the user with that e-mail.
bool addDemoTree(const KerloLocal &server, const QString &email = QString::fromLatin1(DemoEmail));

// A free loopback port, found by starting kerlo-local and stopping it again.
int freePort(KerloLocal &server);

// The first index in the request log whose path matches pattern (a regular expression,
// anchored) and, when given, whose method is method; -1 when none.
int firstRequest(const QJsonArray &log, const QString &pattern, const QString &method = QString());
int countRequests(const QJsonArray &log, const QString &pattern);

// One shell, as main() builds it, with test doubles where a test must answer or look.
class Shell
{
public:
    Shell();
    ~Shell();

    // The process-wide MOApplication configured for apiRoot, set up, and the delegate
    // launched (networking started). The credentials go to the Secret Service of the test
    // session under a main identifier of this process's own.
    void launch(const QString &apiRoot, const QStringList &arguments = {});

    MCAppDelegate *delegate() const { return m_delegate.get(); }
    ScriptedAlertPresenter alerts;
    RecordingSoundPlayer sounds;
    RecordingLauncherBadge badge;
    NullUpdater updater;
    ManualClock clock;
    QuitRequests quitRequests;
    std::unique_ptr<XdgAutostart> autostart;
    QStringList relaunched; // program and arguments of each relaunch, joined by "\n"
    bool realRelaunch = false;
    SingleInstance *singleInstance = nullptr; // forwards later launches when set
    DesktopNotifier *notifier = nullptr;      // desktop notifications go there when set

    // Types the credentials into the sign-in window with key events and clicks Sign In.
    bool signInThroughWindow(const QString &email, const QString &password);
    // Waits for the signed-in main window with "/" fetched.
    bool waitForSession(int timeout = 30000);
    // launch(), then signed in through the window and waited for, the guided tour closed; says
    // which step failed.
    bool launchSignedIn(const QString &apiRoot,
                        const QString &email = QString::fromLatin1(DemoEmail),
                        const QString &password = QString::fromLatin1(DemoPassword));
    // The main window at size, active, as a user at the desk has it.
    bool showMainWindow(const QSize &size = QSize(900, 640));

private:
    std::unique_ptr<MCAppDelegate> m_delegate;
};

// Runs this test program again as "<program> --scenario name arguments..." with the
// environment given (the isolated folders are inherited). Returns the exit code; -1 on a
// crash or when it did not end within timeout. Its output is echoed.
int runScenario(const QString &name, const QStringList &arguments = {}, int timeout = 120000,
                const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());

} // namespace ShellTest

#endif // SHELLTESTFIXTURE_H

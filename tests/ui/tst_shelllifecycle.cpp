// What spans processes: a restart reloads the stored session, sign-out relaunches the program
// with its arguments intact, a second launch hands its kerlo:// URL to the running instance,
// an upload cut short by a quit finishes at the next start, and one of another account waits
// on the transfers page until it is cancelled there. The shell of each step runs in a
// subprocess of this program ("--scenario name"), since the core exists once per process.
#include "kerlolocal.h"
#include "localfiles.h"
#include "mcappdelegate.h"
#include "mccounters.h"
#include "mciconcontroller.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mctablequeuecontroller.h"
#include "mctablequeuedelegate.h"
#include "mctablequeuemodel.h"
#include "mcwindowlogincontroller.h"
#include "moapplication.h"
#include "moconstants.h"
#include "monotificationcenter.h"
#include "moobjectsmanager.h"
#include "moobjecttransferrequest.h"
#include "mouserauthenticationmanager.h"
#include "shelltestfixture.h"
#include "singleinstance.h"
#include "subprocess.h"

#include <QAbstractItemView>
#include <QAction>
#include <QDirIterator>
#include <QMimeData>
#include <QPointer>
#include <QSaveFile>
#include <QSettings>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTableView>
#include <QtTest>

#include <cstdio>

using namespace ShellTest;

namespace {

const char ApiRootVariable[] = "LUMARIN_TEST_API_ROOT";
const char RelaunchOutVariable[] = "LUMARIN_TEST_RELAUNCH_OUT";

QString apiRoot()
{
    return qEnvironmentVariable(ApiRootVariable);
}

// Quits through the menu; the hub goes with the session, before main()'s services do.
bool quit(Shell &shell)
{
    QSignalSpy ready(shell.delegate(), &MCAppDelegate::readyToQuit);
    const QPointer<MCManager> hub = MCManager::sharedManager();
    shell.delegate()->mainWindow()->quitAction()->trigger();
    return ready.wait(20000) && !hub && !shell.delegate()->mainWindow();
}

// Signs in through the window, unless a stored session comes back, and quits.
int scenarioSignIn()
{
    Shell shell;
    shell.launch(apiRoot());
    if (!QTest::qWaitFor(
            [&] {
                return shell.delegate()->loginController() ||
                       shell.delegate()->firstObjectsFetchDone();
            },
            30000))
        return 2;
    if (!shell.delegate()->firstObjectsFetchDone() &&
        (!shell.signInThroughWindow(QString::fromLatin1(DemoEmail),
                                    QString::fromLatin1(DemoPassword)) ||
         !shell.waitForSession()))
        return 2;
    return quit(shell) ? 0 : 3;
}

// The stored session comes back without the sign-in window.
int scenarioReload()
{
    Shell shell;
    shell.launch(apiRoot());
    bool sawLogin = false;
    const bool started = QTest::qWaitFor(
        [&] {
            sawLogin |= shell.delegate()->loginController() != nullptr;
            return shell.delegate()->firstObjectsFetchDone();
        },
        30000);
    if (!started || sawLogin)
        return 2;
    return quit(shell) ? 0 : 3;
}

// The stored session is refused: the sign-in window stands alone until the user signs in.
int scenarioRefused()
{
    Shell shell;
    shell.launch(apiRoot());
    const auto asked = [&shell] {
        const QWidget *login = shell.delegate()->loginController();
        return login && login->isVisible();
    };
    if (!QTest::qWaitFor(asked, 30000))
        return 2;
    if (shell.delegate()->mainWindow()->isVisible())
        return 3;
    if (!shell.signInThroughWindow(QString::fromLatin1(DemoEmail),
                                   QString::fromLatin1(DemoPassword)) ||
        !shell.waitForSession())
        return 4;
    if (!shell.delegate()->mainWindow()->isVisible() || shell.delegate()->loginController())
        return 5;
    return quit(shell) ? 0 : 6;
}

// Waits for the sign-in window and quits; 2 when a session came instead.
int scenarioAskedToSignIn()
{
    Shell shell;
    shell.launch(apiRoot());
    const auto asked = [&] {
        const MCWindowLoginController *login = shell.delegate()->loginController();
        return login && login->isVisible() && login->isReady();
    };
    if (!QTest::qWaitFor([&] { return asked() || shell.delegate()->firstObjectsFetchDone(); },
                         30000) ||
        !asked())
        return 2;
    return quit(shell) ? 0 : 3;
}

// Signs in through the window where the keyring keeps nothing: the window says so once.
int scenarioSignInNotKept()
{
    Shell shell;
    shell.launch(apiRoot());
    if (!shell.signInThroughWindow(QString::fromLatin1(DemoEmail),
                                   QString::fromLatin1(DemoPassword)) ||
        !shell.waitForSession())
        return 2;
    if (!QTest::qWaitFor([&] { return shell.alerts.pendingCount() > 0; }, 20000))
        return 3;
    const Alert alert = shell.alerts.pendingAlert();
    std::printf("ALERT %s | %s\n", qPrintable(alert.messageText),
                qPrintable(alert.informativeText));
    std::fflush(stdout);
    if (alert.messageText != QLatin1String("Your sign-in could not be kept") ||
        !alert.informativeText.contains(QLatin1String("no default collection")))
        return 4;
    shell.alerts.answer(0);
    if (!quit(shell))
        return 5;
    return shell.alerts.alerts().size() == 1 ? 0 : 6;
}

// Reloads the session, signs out (confirmed) and relaunches this program for real.
int scenarioSignOut(const QStringList &arguments)
{
    Shell shell;
    shell.realRelaunch = true;
    shell.launch(apiRoot(),
                 QStringList{QStringLiteral("--scenario"), QStringLiteral("signout")} + arguments);
    if (!shell.waitForSession())
        return 2;
    QSignalSpy ready(shell.delegate(), &MCAppDelegate::readyToQuit);
    shell.alerts.queueAnswer(QStringLiteral("Sign Out"));
    shell.alerts.queueAnswer(0);
    shell.delegate()->mainWindow()->signOutAction()->trigger();
    if (!ready.wait(20000))
        return 3;
    const QList<Alert> alerts = shell.alerts.alerts();
    if (alerts.size() != 2 ||
        alerts.at(1).messageText != QLatin1String("You have been logged out."))
        return 4;
    return 0;
}

// The instance that holds the support folder; waits for a forwarded provider callback.
int scenarioPrimary()
{
    SingleInstance instance(qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Lumarin"));
    if (instance.start(QCoreApplication::arguments()) != SingleInstance::Primary)
        return 5;
    Shell shell;
    shell.singleInstance = &instance;
    shell.launch(apiRoot());
    if (!shell.waitForSession())
        return 2;
    std::printf("PRIMARY READY\n");
    std::fflush(stdout);
    if (!QTest::qWaitFor([&] { return shell.alerts.pendingCount() > 0; }, 60000))
        return 3;
    if (shell.alerts.pendingAlert().messageText != QLatin1String("Dropbox link"))
        return 4;
    shell.alerts.answer(0);
    return quit(shell) ? 0 : 6;
}

// Starts an upload that the service holds back, and quits while it runs.
int scenarioUploadThenQuit(const QString &localFile, const QString &remotePath)
{
    Shell shell;
    shell.launch(apiRoot());
    if (!shell.waitForSession())
        return 2;
    MOObjectsManager *objects = MOObjectsManager::sharedInstance();
    bool started = false;
    objects->notificationCenter()->addObserver(
        shell.delegate(), MOObjectTransferDidProgressNotification, nullptr,
        [&started](const MOPostedNotification &) { started = true; });
    objects->notificationCenter()->addObserver(
        shell.delegate(), MOObjectTransferDidStartNotification, nullptr,
        [&started](const MOPostedNotification &) { started = true; });
    objects->transferObject(MOObjectTransferRequest(localFile, remotePath, 0));
    if (!QTest::qWaitFor([&] { return started; }, 30000))
        return 3;
    return quit(shell) ? 0 : 4;
}

// Drops a large folder on the window and quits while it is still being read.
int scenarioDropThenQuit(const QString &folder)
{
    Shell shell;
    shell.launch(apiRoot());
    if (!shell.waitForSession() || !shell.showMainWindow())
        return 2;
    auto *data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(folder)});
    QWidget *viewport =
        shell.delegate()->iconController()->findChild<QAbstractItemView *>()->viewport();
    const QPoint at(viewport->width() - 5, viewport->height() - 5);
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    delete data;
    if (!drop.isAccepted())
        return 3;
    return quit(shell) ? 0 : 4;
}

// The transfers page lists the waiting transfers with why (expected, in any order), and the
// pause button of none works; the one that waits for the reason cancelled is cancelled with
// its abort button. Prints what the page shows.
int scenarioWaitingTransfers(const QString &cancelled, QStringList expected)
{
    Shell shell;
    shell.launch(apiRoot());
    if (!shell.waitForSession() || !shell.showMainWindow())
        return 2;
    MCMainWindow *window = shell.delegate()->mainWindow();
    window->goAction(QStringLiteral("transfers://"))->trigger();
    auto *page = window->findChild<MCTableQueueController *>();
    if (!page || !QTest::qWaitFor([page] { return page->isVisible(); }, 10000))
        return 3;
    QTableView *view = page->tableView();
    QModelIndex target;
    QStringList shown;
    for (int row = 0; row < view->model()->rowCount(); ++row) {
        const QModelIndex status = view->model()->index(row, MCTableQueueModel::StatusColumn);
        const QString line = status.data(MCTableQueueModel::SecondLineRole).toString();
        std::printf("ROW %s | %s\n", qPrintable(status.data().toString()), qPrintable(line));
        if (!line.startsWith(QLatin1String("Waiting")))
            continue;
        shown.append(line);
        const QModelIndex buttons = status.siblingAtColumn(MCTableQueueModel::InteractionColumn);
        if (MCTableQueueDelegate::isButtonEnabled(buttons, MCTableQueueDelegate::PauseButton) ||
            !MCTableQueueDelegate::isButtonEnabled(buttons, MCTableQueueDelegate::AbortButton))
            return 4;
        if (line == cancelled)
            target = buttons;
    }
    std::fflush(stdout);
    shown.sort();
    expected.sort();
    // Waiting, they are not running ones.
    if (shown != expected || !target.isValid() ||
        MCManager::sharedManager()->counters()->currentUploadsCount() != 0)
        return 5;
    const QPersistentModelIndex cancelledRow(target);
    view->scrollTo(target);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                      MCTableQueueDelegate::buttonRect(view->visualRect(target),
                                                       MCTableQueueDelegate::AbortButton)
                          .center());
    if (!QTest::qWaitFor(
            [&] {
                return cancelledRow.data(MCTableQueueModel::StatusRole).toLongLong() ==
                       MCOperation::Canceled;
            },
            20000))
        return 6;
    return quit(shell) ? 0 : 7;
}

// The next start finds the paused upload in the queue and finishes it.
int scenarioFinishUpload()
{
    Shell shell;
    shell.launch(apiRoot());
    if (!shell.waitForSession())
        return 2;
    bool finished = false;
    MOObjectsManager::sharedInstance()->notificationCenter()->addObserver(
        shell.delegate(), MOObjectTransferDidFinishNotification, nullptr,
        [&finished](const MOPostedNotification &) { finished = true; });
    if (!QTest::qWaitFor([&] { return finished; }, 60000))
        return 3;
    return quit(shell) ? 0 : 4;
}

// Starts on a support folder whose stores the parent damaged: the window comes up and says
// once what was lost with them, in a text that contains each of the patterns. "again": the
// start after it, which has nothing to say.
int scenarioDamagedStores(const QStringList &arguments)
{
    Shell shell;
    shell.launch(apiRoot());
    if (arguments.value(0) == QLatin1String("again")) {
        if (!shell.waitForSession() || !quit(shell))
            return 8;
        return shell.alerts.alerts().isEmpty() ? 0 : 9;
    }
    if (!QTest::qWaitFor([&] { return shell.alerts.pendingCount() > 0; }, 20000))
        return 2;
    if (!shell.delegate()->mainWindow()->isVisible())
        return 3;
    const Alert alert = shell.alerts.pendingAlert();
    std::printf("ALERT %s | %s\n", qPrintable(alert.messageText),
                qPrintable(alert.informativeText));
    std::fflush(stdout);
    if (alert.messageText != QLatin1String("Some saved data could not be read"))
        return 4;
    for (const QString &pattern : arguments.mid(1)) {
        if (!alert.informativeText.contains(QRegularExpression(pattern)))
            return 4;
    }
    shell.alerts.answer(0);
    if (!shell.waitForSession())
        return 5;
    if (!quit(shell))
        return 6;
    return shell.alerts.alerts().size() == 1 ? 0 : 7;
}

int runScenarioMain(const QString &name, const QStringList &arguments)
{
    if (name == QLatin1String("signin"))
        return scenarioSignIn();
    if (name == QLatin1String("reload"))
        return scenarioReload();
    if (name == QLatin1String("askedtosignin"))
        return scenarioAskedToSignIn();
    if (name == QLatin1String("signinnotkept"))
        return scenarioSignInNotKept();
    if (name == QLatin1String("signout"))
        return scenarioSignOut(arguments);
    if (name == QLatin1String("refused"))
        return scenarioRefused();
    if (name == QLatin1String("primary"))
        return scenarioPrimary();
    if (name == QLatin1String("upload"))
        return scenarioUploadThenQuit(arguments.value(0), arguments.value(1));
    if (name == QLatin1String("dropfolder"))
        return scenarioDropThenQuit(arguments.value(0));
    if (name == QLatin1String("finishupload"))
        return scenarioFinishUpload();
    if (name == QLatin1String("waiting"))
        return scenarioWaitingTransfers(arguments.value(0), arguments.mid(1));
    if (name == QLatin1String("damagedstores"))
        return scenarioDamagedStores(arguments);
    return 100;
}

} // namespace

class TestShellLifecycle : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void restartReloadsTheStoredSession();
    void anotherRootIsAskedToSignInAndGetsNothingStored();
    void keyringWithoutDefaultCollectionIsSaidOnce();
    void secondLaunchForwardsItsURL();
    void quitDuringUploadFinishesAtNextStart();
    void quitWhileADroppedFolderIsReadQueuesItWhole();
    void damagedStoresAreSetAsideAndSaidOnce_data();
    void damagedStoresAreSetAsideAndSaidOnce();
    // After the damaged stores: it starts from an empty queue.
    void waitingTransfersAreShownWithWhyAndCancelled();
    void signOutEmptiesDefaultsAndRelaunchesWithArgumentsIntact();
    // Last: it begins with a sign-in of its own.
    void refusedStoredSessionShowsOnlyTheSignInWindow();

private:
    KerloLocal m_server;
};

void TestShellLifecycle::initTestCase()
{
    QVERIFY(m_server.start());
    qputenv(ApiRootVariable, m_server.baseUrl().toString().toUtf8());
    // Every scenario of this run shares one keyring item.
    qputenv("LUMARIN_TEST_IDENTIFIER", QByteArray("com.kerloapp.lumarin.tests.lifecycle.") +
                                           QByteArray::number(QCoreApplication::applicationPid()));
}

void TestShellLifecycle::restartReloadsTheStoredSession()
{
    QCOMPARE(runScenario(QStringLiteral("signin")), 0);
    QVERIFY(m_server.clearRequests());
    QCOMPARE(runScenario(QStringLiteral("reload")), 0);
    // The stored session was confirmed, not signed in again.
    const QJsonArray log = m_server.requests();
    QCOMPARE(firstRequest(log, QStringLiteral("/api/v1/key\\.json")), -1);
    QVERIFY(firstRequest(log, QStringLiteral("/api/v1/me\\.json")) >= 0);
}

void TestShellLifecycle::anotherRootIsAskedToSignInAndGetsNothingStored()
{
    QCOMPARE(runScenario(QStringLiteral("signin")), 0);
    const QJsonObject granted = m_server.tokens().value(DemoEmail).toObject();
    QStringList secrets{granted.value("api_key").toString()};
    for (const char *kind : {"access_tokens", "refresh_tokens"}) {
        for (const QJsonValue &token : granted.value(kind).toArray())
            secrets.append(token.toString());
    }
    secrets.removeAll(QString());
    QVERIFY(secrets.size() >= 3);

    // The same program launched with another service's address.
    KerloLocal recorder;
    QVERIFY(recorder.start());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(ApiRootVariable, recorder.baseUrl().toString());
    QCOMPARE(runScenario(QStringLiteral("askedtosignin"), {}, 120000, environment), 0);

    const QJsonArray log = recorder.requests();
    QVERIFY(!log.isEmpty());
    for (const QJsonValue &value : log) {
        const QJsonObject entry = value.toObject();
        const QString path = entry.value("path").toString();
        const QJsonObject headers = entry.value("headers").toObject();
        QVERIFY2(!headers.contains("authorization"), qPrintable(path));
        QVERIFY2(!headers.contains("m-auth-token"), qPrintable(path));
        const QString sent = path + entry.value("query").toString() +
                             entry.value("body").toString() +
                             QString::fromUtf8(QJsonDocument(headers).toJson());
        for (const QString &secret : secrets)
            QVERIFY2(!sent.contains(secret), qPrintable(path));
    }

    // The first service's session is still kept for it.
    QVERIFY(m_server.clearRequests());
    QCOMPARE(runScenario(QStringLiteral("reload")), 0);
}

void TestShellLifecycle::keyringWithoutDefaultCollectionIsSaidOnce()
{
    if (!Subprocess::canStartNewKeyring())
        QSKIP("gnome-keyring-daemon and dbus-run-session are needed.");
    QTemporaryDir home;
    QVERIFY(home.isValid());
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    Subprocess::startWithNewKeyring(
        &process, home.path(), {QStringLiteral("--scenario"), QStringLiteral("signinnotkept")});
    QVERIFY(process.waitForFinished(120000));
    const QByteArray output = process.readAll();
    QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
             output.constData());
    QVERIFY(!output.contains(DemoPassword));
}

void TestShellLifecycle::signOutEmptiesDefaultsAndRelaunchesWithArgumentsIntact()
{
    const QString out = root() + QStringLiteral("/relaunched.txt");
    QFile::remove(out);
    qputenv(RelaunchOutVariable, QFile::encodeName(out));
    const QStringList arguments = {QStringLiteral("two words"), QStringLiteral("a \"quoted\" one"),
                                   QStringLiteral("it's; echo no"), QStringLiteral("$HOME")};
    QDirIterator found(root() + QStringLiteral("/config"), {QStringLiteral("*.conf")}, QDir::Files,
                       QDirIterator::Subdirectories);
    QVERIFY2(found.hasNext(), "the signed-in runs saved their defaults");
    const QString settingsFile = found.next();
    QCOMPARE(runScenario(QStringLiteral("signout"), arguments), 0);

    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out), 20000);
    QFile file(out);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QStringList received;
    for (const QJsonValue &value : QJsonDocument::fromJson(file.readAll()).array())
        received.append(value.toString());
    const QStringList expected =
        QStringList{QStringLiteral("--scenario"), QStringLiteral("signout")} + arguments;
    QCOMPARE(received, expected);
    QSettings settings(settingsFile, QSettings::IniFormat);
    QCOMPARE(settings.allKeys(), QStringList());
    const QString autostart = root() + QStringLiteral("/config/autostart/");
    QCOMPARE(QDir(autostart).entryList(QDir::Files), QStringList());
    qunsetenv(RelaunchOutVariable);
}

void TestShellLifecycle::secondLaunchForwardsItsURL()
{
    QProcess primary;
    primary.setProcessChannelMode(QProcess::MergedChannels);
    primary.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--scenario"), QStringLiteral("primary")});
    QVERIFY(primary.waitForStarted());
    QByteArray output;
    QTRY_VERIFY_WITH_TIMEOUT((output += primary.readAll()).contains("PRIMARY READY"), 60000);

    // The program itself, as the desktop starts it for a kerlo:// link.
    QProcess second;
    second.setProcessChannelMode(QProcess::ForwardedChannels);
    second.start(QStringLiteral(LUMARIN_PATH),
                 {QStringLiteral("kerlo://thirdpartyproviders/dropbox")});
    QVERIFY(second.waitForFinished(30000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);

    QVERIFY(primary.waitForFinished(60000));
    output += primary.readAll();
    QVERIFY2(primary.exitStatus() == QProcess::NormalExit && primary.exitCode() == 0,
             output.constData());
}

void TestShellLifecycle::quitDuringUploadFinishesAtNextStart()
{
    const QString local = root() + QStringLiteral("/upload.bin");
    QFile file(local);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QByteArray block(1024 * 1024, 'k');
    for (int i = 0; i < 8; ++i)
        file.write(block);
    file.close();
    // The upload opens, then hangs: it is running when the quit comes.
    QVERIFY(m_server.hang(QStringLiteral("/api/v1/objects/upload.bin"), 1, QStringLiteral("PUT")));
    QCOMPARE(runScenario(QStringLiteral("upload"), {local, QStringLiteral("/upload.bin")}), 0);
    QVERIFY(m_server.reset());

    QCOMPARE(firstRequest(m_server.requests(), QStringLiteral("/api/v1/commit/.*")), -1);

    QVERIFY(m_server.clearRequests());
    QCOMPARE(runScenario(QStringLiteral("finishupload")), 0);
    // Finished from the queue: the upload was committed without being asked again.
    QVERIFY(firstRequest(m_server.requests(), QStringLiteral("/api/v1/commit/.*")) >= 0);
}

void TestShellLifecycle::quitWhileADroppedFolderIsReadQueuesItWhole()
{
    // The quit comes right after the drop, while the folder is read aside. Small enough that
    // a sanitized build on a machine loaded far beyond its cores queues it within the
    // shut-down's three seconds (2,000 files did not, once).
    const QString folder = root() + QStringLiteral("/Dropped at quit");
    for (int i = 0; i < 500; ++i)
        QVERIFY(writeFile(QStringLiteral("%1/%2/f%3.txt").arg(folder).arg(i % 10).arg(i), "q"));
    QVERIFY(m_server.clearRequests());
    QCOMPARE(runScenario(QStringLiteral("dropfolder"), {folder}), 0);
    // The folder's group was queued whole before the engine stopped: the next start sends it.
    QVERIFY(m_server.clearRequests());
    QCOMPARE(runScenario(QStringLiteral("finishupload")), 0);
    QVERIFY(m_server.requests().size() > 0);
    bool found = false;
    for (const QJsonValue &entry : m_server.requests())
        found = found || entry.toObject()["path"].toString().contains("Dropped");
    QVERIFY(found);
}

void TestShellLifecycle::damagedStoresAreSetAsideAndSaidOnce_data()
{
    QTest::addColumn<QString>("damage");
    // A settings store that is no database, and a queue of two transfers whose groups table
    // is gone.
    QTest::newRow("damaged") << "damaged";
    QTest::newRow("folders in their place") << "folders";
    // No queue: nothing else to say.
    QTest::newRow("settings table missing") << "no settings table";
}

void TestShellLifecycle::damagedStoresAreSetAsideAndSaidOnce()
{
    QFETCH(QString, damage);
    const QString support = root() + QStringLiteral("/data/LumarinTests");
    // What earlier rows left or set aside, and no log of an earlier run's database beside a
    // store, which the store would read as its own.
    QStringList left = QDir(support).entryList({"*.db.broken-*"}, QDir::Files | QDir::Dirs);
    for (const char *store : {"config.db", "transfers.db"}) {
        for (const char *suffix : {"", "-wal", "-shm", "-journal"})
            left.append(QLatin1String(store) + QLatin1String(suffix));
    }
    for (const QString &name : qAsConst(left)) {
        const QString path = support + QLatin1Char('/') + name;
        if (QFileInfo(path).isDir())
            QVERIFY(QDir(path).removeRecursively());
        else
            QVERIFY(!QFileInfo::exists(path) || QFile::remove(path));
    }
    const QByteArray garbage(4096, 'x');
    const QString escaped = QRegularExpression::escape(support);
    QStringList said;
    if (damage == "damaged") {
        QVERIFY(writeFile(support + QStringLiteral("/config.db"), garbage));
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "damage");
        db.setDatabaseName(support + QStringLiteral("/transfers.db"));
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY(query.exec("CREATE TABLE mtransfers (_id INTEGER PRIMARY KEY)"));
        QVERIFY(query.exec("INSERT INTO mtransfers DEFAULT VALUES"));
        QVERIFY(query.exec("INSERT INTO mtransfers DEFAULT VALUES"));
        said << QStringLiteral("The settings store was damaged and was set aside as "
                               "%1/config\\.db\\.broken-[0-9]+: where the list of changes")
                    .arg(escaped)
             << QStringLiteral("The transfer queue was damaged and was set aside as "
                               "%1/transfers\\.db\\.broken-[0-9]+: the 2 transfers queued in it "
                               "will not resume\\.")
                    .arg(escaped);
    } else if (damage == "folders") {
        QVERIFY(QDir(support).mkpath(QStringLiteral("config.db/inside")));
        QVERIFY(QDir(support).mkpath(QStringLiteral("transfers.db/inside")));
        said << QStringLiteral("The settings store could not be read \\(it is a folder\\) and was "
                               "set aside as %1/config\\.db\\.broken-[0-9]+: where the list of "
                               "changes")
                    .arg(escaped)
             << QStringLiteral("The transfer queue could not be read \\(it is a folder\\) and was "
                               "set aside as %1/transfers\\.db\\.broken-[0-9]+: no queued "
                               "transfer was lost\\.")
                    .arg(escaped);
    } else {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "damage");
        db.setDatabaseName(support + QStringLiteral("/config.db"));
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY(query.exec("CREATE TABLE migrations ( _id INTEGER PRIMARY KEY AUTOINCREMENT )"));
        QVERIFY(query.exec("INSERT INTO migrations (_id) VALUES (NULL)"));
        said << QStringLiteral("^The settings store was damaged and was set aside as "
                               "%1/config\\.db\\.broken-[0-9]+: where the list of changes to "
                               "your files was last read is lost, so every folder is listed "
                               "afresh\\.$")
                    .arg(escaped);
    }
    QSqlDatabase::removeDatabase("damage");
    QCOMPARE(runScenario(QStringLiteral("damagedstores"), QStringList("first") + said), 0);
    // Kept aside as they were.
    const QStringList aside =
        QDir(support).entryList({"config.db.broken-*"}, QDir::Files | QDir::Dirs);
    QCOMPARE(aside.size(), 1);
    if (damage == "folders") {
        QVERIFY(QFileInfo::exists(support + '/' + aside.first() + "/inside"));
        const QStringList queue =
            QDir(support).entryList({"transfers.db.broken-*"}, QDir::Files | QDir::Dirs);
        QCOMPARE(queue.size(), 1);
        QVERIFY(QFileInfo::exists(support + '/' + queue.first() + "/inside"));
    } else if (damage == "damaged") {
        QFile kept(support + QLatin1Char('/') + aside.first());
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), garbage);
        QCOMPARE(QDir(support).entryList({"transfers.db.broken-*"}, QDir::Files).size(), 1);
    }
    // The next start has nothing more to say.
    QCOMPARE(runScenario(QStringLiteral("damagedstores"), {QStringLiteral("again")}), 0);
}

void TestShellLifecycle::waitingTransfersAreShownWithWhyAndCancelled()
{
    const QString anotherAccount =
        QStringLiteral("Waiting: queued while another account was signed in");
    const QString noAccount =
        QStringLiteral("Waiting: queued by an earlier version, which did not record the account");
    // An upload queued by this account, cut short by a quit. A name no other case uses: the
    // upload must not find its file there already.
    const QString local = root() + QStringLiteral("/queued-elsewhere.bin");
    QVERIFY(writeFile(local, QByteArray(4 * 1024 * 1024, 'e')));
    QVERIFY(m_server.hang(QStringLiteral("/api/v1/objects/queued-elsewhere.bin"), 1,
                          QStringLiteral("PUT")));
    QCOMPARE(
        runScenario(QStringLiteral("upload"), {local, QStringLiteral("/queued-elsewhere.bin")}), 0);
    QVERIFY(m_server.reset());
    // It becomes another account's, and a copy of it one that no account recorded.
    const QString queue = root() + QStringLiteral("/data/LumarinTests/transfers.db");
    const auto owners = [&queue] {
        QStringList found;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "owners");
            db.setDatabaseName(queue);
            QSqlQuery query(db);
            if (QFile::exists(queue) && db.open() &&
                query.exec("SELECT owner FROM mtransfers ORDER BY _id")) {
                while (query.next())
                    found.append(query.isNull(0) ? QStringLiteral("none")
                                                 : query.value(0).toString());
            }
        }
        QSqlDatabase::removeDatabase("owners");
        return found;
    };
    QCOMPARE(owners().size(), 1);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "seed");
        db.setDatabaseName(queue);
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY(
            query.exec(QStringLiteral("UPDATE mtransfers SET owner = '999@%1'").arg(apiRoot())));
        const QString columns = QStringLiteral(
            "state_id, total_bytes, transferred_bytes, total_transferred_bytes, "
            "serialized_request, serliazied_object, error_id, group_id, serialized_attributes, "
            "created_at");
        QVERIFY(query.exec(QStringLiteral("INSERT INTO mtransfers (%1, owner) SELECT %1, NULL FROM "
                                          "mtransfers")
                               .arg(columns)));
    }
    QSqlDatabase::removeDatabase("seed");

    QVERIFY(m_server.clearRequests());
    QCOMPARE(runScenario(QStringLiteral("waiting"), {anotherAccount, anotherAccount, noAccount}),
             0);
    // Neither ran under this account; the cancelled one left the queue.
    QCOMPARE(firstRequest(m_server.requests(), QStringLiteral(".*queued-elsewhere.*")), -1);
    QCOMPARE(owners(), QStringList(QStringLiteral("none")));
    // The next start shows only the other, which is cancelled too: the queue is empty.
    QCOMPARE(runScenario(QStringLiteral("waiting"), {noAccount, noAccount}), 0);
    QCOMPARE(owners(), QStringList());
    QCOMPARE(firstRequest(m_server.requests(), QStringLiteral(".*queued-elsewhere.*")), -1);
}

void TestShellLifecycle::refusedStoredSessionShowsOnlyTheSignInWindow()
{
    QCOMPARE(runScenario(QStringLiteral("signin")), 0);
    const QString email = QString::fromLatin1(DemoEmail);
    QVERIFY(m_server.expireTokens(email));
    QVERIFY(m_server.revokeRefreshTokens(email));
    QVERIFY(m_server.clearRequests());
    QCOMPARE(runScenario(QStringLiteral("refused")), 0);
    // The stored session was tried and refused before the user signed in again.
    const QJsonArray log = m_server.requests();
    const int check = firstRequest(log, QStringLiteral("/api/v1/me\\.json"));
    const int key = firstRequest(log, QStringLiteral("/api/v1/key\\.json"));
    QVERIFY(check >= 0);
    QVERIFY(key > check);
}

int main(int argc, char **argv)
{
    // A process relaunched after sign-out: tell the test what it was started with.
    if (qEnvironmentVariableIsSet(qPrintable(SingleInstance::relaunchVariable()))) {
        // Written aside and renamed into place: the test reads the file as soon as it exists.
        QSaveFile out(qEnvironmentVariable(RelaunchOutVariable));
        if (!out.open(QIODevice::WriteOnly))
            return 1;
        QStringList arguments;
        for (int i = 1; i < argc; ++i)
            arguments.append(QString::fromLocal8Bit(argv[i]));
        out.write(QJsonDocument(QJsonArray::fromStringList(arguments)).toJson());
        return out.commit() ? 0 : 1;
    }
    if (argc >= 3 && qstrcmp(argv[1], "--scenario") == 0) {
        isolateEnvironment(qEnvironmentVariable("LUMARIN_TEST_ROOT"));
        QApplication app(argc, argv);
        QStringList arguments;
        for (int i = 3; i < argc; ++i)
            arguments.append(QString::fromLocal8Bit(argv[i]));
        return runScenarioMain(QString::fromLocal8Bit(argv[2]), arguments);
    }
    qputenv("LUMARIN_TEST_ROOT", isolateEnvironment().toUtf8());
    QApplication app(argc, argv);
    TestShellLifecycle test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_shelllifecycle.moc"

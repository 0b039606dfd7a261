#include "bundlevalues.h"
#include "canberrasoundplayer.h"
#include "dbusdesktopnotifier.h"
#include "dbuslauncherbadge.h"
#include "quitrequests.h"
#include "xdgautostart.h"

#include <QApplication>
#include <QDBusAbstractInterface>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Stands in for the desktop's notification server on the session bus and records each call.
class NotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call
    {
        QString application;
        QString icon;
        QString summary;
        QString body;
        QVariantMap hints;
        int timeout = 0;
    };
    QList<Call> calls;

public slots:
    uint Notify(const QString &application, uint replaces, const QString &icon,
                const QString &summary, const QString &body, const QStringList &actions,
                const QVariantMap &hints, int timeout)
    {
        Q_UNUSED(replaces);
        Q_UNUSED(actions);
        calls.append({application, icon, summary, body, hints, timeout});
        return uint(calls.size());
    }
};

// Listens to the launcher-entry signal as a dock does.
class LauncherEntryListener : public QDBusAbstractInterface
{
    Q_OBJECT
public:
    LauncherEntryListener(const QString &sender, const QDBusConnection &bus)
        : QDBusAbstractInterface(sender, DBusLauncherBadge::objectPath(),
                                 "com.canonical.Unity.LauncherEntry", bus, nullptr)
    {}

signals:
    void Update(const QString &appUri, const QVariantMap &properties);
};

} // namespace

class TestDesktopServices : public QObject
{
    Q_OBJECT

private slots:
    void bundleValuesAndOverrides_data();
    void bundleValuesAndOverrides();
    void autostartEntryOnDisk();
    void notificationsAndBadgeOverTheSessionBus();
    void quitRequestsFunnelIntoOne();
    void terminationSignalsBecomeOneRequest();
    void soundsWithoutASoundDevice();
};

void TestDesktopServices::bundleValuesAndOverrides_data()
{
    QTest::addColumn<QString>("environment");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected"); // empty: the built-in default

    const QString local = QStringLiteral("http://127.0.0.1:8642");
    QTest::newRow("built-in") << QString() << QStringList() << QString();
    QTest::newRow("environment") << local << QStringList() << local;
    QTest::newRow("argument beats environment")
        << QStringLiteral("http://env.invalid") << QStringList{"-MCKerloAPIURL", local} << local;
    QTest::newRow("long form, trailing slashes dropped")
        << QString() << QStringList{"--MCKerloAPIURL=" + local + "//"} << local;
    QTest::newRow("last argument wins") << QString()
                                        << QStringList{"-MCKerloAPIURL", "https://a.invalid",
                                                       "kerlo://x", "--MCKerloAPIURL=" + local}
                                        << local;
    QTest::newRow("path kept") << QString() << QStringList{"-MCKerloAPIURL", local + "/kerlo/"}
                               << local + "/kerlo";
    QTest::newRow("bad argument keeps the environment")
        << local << QStringList{"-MCKerloAPIURL", "ftp://files.invalid"} << local;
    QTest::newRow("no host") << QString() << QStringList{"--MCKerloAPIURL=http://"} << QString();
    QTest::newRow("not a URL") << QString() << QStringList{"-MCKerloAPIURL", "kerlo local"}
                               << QString();
    QTest::newRow("query") << QString() << QStringList{"-MCKerloAPIURL", local + "?a=b"}
                           << QString();
    QTest::newRow("value missing") << local << QStringList{"-MCKerloAPIURL"} << local;
}

void TestDesktopServices::bundleValuesAndOverrides()
{
    QFETCH(QString, environment);
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);

    const BundleValues builtIn;
    for (const QString &key :
         {BundleValues::IdentifierKey, BundleValues::NameKey, BundleValues::ShortVersionKey,
          BundleValues::VersionKey, BundleValues::BuildDateKey, BundleValues::KerloAPIURLKey})
        QVERIFY2(!builtIn.string(key).isEmpty(), qPrintable(key));
    QVERIFY(
        QDateTime::fromString(builtIn.string(BundleValues::BuildDateKey), Qt::ISODate).isValid());
    QVERIFY(!builtIn.kerloAPIURL().endsWith(QLatin1Char('/')));
    QCOMPARE(builtIn.versionText(), builtIn.string(BundleValues::ShortVersionKey) + " (" +
                                        builtIn.string(BundleValues::VersionKey) + ")");
    QVERIFY(!builtIn.value(QStringLiteral("NoSuchKey")).isValid());

    QProcessEnvironment processEnvironment;
    if (!environment.isEmpty())
        processEnvironment.insert(QStringLiteral("MCKerloAPIURL"), environment);
    const BundleValues values =
        BundleValues::fromProcess(QStringList{"lumarin"} + arguments, processEnvironment);
    QCOMPARE(values.kerloAPIURL(), expected.isEmpty() ? builtIn.kerloAPIURL() : expected);
    QCOMPARE(values.identifier(), builtIn.identifier());
}

void TestDesktopServices::autostartEntryOnDisk()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral("config"))));
    // A path a shell or a careless Exec line would split or expand.
    const QString program = dir.filePath(QStringLiteral("my apps/lu\"ma'rin $HOME `true` \\x"));
    QVERIFY(QDir().mkpath(QFileInfo(program).absolutePath()));
    QFile executable(program);
    QVERIFY(executable.open(QIODevice::WriteOnly));
    executable.close();
    QVERIFY(executable.setPermissions(executable.permissions() | QFile::ExeOwner));

    XdgAutostart autostart(QStringLiteral("com.kerloapp.lumarin"), program,
                           QStringLiteral("Lumarin"));
    QCOMPARE(autostart.filePath(),
             dir.filePath(QStringLiteral("config/autostart/com.kerloapp.lumarin.desktop")));
    QVERIFY(!autostart.isEnabled());
    QVERIFY(autostart.setEnabled(false)); // nothing to remove
    QVERIFY(autostart.setEnabled(true));
    QVERIFY(autostart.isEnabled());
    QVERIFY(autostart.setEnabled(true));

    // The Exec line, read the way the desktop reads it, starts exactly this program.
    QFile entry(autostart.filePath());
    QVERIFY(entry.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(entry.readAll()).split(QLatin1Char('\n'));
    entry.close();
    QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^Exec="))).size(), 1);
    QString exec = lines.filter(QRegularExpression(QStringLiteral("^Exec="))).first().mid(5);
    exec.replace(QStringLiteral("\\\\"), QStringLiteral("\\")); // the string-value escape
    // Inside double quotes the format escapes as the POSIX shell does.
    QProcess shell;
    shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), "printf '%s' " + exec});
    QVERIFY(shell.waitForFinished(10000));
    QCOMPARE(QString::fromUtf8(shell.readAllStandardOutput()), program);

    // Another program under our id, or our entry switched off, is not enabled.
    XdgAutostart other(QStringLiteral("com.kerloapp.lumarin"), QStringLiteral("/usr/bin/true"),
                       QStringLiteral("Other"));
    QVERIFY(!other.isEnabled());
    QVERIFY(entry.open(QIODevice::Append | QIODevice::Text));
    entry.write("Hidden=true\n");
    entry.close();
    QVERIFY(!autostart.isEnabled());
    QVERIFY(autostart.setEnabled(true));
    QVERIFY(autostart.isEnabled());

    QVERIFY(autostart.setEnabled(false));
    QVERIFY(!QFileInfo::exists(autostart.filePath()));
    QVERIFY(!autostart.isEnabled());

    // A folder that cannot be written fails the change instead of claiming it.
    const QString autostartFolder = QFileInfo(autostart.filePath()).absolutePath();
    QVERIFY(QFile::setPermissions(autostartFolder, QFile::ReadOwner | QFile::ExeOwner));
    if (::geteuid() != 0) // root writes anyway
        QVERIFY(!autostart.setEnabled(true));
    QFile::setPermissions(autostartFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qunsetenv("XDG_CONFIG_HOME");
}

void TestDesktopServices::notificationsAndBadgeOverTheSessionBus()
{
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("needs a session bus (the test script runs the suites in dbus-run-session)");
    // The server sits on a connection of its own, so every message crosses the bus daemon.
    QDBusConnection desktop =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("desktop"));
    QVERIFY(desktop.isConnected());
    NotificationServer server;
    QVERIFY(desktop.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                                   QDBusConnection::ExportAllSlots));
    QVERIFY(desktop.registerService(QStringLiteral("org.freedesktop.Notifications")));

    DBusDesktopNotifier notifier(QStringLiteral("Lumarin"), QStringLiteral("lumarin"),
                                 QStringLiteral("com.kerloapp.lumarin"));
    notifier.notify(QStringLiteral("Anna <a@b>"), QStringLiteral("<b>new</b> file & more"));
    QTRY_COMPARE_WITH_TIMEOUT(server.calls.size(), 1, 10000);
    const NotificationServer::Call call = server.calls.first();
    QCOMPARE(call.application, QStringLiteral("Lumarin"));
    QCOMPARE(call.icon, QStringLiteral("lumarin"));
    QCOMPARE(call.summary, QStringLiteral("Anna <a@b>"));
    QCOMPARE(call.body, QStringLiteral("&lt;b&gt;new&lt;/b&gt; file &amp; more"));
    QCOMPARE(call.hints.value(QStringLiteral("desktop-entry")).toString(),
             QStringLiteral("com.kerloapp.lumarin"));
    QCOMPARE(call.timeout, -1);

    LauncherEntryListener dock(QDBusConnection::sessionBus().baseService(), desktop);
    QSignalSpy updates(&dock, &LauncherEntryListener::Update);
    DBusLauncherBadge badge(QStringLiteral("com.kerloapp.lumarin"));
    badge.setCount(3);
    badge.setCount(3); // unchanged: nothing sent
    badge.setCount(-2);
    QTRY_COMPARE_WITH_TIMEOUT(updates.count(), 2, 10000);
    QCOMPARE(badge.count(), 0);
    QCOMPARE(updates.at(0).at(0).toString(),
             QStringLiteral("application://com.kerloapp.lumarin.desktop"));
    const QVariantMap shown = updates.at(0).at(1).toMap();
    QCOMPARE(shown.value(QStringLiteral("count")).toLongLong(), 3);
    QCOMPARE(shown.value(QStringLiteral("count-visible")).toBool(), true);
    const QVariantMap hidden = updates.at(1).at(1).toMap();
    QCOMPARE(hidden.value(QStringLiteral("count")).toLongLong(), 0);
    QCOMPARE(hidden.value(QStringLiteral("count-visible")).toBool(), false);

    desktop.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    QDBusConnection::disconnectFromBus(QStringLiteral("desktop"));
}

void TestDesktopServices::quitRequestsFunnelIntoOne()
{
    QuitRequests requests;
    QVERIFY(requests.watch(qApp, QuitRequests::LastWindowClosed));
    QSignalSpy spy(&requests, &QuitRequests::quitRequested);

    requests.requestQuit();
    requests.requestQuit(QuitRequests::SessionEnd);
    QCOMPARE(spy.count(), 1);
    QVERIFY(requests.isRequestOpen());
    requests.requestHandled(false); // refused: the user may ask again
    requests.requestQuit();
    QCOMPARE(spy.count(), 2);

    // The window manager closing the last window, from inside the application's event loop.
    requests.requestHandled(false);
    QWidget window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    connect(&requests, &QuitRequests::quitRequested, qApp, [] { QCoreApplication::exit(0); });
    QTimer::singleShot(0, &window, &QWidget::close);
    QTimer::singleShot(20000, qApp, [] { QCoreApplication::exit(1); });
    QCOMPARE(QCoreApplication::exec(), 0);
    QCOMPARE(spy.count(), 3);
    QCOMPARE(spy.last().at(0).value<QuitRequests::Source>(), QuitRequests::LastWindowClosed);

    requests.requestHandled(true); // accepted: on the way out, nothing more
    requests.requestQuit();
    QCOMPARE(spy.count(), 3);
    QVERIFY(requests.isQuitting());
}

void TestDesktopServices::terminationSignalsBecomeOneRequest()
{
    struct sigaction before = {};
    QCOMPARE(::sigaction(SIGTERM, nullptr, &before), 0);
    {
        QuitRequests requests;
        QVERIFY(requests.watch(qApp, QuitRequests::TerminationSignal));
        QuitRequests second;
        QVERIFY(!second.watch(qApp, QuitRequests::TerminationSignal));
        QSignalSpy spy(&requests, &QuitRequests::quitRequested);

        // A burst of signals is one request.
        ::kill(::getpid(), SIGTERM);
        ::kill(::getpid(), SIGINT);
        ::kill(::getpid(), SIGTERM);
        QVERIFY(spy.wait(10000));
        QCoreApplication::processEvents();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.first().at(0).value<QuitRequests::Source>(), QuitRequests::TerminationSignal);

        requests.requestHandled(false);
        ::kill(::getpid(), SIGTERM);
        QVERIFY(spy.wait(10000));
        QCOMPARE(spy.count(), 2);
    }
    // The earlier handler is back once nobody watches.
    struct sigaction after = {};
    QCOMPARE(::sigaction(SIGTERM, nullptr, &after), 0);
    QVERIFY(after.sa_handler == before.sa_handler);
}

void TestDesktopServices::soundsWithoutASoundDevice()
{
    // The test machine has no sound server: playing must neither block nor fail loudly.
    CanberraSoundPlayer player(QStringLiteral("Lumarin"), QStringLiteral("com.kerloapp.lumarin"));
    for (const char *name : {"welcome", "invitation", "connected", "disconnected", "welcome"})
        player.play(QString::fromLatin1(name));
    QCOMPARE(CanberraSoundPlayer::eventId(QStringLiteral("invitation")),
             QStringLiteral("message-new-instant"));
}

QTEST_MAIN(TestDesktopServices)
#include "tst_desktopservices.moc"

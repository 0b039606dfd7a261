#include "kerlolocal.h"
#include "mconfigdatabase.h"
#include "mconnectivitychecker.h"
#include "mnetworkrequest.h"
#include "mnetworkrequestmanager.h"
#include "testcore.h"
#include "tolvoapp.h"
#include "tolvoappimpl.h"
#include "unprivilegedfiles.h"

#include <QDir>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <vector>

namespace {

// Finishes its shut-down a moment after being asked, as a manager with work in flight does.
class PromptInstance : public QObject
{
    Q_OBJECT
public slots:
    void shutdown() { QTimer::singleShot(10, this, &PromptInstance::shutdownCompleted); }
signals:
    void shutdownCompleted();
};

class StuckInstance : public QObject
{
    Q_OBJECT
public slots:
    void shutdown() {}
signals:
    void shutdownCompleted();
};

class InstanceWithoutSignal : public QObject
{
    Q_OBJECT
public slots:
    void shutdown() {}
};

TolvoApp::ConnectivityStatus probe()
{
    auto *checker = new MConnectivityChecker;
    QSignalSpy spy(checker, &MConnectivityChecker::connectivityStatusChanged);
    QPointer<MConnectivityChecker> guard(checker);
    QThreadPool::globalInstance()->start(checker);
    QThreadPool::globalInstance()->waitForDone();
    if (spy.count() != 1 || guard)
        return static_cast<TolvoApp::ConnectivityStatus>(-1);
    return spy.first().first().value<TolvoApp::ConnectivityStatus>();
}

QString configValues(const QString &databasePath, const QString &statement)
{
    QStringList values;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "inspect");
        db.setDatabaseName(databasePath);
        db.open();
        QSqlQuery query(db);
        query.exec(statement);
        while (query.next())
            values << query.value(0).toString();
    }
    QSqlDatabase::removeDatabase("inspect");
    return values.join(QLatin1Char(','));
}

// Cases that must end the process, or that need a core of their own.
int runCase(const QString &name, const QStringList &args)
{
    TolvoApp *app = TolvoApp::instance();
    if (name == QLatin1String("missing-configuration")) {
        TestCore::configureCore(QUrl(QStringLiteral("http://127.0.0.1:1")));
        const QString missing = args.value(0);
        if (missing == QLatin1String("identifier"))
            app->setMainIdentifier(QString());
        else if (missing == QLatin1String("base"))
            app->setBaseAPIURL(QUrl());
        else if (missing == QLatin1String("oauth"))
            app->setAuthorizationURL(QUrl());
        else if (missing == QLatin1String("client"))
            app->setOAuth2ClientID(QString());
        else if (missing == QLatin1String("secret"))
            app->setOAuth2ClientSecret(QString());
        else if (missing == QLatin1String("scheme"))
            app->setBaseAPIURL(QUrl(QStringLiteral("ftp://127.0.0.1/api/v1")));
        QTemporaryDir support;
        app->setSupportPath(support.path());
        TolvoApp::instance()->init();
        return 0;
    }
    if (name == QLatin1String("open-support")) {
        // "unprivileged": the stores are opened as a user sees them, not as root.
        std::unique_ptr<UnprivilegedFiles> user;
        if (args.value(1) == QLatin1String("unprivileged")) {
            user = std::make_unique<UnprivilegedFiles>();
            if (!user->active())
                return 3;
        }
        app->setSupportPath(args.value(0));
        MWriteValueToDB<QString>(QStringLiteral("probe"), QStringLiteral("written"));
        printf("value=%s\n", qPrintable(MReadValueFromDB<QString>(QStringLiteral("probe"))));
        printf("lost=[%s]\n", qPrintable(app->lostAtStart().join(QLatin1Char('|'))));
        return 0;
    }
    if (name == QLatin1String("no-support-path")) {
        printf("thumbnails=[%s]\n", qPrintable(app->thumbnailsPath()));
        return 0;
    }
    if (name == QLatin1String("shutdown")) {
        // args: kind of registered instances, then how long to keep running afterwards
        const QString kind = args.value(0);
        // The stuck case ends in exit(), which would leave a server process behind.
        KerloLocal server;
        if (kind == QLatin1String("requests") || kind == QLatin1String("probe"))
            server.start();
        QTemporaryDir support;
        TestCore::initCore(server.isRunning() ? server.baseUrl() : QUrl("http://127.0.0.1:1"),
                           support.path());
        TolvoAppImpl *impl = TolvoApp::instance();
        if (kind == QLatin1String("prompt")) {
            for (int i = 0; i < 3; ++i)
                impl->registerShutdownableInstance(new PromptInstance);
        } else if (kind == QLatin1String("stuck")) {
            impl->registerShutdownableInstance(new PromptInstance);
            impl->registerShutdownableInstance(new StuckInstance);
        } else if (kind == QLatin1String("stuck-while-saving")) {
            // As the transfer engine writes its queue on its own thread while the rest stops.
            impl->registerShutdownableInstance(new StuckInstance);
            const QString path = support.filePath(QStringLiteral("saving.db"));
            QThread *saver = QThread::create([path] {
                QSqlDatabase db =
                    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("saver"));
                db.setDatabaseName(path);
                if (!db.open())
                    return;
                QSqlQuery(QStringLiteral("CREATE TABLE t(v INTEGER)"), db).exec();
                for (qint64 i = 0;; ++i) {
                    QSqlQuery insert(db);
                    insert.prepare(QStringLiteral("INSERT INTO t VALUES(?)"));
                    insert.addBindValue(i);
                    insert.exec();
                }
            });
            saver->start();
        } else if (kind == QLatin1String("requests")) {
            server.hang(QStringLiteral("/api/v1/slow"), -1);
            auto *manager = new MNetworkRequestManager;
            QUrl url = server.apiUrl();
            url.setPath(url.path() + QStringLiteral("/slow"));
            for (int i = 0; i < 50; ++i)
                manager->sendRequest(MNetworkRequest(url, MNetworkRequest::Get));
            impl->registerShutdownableInstance(manager);
        } else if (kind == QLatin1String("probe")) {
            server.hang(QStringLiteral("/api/v1"), -1);
            MConnectivityChecker::resetProbeTimeout();
            impl->runConnectivityCheck();
        }
        int readyToQuit = 0;
        QObject::connect(impl, &TolvoApp::readyToQuit, [&] {
            ++readyToQuit;
            // Whether a process started now (a relaunch) could take the folder.
            QLockFile folder(support.filePath(QStringLiteral(".lock")));
            printf("folderFree=%d\n", int(folder.tryLock(0)));
        });
        QTimer::singleShot(100, impl, &TolvoAppImpl::shutdown);
        QEventLoop loop;
        QTimer::singleShot(args.value(1).toInt(), &loop, &QEventLoop::quit);
        loop.exec();
        printf("readyToQuit=%d\n", readyToQuit);
        return 0;
    }
    return 2;
}

} // namespace

// Outlives the core, which holds a lock inside it until the application object goes.
QTemporaryDir support;

class TestTolvoApp : public QObject
{
    Q_OBJECT
    KerloLocal server;

private slots:
    void initTestCase()
    {
        QVERIFY(server.start());
        TestCore::initCore(server.baseUrl(), support.path());
    }

    void derivesFoldersFromSupportPath()
    {
        TolvoApp *app = TolvoApp::instance();
        QCOMPARE(app->cachePath(), support.path() + "/cache");
        QVERIFY(app->tempPath().endsWith("/temp"));
        QVERIFY(QFileInfo(app->tempPath()).isDir());
        QVERIFY(QFileInfo(app->thumbnailsPath()).isDir());
        QVERIFY(QFileInfo(app->avatarsPath()).isDir());

        const auto result = TestCore::runSubprocess(QStringLiteral("no-support-path"));
        QCOMPARE(result.exitCode, 0);
        QVERIFY(result.standardOutput.contains("thumbnails=[]"));
    }

    void userAgentCarriesApplicationIdentifier()
    {
        const QString uuid = TolvoApp::stringWithMachineUUID();
        QCOMPARE(uuid.size(), 32);
        QVERIFY(QRegularExpression(QStringLiteral("^[0-9a-f]{32}$")).match(uuid).hasMatch());

        const QString bare = deviceDescriptionString(uuid, QString());
        QVERIFY(bare.startsWith(QStringLiteral("os: ")));
        QVERIFY(bare.endsWith(QStringLiteral(" uuid: %1;").arg(uuid)));
        QVERIFY(!bare.contains(QStringLiteral("app-identifier")));
        QVERIFY(
            deviceDescriptionString(uuid, "id - 1 (2)").endsWith(" app-identifier: id - 1 (2);"));
        // init() keeps the identifier that the host set before it.
        QVERIFY(TolvoApp::instance()->userAgent().endsWith(
            QStringLiteral(" app-identifier: %1;").arg(TolvoApp::instance()->applicationString())));
    }

    void configDatabaseStoresValues()
    {
        const QString file = support.path() + "/config.db";
        QCOMPARE(configValues(file, "SELECT _id FROM migrations"), QStringLiteral("1"));
        QCOMPARE(configValues(file, "SELECT count(*) FROM config"), QStringLiteral("0"));

        QVERIFY(MReadValueFromDB<QString>("never-written").isNull());
        MWriteValueToDB<QString>("lhid", "first");
        MWriteValueToDB<QString>("lhid", "second");
        QCOMPARE(configValues(file, "SELECT count(*) FROM config"), QStringLiteral("1"));
        QCOMPARE(MReadValueFromDB<QString>("lhid"), QStringLiteral("second"));

        MWriteValueToDB<QString>("empty", QStringLiteral(""));
        MWriteValueToDB<QString>("null", QString());
        QVERIFY(!MReadValueFromDB<QString>("empty").isNull());
        QVERIFY(MReadValueFromDB<QString>("empty").isEmpty());
        QVERIFY(MReadValueFromDB<QString>("null").isNull());

        // Setting the path again reopens the same file, values intact.
        TolvoApp::instance()->setSupportPath(support.path());
        QCOMPARE(MReadValueFromDB<QString>("lhid"), QStringLiteral("second"));

        // Another thread reads through a connection of its own.
        QString fromWorker;
        QThread *worker = QThread::create([&] { fromWorker = MReadValueFromDB<QString>("lhid"); });
        worker->start();
        worker->wait();
        delete worker;
        QCOMPARE(fromWorker, QStringLiteral("second"));
    }

    void configDatabaseFromShortLivedThreads()
    {
        // Threads end and others start in waves, so later threads get the ids of earlier
        // ones: every value each thread writes must be there, for it and afterwards.
        QAtomicInt lost;
        QStringList keys;
        const auto writeAndReadBack = [&lost](const QString &prefix) {
            for (int i = 0; i < 3; ++i) {
                const QString key = prefix + QLatin1Char('-') + QString::number(i);
                MWriteValueToDB<QString>(key, key);
                if (MReadValueFromDB<QString>(key) != key)
                    lost.ref();
            }
        };
        const auto keysOf = [](const QString &prefix) {
            return QStringList{prefix + "-0", prefix + "-1", prefix + "-2"};
        };
        for (int wave = 0; wave < 10; ++wave) {
            const int connectionsBefore = QSqlDatabase::connectionNames().size();
            {
                QThreadPool pool;
                pool.setMaxThreadCount(4);
                for (int task = 0; task < 12; ++task) {
                    const QString prefix = QStringLiteral("pool-%1-%2").arg(wave).arg(task);
                    keys << keysOf(prefix);
                    pool.start([=] { writeAndReadBack(prefix); });
                }
                // The pool's threads end with it.
            }
            std::vector<std::unique_ptr<QThread>> threads;
            for (int index = 0; index < 4; ++index) {
                const QString prefix = QStringLiteral("thread-%1-%2").arg(wave).arg(index);
                keys << keysOf(prefix);
                threads.emplace_back(QThread::create([=] { writeAndReadBack(prefix); }));
                threads.back()->start();
            }
            for (const auto &thread : threads)
                QVERIFY(thread->wait());
            // The connections of the threads that ended are gone.
            QVERIFY(QSqlDatabase::connectionNames().size() <= connectionsBefore);
        }

        // Long-lived pool threads keep one connection each.
        const int connectionsBefore = QSqlDatabase::connectionNames().size();
        QThreadPool *global = QThreadPool::globalInstance();
        for (int task = 0; task < 40; ++task) {
            const QString prefix = QStringLiteral("global-%1").arg(task);
            keys << keysOf(prefix);
            global->start([=] { writeAndReadBack(prefix); });
        }
        global->waitForDone();
        QVERIFY(QSqlDatabase::connectionNames().size() <=
                connectionsBefore + global->maxThreadCount());

        QCOMPARE(lost.loadAcquire(), 0);
        for (const QString &key : qAsConst(keys))
            QCOMPARE(MReadValueFromDB<QString>(key), key);
    }

    void configDatabaseFaults_data()
    {
        QTest::addColumn<QByteArray>("content");
        // Opened as a user sees them; the folder is the user's unless "keeps it".
        QTest::addColumn<bool>("unprivileged");
        // What the start says it found, after "The settings store".
        QTest::addColumn<QString>("found");
        // Whether it can be set aside; if not, the settings are kept in memory only.
        QTest::addColumn<bool>("setAside");
        const QString damaged = "was damaged";
        const QString denied = "could not be read (Permission denied)";
        const QString folder = "could not be read (it is a folder)";
        // A schema without its migration row.
        QTest::newRow("no migration") << QByteArray("migrations") << false << damaged << true;
        QTest::newRow("no settings table") << QByteArray("no config") << false << damaged << true;
        QTest::newRow("not a database") << QByteArray(4096, 'x') << false << damaged << true;
        QTest::newRow("a folder") << QByteArray("folder") << false << folder << true;
        QTest::newRow("unreadable") << QByteArray("mode 000") << true << denied << true;
        QTest::newRow("unreadable, in a folder that keeps it")
            << QByteArray("mode 000 kept") << true << denied << false;
        QTest::newRow("a folder, in a folder that keeps it")
            << QByteArray("folder kept") << true << folder << false;
    }

    void configDatabaseFaults()
    {
        // A store that cannot be used is kept aside and the program starts afresh, saying what
        // was lost; the next start has nothing more to say. One that cannot be moved aside is
        // left as it is, and every start says that nothing is kept.
        QFETCH(QByteArray, content);
        QFETCH(bool, unprivileged);
        QFETCH(QString, found);
        QFETCH(bool, setAside);
        if (unprivileged && !UnprivilegedFiles().active())
            QSKIP("Opening files as an unprivileged user needs root");
        QTemporaryDir folder;
        const QString file = folder.path() + "/config.db";
        if (content == "migrations") {
            configValues(file, "CREATE TABLE migrations ( _id INTEGER PRIMARY KEY AUTOINCREMENT )");
        } else if (content == "no config" || content.startsWith("mode 000")) {
            configValues(file, "CREATE TABLE migrations ( _id INTEGER PRIMARY KEY AUTOINCREMENT )");
            configValues(file, "INSERT INTO migrations (_id) VALUES (NULL)");
            if (content != "no config")
                configValues(file, "CREATE TABLE config (key TEXT PRIMARY KEY, value BLOB)");
        } else if (content.startsWith("folder")) {
            QVERIFY(QDir(folder.path()).mkpath("config.db/inside"));
        } else {
            QFile garbage(file);
            QVERIFY(garbage.open(QIODevice::WriteOnly));
            garbage.write(content);
        }
        QByteArray damaged;
        if (!content.startsWith("folder")) {
            QFile original(file);
            QVERIFY(original.open(QIODevice::ReadOnly));
            damaged = original.readAll();
        }
        if (content.startsWith("mode 000"))
            QVERIFY(QFile::setPermissions(file, {}));
        if (content.endsWith("kept"))
            QVERIFY(UnprivilegedFiles::shareFolderKeepingFiles(folder.path()));
        else if (unprivileged)
            QVERIFY(UnprivilegedFiles::giveFolder(folder.path()));
        const QStringList as = unprivileged ? QStringList("unprivileged") : QStringList();

        auto result = TestCore::runSubprocess("open-support", QStringList(folder.path()) + as);
        QVERIFY2(!result.crashed && result.exitCode == 0, result.standardError.right(2000));
        QVERIFY(result.standardOutput.contains("value=written"));
        const QString said = QString::fromLocal8Bit(result.standardOutput);
        const QString keptInMemory =
            "lost=[The settings store " + file + " " + found +
            " and could not be moved aside: settings are kept only until the program quits: at "
            "every start, where the list of changes";
        const QStringList aside =
            QDir(folder.path()).entryList({"config.db.broken-*"}, QDir::Files | QDir::Dirs);
        if (!setAside) {
            QCOMPARE(aside, QStringList());
            QVERIFY2(said.contains(keptInMemory), qPrintable(said));
        } else {
            QCOMPARE(aside.size(), 1);
            QVERIFY2(said.contains("lost=[The settings store " + found + " and was set aside as " +
                                   folder.filePath(aside.first()) + ": where the list of changes"),
                     qPrintable(said));
        }
        // Kept as it was found, aside or in its place.
        const QString kept = setAside ? folder.filePath(aside.first()) : file;
        if (content.startsWith("folder")) {
            QVERIFY(QFileInfo::exists(kept + "/inside"));
        } else {
            QFile keptFile(kept);
            QVERIFY(keptFile.open(QIODevice::ReadOnly));
            QCOMPARE(keptFile.readAll(), damaged);
        }

        result = TestCore::runSubprocess("open-support", QStringList(folder.path()) + as);
        QCOMPARE(result.exitCode, 0);
        QVERIFY(result.standardOutput.contains("value=written"));
        if (setAside)
            QVERIFY2(result.standardOutput.contains("lost=[]"), result.standardOutput.constData());
        else
            QVERIFY2(QString::fromLocal8Bit(result.standardOutput).contains(keptInMemory),
                     result.standardOutput.constData());
    }

    void secondInstanceIsRefused()
    {
        const auto result = TestCore::runSubprocess("open-support", {support.path()});
        QVERIFY(result.crashed);
        QVERIFY(result.standardError.contains("Another instance"));
        // The running instance's store is untouched.
        QCOMPARE(MReadValueFromDB<QString>("lhid"), QStringLiteral("second"));
        QVERIFY(MReadValueFromDB<QString>("probe").isNull());
    }

    void missingConfigurationIsFatal_data()
    {
        QTest::addColumn<QString>("missing");
        QTest::addColumn<QString>("message");
        QTest::newRow("identifier") << "identifier"
                                    << "Cannot continue without a main identifier.";
        QTest::newRow("base") << "base"
                              << "Cannot continue without a base API URL.";
        QTest::newRow("oauth") << "oauth"
                               << "Cannot continue without an OAuth2 base URL";
        QTest::newRow("client") << "client"
                                << "Cannot continue without an OAuth2 Client ID.";
        QTest::newRow("secret") << "secret"
                                << "Cannot continue without a valid OAuth2 Secret.";
        QTest::newRow("scheme") << "scheme"
                                << "Unsupported port";
    }

    void missingConfigurationIsFatal()
    {
        QFETCH(QString, missing);
        QFETCH(QString, message);
        const auto result = TestCore::runSubprocess("missing-configuration", {missing});
        QVERIFY(result.crashed);
        QVERIFY2(result.standardError.contains(message.toUtf8()), result.standardError);
    }

    void firstProbeMakesTheCoreReady()
    {
        TolvoAppImpl *app = TolvoApp::instance();
        QSignalSpy ready(app, &TolvoApp::ready);
        // The service is on loopback: online whatever bearer management says.
        app->setupNetwork();
        QTRY_COMPARE_WITH_TIMEOUT(ready.count(), 1, 15000);
        QCOMPARE(app->connectivityStatus(), TolvoApp::Online);
        QVERIFY(!app->isConnectivityCheckScheduled());
    }

    void statusReportsScheduleProbes()
    {
        TolvoAppImpl *app = TolvoApp::instance();
        QSignalSpy ready(app, &TolvoApp::ready);
        QSignalSpy changes(app, &TolvoApp::connectivityStatusChanged);

        app->setConnectivityStatus(TolvoApp::HostUnreachable);
        QVERIFY(app->isConnectivityCheckScheduled());
        app->setConnectivityStatus(TolvoApp::ServiceUnavailable);
        app->setConnectivityStatus(TolvoApp::ServiceUnavailable);
        QVERIFY(app->isConnectivityCheckScheduled());
        app->setConnectivityStatus(TolvoApp::Online);
        QVERIFY(!app->isConnectivityCheckScheduled());
        app->setConnectivityStatus(TolvoApp::Offline);
        QVERIFY(!app->isConnectivityCheckScheduled());
        app->setConnectivityStatus(TolvoApp::Online);

        // ready() came once, with the first probe; a repeated status is still reported.
        QCOMPARE(ready.count(), 0);
        QCOMPARE(changes.count(), 6);
        QCOMPARE(changes.at(2).at(0).value<TolvoApp::ConnectivityStatus>(),
                 TolvoApp::ServiceUnavailable);
        QCOMPARE(changes.at(2).at(1).value<TolvoApp::ConnectivityStatus>(),
                 TolvoApp::ServiceUnavailable);
    }

    void probeClassifiesTheService()
    {
        TolvoApp *app = TolvoApp::instance();
        const QUrl base = app->baseAPIURL();
        MConnectivityChecker::resetProbeTimeout();

        QCOMPARE(probe(), TolvoApp::Online);

        QVERIFY(server.forceStatus("/api/v1", 500));
        QCOMPARE(probe(), TolvoApp::ServiceUnavailable);

        QVERIFY(server.forceStatus("/api/v1", 301, QByteArray(), 1, QString(), "text/html",
                                   {{"Location", server.baseUrl().toString().toUtf8() + "/"}}));
        QCOMPARE(probe(), TolvoApp::ServiceUnavailable);

        QVERIFY(server.hang("/api/v1"));
        QCOMPARE(probe(), TolvoApp::ServiceUnavailable);
        QVERIFY(MConnectivityChecker::probeTimeout() > 1000);

        // A quick answer brings the timeout back down.
        QCOMPARE(probe(), TolvoApp::Online);
        QCOMPARE(MConnectivityChecker::probeTimeout(), 1000);

        KerloLocal closed;
        QVERIFY(closed.start());
        const QUrl closedUrl = closed.apiUrl();
        closed.stop();
        app->setBaseAPIURL(closedUrl);
        QCOMPARE(probe(), TolvoApp::HostUnreachable);
        app->setBaseAPIURL(base);

        QCOMPARE(MConnectivityChecker::portForUrl(QUrl("https://example.org/api/v1")), 443);
        QCOMPARE(MConnectivityChecker::portForUrl(QUrl("http://example.org/api/v1")), 80);
        QCOMPARE(MConnectivityChecker::portForUrl(QUrl("ftp://example.org:21/")), 21);
        QCOMPARE(MConnectivityChecker::portForUrl(QUrl("ftp://example.org/")), -1);
    }

    void registrationNeedsSlotAndSignal()
    {
        InstanceWithoutSignal instance;
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("does not have any shutdown slot"));
        TolvoApp::instance()->registerShutdownableInstance(&instance);
    }

    void shutdownEndsInOneReadyToQuit_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("no instances") << "none";
        QTest::newRow("prompt instances") << "prompt";
        QTest::newRow("50 requests in flight") << "requests";
        QTest::newRow("probe waiting on a hung service") << "probe";
    }

    void shutdownEndsInOneReadyToQuit()
    {
        QFETCH(QString, kind);
        // Runs past the watchdog's 3 s: a clean quit must not be killed by it.
        const auto result = TestCore::runSubprocess("shutdown", {kind, "3600"});
        QVERIFY2(!result.crashed && result.exitCode == 0, result.standardError);
        QVERIFY2(result.standardOutput.contains("readyToQuit=1"), result.standardOutput);
        // The folder is given up by then, not as the process ends.
        QVERIFY2(result.standardOutput.contains("folderFree=1"), result.standardOutput);
    }

    void watchdogEndsAStuckShutdown_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("stuck instance") << "stuck";
        // The forced end must not take the database from under a thread still writing.
        QTest::newRow("while another thread saves") << "stuck-while-saving";
    }

    void watchdogEndsAStuckShutdown()
    {
        QFETCH(QString, kind);
        const auto result = TestCore::runSubprocess("shutdown", {kind, "10000"});
        QVERIFY2(!result.crashed, result.standardError);
        QCOMPARE(result.exitCode, 255);
        QVERIFY(result.standardError.contains("Could not shut down properly: forcing shut down"));
        QVERIFY(result.standardError.contains("Some instances did not close properly:"));
        QVERIFY(result.standardError.contains("StuckInstance"));
        QVERIFY(!result.standardOutput.contains("readyToQuit="));
    }
};

TESTCORE_MAIN_WITH_SUBPROCESS(TestTolvoApp, runCase)

#include "tst_tolvoapp.moc"

// The cost of the model layer's transfer and group notifications during a 1,000-file folder
// upload to kerlo-local: the same upload through the core alone (the engine's group, waited
// for on the objects manager's signals), then through MOObjectsManager with an observer that
// reads every transfer and group notification as the transfers page would.

#include "kerlolocal.h"
#include "mobjectsender.h"
#include "mobjectsmanager.h"
#include "mobjecttransferrequest.h"
#include "moconstants.h"
#include "modeltestapplication.h"
#include "monotificationcenter.h"
#include "moobjectsmanager.h"
#include "muserauthmanager.h"
#include "tolvoappimpl.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

namespace {

constexpr int fileCount = 1000;

QString makeFolder(const QTemporaryDir &root, const QString &name)
{
    const QString folder = root.filePath(name);
    for (int i = 0; i < fileCount; ++i) {
        const QString path = folder + QStringLiteral("/d%1/f%2.txt").arg(i / 100).arg(i);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(path));
        file.write(QByteArray(1024, char('a' + i % 26)));
    }
    return folder;
}

// The reference: the group scheduled on the engine as a folder upload schedules it.
qint64 uploadThroughCore(const QString &folder, const QString &remote)
{
    MObjectsManager *core = TolvoApp::instance()->objectsManager();
    QList<MObjectTransferRequest> members;
    QDirIterator it(folder, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        MObjectTransferRequest member(
            file, remote + QLatin1Char('/') + QDir(folder).relativeFilePath(file), 0);
        member.setAttribute(MObjectTransferRequest::RequestType,
                            QVariant::fromValue(Tolvo::UploadObject));
        members.append(member);
    }
    QSignalSpy finished(core, &MObjectsManager::transferGroupFinished);
    QElapsedTimer timer;
    timer.start();
    core->objectSender()->scheduleTransferGroup(members, MObjectTransferRequest(folder, remote, 0),
                                                folder);
    if (!QTest::qWaitFor([&] { return finished.count() > 0; }, 600000))
        qFatal("the core's upload did not finish");
    return timer.elapsed();
}

struct FacadeRun
{
    qint64 elapsed = 0;
    int notifications = 0;
    qint64 observerNs = 0;
};

FacadeRun uploadThroughFacade(const QString &folder, const QString &remote)
{
    MOObjectsManager *objects = MOObjectsManager::sharedInstance();
    FacadeRun run;
    bool done = false;
    QObject observer;
    qint64 checksum = 0;
    objects->notificationCenter()->addObserver(
        &observer, QString(), objects, [&](const MOPostedNotification &notification) {
            QElapsedTimer inside;
            inside.start();
            ++run.notifications;
            if (notification.userInfo.contains(MOObjectTransferKey)) {
                const auto transfer =
                    notification.userInfo.value(MOObjectTransferKey).value<MOObjectTransfer>();
                checksum += transfer.totalTransferredBytes();
                if (const auto group = transfer.group())
                    checksum += group->completedCount();
            } else if (notification.userInfo.contains(MOObjectTransferGroupKey)) {
                const auto group = notification.userInfo.value(MOObjectTransferGroupKey)
                                       .value<MOObjectTransferGroup>();
                checksum += group.overallTransferredBytes();
                done |= notification.name == MOObjectTransferGroupDidFinishNotification;
            }
            run.observerNs += inside.nsecsElapsed();
        });
    QElapsedTimer timer;
    timer.start();
    objects->transferDirectory(MOObjectTransferRequest(folder, remote, 0));
    if (!QTest::qWaitFor([&] { return done; }, 600000))
        qFatal("the facade's upload did not finish");
    run.elapsed = timer.elapsed();
    if (checksum < 0)
        qFatal("impossible");
    return run;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QtMessageHandler quiet = [](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type >= QtWarningMsg)
            QTextStream(stderr) << text << '\n';
    };
    qInstallMessageHandler(quiet);

    ModelTest::useTemporaryDataLocation();
    KerloLocal server;
    if (!server.start())
        qFatal("kerlo-local did not start");
    RecordingApplicationDelegate delegate;
    if (!ModelTest::startApplication(server, &delegate))
        qFatal("the core did not become ready");
    MUserAuthManager *auth = TolvoApp::instance()->authManager();
    QSignalSpy authorized(auth, &MUserAuthManager::authorizationSuccess);
    auth->authenticateUser(QStringLiteral("demo@kerlo.local"), QStringLiteral("lumarin-demo"));
    if (!authorized.wait(20000))
        qFatal("sign-in failed");
    TolvoApp::instance()->objectsManager()->start();

    QTemporaryDir root;
    const qint64 core = uploadThroughCore(makeFolder(root, "core"), QStringLiteral("/BenchCore"));
    const FacadeRun facade =
        uploadThroughFacade(makeFolder(root, "facade"), QStringLiteral("/BenchFacade"));

    QTextStream out(stdout);
    out << "1,000-file folder upload to kerlo-local (1 KiB files)\n";
    out << QStringLiteral("%1 %2 ms\n").arg("core alone (reference)", -40).arg(core);
    out << QStringLiteral("%1 %2 ms\n").arg("through MOObjectsManager", -40).arg(facade.elapsed);
    out << QStringLiteral("%1 %2\n").arg("notifications posted", -40).arg(facade.notifications);
    out << QStringLiteral("%1 %2 ms\n")
               .arg("time inside the observer", -40)
               .arg(facade.observerNs / 1e6, 0, 'f', 1);
    out << QStringLiteral("%1 %2\n")
               .arg("ratio facade / core", -40)
               .arg(double(facade.elapsed) / double(core), 0, 'f', 3);
    return 0;
}

// The cost of the model layer's transfer and group notifications during a folder upload to
// kerlo-local (1,000 files, or the count given as the first argument, to show how it grows): the
// same upload through the core alone (the engine's group, waited for on the objects manager's
// signals), then through MOObjectsManager with an observer that reads every transfer and group
// notification as the transfers page would; and curl sending the same protocol for the same files
// one by one (one sync and one commit each, over one connection), as the floor.

#include "benchsize.h"
#include "kerlolocal.h"
#include "mobjectsender.h"
#include "mobjectsmanager.h"
#include "mobjecttransferrequest.h"
#include "moconstants.h"
#include "modeltestapplication.h"
#include "monotificationcenter.h"
#include "moobjectsmanager.h"
#include "muserauthmanager.h"
#include "tempguard.h"
#include "tolvoappimpl.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <QLocale>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

namespace {

int fileCount = benchSize(1000, 50);

// Every file's sync (announcing its only chunk and carrying it), in one curl; then every
// commit, in a second one.
const char curlScript[] = R"sh(set -euo pipefail
api=$1 folder=$2 remote=$3 work=$4
cd "$folder"
find . -type f -print0 | sort -z | xargs -0 md5sum >"$work/sums"
awk -v api="$api" -v remote="$remote" -v work="$work" -v token="$KERLO_TOKEN" -v key="$KERLO_KEY" '
    { path = substr($2, 3)
      if (NR > 1) print "next"
      printf "url = \"%s/sync/object%s/%s?base_hash=&final_hash=%s\"\n", api, remote, path, $1
      printf "upload-file = \"%s\"\noutput = \"%s/sync.%d\"\nfail\n", path, work, NR
      printf "header = \"Chunk-Hash-0: %s\"\nheader = \"Expect:\"\n", $1
      printf "header = \"Authorization: Bearer %s\"\nheader = \"M-Auth-Token: %s\"\n", token, key
    }' "$work/sums" >"$work/sync.cfg"
curl -sS --fail-early -K "$work/sync.cfg"
n=0
while read -r hash _; do
    n=$((n + 1))
    token=$(sed -n 's/.*"token":"\([0-9a-f]*\)".*/\1/p' "$work/sync.$n")
    [ "$n" -gt 1 ] && echo next
    printf 'url = "%s/commit/%s"\noutput = "/dev/null"\nfail\n' "$api" "$token"
    printf 'data-binary = {"metadata":{"md5":"%s","content_type":"text/plain"}}\n' "$hash"
    printf 'header = "Content-Type: application/json"\n'
    printf 'header = "Authorization: Bearer %s"\nheader = "M-Auth-Token: %s"\n' "$KERLO_TOKEN" "$KERLO_KEY"
done <"$work/sums" >"$work/commit.cfg"
curl -sS --fail-early -K "$work/commit.cfg"
)sh";

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

qint64 uploadThroughCurl(const KerloLocal &server, const QTemporaryDir &root, const QString &folder,
                         const QString &remote)
{
    const QJsonObject issued = server.tokens().value(QStringLiteral("demo@kerlo.local")).toObject();
    const QString work = root.filePath(QStringLiteral("curl-work"));
    const QString script = root.filePath(QStringLiteral("curl.sh"));
    QDir().mkpath(work);
    QFile file(script);
    if (!file.open(QIODevice::WriteOnly) || file.write(curlScript) != qint64(sizeof curlScript - 1))
        qFatal("cannot write the curl script");
    file.close();
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KERLO_TOKEN"),
                       issued.value(QStringLiteral("access_tokens")).toArray().last().toString());
    environment.insert(QStringLiteral("KERLO_KEY"),
                       issued.value(QStringLiteral("api_key")).toString());
    process.setProcessEnvironment(environment);
    QElapsedTimer timer;
    timer.start();
    process.start(QStringLiteral("bash"),
                  {script, server.apiUrl().toString(), folder, remote, work});
    if (!process.waitForFinished(600000) || process.exitCode() != 0)
        qFatal("the curl upload failed: %s", process.readAllStandardError().constData());
    return timer.elapsed();
}

} // namespace

int main(int argc, char *argv[])
{
    TempGuard::protect("bench_modeltransfers");
    QCoreApplication app(argc, argv);
    if (argc > 1 && QByteArray(argv[1]).toInt() > 0)
        fileCount = QByteArray(argv[1]).toInt();
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
    const qint64 curl =
        uploadThroughCurl(server, root, makeFolder(root, "curl"), QStringLiteral("/BenchCurl"));

    QTextStream out(stdout);
    out << QStringLiteral("%1-file folder upload to kerlo-local (1 KiB files)\n")
               .arg(QLocale(QLocale::English).toString(fileCount));
    out << QStringLiteral("%1 %2 ms\n").arg("curl, file by file (floor)", -40).arg(curl);
    out << QStringLiteral("%1 %2 ms\n").arg("core alone (reference)", -40).arg(core);
    out << QStringLiteral("%1 %2 ms\n").arg("through MOObjectsManager", -40).arg(facade.elapsed);
    out << QStringLiteral("%1 %2\n").arg("notifications posted", -40).arg(facade.notifications);
    out << QStringLiteral("%1 %2 ms\n")
               .arg("time inside the observer", -40)
               .arg(facade.observerNs / 1e6, 0, 'f', 1);
    out << QStringLiteral("%1 %2\n")
               .arg("ratio facade / core", -40)
               .arg(double(facade.elapsed) / double(core), 0, 'f', 3);
    out << QStringLiteral("%1 %2\n")
               .arg("ratio facade / curl", -40)
               .arg(double(facade.elapsed) / double(curl), 0, 'f', 3);
    return 0;
}

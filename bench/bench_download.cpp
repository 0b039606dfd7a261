// A verified download through the transfer engine, from kerlo-local on loopback to a file on
// the ordinary disk, against `curl | tee file | md5sum` doing the same work and against
// `md5sum` of the same bytes held in memory (tmpfs), the ceiling of any verified single
// stream. All three run in every round, in an order that turns round by round.
//
// bench_download [MiB, default 1024] [rounds, default 7] [folder on disk, default: here]

#include "benchsize.h"
#include "benchstatistics.h"
#include "kerlolocal.h"
#include "memoryauthstore.h"
#include "mobjectsender.h"
#include "muserauthmanager.h"
#include "tempguard.h"
#include "testcore.h"
#include "tolvoappimpl.h"
#include "transferengine.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QProcess>
#include <QRandomGenerator>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <cstdio>

#include <sys/resource.h>

namespace {

constexpr qint64 MiB = 1024 * 1024;
const QString email = QStringLiteral("bench@kerlo.local");
const QString password = QStringLiteral("bench-password");
const QString remote = QStringLiteral("/Bench/download.bin");
const QString memoryFolder = QStringLiteral("/dev/shm");

struct Run
{
    qint64 bytes = 0;
    qint64 elapsedNs = 0;
    double cpuSeconds = 0; // the engine's process: less moved by other load than the clock
    QString error;         // empty: the bytes arrived and their MD5 was the expected one

    double mibPerSecond() const { return (bytes / double(MiB)) / (elapsedNs / 1e9); }
};

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class Bench
{
public:
    Bench(qint64 size, const QString &folder);
    ~Bench();
    bool setUp();
    bool measure(int rounds);
    void print() const;

private:
    enum Side { EngineSide, CurlSide, MemorySide, SideCount };

    bool upload();
    Run engineDownload();
    Run curlDownload();
    Run memoryHash();
    Run runShell(const QString &command, const QString &expectedHash);

    qint64 size;
    KerloLocal server;
    MemoryAuthStore store;
    QTemporaryDir scratch;
    QString inMemory;
    TransferEngine engine;
    QString accessToken;
    QString apiKey;
    QString hash;
    QVector<Run> runs[SideCount];
};

Bench::Bench(qint64 size, const QString &folder)
    : size(size)
    , scratch(QDir(folder).filePath(QStringLiteral("bench_download-XXXXXX")))
{}

Bench::~Bench()
{
    if (!inMemory.isEmpty())
        QFile::remove(inMemory);
}

bool Bench::setUp()
{
    if (!scratch.isValid()) {
        std::fprintf(stderr, "no scratch folder: %s\n", qPrintable(scratch.errorString()));
        return false;
    }
    if (QStorageInfo(memoryFolder).fileSystemType() != "tmpfs") {
        std::fprintf(stderr, "%s is not a tmpfs\n", qPrintable(memoryFolder));
        return false;
    }
    // kerlo-local keeps its data in memory: the disk is left to the client's side.
    const QByteArray tmpdir = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(memoryFolder));
    const bool started = server.start();
    if (tmpdir.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", tmpdir);
    if (!started) {
        std::fprintf(stderr, "kerlo-local did not start\n");
        return false;
    }
    if (server.createUser(email, password, {{QStringLiteral("total_size"), double(1LL << 40)}})
            .isEmpty())
        return false;
    MAuthStore::setInstance(&store);
    TestCore::initCore(server.baseUrl(), TestCore::supportPath());
    // The partial file and its destination on the disk measured, as in a real download.
    TolvoApp::instance()->setTempPath(scratch.filePath(QStringLiteral("temp")));
    TolvoApp::instance()->setConnectivityStatus(TolvoApp::Online);
    MUserAuthManager *auth = TolvoApp::instance()->authManager();
    QEventLoop loop;
    bool signedIn = false;
    QObject::connect(auth, &MUserAuthManager::authorizationSuccess, &loop, [&] {
        signedIn = true;
        loop.quit();
    });
    QObject::connect(auth, &MUserAuthManager::authorizationFailed, &loop, &QEventLoop::quit);
    auth->authenticateUser(email, password);
    loop.exec();
    if (!signedIn) {
        std::fprintf(stderr, "sign-in failed\n");
        return false;
    }
    // curl signs its requests with the engine's own credentials.
    const QJsonObject issued = server.tokens().value(email).toObject();
    apiKey = issued.value(QStringLiteral("api_key")).toString();
    accessToken = issued.value(QStringLiteral("access_tokens")).toArray().last().toString();
    return engine.start() && upload();
}

// Puts random bytes on the service through the engine, uploaded from memory, where the
// reference hashes them.
bool Bench::upload()
{
    inMemory =
        QDir(memoryFolder)
            .filePath(
                QStringLiteral("bench_download-%1.bin").arg(QCoreApplication::applicationPid()));
    {
        QFile file(inMemory);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        QRandomGenerator random(QRandomGenerator::global()->generate());
        QVector<quint32> block(int(8 * MiB / sizeof(quint32)));
        for (qint64 written = 0; written < size;) {
            random.fillRange(block.data(), block.size());
            const qint64 length = qMin<qint64>(size - written, block.size() * sizeof(quint32));
            if (file.write(reinterpret_cast<const char *>(block.constData()), length) != length)
                return false;
            written += length;
        }
    }
    MObjectTransferRequest request(inMemory, remote, 0);
    request.setAction(Tolvo::UploadObject);
    request.setMode(1);
    qint64 elapsed = 0;
    const MObjectTransfer done = engine.run(request, &elapsed);
    hash = done.storageObject().contentHash().toLower();
    if (done.state() != MObjectTransfer::Completed || hash.isEmpty()) {
        std::fprintf(stderr, "upload failed: state %d, error %d\n", done.state(), done.errorCode());
        return false;
    }
    return true;
}

Run Bench::engineDownload()
{
    const QString target = scratch.filePath(QStringLiteral("engine.bin"));
    MObjectTransferRequest request(remote, target, 1);
    request.setAction(Tolvo::DownloadObject);
    // As the interface asks: the name is reserved first, then replaced by the verified file.
    request.setOverwriteStrategy(Tolvo::PickFreeName);
    Run run;
    run.bytes = size;
    const double cpuBefore = processCpuSeconds();
    const MObjectTransfer done = engine.run(request, &run.elapsedNs);
    run.cpuSeconds = processCpuSeconds() - cpuBefore;
    // The engine renames the file into place only once its MD5 matched.
    if (done.state() != MObjectTransfer::Completed ||
        done.transferRequest().destinationPath() != target || QFileInfo(target).size() != size)
        run.error = QStringLiteral("engine download ended in state %1, error %2")
                        .arg(done.state())
                        .arg(done.errorCode());
    QFile::remove(target);
    return run;
}

Run Bench::curlDownload()
{
    const QString target = scratch.filePath(QStringLiteral("curl.bin"));
    Run run = runShell(QStringLiteral("curl -sSf -H \"Authorization: Bearer $KERLO_TOKEN\" "
                                      "-H \"M-Auth-Token: $KERLO_KEY\" \"$KERLO_URL\" "
                                      "| tee \"$KERLO_FILE\" | md5sum"),
                       hash);
    if (run.error.isEmpty() && QFileInfo(target).size() != size)
        run.error = QStringLiteral("curl left %1 bytes").arg(QFileInfo(target).size());
    QFile::remove(target);
    return run;
}

Run Bench::memoryHash()
{
    return runShell(QStringLiteral("md5sum <\"$KERLO_MEMORY\""), hash);
}

Run Bench::runShell(const QString &command, const QString &expectedHash)
{
    QUrl url = server.apiUrl();
    url.setPath(url.path() + QStringLiteral("/object") + remote);
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KERLO_TOKEN"), accessToken);
    environment.insert(QStringLiteral("KERLO_KEY"), apiKey);
    environment.insert(QStringLiteral("KERLO_URL"), url.toString());
    environment.insert(QStringLiteral("KERLO_FILE"), scratch.filePath(QStringLiteral("curl.bin")));
    environment.insert(QStringLiteral("KERLO_MEMORY"), inMemory);
    process.setProcessEnvironment(environment);
    Run run;
    run.bytes = size;
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral("bash"), {QStringLiteral("-o"), QStringLiteral("pipefail"),
                                           QStringLiteral("-c"), command});
    process.waitForFinished(-1);
    run.elapsedNs = clock.nsecsElapsed();
    const QByteArray output = process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        run.error = QStringLiteral("`%1` failed: %2")
                        .arg(command, QString::fromLocal8Bit(process.readAllStandardError()));
    else if (!output.startsWith(expectedHash.toLatin1()))
        run.error = QStringLiteral("`%1` gave MD5 %2, not %3")
                        .arg(command, QString::fromLatin1(output.left(32)), expectedHash);
    return run;
}

bool Bench::measure(int rounds)
{
    QTextStream out(stdout);
    out << QStringLiteral("%1 MiB, verified, to %2 (%3); in memory: %4\n")
               .arg(size / MiB)
               .arg(scratch.path(),
                    QString::fromLatin1(QStorageInfo(scratch.path()).fileSystemType()),
                    memoryFolder);
    out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7  order\n")
               .arg(QStringLiteral("round"), -6)
               .arg(QStringLiteral("engine MiB/s"), 13)
               .arg(QStringLiteral("curl|tee|md5"), 13)
               .arg(QStringLiteral("md5 memory"), 11)
               .arg(QStringLiteral("vs curl"), 8)
               .arg(QStringLiteral("vs md5"), 7)
               .arg(QStringLiteral("engine CPU s/GiB"), 17);
    out.flush();
    // One unmeasured round of each side opens the connections and fills the caches.
    for (int round = 0; round <= rounds; ++round) {
        Run measured[SideCount];
        QStringList order;
        for (int turn = 0; turn < SideCount; ++turn) {
            // Each side goes first, second and third in turn.
            const Side side = Side((round + turn) % SideCount);
            switch (side) {
            case EngineSide:
                measured[side] = engineDownload();
                order << QStringLiteral("engine");
                break;
            case CurlSide:
                measured[side] = curlDownload();
                order << QStringLiteral("curl");
                break;
            default:
                measured[side] = memoryHash();
                order << QStringLiteral("md5");
                break;
            }
            if (!measured[side].error.isEmpty()) {
                std::fprintf(stderr, "round %d: %s\n", round, qPrintable(measured[side].error));
                return false;
            }
        }
        if (round == 0)
            continue;
        for (int side = 0; side < SideCount; ++side)
            runs[side] << measured[side];
        const double engineRate = measured[EngineSide].mibPerSecond();
        out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7  %8\n")
                   .arg(round, -6)
                   .arg(engineRate, 13, 'f', 1)
                   .arg(measured[CurlSide].mibPerSecond(), 13, 'f', 1)
                   .arg(measured[MemorySide].mibPerSecond(), 11, 'f', 1)
                   .arg(engineRate / measured[CurlSide].mibPerSecond(), 8, 'f', 3)
                   .arg(engineRate / measured[MemorySide].mibPerSecond(), 7, 'f', 3)
                   .arg(measured[EngineSide].cpuSeconds * 1024 * MiB / size, 17, 'f', 2)
                   .arg(order.join(QLatin1Char(',')));
        out.flush();
    }
    return true;
}

void Bench::print() const
{
    QVector<double> rates[SideCount];
    QVector<double> againstCurl, againstMemory, cpu;
    for (int round = 0; round < runs[EngineSide].size(); ++round) {
        cpu << runs[EngineSide].at(round).cpuSeconds * 1024 * MiB / size;
        for (int side = 0; side < SideCount; ++side)
            rates[side] << runs[side].at(round).mibPerSecond();
        againstCurl << rates[EngineSide].last() / rates[CurlSide].last();
        againstMemory << rates[EngineSide].last() / rates[MemorySide].last();
    }
    QTextStream(stdout) << QStringLiteral("%1 %2 %3 %4 %5 %6 %7\n")
                               .arg(QStringLiteral("median"), -6)
                               .arg(median(rates[EngineSide]), 13, 'f', 1)
                               .arg(median(rates[CurlSide]), 13, 'f', 1)
                               .arg(median(rates[MemorySide]), 11, 'f', 1)
                               .arg(median(againstCurl), 8, 'f', 3)
                               .arg(median(againstMemory), 7, 'f', 3)
                               .arg(median(cpu), 17, 'f', 2);
}

} // namespace

int main(int argc, char *argv[])
{
    TempGuard::protect("bench_download");
    QCoreApplication app(argc, argv);
    // The core's per-transfer debug lines would bury the table.
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    const QStringList arguments = app.arguments();
    const qint64 size = arguments.value(1, QString::number(benchSize(1024, 16))).toLongLong() * MiB;
    const int rounds = arguments.value(2, QString::number(benchSize(7, 1))).toInt();
    const QString folder = arguments.value(3, QDir::currentPath());
    if (size <= 0 || rounds <= 0) {
        std::fprintf(stderr, "usage: bench_download [MiB] [rounds] [folder]\n");
        return 2;
    }
    int result = 1;
    {
        Bench bench(size, folder);
        if (bench.setUp() && bench.measure(rounds)) {
            bench.print();
            result = 0;
        }
    }
    MAuthStore::setInstance(nullptr);
    return result;
}

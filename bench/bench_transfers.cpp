// The transfer engine against curl and md5sum doing the same protocol work on the same
// kerlo-local, in the same run: upload and download throughput at 256 MiB and 1 GiB, the
// engine's peak resident memory at both sizes, and how soon a pause lands while an upload is
// still hashing its file.

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
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

constexpr qint64 MiB = 1024 * 1024;
constexpr qint64 chunkSize = 5 * MiB;
const int rounds = benchSize(3, 1);
const int pauseSamples = benchSize(7, 2);
// The two sizes measured, the second also hashed for the pauses.
const qint64 smallerSize = benchSize(256, 8) * MiB;
const qint64 largerSize = benchSize(1024, 16) * MiB;
const QString email = QStringLiteral("bench@kerlo.local");
const QString password = QStringLiteral("bench-password");

volatile std::sig_atomic_t interrupted = 0;

// The reference: the engine's protocol with standard tools. An upload hashes the file and
// each 5 MiB chunk, announces the chunks with the first one, sends the missing ones through
// a single curl (one connection, as the engine keeps) and commits; a download streams into
// the destination and md5sum at once.
const char referenceScript[] = R"sh(set -euo pipefail
api=$2
sign=(-H "Authorization: Bearer $KERLO_TOKEN" -H "M-Auth-Token: $KERLO_KEY")
case $1 in
upload)
    file=$3
    dest=$4
    work=$(mktemp -d -p "$5")
    trap 'rm -rf "$work"' EXIT
    cd "$work"
    whole=$(md5sum <"$file")
    whole=${whole%% *}
    split -b 5242880 -a 5 -d --filter='tee "$FILE" | md5sum >"$FILE.md5"' "$file" part.
    n=0
    for sum in part.*.md5; do
        read -r hash _ <"$sum"
        echo "$hash ${sum%.md5}" >>hashes
        echo "header = \"Chunk-Hash-$n: $hash\"" >>sync.cfg
        n=$((n + 1))
    done
    curl -sSf "${sign[@]}" -H 'Expect:' -K sync.cfg -T part.00000 \
        "$api/sync/object$dest?base_hash=&final_hash=$whole" >sync.json
    token=$(sed -n 's/.*"token":"\([0-9a-f]*\)".*/\1/p' sync.json)
    sed -n 's/.*"missing_chunks":\[\([^]]*\)\].*/\1/p' sync.json |
        { grep -o '[0-9a-f]\{32\}' || true; } >missing
    awk -v url="$api/upload/$token" -v token="$KERLO_TOKEN" -v key="$KERLO_KEY" '
        NR == FNR { missing[$1]; next }
        $1 in missing {
            if (n++) print "next"
            printf "url = \"%s\"\nupload-file = \"%s\"\noutput = \"/dev/null\"\nfail\n", url, $2
            printf "header = \"Chunk-Hash: %s\"\nheader = \"Expect:\"\n", $1
            printf "header = \"Authorization: Bearer %s\"\n", token
            printf "header = \"M-Auth-Token: %s\"\n", key
        }' missing hashes >chunks.cfg
    if [ -s chunks.cfg ]; then curl -sS --fail-early -K chunks.cfg; fi
    printf '{"metadata":{"md5":"%s","content_type":"application/octet-stream"}}' "$whole" |
        curl -sSf "${sign[@]}" -H 'Content-Type: application/json' --data-binary @- \
            "$api/commit/$token" >/dev/null
    ;;
download)
    curl -sSf "${sign[@]}" "$api/object$3" | tee "$4" | md5sum
    ;;
esac
)sh";

struct Run
{
    qint64 bytes = 0;
    qint64 elapsedNs = 0;
    qint64 peakGrowthKiB = 0;
    QString error; // empty: the transfer completed and was checked

    double mibPerSecond() const { return (bytes / double(MiB)) / (elapsedNs / 1e9); }
};

// Runs loop until it quits or the user interrupts the run; false on the latter.
bool exec(QEventLoop &loop)
{
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &loop, [&loop] {
        if (interrupted)
            loop.quit();
    });
    watch.start(50);
    loop.exec();
    return !interrupted;
}

qint64 statusKiB(const char *field)
{
    FILE *status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    qint64 value = -1;
    while (value < 0 && std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, field, std::strlen(field)) == 0)
            value = std::atoll(line + std::strlen(field));
    }
    std::fclose(status);
    return value;
}

// Resident memory during one transfer, above what it was at the start: sampled every 10 ms,
// and read from the kernel's high-water mark, reset at the start, which also sees the peaks
// between samples.
class PeakMemory
{
public:
    PeakMemory()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] { sample(); });
    }

    void start()
    {
        QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
        highWaterReset = clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
        clearRefs.close();
        baseline = peak = statusKiB("VmRSS:");
        timer.start(10);
    }

    qint64 stop()
    {
        timer.stop();
        sample();
        if (highWaterReset)
            peak = qMax(peak, statusKiB("VmHWM:"));
        return peak - baseline;
    }

private:
    void sample() { peak = qMax(peak, statusKiB("VmRSS:")); }

    QTimer timer;
    qint64 baseline = 0;
    qint64 peak = 0;
    bool highWaterReset = false;
};

class Bench
{
public:
    bool setUp();
    bool measure();
    void print() const;

private:
    struct Case
    {
        QString name;
        QVector<Run> engine;
        QVector<Run> reference;
    };

    QString writeFile(const QString &name, qint64 size);
    // Writes a tag new to this run at the start of every chunk, so that the service holds
    // none of the file's chunks and both sides really send all of them.
    bool stamp(const QString &path, qint64 size);
    Run engineUpload(const QString &file, qint64 size, const QString &remote, QString *hash);
    Run engineDownload(const QString &remote, qint64 size);
    Run referenceUpload(const QString &file, qint64 size, const QString &remote);
    Run referenceDownload(const QString &remote, qint64 size, const QString &hash);
    Run runReference(const QStringList &arguments, QByteArray *output);
    bool measureSize(qint64 size);
    // Milliseconds from pauseTransfer() to transferPaused for an upload paused delayMs after
    // it started hashing; negative when the hashing was over before the pause landed.
    double pauseLatency(const QString &file, int delayMs);

    KerloLocal server;
    MemoryAuthStore store;
    QTemporaryDir scratch;
    TransferEngine engine{&exec};
    QString accessToken;
    QString apiKey;
    QString scriptPath;
    int uploads = 0;
    QVector<Case> uploadCases;
    QVector<Case> downloadCases;
    QVector<double> pauses;
    int missedPauses = 0;
};

bool Bench::setUp()
{
    if (!scratch.isValid() || !server.start()) {
        std::fprintf(stderr, "kerlo-local did not start\n");
        return false;
    }
    // Every upload is new content: the demo account's quota would not hold them.
    if (server.createUser(email, password, {{QStringLiteral("total_size"), double(1LL << 40)}})
            .isEmpty())
        return false;
    MAuthStore::setInstance(&store);
    TestCore::initCore(server.baseUrl(), TestCore::supportPath());
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
    if (!exec(loop) || !signedIn) {
        std::fprintf(stderr, "sign-in failed\n");
        return false;
    }
    // curl signs its requests with the engine's own credentials.
    const QJsonObject issued = server.tokens().value(email).toObject();
    apiKey = issued.value(QStringLiteral("api_key")).toString();
    accessToken = issued.value(QStringLiteral("access_tokens")).toArray().last().toString();

    scriptPath = scratch.filePath(QStringLiteral("reference.sh"));
    QFile script(scriptPath);
    if (!script.open(QIODevice::WriteOnly) ||
        script.write(referenceScript) != qint64(sizeof referenceScript - 1))
        return false;
    script.close();
    return engine.start();
}

QString Bench::writeFile(const QString &name, qint64 size)
{
    const QString path = scratch.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    QRandomGenerator random(QRandomGenerator::global()->generate());
    QVector<quint32> block(int(8 * MiB / sizeof(quint32)));
    for (qint64 written = 0; written < size;) {
        random.fillRange(block.data(), block.size());
        const qint64 length = qMin<qint64>(size - written, block.size() * sizeof(quint32));
        if (file.write(reinterpret_cast<const char *>(block.constData()), length) != length)
            return QString();
        written += length;
    }
    return path;
}

bool Bench::stamp(const QString &path, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    const QByteArray tag =
        QByteArray("upload ").append(QByteArray::number(++uploads)).leftJustified(16, ' ');
    for (qint64 offset = 0; offset < size; offset += chunkSize) {
        if (!file.seek(offset) || file.write(tag) != tag.size())
            return false;
    }
    return true;
}

Run Bench::engineUpload(const QString &file, qint64 size, const QString &remote, QString *hash)
{
    MObjectTransferRequest request(file, remote, 0);
    request.setAction(Tolvo::UploadObject);
    request.setMode(1);
    Run run;
    run.bytes = size;
    PeakMemory memory;
    memory.start();
    const MObjectTransfer done = engine.run(request, &run.elapsedNs);
    run.peakGrowthKiB = memory.stop();
    if (done.state() != MObjectTransfer::Completed || done.storageObject().size() != size)
        run.error = QStringLiteral("engine upload ended in state %1, error %2")
                        .arg(done.state())
                        .arg(done.errorCode());
    *hash = done.storageObject().contentHash();
    return run;
}

Run Bench::engineDownload(const QString &remote, qint64 size)
{
    const QString target = scratch.filePath(QStringLiteral("engine-download.bin"));
    MObjectTransferRequest request(remote, target, 1);
    request.setAction(Tolvo::DownloadObject);
    request.setOverwriteStrategy(1);
    Run run;
    run.bytes = size;
    PeakMemory memory;
    memory.start();
    const MObjectTransfer done = engine.run(request, &run.elapsedNs);
    run.peakGrowthKiB = memory.stop();
    // The engine checked the MD5 before it renamed the file into place.
    if (done.state() != MObjectTransfer::Completed || QFileInfo(target).size() != size)
        run.error = QStringLiteral("engine download ended in state %1, error %2")
                        .arg(done.state())
                        .arg(done.errorCode());
    QFile::remove(target);
    return run;
}

Run Bench::runReference(const QStringList &arguments, QByteArray *output)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KERLO_TOKEN"), accessToken);
    environment.insert(QStringLiteral("KERLO_KEY"), apiKey);
    process.setProcessEnvironment(environment);
    process.setProgram(QStringLiteral("bash"));
    process.setArguments(QStringList{scriptPath} + arguments);
    QEventLoop loop;
    QObject::connect(&process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), &loop,
                     &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    Run run;
    QElapsedTimer clock;
    clock.start();
    process.start();
    exec(loop);
    run.elapsedNs = clock.nsecsElapsed();
    if (process.state() != QProcess::NotRunning || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        run.error = QStringLiteral("reference %1 failed: %2")
                        .arg(arguments.value(0),
                             QString::fromLocal8Bit(process.readAllStandardError().trimmed()));
    *output = process.readAllStandardOutput();
    return run;
}

Run Bench::referenceUpload(const QString &file, qint64 size, const QString &remote)
{
    QByteArray output;
    Run run = runReference(
        {QStringLiteral("upload"), server.apiUrl().toString(), file, remote, scratch.path()},
        &output);
    run.bytes = size;
    return run;
}

Run Bench::referenceDownload(const QString &remote, qint64 size, const QString &hash)
{
    const QString target = scratch.filePath(QStringLiteral("reference-download.bin"));
    QByteArray output;
    Run run = runReference({QStringLiteral("download"), server.apiUrl().toString(), remote, target},
                           &output);
    run.bytes = size;
    if (run.error.isEmpty() && (!output.startsWith(hash.toLatin1()) || hash.isEmpty()))
        run.error = QStringLiteral("reference download has MD5 %1, not %2")
                        .arg(QString::fromLatin1(output.left(32)), hash);
    QFile::remove(target);
    return run;
}

QString sizeName(qint64 size)
{
    return size >= 1024 * MiB ? QStringLiteral("%1 GiB").arg(size / (1024 * MiB))
                              : QStringLiteral("%1 MiB").arg(size / MiB);
}

bool report(const QString &what, int round, const Run &engineRun, const Run &referenceRun)
{
    if (interrupted)
        return false;
    for (const Run &run : {engineRun, referenceRun}) {
        if (!run.error.isEmpty()) {
            std::fprintf(stderr, "%s, round %d: %s\n", qPrintable(what), round,
                         qPrintable(run.error));
            return false;
        }
    }
    QTextStream(stdout) << QStringLiteral("  %1 round %2: engine %3 MiB/s, reference %4 MiB/s, "
                                          "engine peak RSS +%5 MiB\n")
                               .arg(what)
                               .arg(round)
                               .arg(engineRun.mibPerSecond(), 0, 'f', 1)
                               .arg(referenceRun.mibPerSecond(), 0, 'f', 1)
                               .arg(engineRun.peakGrowthKiB / 1024.0, 0, 'f', 1);
    return true;
}

bool Bench::measureSize(qint64 size)
{
    const QString name = sizeName(size);
    const QString file = writeFile(QStringLiteral("source-%1.bin").arg(size / MiB), size);
    if (file.isEmpty())
        return false;
    Case up{QStringLiteral("upload ") + name, {}, {}};
    QString object;
    QString hash;
    for (int round = 1; round <= rounds && !interrupted; ++round) {
        const QString engineRemote = QStringLiteral("/Bench/engine-%1-%2.bin").arg(size).arg(round);
        const QString referenceRemote =
            QStringLiteral("/Bench/curl-%1-%2.bin").arg(size).arg(round);
        // Alternate which side goes first, so neither always gets the warmer cache.
        Run engineRun, referenceRun;
        for (const bool engineSide : {round % 2 == 1, round % 2 == 0}) {
            if (!stamp(file, size))
                return false;
            if (engineSide)
                engineRun = engineUpload(file, size, engineRemote, &hash);
            else
                referenceRun = referenceUpload(file, size, referenceRemote);
        }
        if (!report(up.name, round, engineRun, referenceRun))
            return false;
        up.engine << engineRun;
        up.reference << referenceRun;
        object = engineRemote;
    }
    QFile::remove(file);
    uploadCases << up;

    Case down{QStringLiteral("download ") + name, {}, {}};
    for (int round = 1; round <= rounds && !interrupted; ++round) {
        Run engineRun, referenceRun;
        for (const bool engineSide : {round % 2 == 1, round % 2 == 0}) {
            if (engineSide)
                engineRun = engineDownload(object, size);
            else
                referenceRun = referenceDownload(object, size, hash);
        }
        if (!report(down.name, round, engineRun, referenceRun))
            return false;
        down.engine << engineRun;
        down.reference << referenceRun;
    }
    downloadCases << down;
    return !interrupted;
}

double Bench::pauseLatency(const QString &file, int delayMs)
{
    MObjectTransferRequest request(file, QStringLiteral("/Bench/paused.bin"), 0);
    request.setAction(Tolvo::UploadObject);
    request.setMode(1);
    MObjectSender *sender = engine.sender;
    QEventLoop loop;
    QElapsedTimer clock;
    qint64 pausedNs = -1;
    bool started = false;
    bool finished = false;
    qint64 id = -1;
    QObject::connect(
        sender, &MObjectSender::transferStarted, &loop,
        [&](const MObjectTransfer &transfer) { started = started || transfer.identifier() == id; });
    QObject::connect(sender, &MObjectSender::transferPaused, &loop,
                     [&](const MObjectTransfer &transfer) {
                         if (transfer.identifier() != id)
                             return;
                         pausedNs = started ? -1 : clock.nsecsElapsed();
                         loop.quit();
                     });
    QObject::connect(sender, &MObjectSender::transferFinished, &loop,
                     [&](const MObjectTransfer &transfer) {
                         if (transfer.identifier() != id)
                             return;
                         finished = true;
                         loop.quit();
                     });
    // The engine takes the transfer at its next tick and marks it running as it starts hashing:
    // no signal tells, so the store is watched.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        if (MObjectTransfer::fromIdentifier(id).state() != MObjectTransfer::Running)
            return;
        watch.stop();
        QTimer::singleShot(delayMs, &loop, [&] {
            clock.start();
            sender->pauseTransfer(MObjectTransfer::fromIdentifier(id));
        });
    });
    const MObjectTransfer transfer = sender->scheduleTransfer(request);
    id = transfer.identifier();
    watch.start(1);
    exec(loop);

    if (!finished) {
        QEventLoop canceled;
        QObject::connect(sender, &MObjectSender::transferFinished, &canceled,
                         [&](const MObjectTransfer &transfer) {
                             if (transfer.identifier() == id)
                                 canceled.quit();
                         });
        sender->cancelTransfer(transfer);
        exec(canceled);
    }
    return pausedNs < 0 ? -1 : pausedNs / 1e6;
}

bool Bench::measure()
{
    // One unmeasured transfer each way and side opens the connections and warms the code.
    const qint64 warmSize = 3 * chunkSize;
    const QString warm = writeFile(QStringLiteral("warm.bin"), warmSize);
    QString hash;
    if (warm.isEmpty() || !stamp(warm, warmSize) ||
        !report(QStringLiteral("warm-up upload"), 0,
                engineUpload(warm, warmSize, QStringLiteral("/Bench/warm-engine.bin"), &hash),
                referenceUpload(warm, warmSize, QStringLiteral("/Bench/warm-curl.bin"))) ||
        !report(QStringLiteral("warm-up download"), 0,
                engineDownload(QStringLiteral("/Bench/warm-engine.bin"), warmSize),
                referenceDownload(QStringLiteral("/Bench/warm-engine.bin"), warmSize, hash)))
        return false;
    QFile::remove(warm);

    if (!measureSize(smallerSize) || !measureSize(largerSize))
        return false;

    const QString hashed = writeFile(QStringLiteral("hashed.bin"), largerSize);
    if (hashed.isEmpty())
        return false;
    for (int sample = 0; sample < pauseSamples && !interrupted; ++sample) {
        const double latency = pauseLatency(hashed, 100 + 50 * sample);
        if (latency < 0)
            ++missedPauses;
        else
            pauses << latency;
    }
    QFile::remove(hashed);
    return !interrupted;
}

void Bench::print() const
{
    QTextStream out(stdout);
    out << "\nEngine against curl + md5sum on loopback, median of " << rounds << " rounds\n";
    out << QStringLiteral("%1 %2 %3 %4 %5\n")
               .arg(QStringLiteral("case"), -16)
               .arg(QStringLiteral("engine MiB/s"), 13)
               .arg(QStringLiteral("reference MiB/s"), 16)
               .arg(QStringLiteral("ratio"), 7)
               .arg(QStringLiteral("engine peak RSS growth MiB (max)"), 33);
    for (const Case &measured : uploadCases + downloadCases) {
        QVector<double> engineRates, referenceRates, ratios;
        qint64 peakKiB = 0;
        for (int round = 0; round < measured.engine.size(); ++round) {
            engineRates << measured.engine.at(round).mibPerSecond();
            referenceRates << measured.reference.at(round).mibPerSecond();
            ratios << engineRates.last() / referenceRates.last();
            peakKiB = qMax(peakKiB, measured.engine.at(round).peakGrowthKiB);
        }
        out << QStringLiteral("%1 %2 %3 %4 %5\n")
                   .arg(measured.name, -16)
                   .arg(median(engineRates), 13, 'f', 1)
                   .arg(median(referenceRates), 16, 'f', 1)
                   .arg(median(ratios), 7, 'f', 3)
                   .arg(peakKiB / 1024.0, 33, 'f', 1);
    }
    if (pauses.isEmpty()) {
        out << "pause while hashing " << sizeName(largerSize) << ": no sample caught the hashing\n";
        return;
    }
    out << QStringLiteral("pause while hashing %1: median %2 ms, max %3 ms over %4 samples")
               .arg(sizeName(largerSize))
               .arg(median(pauses), 0, 'f', 2)
               .arg(*std::max_element(pauses.begin(), pauses.end()), 0, 'f', 2)
               .arg(pauses.size());
    if (missedPauses > 0)
        out << QStringLiteral(" (%1 landed after the hashing and were left out)").arg(missedPauses);
    out << '\n';
}

} // namespace

int main(int argc, char *argv[])
{
    TempGuard::protect("bench_transfers");
    QCoreApplication app(argc, argv);
    // The core's per-transfer debug lines would bury the table.
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    // Stop between steps so that the scratch files and kerlo-local's data go with the objects.
    for (const int signal : {SIGINT, SIGTERM})
        std::signal(signal, [](int) { interrupted = 1; });
    int result = 1;
    {
        Bench bench;
        if (bench.setUp() && bench.measure()) {
            bench.print();
            result = 0;
        }
    }
    MAuthStore::setInstance(nullptr);
    return result;
}

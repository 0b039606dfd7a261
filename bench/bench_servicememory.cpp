// kerlo-local's resident memory over cycles of a user's transfers: per cycle one large file
// (50 MiB, ten chunks) and 20 small ones uploaded through the transfer engine, downloaded
// again and deleted, so that the stored data stays the same; the service runs as the suites
// start it, with the test control API and its request log. After each cycle its VmRSS and
// RssAnon. The reference is the resident size at the end of the warm-up (a fifth of
// the cycles); the service is flat when no later cycle's size exceeds it by more than the
// bound, and the program exits 1 when it keeps growing.
// Usage: bench_servicememory [cycles] (default 50); LUMARIN_BENCH_SMALL=1: 5 cycles of 5 MiB.
#include "kerlolocal.h"
#include "memoryauthstore.h"
#include "muserauthmanager.h"
#include "tempguard.h"
#include "testcore.h"
#include "tolvoappimpl.h"
#include "transferengine.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstdlib>

namespace {

constexpr qint64 MiB = 1024 * 1024;
constexpr qint64 chunkSize = 5 * MiB;
constexpr qint64 smallFileBytes = 64 * 1024;
// Several times the service's own variation from cycle to cycle once warm (a few MiB), and
// a fraction of the large file: a service that keeps one large upload's body a cycle
// crosses it within the run.
constexpr qint64 flatBoundMiB = 24;
const QString email = QStringLiteral("bench@kerlo.local");
const QString password = QStringLiteral("bench-password");
const QString remoteFolder = QStringLiteral("/Bench");

volatile std::sig_atomic_t interrupted = 0;

struct Shape
{
    int cycles = 50;
    qint64 largeBytes = 50 * MiB;
    int smallFiles = 20;
};

struct Sample
{
    qint64 rssKiB = -1;
    qint64 anonKiB = -1;
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

Sample sampleOf(qint64 pid)
{
    Sample sample;
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return sample;
    for (const QByteArray &line : status.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 2)
            continue;
        if (fields.first() == "VmRSS:")
            sample.rssKiB = fields.at(1).toLongLong();
        else if (fields.first() == "RssAnon:")
            sample.anonKiB = fields.at(1).toLongLong();
    }
    return sample;
}

double mib(qint64 kib)
{
    return kib / 1024.0;
}

class Bench
{
public:
    explicit Bench(const Shape &shape)
        : shape(shape)
    {}

    bool setUp();
    bool measure();
    // The table and the verdict; true when the service stayed flat.
    bool report() const;

private:
    QString writeFile(const QString &name, qint64 size);
    // A tag new to this run at the start of every chunk: the service holds none of the
    // file's chunks, so that every cycle really sends all of them.
    bool stamp(const QString &path, qint64 size);
    bool upload(const QString &file, qint64 size, const QString &remote);
    bool download(const QString &remote, qint64 size);
    bool runCycle(int cycle);
    int warmUpCycles() const { return std::max(1, shape.cycles / 5); }

    Shape shape;
    KerloLocal server;
    MemoryAuthStore store;
    QTemporaryDir scratch;
    TransferEngine engine{&exec};
    QString largeFile;
    QStringList smallFiles;
    int stamps = 0;
    Sample started;
    QVector<Sample> samples;
};

bool Bench::setUp()
{
    if (!scratch.isValid() || !server.start()) {
        std::fprintf(stderr, "kerlo-local did not start\n");
        return false;
    }
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
    largeFile = writeFile(QStringLiteral("large.bin"), shape.largeBytes);
    for (int i = 0; i < shape.smallFiles; ++i)
        smallFiles << writeFile(QStringLiteral("small-%1.bin").arg(i), smallFileBytes);
    if (largeFile.isEmpty() || smallFiles.contains(QString()))
        return false;
    started = sampleOf(server.processId());
    return engine.start();
}

QString Bench::writeFile(const QString &name, qint64 size)
{
    const QString path = scratch.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    QRandomGenerator random(QRandomGenerator::global()->generate());
    QVector<quint32> block(int(std::min<qint64>(size, 8 * MiB) / qint64(sizeof(quint32))));
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
        QByteArray("upload ").append(QByteArray::number(++stamps)).leftJustified(16, ' ');
    for (qint64 offset = 0; offset < size; offset += chunkSize) {
        if (!file.seek(offset) || file.write(tag) != tag.size())
            return false;
    }
    return true;
}

bool Bench::upload(const QString &file, qint64 size, const QString &remote)
{
    if (!stamp(file, size))
        return false;
    MObjectTransferRequest request(file, remote, 0);
    request.setAction(Tolvo::UploadObject);
    request.setMode(1);
    qint64 elapsedNs = 0;
    const MObjectTransfer done = engine.run(request, &elapsedNs);
    if (done.state() == MObjectTransfer::Completed && done.storageObject().size() == size)
        return true;
    if (!interrupted)
        std::fprintf(stderr, "upload of %s ended in state %d, error %d\n", qPrintable(remote),
                     int(done.state()), int(done.errorCode()));
    return false;
}

bool Bench::download(const QString &remote, qint64 size)
{
    const QString target = scratch.filePath(QStringLiteral("download.bin"));
    MObjectTransferRequest request(remote, target, 1);
    request.setAction(Tolvo::DownloadObject);
    request.setOverwriteStrategy(1);
    qint64 elapsedNs = 0;
    const MObjectTransfer done = engine.run(request, &elapsedNs);
    // The engine checked the MD5 before it renamed the file into place.
    const bool complete =
        done.state() == MObjectTransfer::Completed && QFileInfo(target).size() == size;
    QFile::remove(target);
    if (!complete && !interrupted)
        std::fprintf(stderr, "download of %s ended in state %d, error %d\n", qPrintable(remote),
                     int(done.state()), int(done.errorCode()));
    return complete;
}

bool Bench::runCycle(int cycle)
{
    const QString folder = QStringLiteral("%1/cycle-%2").arg(remoteFolder).arg(cycle);
    struct Transfer
    {
        QString file;
        qint64 size;
        QString remote;
    };
    QVector<Transfer> transfers{
        {largeFile, shape.largeBytes, folder + QStringLiteral("/large.bin")}};
    for (int i = 0; i < smallFiles.size(); ++i)
        transfers.append(
            {smallFiles.at(i), smallFileBytes, folder + QStringLiteral("/small-%1.bin").arg(i)});
    for (const Transfer &transfer : transfers) {
        if (!upload(transfer.file, transfer.size, transfer.remote))
            return false;
    }
    for (const Transfer &transfer : transfers) {
        if (!download(transfer.remote, transfer.size))
            return false;
    }
    if (server.deleteObject(email, folder).isEmpty()) {
        std::fprintf(stderr, "deleting %s failed\n", qPrintable(folder));
        return false;
    }
    return true;
}

bool Bench::measure()
{
    QTextStream out(stdout);
    out << QStringLiteral("kerlo-local (pid %1): %2 cycles of one %3 MiB file and %4 of %5 KiB, "
                          "each uploaded, downloaded and deleted\n")
               .arg(server.processId())
               .arg(shape.cycles)
               .arg(shape.largeBytes / MiB)
               .arg(shape.smallFiles)
               .arg(smallFileBytes / 1024);
    out << QStringLiteral("at the start: VmRSS %1 MiB, RssAnon %2 MiB\n")
               .arg(mib(started.rssKiB), 0, 'f', 1)
               .arg(mib(started.anonKiB), 0, 'f', 1);
    out << QStringLiteral("%1 %2 %3 %4\n")
               .arg(QStringLiteral("cycle"), 5)
               .arg(QStringLiteral("VmRSS MiB"), 10)
               .arg(QStringLiteral("RssAnon MiB"), 12)
               .arg(QStringLiteral("change MiB"), 11);
    out.flush();
    for (int cycle = 1; cycle <= shape.cycles; ++cycle) {
        if (!runCycle(cycle))
            return false;
        const Sample sample = sampleOf(server.processId());
        if (sample.rssKiB < 0) {
            std::fprintf(stderr, "kerlo-local's status cannot be read\n");
            return false;
        }
        const qint64 previous = samples.isEmpty() ? started.rssKiB : samples.last().rssKiB;
        samples << sample;
        out << QStringLiteral("%1 %2 %3 %4%5\n")
                   .arg(cycle, 5)
                   .arg(mib(sample.rssKiB), 10, 'f', 1)
                   .arg(mib(sample.anonKiB), 12, 'f', 1)
                   .arg(mib(sample.rssKiB - previous), 11, 'f', 1)
                   .arg(cycle == warmUpCycles() ? QStringLiteral("  (end of warm-up)") : QString());
        out.flush();
    }
    return true;
}

bool Bench::report() const
{
    QTextStream out(stdout);
    const int warmUp = warmUpCycles();
    const qint64 reference = samples.at(warmUp - 1).rssKiB;
    const auto later = samples.begin() + warmUp;
    const qint64 peak =
        later == samples.end()
            ? reference
            : std::max_element(later, samples.end(), [](const Sample &a, const Sample &b) {
                  return a.rssKiB < b.rssKiB;
              })->rssKiB;
    // Least squares over the cycles after the warm-up.
    double slope = 0;
    const int n = int(samples.end() - later);
    if (n >= 2) {
        double sumX = 0, sumY = 0, sumXY = 0, sumXX = 0;
        for (int i = 0; i < n; ++i) {
            const double y = mib(samples.at(warmUp + i).rssKiB);
            sumX += i;
            sumY += y;
            sumXY += i * y;
            sumXX += double(i) * i;
        }
        slope = (n * sumXY - sumX * sumY) / (n * sumXX - sumX * sumX);
    }
    const qint64 growthKiB = peak - reference;
    const bool flat = growthKiB <= flatBoundMiB * 1024;
    out << QStringLiteral("\nVmRSS: first cycle %1 MiB, last cycle %2 MiB; at the end of the "
                          "warm-up (cycle %3) %4 MiB, highest after it %5 MiB (%6%7 MiB, bound "
                          "%8 MiB); %9 MiB a cycle after the warm-up\n")
               .arg(mib(samples.first().rssKiB), 0, 'f', 1)
               .arg(mib(samples.last().rssKiB), 0, 'f', 1)
               .arg(warmUp)
               .arg(mib(reference), 0, 'f', 1)
               .arg(mib(peak), 0, 'f', 1)
               .arg(growthKiB >= 0 ? QStringLiteral("+") : QString())
               .arg(mib(growthKiB), 0, 'f', 1)
               .arg(flatBoundMiB)
               .arg(slope, 0, 'f', 2);
    out << (flat ? "verdict: flat\n" : "verdict: GROWING\n");
    return flat;
}

} // namespace

int main(int argc, char *argv[])
{
    // The files and the service's data go with the run, however it ends.
    TempGuard::protect("bench_servicememory");
    QCoreApplication app(argc, argv);
    // The core's per-transfer debug lines would bury the table.
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    for (const int signal : {SIGINT, SIGTERM})
        std::signal(signal, [](int) { interrupted = 1; });

    Shape shape;
    if (qgetenv("LUMARIN_BENCH_SMALL") == "1") {
        shape.cycles = 5;
        shape.largeBytes = 5 * MiB;
        shape.smallFiles = 5;
    }
    if (argc > 1) {
        bool ok = false;
        shape.cycles = QByteArray(argv[1]).toInt(&ok);
        if (!ok || shape.cycles < 1) {
            std::fprintf(stderr, "usage: bench_servicememory [cycles]\n");
            return 2;
        }
    }
    int result = 1;
    {
        Bench bench(shape);
        if (bench.setUp() && bench.measure())
            result = bench.report() ? 0 : 1;
    }
    MAuthStore::setInstance(nullptr);
    TempGuard::finish(result);
}

// kerlo-local's own costs, each against a reference in the same run:
// - a 1 GiB upload in 5 MiB chunks: kerlo-local's CPU time per GiB received against a plain
//   sink (the same HTTP layer, bodies discarded) in a process of its own;
// - mkdirs into one folder: the cost of each at 1,000 objects and at 100,000 (it must not grow
//   with the folder), and seeding the 100,000 in one transaction;
// - a listing of the 100,000-object folder against serialising the same JSON alone.
// Usage: bench_kerlolocal [mkdirs in the large folder, default 100000]

#include "benchsize.h"
#include "benchstatistics.h"
#include "kerlolocal.h"
#include "tempguard.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>

#include <httplib.h>

#include <csignal>
#include <cstdio>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const qint64 uploadSize = benchSize(qint64(1) << 30, qint64(16) << 20);
constexpr int chunkSize = 5 * 1024 * 1024;
const int uploadRounds = benchSize(3, 1);
const int smallCount = benchSize(1000, 100);
// Seeded in one transaction, then listed.
const int seededCount = benchSize(100000, 2000);
const int listingRounds = benchSize(5, 1);
const char userAgent[] = "os: Debian GNU/Linux 12; name: bench; uuid: "
                         "00112233445566778899aabbccddeeff;";

// utime + stime of a process, all its threads, in seconds.
double cpuSeconds(pid_t pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // Fields after the command name, which may hold spaces, start after its ')'.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return (fields.value(11).toLongLong() + fields.value(12).toLongLong()) /
           double(sysconf(_SC_CLK_TCK));
}

// The kerlo-local the fixture started: our child of that name.
pid_t kerloLocalPid()
{
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (line.contains("(kerlo-local)") && fields.value(1).toInt() == getpid())
            return entry.toInt();
    }
    return 0;
}

// A server with kerlo-local's HTTP layer that takes the upload calls and drops the bytes.
// Runs in a child process (forked before any thread starts); returns its port via the pipe.
[[noreturn]] void runSink(int portPipe)
{
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    httplib::Server sink;
    sink.Put(R"(/api/v1/upload/.*)", [](const httplib::Request &, httplib::Response &response) {
        response.set_content(R"({"token":"sink"})", "application/json");
    });
    sink.Put(
        R"(/api/v1/objects/.*)", [](const httplib::Request &request, httplib::Response &response) {
            QJsonArray missing;
            for (int i = 1;; ++i) {
                const std::string name = "Chunk-Hash-" + std::to_string(i);
                if (!request.has_header(name))
                    break;
                missing.append(QString::fromStdString(request.get_header_value(name)));
            }
            const QJsonObject reply{{QStringLiteral("token"), QStringLiteral("sink")},
                                    {QStringLiteral("missing_chunks"), missing}};
            response.set_content(QJsonDocument(reply).toJson(QJsonDocument::Compact).toStdString(),
                                 "application/json");
        });
    sink.Post(R"(/api/v1/commit/.*)", [](const httplib::Request &, httplib::Response &response) {
        response.set_content(R"({"object":{}})", "application/json");
    });
    const int port = sink.bind_to_any_port("127.0.0.1");
    if (write(portPipe, &port, sizeof port) != sizeof port)
        _exit(1);
    sink.listen_after_bind();
    _exit(0);
}

struct Upload
{
    std::vector<std::string> chunks;
    std::vector<std::string> hashes;
};

// uploadSize of chunks that differ from round to round, so that nothing is reused.
Upload makeUpload(int round)
{
    Upload upload;
    quint64 state = 0x9e3779b97f4a7c15ULL * quint64(round + 1);
    for (qint64 offset = 0; offset < uploadSize; offset += chunkSize) {
        std::string chunk(size_t(std::min<qint64>(chunkSize, uploadSize - offset)), '\0');
        for (size_t i = 0; i + 8 <= chunk.size(); i += 8) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            memcpy(&chunk[i], &state, 8);
        }
        upload.hashes.push_back(
            QCryptographicHash::hash(QByteArray::fromRawData(chunk.data(), int(chunk.size())),
                                     QCryptographicHash::Md5)
                .toHex()
                .toStdString());
        upload.chunks.push_back(std::move(chunk));
    }
    return upload;
}

std::string md5Of(const Upload &upload)
{
    QCryptographicHash md5(QCryptographicHash::Md5);
    for (const std::string &chunk : upload.chunks)
        md5.addData(chunk.data(), int(chunk.size()));
    return md5.result().toHex().toStdString();
}

// The client's upload calls: open with chunk 0, each missing chunk, commit.
bool sendUpload(httplib::Client &client, const httplib::Headers &auth, const std::string &path,
                const Upload &upload)
{
    httplib::Headers headers = auth;
    for (size_t i = 0; i < upload.hashes.size(); ++i)
        headers.emplace("Chunk-Hash-" + std::to_string(i), upload.hashes[i]);
    const httplib::Result opened = client.Put(("/api/v1/objects" + path).c_str(), headers,
                                              upload.chunks[0], "application/octet-stream");
    if (!opened || opened->status != 200)
        return false;
    const QJsonObject reply =
        QJsonDocument::fromJson(QByteArray::fromStdString(opened->body)).object();
    const std::string token = reply.value(QLatin1String("token")).toString().toStdString();
    for (const QJsonValue &missing : reply.value(QLatin1String("missing_chunks")).toArray()) {
        const auto index = std::find(upload.hashes.begin(), upload.hashes.end(),
                                     missing.toString().toStdString()) -
                           upload.hashes.begin();
        httplib::Headers chunkHeaders = auth;
        chunkHeaders.emplace("Chunk-Hash", upload.hashes[size_t(index)]);
        const httplib::Result sent =
            client.Put(("/api/v1/upload/" + token).c_str(), chunkHeaders,
                       upload.chunks[size_t(index)], "application/octet-stream");
        if (!sent || sent->status != 200)
            return false;
    }
    const std::string body = R"({"metadata":{"md5":")" + md5Of(upload) + R"("}})";
    const httplib::Result committed =
        client.Post(("/api/v1/commit/" + token).c_str(), auth, body, "application/json");
    return committed && committed->status == 200;
}

httplib::Headers authHeaders(const KerloLocal::Tokens &tokens)
{
    return {{"Authorization", "Bearer " + tokens.accessToken.toStdString()},
            {"M-Auth-Token", tokens.apiKey.toStdString()},
            {"User-Agent", userAgent}};
}

// Seconds per mkdir of count new folders in folder. A connection each: on a kept-alive one,
// the server's two writes per reply meet the client's delayed acknowledgement, which would
// be all this measured.
double mkdirSeconds(int port, const httplib::Headers &auth, const QString &folder, int count,
                    int first = 0)
{
    httplib::Client client("127.0.0.1", port);
    client.set_keep_alive(false);
    QElapsedTimer timer;
    timer.start();
    for (int i = first; i < first + count; ++i) {
        const std::string path =
            QStringLiteral("/api/v1/objects/mkdir%1/made-%2").arg(folder).arg(i).toStdString();
        const httplib::Result made = client.Post(path.c_str(), auth, "", "application/json");
        if (!made || made->status != 200) {
            std::fprintf(stderr, "mkdir %s failed\n", path.c_str());
            return -1;
        }
    }
    return timer.nsecsElapsed() / 1e9 / count;
}

} // namespace

int main(int argc, char *argv[])
{
    TempGuard::protect("bench_kerlolocal");
    int portPipe[2];
    if (pipe(portPipe) != 0)
        return 1;
    const pid_t sinkPid = fork();
    if (sinkPid == 0)
        runSink(portPipe[1]);
    int sinkPort = 0;
    if (sinkPid < 0 || read(portPipe[0], &sinkPort, sizeof sinkPort) != sizeof sinkPort)
        return 1;

    QCoreApplication app(argc, argv);
    const int largeCount = argc > 1 ? QByteArray(argv[1]).toInt() : benchSize(100000, 1000);
    KerloLocal server;
    if (!server.start()) {
        std::fprintf(stderr, "kerlo-local did not start\n");
        return 1;
    }
    const pid_t serverPid = kerloLocalPid();
    const double gibibytes = uploadSize / double(qint64(1) << 30);
    QTextStream out(stdout);

    // 1. Upload CPU.
    const QString uploader = QStringLiteral("uploader@example.org");
    server.createUser(uploader, QStringLiteral("pw"),
                      {{QStringLiteral("total_size"), double(qint64(1) << 40)}});
    const httplib::Headers uploadAuth = authHeaders(server.signInOverHttp(
        uploader, QStringLiteral("pw"), userAgent, QStringLiteral("0").repeated(64)));
    httplib::Client kerlo("127.0.0.1", server.port());
    httplib::Client sink("127.0.0.1", sinkPort);
    for (httplib::Client *client : {&kerlo, &sink}) {
        client->set_keep_alive(true);
        client->set_read_timeout(300);
        client->set_write_timeout(300);
    }
    out << QStringLiteral("%1 MiB upload in 5 MiB chunks, CPU seconds of the receiving process "
                          "per GiB\n")
               .arg(uploadSize >> 20);
    out << QStringLiteral("%1 %2 %3 %4\n")
               .arg(QStringLiteral("round"), -6)
               .arg(QStringLiteral("kerlo-local"), 12)
               .arg(QStringLiteral("sink"), 8)
               .arg(QStringLiteral("ratio"), 7);
    out.flush();
    QVector<double> kerloCpu, sinkCpu, cpuRatios;
    for (int round = 0; round < uploadRounds; ++round) {
        const Upload upload = makeUpload(round);
        const double kerloBefore = cpuSeconds(serverPid);
        if (!sendUpload(kerlo, uploadAuth,
                        QStringLiteral("/Bench/round-%1.bin").arg(round).toStdString(), upload)) {
            std::fprintf(stderr, "upload to kerlo-local failed\n");
            return 1;
        }
        kerloCpu << (cpuSeconds(serverPid) - kerloBefore) / gibibytes;
        const double sinkBefore = cpuSeconds(sinkPid);
        if (!sendUpload(sink, {}, "/Bench/x.bin", upload)) {
            std::fprintf(stderr, "upload to the sink failed\n");
            return 1;
        }
        sinkCpu << (cpuSeconds(sinkPid) - sinkBefore) / gibibytes;
        cpuRatios << kerloCpu.last() / std::max(sinkCpu.last(), 0.01);
        out << QStringLiteral("%1 %2 %3 %4\n")
                   .arg(round + 1, -6)
                   .arg(kerloCpu.last(), 12, 'f', 2)
                   .arg(sinkCpu.last(), 8, 'f', 2)
                   .arg(cpuRatios.last(), 7, 'f', 2);
        out.flush();
    }
    out << QStringLiteral("%1 %2 %3 %4\n\n")
               .arg(QStringLiteral("median"), -6)
               .arg(median(kerloCpu), 12, 'f', 2)
               .arg(median(sinkCpu), 8, 'f', 2)
               .arg(median(cpuRatios), 7, 'f', 2);
    kill(sinkPid, SIGTERM);
    waitpid(sinkPid, nullptr, 0);

    // 2. mkdirs into one folder, small and large, each by a user of its own.
    const QString small = QStringLiteral("small@example.org");
    const QString large = QStringLiteral("large@example.org");
    server.createUser(small, QStringLiteral("pw"));
    server.createUser(large, QStringLiteral("pw"));
    const auto signIn = [&](const QString &email) {
        return authHeaders(server.signInOverHttp(email, QStringLiteral("pw"), userAgent,
                                                 QStringLiteral("0").repeated(64)));
    };
    const httplib::Headers smallAuth = signIn(small);
    const httplib::Headers largeAuth = signIn(large);
    const double smallEach =
        mkdirSeconds(server.port(), smallAuth, QStringLiteral("/Folder"), smallCount);
    QElapsedTimer timer;
    timer.start();
    const double largeEach =
        mkdirSeconds(server.port(), largeAuth, QStringLiteral("/Folder"), largeCount);
    const double largeSeconds = timer.nsecsElapsed() / 1e9;
    // The last thousand, made into a folder that already holds the rest.
    const double lastEach =
        mkdirSeconds(server.port(), largeAuth, QStringLiteral("/Folder"), smallCount, largeCount);
    out << "mkdir into one folder over HTTP (a connection each)\n";
    out << QStringLiteral("%1 mkdirs into an empty folder:        %2 ms each\n")
               .arg(smallCount)
               .arg(smallEach * 1e3, 0, 'f', 3);
    out << QStringLiteral("%1 mkdirs into an empty folder:      %2 ms each, %3 s in all\n")
               .arg(largeCount)
               .arg(largeEach * 1e3, 0, 'f', 3)
               .arg(largeSeconds, 0, 'f', 1);
    out << QStringLiteral("%1 more into that folder of %2:   %3 ms each, ratio to the first "
                          "%1: %4\n\n")
               .arg(smallCount)
               .arg(largeCount)
               .arg(lastEach * 1e3, 0, 'f', 3)
               .arg(lastEach / smallEach, 0, 'f', 2);
    out.flush();

    // 3. Seeding seededCount in one transaction, and listing them.
    timer.restart();
    QByteArray seeded;
    const int seedStatus = server.control("POST", QStringLiteral("/objects/seed"),
                                          {{QStringLiteral("email"), small},
                                           {QStringLiteral("folder"), QStringLiteral("/Seeded")},
                                           {QStringLiteral("count"), seededCount}},
                                          &seeded);
    const double seedSeconds = timer.nsecsElapsed() / 1e9;
    if (seedStatus != 200) {
        std::fprintf(stderr, "seeding failed: %s\n", seeded.constData());
        return 1;
    }
    out << QStringLiteral("seeding %1 folders in one transaction: %2 s\n\n")
               .arg(seededCount)
               .arg(seedSeconds, 0, 'f', 2);

    out << QStringLiteral("listing the %1-object folder against serialising the same JSON alone\n")
               .arg(seededCount);
    out << QStringLiteral("%1 %2 %3 %4\n")
               .arg(QStringLiteral("round"), -6)
               .arg(QStringLiteral("listing ms"), 11)
               .arg(QStringLiteral("JSON ms"), 8)
               .arg(QStringLiteral("ratio"), 7);
    QVector<double> listings, serialisings, listingRatios;
    for (int round = 1; round <= listingRounds; ++round) {
        timer.restart();
        const httplib::Result listed = kerlo.Get("/api/v1/objects/list/Seeded", smallAuth);
        const double listing = timer.nsecsElapsed() / 1e6;
        if (!listed || listed->status != 200) {
            std::fprintf(stderr, "listing failed\n");
            return 1;
        }
        const QJsonDocument reply =
            QJsonDocument::fromJson(QByteArray::fromStdString(listed->body));
        if (reply.object().value(QLatin1String("objects")).toArray().size() != seededCount) {
            std::fprintf(stderr, "the listing is incomplete\n");
            return 1;
        }
        timer.restart();
        const QByteArray serialised = reply.toJson(QJsonDocument::Compact);
        const double serialising = timer.nsecsElapsed() / 1e6;
        listings << listing;
        serialisings << serialising;
        listingRatios << listing / serialising;
        out << QStringLiteral("%1 %2 %3 %4\n")
                   .arg(round, -6)
                   .arg(listing, 11, 'f', 1)
                   .arg(serialising, 8, 'f', 1)
                   .arg(listingRatios.last(), 7, 'f', 2);
        Q_UNUSED(serialised);
    }
    out << QStringLiteral("%1 %2 %3 %4\n")
               .arg(QStringLiteral("median"), -6)
               .arg(median(listings), 11, 'f', 1)
               .arg(median(serialisings), 8, 'f', 1)
               .arg(median(listingRatios), 7, 'f', 2);
    return 0;
}

// Small requests through the request manager against curl on the same kerlo-local, in the
// same run: a 100-byte POST and a 100-byte GET, one after the other over a kept-alive
// connection. curl runs all of its requests in one process (so over one connection too);
// its start-up is taken out by also timing it with a single request.

#include "benchsize.h"
#include "benchstatistics.h"
#include "kerlolocal.h"
#include "mnetworkrequestmanager.h"
#include "tempguard.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

namespace {

const int requestsPerRound = benchSize(300, 20);
const int rounds = benchSize(5, 1);
const QString postPath = QStringLiteral("/bench/small-post");

// Microseconds per request for count requests sent one after the other.
double throughManager(MNetworkRequestManager &manager, const MNetworkRequest &request, int count)
{
    QEventLoop loop;
    int left = count;
    bool failed = false;
    const auto finished =
        QObject::connect(&manager, &MNetworkRequestManager::replyFinishedForRequest, &loop,
                         [&](const MNetworkRequest &, const MNetworkReply &reply) {
                             failed = failed || reply.statusCode() != 200;
                             if (--left > 0)
                                 manager.sendRequest(request);
                             else
                                 loop.quit();
                         });
    QElapsedTimer clock;
    clock.start();
    manager.sendRequest(request);
    loop.exec();
    const qint64 elapsed = clock.nsecsElapsed();
    QObject::disconnect(finished);
    if (failed)
        qFatal("a request through the manager failed");
    return elapsed / 1e3 / count;
}

// Nanoseconds for one curl process to send count requests.
qint64 curlRun(const QString &config)
{
    QProcess curl;
    QElapsedTimer clock;
    clock.start();
    curl.start(QStringLiteral("curl"), {QStringLiteral("-sSf"), QStringLiteral("-K"), config});
    if (!curl.waitForFinished(600000) || curl.exitCode() != 0)
        qFatal("curl failed: %s", curl.readAllStandardError().constData());
    return clock.nsecsElapsed();
}

QString writeCurlConfig(const QString &path, const QUrl &url, int count, const QString &bodyFile)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    QTextStream out(&file);
    if (!bodyFile.isEmpty())
        out << "data-binary = \"@" << bodyFile << "\"\n";
    for (int i = 0; i < count; ++i)
        out << "url = \"" << url.toString() << "\"\noutput = \"/dev/null\"\n";
    return path;
}

// Microseconds per request for curl, start-up left out.
double throughCurl(const QString &many, const QString &one, int count)
{
    const qint64 all = curlRun(many);
    const qint64 single = curlRun(one);
    return (all - single) / 1e3 / (count - 1);
}

} // namespace

int main(int argc, char *argv[])
{
    TempGuard::protect("bench_requests");
    QCoreApplication app(argc, argv);
    KerloLocal server;
    QTemporaryDir scratch;
    if (!scratch.isValid() || !server.start()) {
        std::fprintf(stderr, "kerlo-local did not start\n");
        return 1;
    }
    if (!server.forceStatus(postPath, 200, "{}", -1, QStringLiteral("POST")))
        return 1;
    QUrl postUrl = server.baseUrl();
    postUrl.setPath(postPath);
    QUrl getUrl = server.baseUrl();
    getUrl.setPath(QStringLiteral("/__control/bytes"));
    getUrl.setQuery(QStringLiteral("size=100"));

    const QString bodyFile = scratch.filePath(QStringLiteral("body"));
    {
        QFile body(bodyFile);
        if (!body.open(QIODevice::WriteOnly) || body.write(QByteArray(100, 'x')) != 100)
            return 1;
    }
    MNetworkRequest post(postUrl, MNetworkRequest::Post);
    post.setBody(QByteArray(100, 'x'));
    const MNetworkRequest get(getUrl);

    struct Case
    {
        QString name;
        MNetworkRequest request;
        QString manyConfig;
        QString oneConfig;
    };
    const QVector<Case> cases{
        {QStringLiteral("POST 100 B"), post,
         writeCurlConfig(scratch.filePath(QStringLiteral("post-many")), postUrl, requestsPerRound,
                         bodyFile),
         writeCurlConfig(scratch.filePath(QStringLiteral("post-one")), postUrl, 1, bodyFile)},
        {QStringLiteral("GET 100 B"), get,
         writeCurlConfig(scratch.filePath(QStringLiteral("get-many")), getUrl, requestsPerRound,
                         QString()),
         writeCurlConfig(scratch.filePath(QStringLiteral("get-one")), getUrl, 1, QString())}};

    MNetworkRequestManager manager;
    QTextStream out(stdout);
    out << "Small requests, " << requestsPerRound << " in a row, median of " << rounds
        << " rounds (microseconds per request)\n";
    out << QStringLiteral("%1 %2 %3 %4\n")
               .arg(QStringLiteral("case"), -12)
               .arg(QStringLiteral("manager us"), 11)
               .arg(QStringLiteral("curl us"), 9)
               .arg(QStringLiteral("manager / curl"), 15);
    for (const Case &measured : cases) {
        // Opens the connection both sides then reuse.
        throughManager(manager, measured.request, 5);
        QVector<double> managerTimes, curlTimes, ratios;
        for (int round = 0; round < rounds; ++round) {
            double managed = 0, curl = 0;
            // Alternate which side goes first, so neither always gets the warmer cache.
            if (round % 2) {
                managed = throughManager(manager, measured.request, requestsPerRound);
                curl = throughCurl(measured.manyConfig, measured.oneConfig, requestsPerRound);
            } else {
                curl = throughCurl(measured.manyConfig, measured.oneConfig, requestsPerRound);
                managed = throughManager(manager, measured.request, requestsPerRound);
            }
            managerTimes << managed;
            curlTimes << curl;
            ratios << managed / curl;
        }
        out << QStringLiteral("%1 %2 %3 %4\n")
                   .arg(measured.name, -12)
                   .arg(median(managerTimes), 11, 'f', 1)
                   .arg(median(curlTimes), 9, 'f', 1)
                   .arg(median(ratios), 15, 'f', 2);
        out.flush();
    }
    return 0;
}

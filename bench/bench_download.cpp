// Download throughput of the request manager against a plain QNetworkAccessManager, both
// reading the same 100 MiB from kerlo-local on loopback in the same run, alternating.

#include "benchstatistics.h"
#include "kerlolocal.h"
#include "mnetworkrequestmanager.h"
#include "tolvoappimpl.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTextStream>
#include <QUrlQuery>

#include <algorithm>
#include <cstdio>

namespace {

constexpr qint64 downloadSize = 100 * 1024 * 1024;
constexpr int rounds = 5;

struct Run
{
    qint64 bytes = 0;
    qint64 elapsedNs = 0;
    bool failed = false;

    double mibPerSecond() const { return (bytes / 1048576.0) / (elapsedNs / 1e9); }
};

Run throughManager(MNetworkRequestManager &manager, const QUrl &url)
{
    Run run;
    QEventLoop loop;
    const auto data = QObject::connect(
        &manager, &MNetworkRequestManager::dataArrivedForRequest, &loop,
        [&](const MNetworkRequest &, const QByteArray &bytes) { run.bytes += bytes.size(); });
    const auto finished =
        QObject::connect(&manager, &MNetworkRequestManager::replyFinishedForRequest, &loop,
                         [&](const MNetworkRequest &, const MNetworkReply &reply) {
                             run.failed = reply.error() != QNetworkReply::NoError;
                             loop.quit();
                         });
    QElapsedTimer timer;
    timer.start();
    manager.sendRequest(MNetworkRequest(url));
    loop.exec();
    run.elapsedNs = timer.nsecsElapsed();
    QObject::disconnect(data);
    QObject::disconnect(finished);
    return run;
}

Run throughPlainManager(QNetworkAccessManager &manager, const QUrl &url)
{
    Run run;
    QEventLoop loop;
    QElapsedTimer timer;
    timer.start();
    QNetworkReply *reply = manager.get(QNetworkRequest(url));
    QObject::connect(reply, &QNetworkReply::readyRead, &loop,
                     [&] { run.bytes += reply->readAll().size(); });
    QObject::connect(reply, &QNetworkReply::finished, &loop, [&] {
        run.bytes += reply->readAll().size();
        run.failed = reply->error() != QNetworkReply::NoError;
        loop.quit();
    });
    loop.exec();
    run.elapsedNs = timer.nsecsElapsed();
    reply->deleteLater();
    return run;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    KerloLocal server;
    if (!server.start()) {
        std::fprintf(stderr, "kerlo-local did not start\n");
        return 1;
    }
    QUrl url = server.baseUrl();
    url.setPath(QStringLiteral("/__control/bytes"));
    url.setQuery(QStringLiteral("size=%1").arg(downloadSize));

    MNetworkRequestManager manager;
    QNetworkAccessManager plain;
    // One unmeasured download each opens the connections both sides then reuse.
    throughManager(manager, url);
    throughPlainManager(plain, url);

    QTextStream out(stdout);
    out << "100 MiB GET over loopback, " << rounds << " rounds\n";
    out << QStringLiteral("%1 %2 %3 %4\n")
               .arg(QStringLiteral("round"), -6)
               .arg(QStringLiteral("manager MiB/s"), 14)
               .arg(QStringLiteral("plain MiB/s"), 12)
               .arg(QStringLiteral("ratio"), 7);
    QVector<double> managerRates, plainRates, ratios;
    for (int round = 1; round <= rounds; ++round) {
        // Alternate which side goes first, so neither always gets the warmer cache.
        Run managed, reference;
        if (round % 2) {
            managed = throughManager(manager, url);
            reference = throughPlainManager(plain, url);
        } else {
            reference = throughPlainManager(plain, url);
            managed = throughManager(manager, url);
        }
        if (managed.failed || reference.failed || managed.bytes != downloadSize ||
            reference.bytes != downloadSize) {
            std::fprintf(stderr, "round %d: incomplete download (%lld / %lld bytes)\n", round,
                         managed.bytes, reference.bytes);
            return 1;
        }
        managerRates << managed.mibPerSecond();
        plainRates << reference.mibPerSecond();
        ratios << managed.mibPerSecond() / reference.mibPerSecond();
        out << QStringLiteral("%1 %2 %3 %4\n")
                   .arg(round, -6)
                   .arg(managerRates.last(), 14, 'f', 1)
                   .arg(plainRates.last(), 12, 'f', 1)
                   .arg(ratios.last(), 7, 'f', 3);
    }
    out << QStringLiteral("%1 %2 %3 %4\n")
               .arg(QStringLiteral("median"), -6)
               .arg(median(managerRates), 14, 'f', 1)
               .arg(median(plainRates), 12, 'f', 1)
               .arg(median(ratios), 7, 'f', 3);
    return 0;
}

// Signing in with many contacts and groups against kerlo-local (200 and 50 unless given as
// "--contacts N --groups M"): from the sign-in click to the interface being idle (every person
// listed in the sidebar, no request but the polls for half a second), the first news poll
// answered, a message the last contact sent once the first people were listed until shown, the most
// requests the service answered at once meanwhile, refused requests, the
// longest stall of the main thread and the processor time the main thread took. With
// "--reply-delay-ms D" the program talks to kerlo-local through a relay that holds each answer
// D ms, as a distant service's answers come. The reference is the same listings made straight
// over HTTP in the same run (sign-in, the contacts, the conversations).
#include "benchsize.h"
#include "delayproxy.h"
#include "mcappdelegate.h"
#include "mcbrowsableviewcontroller.h"
#include "mcmanager.h"
#include "mcsidebarcontroller.h"
#include "mcsocialbook.h"
#include "mcsocialentity.h"
#include "shellbench.h"
#include "stallmonitor.h"
#include "tempguard.h"

#include <time.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

namespace {

constexpr int QuietMs = 500;

// The value after name on the command line; fallback when absent or not a count.
int countArgument(const QString &name, int fallback)
{
    const QStringList arguments = QCoreApplication::arguments();
    const int at = arguments.indexOf(name);
    bool ok = false;
    const int value = at >= 0 ? arguments.value(at + 1).toInt(&ok) : 0;
    return ok && value >= 0 ? value : fallback;
}

// Answers the service refused (4xx and 5xx) among the requests logged so far.
int refusedRequests(const KerloLocal &server)
{
    int count = 0;
    for (const QJsonValue &request : server.requests())
        count += request.toObject().value(QLatin1String("status")).toInt() >= 400;
    return count;
}

double referenceMs(const KerloLocal &server)
{
    QElapsedTimer timer;
    timer.start();
    const KerloLocal::Tokens tokens =
        server.signInOverHttp(ShellBench::demoEmail(), ShellBench::demoPassword(), "bench",
                              QString(64, QLatin1Char('a')));
    QNetworkAccessManager manager;
    bool answered = !tokens.accessToken.isEmpty();
    for (const char *path : {"/contacts.json", "/conversations"}) {
        QNetworkRequest request(QUrl(server.apiUrl().toString() + QLatin1String(path)));
        request.setRawHeader("Authorization", "bearer " + tokens.accessToken.toUtf8());
        request.setRawHeader("M-Auth-Token", tokens.apiKey.toUtf8());
        QNetworkReply *reply = manager.get(request);
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        answered = answered && reply->error() == QNetworkReply::NoError;
        reply->deleteLater();
    }
    if (!answered)
        std::fprintf(stderr, "reference listings failed\n");
    return timer.nsecsElapsed() / 1e6;
}

int peakInFlight(const KerloLocal &server)
{
    QByteArray reply;
    if (server.control("GET", QStringLiteral("/in-flight"), {}, &reply) != 200)
        return -1;
    return QJsonDocument::fromJson(reply).object().value(QLatin1String("peak")).toInt();
}

// The requests logged so far, less the polls (news, invitations, live updates), which go on
// for ever.
int nonPollRequests(const KerloLocal &server)
{
    int count = 0;
    for (const QJsonValue &request : server.requests()) {
        const QString path = request.toObject().value(QLatin1String("path")).toString();
        count += !path.contains(QLatin1String("notifications")) &&
                 !path.contains(QLatin1String("/invites/")) &&
                 !path.contains(QLatin1String("/objects/delta/"));
    }
    return count;
}

// Whether the service answered a news poll among the requests logged so far.
bool newsPolled(const KerloLocal &server)
{
    for (const QJsonValue &request : server.requests()) {
        if (request.toObject()
                .value(QLatin1String("path"))
                .toString()
                .endsWith(QLatin1String("/conversations/notifications")))
            return true;
    }
    return false;
}

// The processor time the calling thread took so far.
double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Waits in an event loop of its own until done() holds or timeoutMs passed: QTest::qWaitFor
// sleeps 10 ms between its turns, which the stall monitor would count as the program's.
bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer check;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    check.start(20);
    loop.exec();
    return done();
}

int recentRows(MCSidebarController *sidebar)
{
    const QAbstractItemModel *model = sidebar->model();
    return model->rowCount(model->index(MCSidebarModel::Recent, 0));
}

} // namespace

int main(int argc, char **argv)
{
    TempGuard::protect("bench_shellpeople");
    ShellBench bench(argc, argv);
    const int ContactCount = countArgument(QStringLiteral("--contacts"), benchSize(200, 20));
    const int GroupCount = countArgument(QStringLiteral("--groups"), benchSize(50, 5));
    const int ReplyDelayMs = countArgument(QStringLiteral("--reply-delay-ms"), 0);
    if (!bench.start())
        return 1;
    DelayProxy proxy(bench.server.baseUrl(), ReplyDelayMs);
    if (ReplyDelayMs > 0 && !proxy.start()) {
        std::fprintf(stderr, "the relay did not start\n");
        return 1;
    }
    const QUrl serviceUrl = ReplyDelayMs > 0 ? proxy.url() : bench.server.baseUrl();
    if (!bench.seed(QStringLiteral("/social-seed"),
                    {{QStringLiteral("contact_count"), ContactCount},
                     {QStringLiteral("group_count"), GroupCount}}))
        return 1;
    const double reference = referenceMs(bench.server);

    StallMonitor stalls;
    ShellTest::Shell shell;
    shell.launch(serviceUrl.toString());
    if (!QTest::qWaitFor([&] { return shell.delegate()->loginController() != nullptr; }, 30000))
        return 2;
    bench.server.control("DELETE", QStringLiteral("/in-flight"));
    bench.server.clearRequests();
    QElapsedTimer timer;
    stalls.start();
    timer.start();
    const double cpuAtStart = threadCpuMs();
    if (!shell.signInThroughWindow(ShellBench::demoEmail(), ShellBench::demoPassword()))
        return 2;
    // Watched from another thread, so that reading the service's log keeps nothing from the
    // main thread: the first news poll answered, and, once every person is listed, idle (the
    // service saw no new request but the polls for QuietMs), whichever comes last.
    std::atomic<bool> listed{false};
    std::atomic<bool> idle{false};
    std::atomic<bool> done{false};
    std::atomic<int> requests{0};
    std::atomic<qint64> lastChangeNs{0};
    std::atomic<qint64> firstPollNs{-1};
    std::thread watcher([&] {
        int seen = -1;
        const qint64 deadline = timer.nsecsElapsed() + qint64(300000) * 1000000;
        while (!done && timer.nsecsElapsed() < deadline) {
            const int now = nonPollRequests(bench.server);
            const qint64 at = timer.nsecsElapsed();
            if (firstPollNs < 0 && newsPolled(bench.server))
                firstPollNs = at;
            // Once idle, only the first news poll may still be awaited.
            if (!idle && now != seen) {
                seen = now;
                requests = now;
                lastChangeNs = at;
            } else if (!idle && listed && at - lastChangeNs >= qint64(QuietMs) * 1000000) {
                idle = true;
            }
            done = done || (idle && firstPollNs >= 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    // Sent by the contact whose page is asked for last, once the sidebar lists the first
    // people: the news must bring it, not the page.
    MCSidebarController *sidebar = shell.delegate()->mainWindow()->sidebar();
    waitUntil([&] { return recentRows(sidebar) > 0; }, 240000);
    const double lateSentAt = timer.nsecsElapsed() / 1e6;
    const QJsonObject late = bench.server.postMessageToContactAs(
        QStringLiteral("seed-%1@contacts.kerlo.local").arg(ContactCount), ShellBench::demoEmail(),
        QStringLiteral("sent after the sign-in"));
    const qint64 lateId = late.value(QLatin1String("id")).toVariant().toLongLong();
    const qint64 lateConversation = late.value(QLatin1String("conversation"))
                                        .toObject()
                                        .value(QLatin1String("id"))
                                        .toVariant()
                                        .toLongLong();
    double toLateMessage = -1;
    QTimer lateCheck;
    QObject::connect(&lateCheck, &QTimer::timeout, [&] {
        const MCSocialEntity *entity =
            MCManager::sharedManager()->socialBook()->socialEntity(lateConversation);
        const QList<MOMessage> shown = entity ? entity->writtenMessages() : QList<MOMessage>();
        if (std::any_of(shown.cbegin(), shown.cend(), [lateId](const MOMessage &message) {
                return qint64(message.messageId()) == lateId;
            })) {
            toLateMessage = timer.nsecsElapsed() / 1e6 - lateSentAt;
            lateCheck.stop();
        }
    });
    if (lateId > 0)
        lateCheck.start(20);
    listed = waitUntil([&] { return recentRows(sidebar) == ContactCount + GroupCount; }, 240000);
    const double toListed = timer.nsecsElapsed() / 1e6;
    if (!listed) {
        done = true;
        watcher.join();
        std::fprintf(stderr, "the sidebar listed %d people\n", recentRows(sidebar));
        return 3;
    }
    if (!waitUntil([&] { return idle.load(); }, 65000))
        std::fprintf(stderr, "requests went on for a minute after the sidebar was full\n");
    const double cpu = threadCpuMs() - cpuAtStart;
    if (!waitUntil([&] { return done.load(); }, 65000))
        std::fprintf(stderr, "no news poll was answered\n");
    if (!waitUntil([&] { return toLateMessage >= 0; }, 65000))
        std::fprintf(stderr, "the message sent after the sign-in was not shown\n");
    // Taken before the watcher is joined: joining waits out its sleep.
    const double stall = stalls.takeLongestMs();
    done = true;
    watcher.join();
    const double lastChange = lastChangeNs / 1e6;
    const double firstPoll = firstPollNs / 1e6;
    const int peak = peakInFlight(bench.server);

    const QByteArray title = QStringLiteral("sign-in, %1 contacts and %2 groups, +%3 ms a reply")
                                 .arg(ContactCount)
                                 .arg(GroupCount)
                                 .arg(ReplyDelayMs)
                                 .toUtf8();
    std::printf("%-52s %10s %8s\n", title.constData(), "ms", "ratio");
    std::printf("%-52s %10.1f %8.2f\n", "reference: sign-in + contacts + conversations", reference,
                1.0);
    std::printf("%-52s %10.1f %8.2f\n", "sign-in clicked to every person in the sidebar", toListed,
                toListed / reference);
    std::printf("%-52s %10.1f %8.2f\n", "sign-in clicked to idle", lastChange,
                lastChange / reference);
    std::printf("%-52s %10.1f %8.2f\n", "sign-in clicked to the first news poll answered",
                firstPoll, firstPoll / reference);
    std::printf("%-52s %10.1f %8.2f\n", "a message sent once people are listed, to shown",
                toLateMessage, toLateMessage / reference);
    std::printf("%-52s %10.1f %8.2f\n", "longest stall of the main thread", stall,
                stall / reference);
    std::printf("%-52s %10.1f %8.2f\n", "main thread's processor time until idle", cpu,
                cpu / reference);
    std::printf("%-52s %10d\n", "requests until idle, polls left out", requests.load());
    std::printf("%-52s %10d\n", "peak requests answered at once", peak);
    std::printf("%-52s %10d\n", "requests refused (status 400 and up)",
                refusedRequests(bench.server));
    return 0;
}

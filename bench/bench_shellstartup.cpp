// Start-up of the interface against kerlo-local with 1,000 objects in "/": from the launch
// to the signed-in window showing the folder, and the longest stall of the main thread
// meanwhile. The reference is the same service work done straight over HTTP (sign-in and a
// listing of "/") in the same run.
#include "benchsize.h"
#include "mcappdelegate.h"
#include "mcbrowsableviewcontroller.h"
#include "shellbench.h"
#include "stallmonitor.h"
#include "tempguard.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTest>

#include <cstdio>

namespace {

const int ObjectCount = benchSize(1000, 100);

double referenceMs(const KerloLocal &server)
{
    QElapsedTimer timer;
    timer.start();
    const KerloLocal::Tokens tokens =
        server.signInOverHttp(ShellBench::demoEmail(), ShellBench::demoPassword(), "bench",
                              QString(64, QLatin1Char('a')));
    QNetworkAccessManager manager;
    QNetworkRequest request(QUrl(server.apiUrl().toString() + QStringLiteral("/objects/list/")));
    request.setRawHeader("Authorization", "bearer " + tokens.accessToken.toUtf8());
    request.setRawHeader("M-Auth-Token", tokens.apiKey.toUtf8());
    QNetworkReply *reply = manager.get(request);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const QByteArray body = reply->readAll();
    reply->deleteLater();
    if (tokens.accessToken.isEmpty() || body.isEmpty())
        std::fprintf(stderr, "reference listing failed\n");
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    TempGuard::protect("bench_shellstartup");
    ShellBench bench(argc, argv);
    if (!bench.start())
        return 1;
    for (int i = 0; i < ObjectCount; ++i) {
        bench.server.seedFile(ShellBench::demoEmail(),
                              QStringLiteral("/file-%1.txt").arg(i, 4, 10, QLatin1Char('0')), "x");
    }
    const double reference = referenceMs(bench.server);

    StallMonitor stalls;
    ShellTest::Shell shell;
    QElapsedTimer timer;
    stalls.start();
    timer.start();
    shell.launch(bench.server.baseUrl().toString());
    if (!QTest::qWaitFor([&] { return shell.delegate()->loginController() != nullptr; }, 30000))
        return 2;
    const double toSignIn = timer.nsecsElapsed() / 1e6;
    const double stallBeforeSignIn = stalls.takeLongestMs();
    if (!shell.signInThroughWindow(ShellBench::demoEmail(), ShellBench::demoPassword()))
        return 2;
    const double typed = timer.nsecsElapsed() / 1e6;
    const bool shown = QTest::qWaitFor(
        [&] {
            MCBrowsableViewController *view = shell.delegate()->iconController();
            return shell.delegate()->firstObjectsFetchDone() && view &&
                   view->shownNames().size() == ObjectCount;
        },
        60000);
    const double startup = timer.nsecsElapsed() / 1e6;
    const double stallAfterSignIn = stalls.takeLongestMs();
    if (!shown)
        return 3;

    std::printf("%-44s %10s %8s\n",
                qPrintable(QStringLiteral("start-up, %1 objects in /").arg(ObjectCount)), "ms",
                "ratio");
    std::printf("%-44s %10.1f %8.2f\n", "reference: sign-in + listing over HTTP", reference, 1.0);
    std::printf("%-44s %10.1f %8.2f\n", "launch to signed-in window with the folder", startup,
                startup / reference);
    std::printf("%-44s %10.1f %8.2f\n", "  of which: launch to sign-in window", toSignIn,
                toSignIn / reference);
    std::printf("%-44s %10.1f %8.2f\n", "  of which: sign-in clicked to folder shown",
                startup - typed, (startup - typed) / reference);
    std::printf("%-44s %10.1f\n", "longest stall before the sign-in window", stallBeforeSignIn);
    std::printf("%-44s %10.1f\n", "longest stall from sign-in to folder shown", stallAfterSignIn);
    return 0;
}

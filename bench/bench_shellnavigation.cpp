// Walking 20 folders deep in the signed-in window with every bar shown (status bar, path bar,
// sidebar, toolbar): the time from the first double click to the deepest folder on screen, and
// the main thread's longest stall meanwhile. The reference is the same 20 metadata and listing
// requests made straight over HTTP in the same run.
#include "benchsize.h"
#include "mcbrowsableviewcontroller.h"
#include "mcmanager.h"
#include "mcpathbarcontroller.h"
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

const int Depth = benchSize(20, 5);
constexpr int FilesPerFolder = 30;

QString folderAt(int depth)
{
    QString path;
    for (int level = 1; level <= depth; ++level)
        path += QStringLiteral("/level-%1").arg(level, 2, 10, QLatin1Char('0'));
    return path.isEmpty() ? QStringLiteral("/") : path;
}

double referenceMs(const KerloLocal &server)
{
    const KerloLocal::Tokens tokens =
        server.signInOverHttp(ShellBench::demoEmail(), ShellBench::demoPassword(), "bench",
                              QString(64, QLatin1Char('b')));
    QNetworkAccessManager manager;
    QElapsedTimer timer;
    timer.start();
    for (int depth = 1; depth <= Depth; ++depth) {
        for (const char *kind : {"/objects/metadata", "/objects/list"}) {
            QNetworkRequest request(
                QUrl(server.apiUrl().toString() + QLatin1String(kind) + folderAt(depth)));
            request.setRawHeader("Authorization", "bearer " + tokens.accessToken.toUtf8());
            request.setRawHeader("M-Auth-Token", tokens.apiKey.toUtf8());
            QNetworkReply *reply = manager.get(request);
            QEventLoop loop;
            QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
            loop.exec();
            if (reply->error() != QNetworkReply::NoError)
                std::fprintf(stderr, "reference request failed: %s\n",
                             qPrintable(reply->errorString()));
            reply->deleteLater();
        }
    }
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    TempGuard::protect("bench_shellnavigation");
    ShellBench bench(argc, argv);
    if (!bench.start())
        return 1;
    for (int depth = 1; depth <= Depth; ++depth) {
        bench.server.seedFolder(ShellBench::demoEmail(), folderAt(depth));
        for (int i = 0; i < FilesPerFolder; ++i)
            bench.server.seedFile(ShellBench::demoEmail(),
                                  folderAt(depth) + QStringLiteral("/file-%1.txt").arg(i), "x");
    }
    const double reference = referenceMs(bench.server);

    ShellTest::Shell shell;
    MCMainWindow *window = bench.signInAndShow(shell);
    if (!window)
        return 2;
    if (window->isStatusBarHidden() || !window->isPathBarVisible() || window->isSideBarCollapsed())
        return 3;
    MCManager *hub = MCManager::sharedManager();
    MCBrowsableViewController *view = shell.delegate()->iconController();
    StallMonitor stalls;
    QElapsedTimer timer;
    stalls.start();
    timer.start();
    for (int depth = 1; depth <= Depth; ++depth) {
        const QString path = folderAt(depth);
        hub->doubleClickNavigation(path, view);
        const bool shown = QTest::qWaitFor(
            [&] {
                return hub->currentPath() == path && view->currentNode() &&
                       view->currentNode()->filePath() == path &&
                       view->shownNames().size() >= FilesPerFolder &&
                       window->pathBar()->componentCount() == depth + 1;
            },
            30000);
        if (!shown) {
            std::fprintf(stderr, "%s was not shown\n", qPrintable(path));
            return 4;
        }
    }
    const double walk = timer.nsecsElapsed() / 1e6;
    const double stall = stalls.takeLongestMs();

    const auto line = [](const char *text) {
        return QString::fromLatin1(text).arg(Depth).toLatin1();
    };
    std::printf("%-48s %10s %8s\n", line("%1 folders deep, every bar shown").constData(), "ms",
                "ratio");
    std::printf("%-48s %10.1f %8.2f\n",
                line("reference: %1 metadata + listings over HTTP").constData(), reference, 1.0);
    std::printf("%-48s %10.1f %8.2f\n", line("double click to folder shown, %1 times").constData(),
                walk, walk / reference);
    std::printf("%-48s %10.1f\n", "longest stall of the main thread", stall);
    return 0;
}

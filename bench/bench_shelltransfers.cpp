// The transfers page of the signed-in program with count + 3 transfers queued in the real
// engine against kerlo-local: three large downloads running and count small ones waiting behind
// them. bench_shelltransfers [count [MiB]] (default 10000, with 1.5 GiB downloads; a smaller
// count takes smaller ones, in proportion, at least 16 MiB; MiB sets their size). The service
// stores each large file and the downloads write it again: mind the free disk space. Measures
// queueing them from the main thread, opening the page from the sidebar, and the main thread's
// longest stall (the largest gap between runs of a 1 ms timer) while the three run: first with
// the browser shown (the reference), then with the page shown, where every progress report
// redraws its row. Offscreen. Its temporary folders go whatever becomes of it.
#include "benchsize.h"
#include "mcappdelegate.h"
#include "mcbrowsableviewcontroller.h"
#include "mcmanager.h"
#include "mcoperationsfiltermodel.h"
#include "mcsidebarcontroller.h"
#include "mctablequeuecontroller.h"
#include "mctablequeuemodel.h"
#include "moconstants.h"
#include "monotificationcenter.h"
#include "moobjectsmanager.h"
#include "motransfernotification.h"
#include "shellbench.h"
#include "sidebarsteps.h"
#include "stallmonitor.h"
#include "tempguard.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QTest>

#include <cstdio>

namespace {

constexpr int fullCount = 10000;
constexpr int runningCount = 3;
constexpr qint64 fullBigSize = qint64(3) << 29; // 1.5 GiB: three fit the demo quota
constexpr qint64 smallestBigSize = qint64(16) << 20;
constexpr int referenceMs = 1000;

} // namespace

int main(int argc, char **argv)
{
    TempGuard::protect("bench_shelltransfers");
    const int queuedCount = argc > 1 ? QByteArray(argv[1]).toInt() : benchSize(fullCount, 200);
    if (queuedCount < 1) {
        std::fprintf(stderr, "usage: bench_shelltransfers [count]\n");
        return 1;
    }
    const qint64 bigSize =
        argc > 2 ? qMax(qint64(1), QByteArray(argv[2]).toLongLong()) << 20
                 : qMax(smallestBigSize, fullBigSize * qMin(queuedCount, fullCount) / fullCount);
    ShellBench bench(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    if (!bench.start())
        return 1;
    bool seeded = bench.seed(QStringLiteral("/objects/seed"), {{"folder", "/Queue"},
                                                               {"count", queuedCount},
                                                               {"files", true},
                                                               {"content", "a small file"}});
    // Sizes apart, so that each is a content of its own.
    for (int i = 0; i < runningCount && seeded; ++i)
        seeded = bench.seed(
            QStringLiteral("/objects"),
            {{"path", QStringLiteral("/Big/big-%1.bin").arg(i)}, {"size", double(bigSize + i)}});
    if (!seeded)
        return 1;

    ShellTest::Shell shell;
    MCMainWindow *window = bench.signInAndShow(shell);
    if (!window)
        TempGuard::finish(2);
    auto *page = qobject_cast<MCTableQueueController *>(
        shell.delegate()->page(QStringLiteral("transfers://")));
    if (!page) {
        std::fprintf(stderr, "the program has no transfers page\n");
        TempGuard::finish(2);
    }

    int progressReports = 0;
    int bigFinished = 0;
    QString failure;
    MOObjectsManager::sharedInstance()->notificationCenter()->addObserver(
        &bench.app, QString(), nullptr, [&](const MOPostedNotification &notification) {
            const MOObjectTransfer transfer = MOTransferNotification(notification).transfer();
            if (!transfer.transferRequest().sourcePath().startsWith(QLatin1String("/Big/")))
                return;
            if (notification.name == MOObjectTransferDidProgressNotification)
                ++progressReports;
            if (notification.name == MOObjectTransferDidFinishNotification ||
                notification.name == MOObjectTransferDidAbortNotification) {
                ++bigFinished;
                if (transfer.state() != MOObjectTransfer::Completed)
                    failure = QStringLiteral("a download ended in state %1").arg(transfer.state());
            }
        });

    // The three large ones first: the engine runs three at a time, in order.
    const QDir downloads(bench.root + QStringLiteral("/downloads"));
    downloads.mkpath(QStringLiteral("."));
    StallMonitor stalls;
    stalls.start();
    QElapsedTimer clock;
    clock.start();
    MCManager *hub = MCManager::sharedManager();
    for (int i = 0; i < runningCount; ++i)
        hub->downloadFileAtPath(QStringLiteral("/Big/big-%1.bin").arg(i),
                                downloads.filePath(QStringLiteral("big-%1.bin").arg(i)), {}, 1);
    for (int i = 1; i <= queuedCount; ++i) {
        const QString name = QStringLiteral("item-%1.txt").arg(i, 6, 10, QLatin1Char('0'));
        hub->downloadFileAtPath(QStringLiteral("/Queue/") + name, downloads.filePath(name), {}, 1);
    }
    const double queueMs = clock.nsecsElapsed() / 1e6;
    // The queueing is one block of the main thread: the monitor sees it at its next run.
    QCoreApplication::processEvents();
    const int total = queuedCount + runningCount;
    if (!QTest::qWaitFor([&] { return page->model()->rowCount() == total; }, 120000)) {
        std::fprintf(stderr, "the page has %d rows\n", page->model()->rowCount());
        TempGuard::finish(3);
    }
    const double rowsMs = clock.nsecsElapsed() / 1e6;
    const double queueStallMs = stalls.takeLongestMs();
    // Running: the first reports of progress came.
    if (!QTest::qWaitFor([&] { return progressReports >= runningCount || bigFinished; }, 30000)) {
        std::fprintf(stderr, "no progress was reported\n");
        TempGuard::finish(3);
    }

    // The reference: the same transfers with the browser in front.
    progressReports = 0;
    stalls.takeLongestMs();
    QTest::qWait(referenceMs);
    const double browserStallMs = stalls.takeLongestMs();
    const int browserReports = progressReports;
    const bool referenceOverlapped = bigFinished == 0;

    // The page opened as a person does, from the sidebar.
    clock.restart();
    if (!clickSidebarRow(window->sidebar(), QStringLiteral("Transfers"))) {
        std::fprintf(stderr, "the sidebar has no Transfers row\n");
        TempGuard::finish(4);
    }
    if (!QTest::qWaitFor([&] { return page->isVisible(); }, 10000)) {
        std::fprintf(stderr, "the transfers page did not show\n");
        TempGuard::finish(4);
    }
    page->repaint();
    const double openMs = clock.nsecsElapsed() / 1e6;
    QCoreApplication::processEvents();
    const double openStallMs = stalls.takeLongestMs();
    const int visibleRows = page->arrangedObjects()->rowCount();

    progressReports = 0;
    clock.restart();
    if (!QTest::qWaitFor([&] { return bigFinished > 0; }, 300000)) {
        std::fprintf(stderr, "the large download did not finish\n");
        TempGuard::finish(5);
    }
    const double pageRunMs = clock.nsecsElapsed() / 1e6;
    const double pageStallMs = stalls.takeLongestMs();
    const int pageReports = progressReports;
    for (int i = 0; i < runningCount; ++i)
        QFile::remove(downloads.filePath(QStringLiteral("big-%1.bin").arg(i)));
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(failure));
        TempGuard::finish(5);
    }

    std::printf("\ntransfers page, %d downloads queued behind %d running %.0f MiB downloads, "
                "offscreen\n",
                queuedCount, runningCount, bigSize / 1048576.0);
    std::printf("%-52s %10.1f ms\n",
                qPrintable(QStringLiteral("queueing %1 downloads from the main thread")
                               .arg(queuedCount + runningCount)),
                queueMs);
    std::printf("%-52s %10.1f ms\n", "  until the page's model has every row", rowsMs);
    std::printf("%-52s %10.1f ms\n", "  longest stall meanwhile", queueStallMs);
    std::printf("%-52s %10.1f ms   (%d rows)\n", "opening the page from the sidebar", openMs,
                visibleRows);
    std::printf("%-52s %10.1f ms\n", "  longest stall meanwhile", openStallMs);
    std::printf("%-52s %10.1f ms   (%d progress reports in %d ms%s)\n",
                "longest stall, 3 running, browser shown (ref.)", browserStallMs, browserReports,
                referenceMs, referenceOverlapped ? "" : "; a download ended within");
    std::printf("%-52s %10.1f ms   (%d progress reports in %.0f ms; ratio %.2f)\n",
                "longest stall, 3 running, page shown", pageStallMs, pageReports, pageRunMs,
                pageStallMs / qMax(0.001, browserStallMs));
    TempGuard::finish(0);
}

// Scrolling the icon view of the signed-in program through a folder of 100,000 pictures on
// kerlo-local, frame by frame as a person scrolling would (one step every 16 ms, each painted
// at once), offscreen. Four runs over fresh parts of the folder: file icons only (the
// reference), thumbnails being fetched and decoded, and each of the two while the engine
// downloads a 1 GiB file of the same folder. Prints, per run, the median and the slowest
// frame's cost, the ratio of the median to the reference's, and the main thread's longest
// stall (the largest gap between runs of a 1 ms timer). BENCH_TRACE_SLOW_FRAMES=1 prints when
// each frame slower than 16 ms ended (CLOCK_MONOTONIC), to match with a profile.
#include "benchsize.h"
#include "benchstatistics.h"
#include "mcappdelegate.h"
#include "mciconcontroller.h"
#include "mciconitemmodel.h"
#include "mcmanager.h"
#include "moconstants.h"
#include "monotificationcenter.h"
#include "moobjectsmanager.h"
#include "motransfernotification.h"
#include "shellbench.h"
#include "stallmonitor.h"
#include "tempguard.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QListView>
#include <QPainter>
#include <QScrollBar>
#include <QTest>

#include <cstdio>
#include <ctime>

namespace {

const int objectCount = benchSize(100000, 2000);
const qint64 downloadSize = benchSize(qint64(1) << 30, qint64(16) << 20);
constexpr int frameMs = 16;
const int referenceFrames = benchSize(300, 30);
const QString folder = QStringLiteral("/Big");
const bool traceSlowFrames = qEnvironmentVariableIsSet("BENCH_TRACE_SLOW_FRAMES");
const QString bigFile = QStringLiteral("/Big/download.bin");

// A photo-like 512 x 384 picture, so that the service scales and the client decodes real
// work for each thumbnail.
QByteArray picture()
{
    QImage image(512, 384, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 512, 384);
    gradient.setColorAt(0, QColor(30, 90, 160));
    gradient.setColorAt(1, QColor(240, 200, 80));
    painter.fillRect(image.rect(), gradient);
    painter.setPen(Qt::white);
    for (int i = 0; i < 40; ++i)
        painter.drawEllipse(QPoint((i * 97) % 512, (i * 61) % 384), 10 + i, 8 + i);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 85);
    return bytes;
}

struct Run
{
    QString name;
    QVector<double> frameMs;
    double longestStallMs = 0;
    int thumbnails = 0; // rows that showed a thumbnail by the end of the run
    bool downloadOverlapped = true;
};

// Scrolls one frame every 16 ms until frames have been shown and goOn() answers false
// (checked once frames are done); each frame's cost is the scroll and the paint it causes.
Run scroll(const QString &name, MCIconController *icons, StallMonitor &stalls, int frames,
           const std::function<bool()> &goOn)
{
    Run run;
    run.name = name;
    QListView *view = icons->collectionView();
    QScrollBar *bar = view->verticalScrollBar();
    const int step = qMax(1, view->gridSize().height() / 4);
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QEventLoop loop;
    QObject::connect(&ticker, &QTimer::timeout, &loop, [&] {
        if (int(run.frameMs.size()) >= frames && !goOn()) {
            loop.quit();
            return;
        }
        QElapsedTimer clock;
        clock.start();
        bar->setValue(bar->value() + step);
        view->viewport()->repaint();
        run.frameMs.append(clock.nsecsElapsed() / 1e6);
        // For matching slow frames with a profile taken with "perf record -k mono".
        if (traceSlowFrames && run.frameMs.last() > frameMs) {
            timespec now;
            clock_gettime(CLOCK_MONOTONIC, &now);
            std::fprintf(stderr, "slow frame: %.1f ms, ended at %ld.%09ld\n", run.frameMs.last(),
                         long(now.tv_sec), now.tv_nsec);
        }
    });
    stalls.takeLongestMs();
    ticker.start(frameMs);
    loop.exec();
    run.longestStallMs = stalls.takeLongestMs();
    // What a person sees at the end: the rows on screen with their thumbnails.
    QTest::qWait(200);
    MCIconItemModel *model = icons->itemModel();
    const QModelIndex first = view->indexAt(QPoint(10, 10));
    for (int row = qMax(0, first.row()); row < qMin(model->rowCount(), first.row() + 60); ++row)
        run.thumbnails += model->index(row).data(MCIconItemModel::IsThumbnailRole).toBool();
    return run;
}

} // namespace

int main(int argc, char **argv)
{
    TempGuard::protect("bench_browserscroll");
    ShellBench bench(argc, argv);
    if (!bench.start())
        return 1;
    QElapsedTimer clock;
    clock.start();
    if (!bench.seed(QStringLiteral("/objects/seed"),
                    {{"folder", folder},
                     {"count", objectCount},
                     {"files", true},
                     {"suffix", ".jpg"},
                     {"contentBase64", QString::fromLatin1(picture().toBase64())}}) ||
        !bench.seed(QStringLiteral("/objects"),
                    {{"path", bigFile}, {"size", double(downloadSize)}}))
        return 1;
    std::printf("seeded %d pictures and a %lld MiB file in %.1f s\n", objectCount,
                downloadSize >> 20, clock.nsecsElapsed() / 1e9);

    ShellTest::Shell shell;
    MCMainWindow *window = bench.signInAndShow(shell);
    if (!window)
        return 2;
    auto *icons = qobject_cast<MCIconController *>(shell.delegate()->iconController());
    if (!icons)
        return 2;

    StallMonitor stalls;
    stalls.start();
    clock.restart();
    bool opened = false;
    MCManager::sharedManager()->changeToPath(folder, &bench.app, [&opened] { opened = true; });
    if (!QTest::qWaitFor(
            [&] { return opened && icons->itemModel()->rowCount() == objectCount + 1; }, 300000)) {
        std::fprintf(stderr, "the folder did not open\n");
        return 3;
    }
    const double openMs = clock.nsecsElapsed() / 1e6;
    const double openStallMs = stalls.takeLongestMs();
    QTest::qWait(500);

    // Downloads through the engine; done is set when one ends, whatever the outcome.
    bool downloading = false;
    bool downloaded = false;
    QString downloadError;
    MOObjectsManager::sharedInstance()->notificationCenter()->addObserver(
        &bench.app, QString(), nullptr, [&](const MOPostedNotification &notification) {
            if (notification.name != MOObjectTransferDidFinishNotification &&
                notification.name != MOObjectTransferDidAbortNotification &&
                notification.name != MOObjectTransferDidCancelNotification)
                return;
            const MOObjectTransfer transfer = MOTransferNotification(notification).transfer();
            if (transfer.state() != MOObjectTransfer::Completed)
                downloadError = QStringLiteral("ended in state %1").arg(transfer.state());
            downloading = false;
            downloaded = true;
        });
    const QString target = QDir(bench.root).filePath(QStringLiteral("download.bin"));
    QVector<Run> runs;
    // A scroll run for as long as a download of the large file takes; its seconds and the
    // size it wrote.
    const auto scrollWhileDownloading = [&](const QString &name) {
        QElapsedTimer downloadClock;
        downloadClock.start();
        QFile::remove(target);
        downloading = true;
        downloaded = false;
        MCManager::sharedManager()->downloadFileAtPath(bigFile, target, {}, 1);
        runs.append(scroll(name, icons, stalls, 1, [&] { return downloading; }));
        return qMakePair(downloadClock.nsecsElapsed() / 1e9, QFileInfo(target).size());
    };

    MCIconItemModel *model = icons->itemModel();
    model->setShowPreview(false);
    runs.append(scroll(QStringLiteral("file icons (reference)"), icons, stalls, referenceFrames,
                       [] { return false; }));
    model->setShowPreview(true);
    runs.append(
        scroll(QStringLiteral("thumbnails"), icons, stalls, referenceFrames, [] { return false; }));
    model->setShowPreview(false);
    const auto [firstDownloadS, firstSize] =
        scrollWhileDownloading(QStringLiteral("file icons, downloading"));
    model->setShowPreview(true);
    const auto [secondDownloadS, secondSize] =
        scrollWhileDownloading(QStringLiteral("thumbnails, downloading"));
    QFile::remove(target);
    if (!downloaded || !downloadError.isEmpty() || firstSize != downloadSize ||
        secondSize != downloadSize) {
        std::fprintf(stderr, "a download failed: %s (sizes %lld, %lld)\n",
                     qPrintable(downloadError), firstSize, secondSize);
        return 4;
    }

    std::printf("\nicon view, %d pictures in %s, %d x %d window, offscreen\n", objectCount,
                qPrintable(folder), window->width(), window->height());
    std::printf("opening the folder: %.0f ms, longest stall %.1f ms\n", openMs, openStallMs);
    std::printf("downloads: %.1f s and %.1f s for %lld MiB\n\n", firstDownloadS, secondDownloadS,
                downloadSize >> 20);
    std::printf("%-30s %7s %12s %12s %8s %12s %10s\n", "run", "frames", "median ms", "slowest ms",
                "ratio", "stall ms", "thumbs");
    const double reference = median(runs.first().frameMs);
    for (const Run &run : qAsConst(runs)) {
        const double slowest = *std::max_element(run.frameMs.begin(), run.frameMs.end());
        std::printf("%-30s %7d %12.2f %12.2f %8.2f %12.1f %7d/60\n", qPrintable(run.name),
                    int(run.frameMs.size()), median(run.frameMs), slowest,
                    median(run.frameMs) / reference, run.longestStallMs, run.thumbnails);
    }
    std::printf("(a frame: scroll a quarter row and paint; stall: the largest gap between runs "
                "of a 1 ms timer during the run; thumbs: rows on screen showing a thumbnail "
                "after the run)\n");
    return 0;
}

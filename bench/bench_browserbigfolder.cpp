// The browser of the signed-in program at a large folder on kerlo-local, offscreen:
// bench_browserbigfolder [count] (default 100000; run it at 10000 too, each in its own process;
// a count under 10,000 also makes the batches below that size, for a quick run). A step that
// was not done is said in the table and makes the exit code 4.
// Measured, each against building the same count of storage objects in the same run (the
// reference) and with the main thread's longest stall (the largest gap between runs of a 1 ms
// timer):
//  - opening a folder of count files the first time (listed by the service), then in the icon,
//    list and column views (listed from the core's cache), each with the peak memory while it
//    was open (the high-water mark is reset before each);
//  - a sequence on the large folder, each step with its longest stall, and the peak memory
//    through it: opening it in the icon view, sorting it by each field there, selecting all,
//    scrolling to the end and back, switching to the list view, sorting by each column
//    (header clicks), a click on a row then selecting all, scrolling, switching to the column
//    view, a click then selecting all there, switching back and leaving it. A quarter of the
//    files are of another kind, size and date than the rest, so that every order moves rows;
//  - switching icon -> list -> columns on a 10,000-item folder;
//  - moving 10,000 of the folder's items out, by another device through the control API;
//  - dropping a local folder of 10,000 files on the window, until their placeholders show;
//  - queueing 10,000 downloads;
// and the window's peak memory with the large folder open. BENCH_OPEN_ONLY=1 stops after the
// openings (to profile them); BENCH_STEPS=sequence,move,drop,queue (any of them) runs only
// those steps after it. Run it on X too (QT_QPA_PLATFORM=xcb under Xvfb): the window is
// 1600 x 1000 on either.
#include "benchsize.h"
#include "localfiles.h"
#include "mcappdelegate.h"
#include "mcbrowsableviewcontroller.h"
#include "mciconcontroller.h"
#include "mciconitemmodel.h"
#include "mclistcontroller.h"
#include "mcmanager.h"
#include "mcnodetreemodel.h"
#include "mctablequeuecontroller.h"
#include "mctablequeuemodel.h"
#include "mostorageobject.h"
#include "shellbench.h"
#include "stallmonitor.h"
#include "tempguard.h"

#include <QAbstractItemView>
#include <QColumnView>
#include <QDir>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHeaderView>
#include <QLoggingCategory>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>

namespace {

constexpr int fullBatchCount = 10000;
const QString bigFolder = QStringLiteral("/Big");

struct Row
{
    QString what;
    double ms = 0;
    double stallMs = 0;
    QString note;
    bool failed = false;
};

// The reference: count storage objects of a listing, made as the model layer makes them.
double referenceMs(int count)
{
    QElapsedTimer clock;
    clock.start();
    QList<MOStorageObject> objects;
    objects.reserve(count);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < count; ++i) {
        MOStorageObject object;
        object.setBasePath(bigFolder);
        object.setLabel(QStringLiteral("item-%1.txt").arg(i, 6, 10, QLatin1Char('0')));
        object.setSize(12);
        object.setContentHash(QStringLiteral("0123456789abcdef0123456789abcdef"));
        object.setType(MOStorageObject::RegularFile);
        object.setMIMEType(QStringLiteral("text/plain"));
        object.setLastModified(now);
        objects.append(object);
    }
    return clock.nsecsElapsed() / 1e6;
}

// The process's peak and current resident memory in MiB.
QPair<double, double> memoryMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    double peak = 0;
    double now = 0;
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() >= 2 && fields.at(0) == "VmHWM:")
                peak = fields.at(1).toDouble() / 1024;
            if (fields.size() >= 2 && fields.at(0) == "VmRSS:")
                now = fields.at(1).toDouble() / 1024;
        }
    }
    return {peak, now};
}

// Starts the peak over from the memory resident now, so that each view's opening has its own.
void resetPeakMemory()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

int shownRows(MCBrowsableViewController *view)
{
    const auto *items = view->findChild<QAbstractItemView *>();
    return items && items->model() ? items->model()->rowCount() : -1;
}

// Waits until predicate holds or timeoutMs have passed, in an event loop that waits for events
// as the program's own does: QTest::qWaitFor and qWait sleep 10 ms between their passes, which
// the stall monitor would count as part of a turn. Every wait here goes through it.
bool waitInEventLoop(const std::function<bool()> &predicate, int timeoutMs)
{
    if (predicate())
        return true;
    QEventLoop loop;
    QTimer check;
    check.setInterval(5);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (predicate())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    check.start();
    loop.exec();
    return predicate();
}

// Opens path in the browser and waits until view shows rows rows; the time it took, or -1.
double open(const QString &path, MCBrowsableViewController *view, int rows)
{
    QElapsedTimer clock;
    clock.start();
    bool opened = false;
    MCManager::sharedManager()->changeToPath(path, view, [&opened] { opened = true; });
    if (!waitInEventLoop([&] { return opened && shownRows(view) == rows; }, 600000))
        return -1;
    return clock.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    TempGuard::protect("bench_browserbigfolder");
    ShellBench bench(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    const int count = argc > 1 ? QByteArray(argv[1]).toInt() : benchSize(100000, 1000);
    if (count < 4) {
        std::fprintf(stderr, "usage: bench_browserbigfolder [count of at least 4]\n");
        return 1;
    }
    // The folder switched in, the files dropped: 10,000, fewer in a smaller run.
    const int batchCount = qMin(fullBatchCount, count);
    // Moved out and downloaded: plain-text files, as many as there are up to the batch.
    const int moveCount = qMin(batchCount, count - count / 4);
    if (!bench.start())
        return 1;
    const QString email = ShellBench::demoEmail();
    QElapsedTimer clock;
    clock.start();
    // Three quarters plain text, a quarter (seeded a second later) of another kind and size.
    const int textCount = count - count / 4;
    const bool seededText =
        bench.seed(QStringLiteral("/objects/seed"), {{"folder", bigFolder},
                                                     {"count", textCount},
                                                     {"files", true},
                                                     {"content", "a small file"}});
    QThread::msleep(1100);
    if (!seededText ||
        !bench.seed(QStringLiteral("/objects/seed"), {{"folder", bigFolder},
                                                      {"count", count - textCount},
                                                      {"files", true},
                                                      {"suffix", ".csv"},
                                                      {"content", "name,size\nfirst,1\n"}}) ||
        !bench.seed(QStringLiteral("/objects/seed"),
                    {{"folder", "/Switch"}, {"count", batchCount}, {"files", true}}) ||
        !bench.seed(QStringLiteral("/objects"), {{"path", "/Moved"}, {"folder", true}}) ||
        !bench.seed(QStringLiteral("/objects"), {{"path", "/Drop"}, {"folder", true}}))
        return 1;
    std::printf("seeded %d files in %.1f s\n", count, clock.nsecsElapsed() / 1e9);
    const double reference = referenceMs(count);

    ShellTest::Shell shell;
    MCMainWindow *window = bench.signInAndShow(shell);
    if (!window)
        return 2;
    window->resize(1600, 1000);
    // The three views, as the toolbar's segments switch them.
    const QStringList viewNames = {QStringLiteral("icon"), QStringLiteral("list"),
                                   QStringLiteral("column")};
    QVector<MCBrowsableViewController *> views;
    for (int index = 0; index < viewNames.size(); ++index)
        views.append(shell.delegate()->browserView(index));
    if (views.contains(nullptr))
        return 2;
    MCBrowsableViewController *icons = views.first();

    StallMonitor stalls;
    stalls.start();
    QVector<Row> rows;
    QVector<double> viewPeaks;
    // The first opening lists the folder from the service; the views' own openings below are
    // answered from the core's listing cache, so that they compare.
    {
        const double ms = open(bigFolder, icons, count);
        if (ms < 0)
            return 3;
        rows.append({QStringLiteral("open %1 files, first listing").arg(count), ms,
                     stalls.takeLongestMs(), QString()});
    }
    // Each view opens the large folder afresh: switched to at an empty folder, then the large
    // folder opened, then left for the empty one again.
    if (open(QStringLiteral("/Drop"), icons, 0) < 0)
        return 3;
    for (int index = 0; index < views.size(); ++index) {
        shell.delegate()->switchView(index);
        waitInEventLoop([] { return false; }, 200);
        resetPeakMemory();
        stalls.takeLongestMs();
        const double ms = open(bigFolder, views.at(index), count);
        if (ms < 0) {
            std::fprintf(stderr, "%s view: the folder did not open\n",
                         qPrintable(viewNames.at(index)));
            return 3;
        }
        rows.append({QStringLiteral("open %1 files, %2 view").arg(count).arg(viewNames.at(index)),
                     ms, stalls.takeLongestMs(), QString()});
        viewPeaks.append(memoryMiB().first);
        waitInEventLoop([] { return false; }, 200);
        stalls.takeLongestMs();
        const double leftMs = open(QStringLiteral("/Drop"), views.at(index), 0);
        if (leftMs < 0)
            return 3;
        waitInEventLoop([] { return false; }, 200);
        rows.append(
            {QStringLiteral("leave it for an empty folder, %1 view").arg(viewNames.at(index)),
             leftMs, stalls.takeLongestMs(), QString()});
    }
    const auto printViewPeaks = [&] {
        for (int index = 0; index < views.size(); ++index)
            std::printf("peak memory with the folder open in the %s view: %.0f MiB\n",
                        qPrintable(viewNames.at(index)), viewPeaks.at(index));
    };
    // For profiling the openings alone.
    if (qEnvironmentVariableIsSet("BENCH_OPEN_ONLY")) {
        for (const Row &row : qAsConst(rows))
            std::printf("%s in %.1f ms (ratio %.2f), longest stall %.1f ms\n", qPrintable(row.what),
                        row.ms, row.ms / reference, row.stallMs);
        printViewPeaks();
        return 0;
    }
    const QByteArray steps = qgetenv("BENCH_STEPS");
    const auto runs = [&steps](const char *step) {
        return steps.isEmpty() || steps.split(',').contains(step);
    };

    // The sequence on the large folder, from the empty one, with the peak memory through it.
    double sequencePeakMiB = 0;
    if (runs("sequence")) {
        shell.delegate()->switchView(0);
        waitInEventLoop([] { return false; }, 300);
        resetPeakMemory();
        MCManager *hub = MCManager::sharedManager();
        // One step: the action, then until done holds, and 100 ms more (work it left for later
        // turns counts too).
        const auto step = [&](const QString &what, const std::function<void()> &action,
                              const std::function<bool()> &done) {
            waitInEventLoop([] { return false; }, 100);
            stalls.takeLongestMs();
            clock.restart();
            action();
            const bool ok = waitInEventLoop(done, 20000);
            const double ms = clock.nsecsElapsed() / 1e6;
            waitInEventLoop([] { return false; }, 100);
            rows.append({what, ms, stalls.takeLongestMs(),
                         ok ? QString() : QStringLiteral("not done"), !ok});
        };
        const auto always = [] {
            return true;
        };
        const auto allSelected = [&] {
            return hub->selectedCount() == count;
        };
        const auto switchTo = [&](int index) {
            step(
                QStringLiteral("switch to the %1 view, %2")
                    .arg(viewNames.at(index))
                    .arg(hub->selectedCount() ? QStringLiteral("all selected")
                                              : QStringLiteral("none selected")),
                [&] { shell.delegate()->switchView(index); },
                [&] { return shownRows(views.at(index)) == count; });
        };
        // The view's list of the folder's rows (the column view's first column).
        const auto rowsOf = [&](int index) {
            for (auto *items : views.at(index)->findChildren<QAbstractItemView *>()) {
                if (items->isVisible() && !qobject_cast<QHeaderView *>(items) &&
                    !qobject_cast<QColumnView *>(items) && items->model() &&
                    items->model()->rowCount(items->rootIndex()) == count)
                    return items;
            }
            return static_cast<QAbstractItemView *>(nullptr);
        };
        const auto selectAll = [&](int index) {
            QAbstractItemView *items = rowsOf(index);
            if (!items)
                return;
            step(
                QStringLiteral("click a row, %1 view").arg(viewNames.at(index)),
                [&] {
                    QTest::mouseClick(
                        items->viewport(), Qt::LeftButton, {},
                        items->visualRect(items->model()->index(0, 0, items->rootIndex()))
                            .center());
                },
                [&] { return hub->selectedCount() < count; });
            step(
                QStringLiteral("select all, %1 view").arg(viewNames.at(index)),
                [&] { QTest::keyClick(items, Qt::Key_A, Qt::ControlModifier); }, allSelected);
        };
        const auto scroll = [&](int index) {
            QAbstractItemView *items = rowsOf(index);
            if (!items)
                return;
            step(
                QStringLiteral("scroll to the end and back, %1 view").arg(viewNames.at(index)),
                [&] {
                    QScrollBar *bar = items->verticalScrollBar();
                    bar->setValue(bar->maximum());
                    waitInEventLoop([] { return false; }, 50);
                    bar->setValue(bar->maximum() / 2);
                    waitInEventLoop([] { return false; }, 50);
                    bar->setValue(0);
                },
                always);
        };
        step(
            QStringLiteral("open %1 files, icon view").arg(count), [] {},
            [&] { return open(bigFolder, icons, count) >= 0; });
        // The icon view's orders, as the Clean Up By menu sets them.
        const QVector<QPair<QString, int>> iconOrders = {{QStringLiteral("Name, descending"), 11},
                                                         {QStringLiteral("Kind"), 12},
                                                         {QStringLiteral("Date Modified"), 14},
                                                         {QStringLiteral("Size"), 18},
                                                         {QStringLiteral("Name"), 10}};
        for (const auto &order : iconOrders)
            step(
                QStringLiteral("sort by %1, icon view").arg(order.first),
                [&] { icons->setSortType(order.second); }, always);
        selectAll(0);
        scroll(0);
        switchTo(1);
        auto *list = qobject_cast<MCListController *>(views.at(1));
        QHeaderView *header = list->outlineView()->header();
        // Header clicks: Name again reverses it, the others start from their own direction.
        for (const int column :
             {int(MCNodeTreeModel::NameColumn), int(MCNodeTreeModel::KindColumn),
              int(MCNodeTreeModel::DateModifiedColumn), int(MCNodeTreeModel::SizeColumn),
              int(MCNodeTreeModel::NameColumn)}) {
            const QString title = list->treeModel()->headerData(column, Qt::Horizontal).toString();
            step(
                QStringLiteral("sort by %1 (header), list view").arg(title),
                [&] {
                    const QPoint at(header->sectionViewportPosition(column) +
                                        header->sectionSize(column) / 2,
                                    header->height() / 2);
                    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
                },
                always);
        }
        selectAll(1);
        scroll(1);
        switchTo(2);
        selectAll(2);
        switchTo(0);
        step(
            QStringLiteral("leave it for an empty folder, icon view"), [] {},
            [&] { return open(QStringLiteral("/Drop"), icons, 0) >= 0; });
        sequencePeakMiB = memoryMiB().first;
    }

    shell.delegate()->switchView(0);
    if (open(bigFolder, icons, count) < 0)
        return 3;
    const auto [peakMiB, openMiB] = memoryMiB();

    // Moves made by another device, from a thread of their own so that the control calls
    // do not hold the main thread.
    if (runs("move")) {
        stalls.takeLongestMs();
        clock.restart();
        std::atomic<int> moved{0};
        std::thread mover([&] {
            for (int i = 0; i < moveCount; ++i) {
                const QString name =
                    QStringLiteral("item-%1.txt").arg(i + 1, 6, 10, QLatin1Char('0'));
                if (!bench.server.moveObject(email, bigFolder + '/' + name, "/Moved/" + name)
                         .isEmpty())
                    ++moved;
            }
        });
        const bool movedOut = waitInEventLoop(
            [&] { return moved == moveCount && shownRows(icons) == count - moveCount; }, 600000);
        mover.join();
        rows.append({QStringLiteral("move %1 of them out (live update)").arg(moveCount),
                     clock.nsecsElapsed() / 1e6, stalls.takeLongestMs(),
                     movedOut ? QString() : QStringLiteral("rows left: %1").arg(shownRows(icons)),
                     !movedOut});
    }

    // Switching views on a folder of 10,000: icon -> list -> columns, each until it shows the
    // folder's rows.
    if (open(QStringLiteral("/Switch"), icons, batchCount) < 0)
        return 3;
    stalls.takeLongestMs();
    clock.restart();
    bool switched = true;
    for (int index = 1; index < views.size(); ++index) {
        shell.delegate()->switchView(index);
        switched = switched &&
                   waitInEventLoop([&] { return shownRows(views.at(index)) == batchCount; }, 60000);
    }
    rows.append({QStringLiteral("switch views, %1 items").arg(batchCount),
                 clock.nsecsElapsed() / 1e6, stalls.takeLongestMs(),
                 switched ? QString() : QStringLiteral("a view lacks rows"), !switched});
    shell.delegate()->switchView(0);
    // Back to the large folder, which the drop and the downloads below work on.
    if (open(bigFolder, icons, runs("move") ? count - moveCount : count) < 0)
        return 3;

    // A local folder of 10,000 files dropped on the window, until its placeholders show.
    if (runs("drop")) {
        const QString local = QDir(bench.root).filePath(QStringLiteral("Dropped"));
        for (int i = 0; i < batchCount; ++i)
            ShellTest::writeFile(QStringLiteral("%1/file-%2.txt").arg(local).arg(i), "dropped");
        // Onto the large folder itself (it holds files only, so the drop goes to it): the
        // placeholders join thousands of rows.
        auto *grid = icons->findChild<QAbstractItemView *>();
        QWidget *viewport = grid->viewport();
        const auto placeholders = [&] {
            return icons->updater().placeholders().size();
        };
        const QString dropped = bigFolder + QStringLiteral("/Dropped");
        const auto dropShown = [&] {
            return qobject_cast<MCIconController *>(icons)
                ->itemModel()
                ->indexOfPath(dropped)
                .isValid();
        };
        stalls.takeLongestMs();
        clock.restart();
        {
            auto *data = new QMimeData;
            data->setUrls({QUrl::fromLocalFile(local)});
            const QPoint at(viewport->width() / 2, viewport->height() / 2);
            QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(viewport, &enter);
            QDragMoveEvent move(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(viewport, &move);
            QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(viewport, &drop);
            delete data;
        }
        const bool shown = waitInEventLoop(dropShown, 120000);
        if (!shown) {
            std::fprintf(stderr, "drop not shown; at %s, %d rows:",
                         qPrintable(MCManager::sharedManager()->currentPath()), shownRows(icons));
            for (const QString &name : icons->shownNames().mid(0, 5))
                std::fprintf(stderr, " %s", qPrintable(name));
            for (const MCNodePtr &node : icons->updater().placeholders())
                std::fprintf(stderr, " [placeholder %s]", qPrintable(node->filePath()));
            std::fprintf(stderr, "\n");
        }
        rows.append({QStringLiteral("drop a folder of %1 files").arg(batchCount),
                     clock.nsecsElapsed() / 1e6, stalls.takeLongestMs(),
                     shown ? QString() : QStringLiteral("not shown"), !shown});
        // Its uploads start one after another, each with its placeholder.
        clock.restart();
        waitInEventLoop([] { return false; }, 3000);
        rows.append({QStringLiteral("  its uploads starting, 3 s"), clock.nsecsElapsed() / 1e6,
                     stalls.takeLongestMs(),
                     QStringLiteral("%1 placeholders").arg(placeholders())});
    }

    // 10,000 downloads queued from the main thread, until the transfers page has them.
    if (runs("queue")) {
        auto *page = qobject_cast<MCTableQueueController *>(
            shell.delegate()->page(QStringLiteral("transfers://")));
        const QDir downloads(bench.root + QStringLiteral("/downloads"));
        downloads.mkpath(QStringLiteral("."));
        const int before = page ? page->model()->rowCount() : 0;
        stalls.takeLongestMs();
        clock.restart();
        for (int i = 1; i <= moveCount; ++i) {
            const QString name = QStringLiteral("item-%1.txt").arg(i, 6, 10, QLatin1Char('0'));
            MCManager::sharedManager()->downloadFileAtPath(QStringLiteral("/Moved/") + name,
                                                           downloads.filePath(name), {}, 1);
        }
        const int queued = moveCount;
        const bool listed =
            page &&
            waitInEventLoop([&] { return page->model()->rowCount() >= before + queued; }, 600000);
        rows.append({QStringLiteral("queue %1 downloads").arg(queued), clock.nsecsElapsed() / 1e6,
                     stalls.takeLongestMs(),
                     listed ? QString() : QStringLiteral("the transfers page lacks rows"),
                     !listed});
    }

    std::printf("\nbrowser at %d objects, %d x %d window, %s; reference: %d storage "
                "objects built in %.1f ms\n",
                count, window->width(), window->height(),
                qPrintable(QGuiApplication::platformName()), count, reference);
    std::printf("%-40s %10s %8s %10s  %s\n", "run", "ms", "ratio", "stall ms", "");
    for (const Row &row : qAsConst(rows))
        std::printf("%-40s %10.1f %8.2f %10.1f  %s\n", qPrintable(row.what), row.ms,
                    row.ms / reference, row.stallMs, qPrintable(row.note));
    std::printf("\npeak memory with the folder open: %.0f MiB (resident then: %.0f MiB)\n", peakMiB,
                openMiB);
    printViewPeaks();
    if (sequencePeakMiB > 0)
        std::printf("peak memory through the sequence: %.0f MiB\n", sequencePeakMiB);
    for (const Row &row : qAsConst(rows)) {
        if (row.failed) {
            std::fprintf(stderr, "not done: %s\n", qPrintable(row.what));
            return 4;
        }
    }
    return 0;
}

// The transfer queue's step (pick the next runnable transfer, run it, finish it) over a folder
// of 1k, 10k and 30k queued files, against the same saves done by identifier without asking
// the queue what comes next. A step that scans the queue makes the ratio grow with N; an
// ordered one keeps it flat.

#include "benchsize.h"
#include "benchstatistics.h"
#include "mobjectstatesqueue.h"
#include "mobjecttransferrequest.h"
#include "tempguard.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

namespace {

const int rounds = benchSize(3, 1);

QList<MObjectTransfer> folder(int count)
{
    QList<MObjectTransfer> transfers;
    transfers.reserve(count);
    for (int i = 0; i < count; ++i) {
        MObjectTransfer transfer;
        transfer.setTransferRequest(
            MObjectTransferRequest(QStringLiteral("/home/user/folder/f%1.txt").arg(i),
                                   QStringLiteral("/Folder/f%1.txt").arg(i), 0));
        transfer.setState(MObjectTransfer::Scheduled);
        transfers.append(transfer);
    }
    return transfers;
}

// One transfer through the engine's life in the queue: running, then finished.
void run(MObjectStatesQueue &queue, MObjectTransfer transfer)
{
    transfer.setState(MObjectTransfer::Running);
    queue.saveTransfer(transfer);
    transfer.setState(MObjectTransfer::Completed);
    queue.saveTransfer(transfer);
}

// Nanoseconds to drain count queued transfers, through the queue's order (ordered) or by
// the identifiers the scheduling handed out (reference).
qint64 drain(const QString &path, int count, bool ordered)
{
    MObjectStatesQueue queue;
    queue.setDatabasePath(path);
    queue.saveTransfers(folder(count));
    QElapsedTimer clock;
    clock.start();
    int done = 0;
    if (ordered) {
        while (queue.hasPendingTransfers()) {
            bool found = false;
            const MObjectTransfer next = queue.takeNextTransfer(&found);
            if (!found)
                break;
            run(queue, next);
            ++done;
        }
    } else {
        // Identifiers of a fresh file start at 1.
        for (qint64 id = 1; id <= count; ++id) {
            run(queue, queue.transfer(id));
            ++done;
        }
    }
    const qint64 elapsed = clock.nsecsElapsed();
    if (done != count)
        qFatal("drained %d of %d transfers", done, count);
    return elapsed;
}

} // namespace

int main(int argc, char *argv[])
{
    TempGuard::protect("bench_queue");
    QCoreApplication app(argc, argv);
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return 1;
    QTextStream out(stdout);
    out << "Transfer queue: drain N queued transfers (transfers.db on disk), median of " << rounds
        << " rounds\n";
    out << QStringLiteral("%1 %2 %3 %4 %5\n")
               .arg(QStringLiteral("N"), -7)
               .arg(QStringLiteral("queue ms"), 10)
               .arg(QStringLiteral("reference ms"), 13)
               .arg(QStringLiteral("ratio"), 7)
               .arg(QStringLiteral("queue us/transfer"), 18);
    int file = 0;
    for (const int count : benchSize<QVector<int>>({1000, 10000, 30000}, {200, 1000})) {
        QVector<double> queued, reference, ratios;
        for (int round = 0; round < rounds; ++round) {
            const double a =
                drain(scratch.filePath(QStringLiteral("q%1.db").arg(++file)), count, true) / 1e6;
            const double b =
                drain(scratch.filePath(QStringLiteral("q%1.db").arg(++file)), count, false) / 1e6;
            queued << a;
            reference << b;
            ratios << a / b;
        }
        out << QStringLiteral("%1 %2 %3 %4 %5\n")
                   .arg(count, -7)
                   .arg(median(queued), 10, 'f', 1)
                   .arg(median(reference), 13, 'f', 1)
                   .arg(median(ratios), 7, 'f', 3)
                   .arg(median(queued) * 1000 / count, 18, 'f', 2);
        out.flush();
    }
    return 0;
}

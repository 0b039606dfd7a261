// The transfers page with 10,000 queued uploads: the rows registered from their first
// notification, the page opened (shown, laid out and painted once) and single progress
// updates (model, filter and repaint), each against building the 10,000 transfer values alone
// (the core's values converted to the model's, as the facade does before it posts them).
// Offscreen; prints a table of times and ratios.

#include "benchsize.h"
#include "mcoperationsfiltermodel.h"
#include "mctablequeuecontroller.h"
#include "mctablequeuemodel.h"
#include "mobjecttransfer.h"
#include "mobjecttransferrequest.h"
#include "moconstants.h"
#include "mocorevalues_p.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const int rowCount = benchSize(10000, 500);
const int progressSamples = benchSize(101, 11);

MOObjectTransfer makeTransfer(int i, qint64 transferred)
{
    MObjectTransfer transfer;
    transfer.setIdentifier(i + 1);
    transfer.setState(i < 3 ? MObjectTransfer::Running : MObjectTransfer::Scheduled);
    transfer.setTransferRequest(
        MObjectTransferRequest(QStringLiteral("/home/user/Pictures/batch/photo-%1.jpg").arg(i),
                               QStringLiteral("/Photos/batch/photo-%1.jpg").arg(i), 0));
    transfer.setCreatedAt(QDateTime::fromSecsSinceEpoch(1767225600 + i));
    transfer.setTotalBytes(4 * 1024 * 1024);
    transfer.setTransferredBytes(transferred);
    return MOCoreValues::objectTransferWithCXXObjectTransfer(transfer);
}

MOPostedNotification notification(const QString &name, const MOObjectTransfer &transfer)
{
    return MOPostedNotification{
        name, nullptr, {{MOObjectTransferKey, QVariant::fromValue(transfer)}}};
}

double median(std::vector<qint64> values)
{
    std::sort(values.begin(), values.end());
    return double(values[values.size() / 2]);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    // Reference: the values alone.
    QElapsedTimer timer;
    timer.start();
    std::vector<MOPostedNotification> queued;
    queued.reserve(rowCount);
    for (int i = 0; i < rowCount; ++i)
        queued.push_back(notification(MOObjectTransferWillStartNotification, makeTransfer(i, 0)));
    const qint64 buildNs = timer.nsecsElapsed();

    MCTableQueueController page(nullptr, nullptr);
    page.resize(1000, 700);
    timer.restart();
    for (const MOPostedNotification &posted : queued)
        page.model()->transferNotification(posted);
    const qint64 registerNs = timer.nsecsElapsed();
    if (page.arrangedObjects()->rowCount() != rowCount)
        qFatal("expected %d rows, have %d", rowCount, page.arrangedObjects()->rowCount());

    timer.restart();
    page.show();
    QApplication::processEvents();
    const QPixmap painted = page.grab();
    const qint64 openNs = timer.nsecsElapsed();
    if (painted.isNull())
        qFatal("the page was not painted");

    // Progress of the newest rows, which are on screen: each a model update and the repaint
    // of what it dirtied, on the event loop's next pass.
    std::vector<qint64> modelNs;
    std::vector<qint64> progressNs;
    std::vector<MOPostedNotification> progress;
    for (int i = 0; i < progressSamples; ++i)
        progress.push_back(notification(MOObjectTransferDidProgressNotification,
                                        makeTransfer(rowCount - 1 - i % 10, 1024 * (i + 1))));
    for (const MOPostedNotification &posted : progress) {
        timer.restart();
        page.model()->transferNotification(posted);
        modelNs.push_back(timer.nsecsElapsed());
        QApplication::processEvents();
        progressNs.push_back(timer.nsecsElapsed());
    }
    // The event loop's pass with nothing to do.
    std::vector<qint64> idleNs;
    for (int i = 0; i < 21; ++i) {
        timer.restart();
        QApplication::processEvents();
        idleNs.push_back(timer.nsecsElapsed());
    }
    // And one of a row far off screen.
    timer.restart();
    page.model()->transferNotification(
        notification(MOObjectTransferDidProgressNotification, makeTransfer(0, 4096)));
    QApplication::processEvents();
    const qint64 offScreenNs = timer.nsecsElapsed();

    const double perValueNs = double(buildNs) / rowCount;
    std::printf("transfers page, %d queued uploads (offscreen)\n", rowCount);
    std::printf("%-44s %12s %12s\n", "step", "time", "ratio");
    const QByteArray rows = QByteArray::number(rowCount);
    std::printf("%-44s %9.1f ms %12s\n",
                ("build " + rows + " transfer values (reference)").constData(), buildNs / 1e6,
                "1.00");
    std::printf("%-44s %9.1f ms %12.2f\n", ("register " + rows + " rows").constData(),
                registerNs / 1e6, double(registerNs) / buildNs);
    std::printf("%-44s %9.1f ms %12.2f\n", "open the page (show, layout, paint)", openNs / 1e6,
                double(openNs) / buildNs);
    std::printf("%-44s %9.1f us %12.2f\n", "one progress update, model only (median)",
                median(modelNs) / 1e3, median(modelNs) / perValueNs);
    std::printf("%-44s %9.1f us %12.2f\n", "one progress update on screen (median)",
                median(progressNs) / 1e3, median(progressNs) / perValueNs);
    std::printf("%-44s %9.1f us %12.2f\n", "one progress update off screen", offScreenNs / 1e3,
                offScreenNs / perValueNs);
    std::printf("%-44s %9.1f us %12.2f\n", "an idle event-loop pass (median)", median(idleNs) / 1e3,
                median(idleNs) / perValueNs);
    std::printf("(progress ratios are against building one value: %.1f us)\n", perValueNs / 1e3);
    return 0;
}

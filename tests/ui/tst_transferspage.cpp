// The transfers page and the console of a signed-in shell against kerlo-local: a held upload
// shows its live texts, is paused, resumed and cancelled with the page's buttons while the
// counters follow the engine; the log rows and the filter; the console lists failures with
// its filter and stays bounded. Also the row statistics on their own.
#include "cellgrab.h"
#include "hostilenames.h"
#include "kerlolocal.h"
#include "mcappdelegate.h"
#include "mcbrowsableviewcontroller.h"
#include "mcerrorscontroller.h"
#include "mcerrorsfiltermodel.h"
#include "mcerrorsmodel.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcoperation.h"
#include "mcoperationsfiltermodel.h"
#include "mctablequeuecontroller.h"
#include "mctablequeuedelegate.h"
#include "mctablequeuemodel.h"
#include "mctablequeuestopcell.h"
#include "moapplication.h"
#include "moconstants.h"
#include "monotificationcenter.h"
#include "monotificationmanager.h"
#include "moobjectsmanager.h"
#include "shelltestfixture.h"
#include "smalldisk.h"

#include <QAbstractButton>
#include <QLabel>
#include <QRegularExpression>
#include <QTableView>
#include <QToolTip>
#include <QtTest>

using namespace ShellTest;

class TestTransfersPage : public QObject
{
    Q_OBJECT

private slots:
    void rowStatisticsAndEquality();
    void initTestCase();
    void heldUploadIsPausedResumedAndCancelledFromThePage();
    void cancelledFolderUploadReadsCancelled();
    void logRowsAndFilterSegments();
    void consoleListsFailuresWithItsFilter();
    void uploadWaitsWhileTheServiceIsDown();
    void settledRowsAreBoundedAndRunningOnesStay();
    void downloadWaitingForItsFirstByteShowsTheKnownSize();
    void downloadOntoAFullDiskSaysWhereAndHowToTryAgain();

private:
    struct Seen
    {
        QList<MOPostedNotification> notifications;
        QStringList namesFor(const QString &source) const;
    };
    const MCOperation *uploadRow(const QString &source) const;
    const MCOperation *downloadRow(const QString &source) const;
    QString secondLine(const MCOperation *row) const;
    QModelIndex shownIndex(const MCOperation *row, int column) const;
    // The tooltip the row's button shows under the pointer.
    QString buttonToolTip(const MCOperation *row, MCTableQueueDelegate::Button button);
    bool clickButton(const MCOperation *row, MCTableQueueDelegate::Button button);
    // The row's button cell as the page shows it, and as MCTableQueueStopCell paints it.
    CellGrab::Result grabButtons(const MCOperation *row);
    QString writeFile(const QString &name, qint64 size);
    void showPage(QWidget *page);

    KerloLocal m_server;
    Shell m_shell;
    QTemporaryDir m_local;
    MCTableQueueController *m_page = nullptr;
    MCErrorsController *m_console = nullptr;
    QObject m_observer;
    Seen m_seen;
};

QStringList TestTransfersPage::Seen::namesFor(const QString &source) const
{
    QStringList names;
    for (const MOPostedNotification &notification : notifications) {
        const auto transfer =
            notification.userInfo.value(MOObjectTransferKey).value<MOObjectTransfer>();
        if (transfer.transferRequest().sourcePath() == source)
            names.append(notification.name);
    }
    return names;
}

void TestTransfersPage::rowStatisticsAndEquality()
{
    const QDateTime start(QDate(2026, 3, 1), QTime(10, 0), Qt::UTC);
    MCOperation row(MCOperation::Deleted, QStringLiteral("/a.txt"), QString(), false, start);
    QVERIFY(row.isResumable());
    QCOMPARE(row.timeLeft(), MCOperation::UnknownTimeLeft);

    // Nothing to tell from a total of 0.
    QVERIFY(!row.updateStats(10, 0, start));
    QCOMPARE(row.transferred(), quint64(0));
    // The first point: progress, no rate yet.
    QVERIFY(row.updateStats(1000, 10000, start));
    QCOMPARE(row.progress(), 10.0f);
    QCOMPARE(row.transferRate(), quint64(0));
    QCOMPARE(row.timeLeft(), MCOperation::UnknownTimeLeft);
    // Closer than a second: only the bytes done move.
    QVERIFY(!row.updateStats(3000, 10000, start.addMSecs(999)));
    QCOMPARE(row.transferred(), quint64(3000));
    QCOMPARE(row.progress(), 10.0f);
    // Two seconds later: 2000 bytes per second, 3 seconds left.
    QVERIFY(row.updateStats(5000, 10000, start.addSecs(2)));
    QCOMPARE(row.progress(), 50.0f);
    QCOMPARE(row.transferRate(), quint64(2000));
    QCOMPARE(row.timeLeft(), quint64(2));
    // A standstill: the time left is unknown again.
    QVERIFY(row.updateStats(5000, 10000, start.addSecs(4)));
    QCOMPARE(row.transferRate(), quint64(0));
    QCOMPARE(row.timeLeft(), MCOperation::UnknownTimeLeft);
    // A run that started over counts less than before: no wrapped, enormous rate.
    QVERIFY(row.updateStats(1000, 10000, start.addSecs(6)));
    QCOMPARE(row.transferRate(), quint64(0));
    QCOMPARE(row.timeLeft(), MCOperation::UnknownTimeLeft);

    // Rows without a destination are equal only to themselves; copies of the same thing are
    // one row.
    const MCOperation again(MCOperation::Deleted, QStringLiteral("/a.txt"), QString(), false,
                            start);
    QVERIFY(row != again);
    QVERIFY(row == row);
    const MCOperation copy(MCOperation::Copied, QStringLiteral("/a.txt"), QStringLiteral("/b.txt"),
                           false, start);
    const MCOperation sameCopy(MCOperation::Copied, QStringLiteral("/a.txt"),
                               QStringLiteral("/b.txt"), false, start.addSecs(5));
    QVERIFY(copy == sameCopy);
    QCOMPARE(copy.hash(), sameCopy.hash());

    // The errors page's rows grow by whole row heights.
    QCOMPARE(MCErrorsController::heightOfRow(10, 17, 400), 17);
    QCOMPARE(MCErrorsController::heightOfRow(17, 17, 400), 34);
    QCOMPARE(MCErrorsController::heightOfRow(40, 17, 400), 51);
    QCOMPARE(MCErrorsController::heightOfRow(400, 17, 146), 17);
}

void TestTransfersPage::initTestCase()
{
    QVERIFY(m_local.isValid());
    QVERIFY(m_server.start());
    QVERIFY(!m_server
                 .seedFile(QString::fromLatin1(DemoEmail), QStringLiteral("/Waiting.bin"),
                           QByteArray(2500000, 'w'))
                 .isEmpty());
    QVERIFY(!m_server
                 .seedFile(QString::fromLatin1(DemoEmail), QStringLiteral("/Roomy.bin"),
                           QByteArray(3 * int(SmallDisk::Size) / 2, 'r'))
                 .isEmpty());
    m_shell.launch(m_server.baseUrl().toString());
    QVERIFY(m_shell.signInThroughWindow(QString::fromLatin1(DemoEmail),
                                        QString::fromLatin1(DemoPassword)));
    QVERIFY(m_shell.waitForSession());
    MCMainWindow *window = m_shell.delegate()->mainWindow();
    m_page = window->findChild<MCTableQueueController *>();
    m_console = window->findChild<MCErrorsController *>();
    QVERIFY(m_page && m_console);
    QCOMPARE(m_page->title(), QStringLiteral("transfers://"));
    QCOMPARE(m_console->title(), QStringLiteral("errors://"));
    window->resize(900, 600);
    MOObjectsManager::sharedInstance()->notificationCenter()->addObserver(
        &m_observer, QString(), nullptr, [this](const MOPostedNotification &notification) {
            m_seen.notifications.append(notification);
        });
}

void TestTransfersPage::showPage(QWidget *page)
{
    // What the page switch does: the page in place of everything else in the content area.
    for (QWidget *child :
         m_shell.delegate()->mainWindow()->mainContentView()->findChildren<QWidget *>(
             QString(), Qt::FindDirectChildrenOnly))
        child->setVisible(child == page);
    QVERIFY(QTest::qWaitForWindowExposed(page->window()));
    QTRY_VERIFY(page->isVisible() && page->height() > 100);
}

QString TestTransfersPage::writeFile(const QString &name, qint64 size)
{
    const QString path = m_local.filePath(name);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    QByteArray block(1024 * 1024, 'x');
    for (qint64 done = 0; done < size; done += block.size()) {
        block[0] = char(done / block.size());
        file.write(block.constData(), qMin<qint64>(block.size(), size - done));
    }
    return path;
}

const MCOperation *TestTransfersPage::uploadRow(const QString &source) const
{
    MCTableQueueModel *model = m_page->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        const MCOperation *operation = model->operationAt(row);
        if (operation->type() == MCOperation::Upload && operation->sourcePath() == source)
            return operation;
    }
    return nullptr;
}

const MCOperation *TestTransfersPage::downloadRow(const QString &source) const
{
    MCTableQueueModel *model = m_page->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        const MCOperation *operation = model->operationAt(row);
        if (operation->type() == MCOperation::Download && operation->sourcePath() == source)
            return operation;
    }
    return nullptr;
}

QModelIndex TestTransfersPage::shownIndex(const MCOperation *row, int column) const
{
    MCTableQueueModel *model = m_page->model();
    return m_page->arrangedObjects()->mapFromSource(
        model->index(model->rowOfOperation(row), column));
}

QString TestTransfersPage::secondLine(const MCOperation *row) const
{
    return shownIndex(row, MCTableQueueModel::StatusColumn)
        .data(MCTableQueueModel::SecondLineRole)
        .toString();
}

QString TestTransfersPage::buttonToolTip(const MCOperation *row,
                                         MCTableQueueDelegate::Button button)
{
    const QModelIndex index = shownIndex(row, MCTableQueueModel::InteractionColumn);
    QTableView *view = m_page->tableView();
    view->scrollTo(index);
    const QPoint at = MCTableQueueDelegate::buttonRect(view->visualRect(index), button).center();
    QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->viewport(), &help);
    const QString text = QToolTip::text();
    QToolTip::hideText();
    return text;
}

bool TestTransfersPage::clickButton(const MCOperation *row, MCTableQueueDelegate::Button button)
{
    const QModelIndex index = shownIndex(row, MCTableQueueModel::InteractionColumn);
    if (!index.isValid())
        return false;
    QTableView *view = m_page->tableView();
    view->scrollTo(index);
    const QRect cell = view->visualRect(index);
    if (cell.isEmpty())
        return false;
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                      MCTableQueueDelegate::buttonRect(cell, button).center());
    return true;
}

CellGrab::Result TestTransfersPage::grabButtons(const MCOperation *row)
{
    const QModelIndex index = shownIndex(row, MCTableQueueModel::InteractionColumn);
    QTableView *view = m_page->tableView();
    view->scrollTo(index);
    const QString pause = index.data(MCTableQueueModel::PauseButtonRole).toString();
    return CellGrab::grab(view, index, [&](QPainter *painter, const QStyleOptionViewItem &option) {
        MCTableQueueStopCell::paint(painter, option, pause, -1, true, true);
    });
}

void TestTransfersPage::heldUploadIsPausedResumedAndCancelledFromThePage()
{
    showPage(m_page);
    MCManager *hub = MCManager::sharedManager();
    MOObjectsManager *objects = MOObjectsManager::sharedInstance();
    // 12 MiB: the first 5 MiB chunk is sent at once, its answer held back.
    const QString held = writeFile(QStringLiteral("held.bin"), 12 * 1024 * 1024);
    QVERIFY(m_server.delay(QStringLiteral("/api/v1/objects/Up/held.bin"), 30000, 1,
                           QStringLiteral("PUT")));
    objects->transferObject(MOObjectTransferRequest(held, QStringLiteral("/Up/held.bin"), 0));
    QTRY_VERIFY_WITH_TIMEOUT(uploadRow(held) && uploadRow(held)->transferred() == 5 * 1024 * 1024,
                             30000);
    const MCOperation *row = uploadRow(held);
    QCOMPARE(row->status(), MCOperation::Running);
    QCOMPARE(hub->currentUploadsCount(), qint64(1));
    QCOMPARE(m_page->model()->currentUploadsCount(), qint64(1));
    // The live texts: the engine's bytes in base-ten units, out of the whole file.
    QVERIFY2(
        QRegularExpression(QStringLiteral("^.+ left - 5\\.2 MB out of 12\\.6 MB \\(.+/sec\\)$"))
            .match(secondLine(row))
            .hasMatch(),
        qPrintable(secondLine(row)));
    QCOMPARE(shownIndex(row, MCTableQueueModel::StatusColumn).data().toString(),
             QStringLiteral("held.bin"));
    QCOMPARE(toolTipText(
                 shownIndex(row, MCTableQueueModel::StatusColumn).data(Qt::ToolTipRole).toString()),
             QStringLiteral("/Up/held.bin"));
    QCOMPARE(
        shownIndex(row, MCTableQueueModel::OperationTypeColumn).data(Qt::ToolTipRole).toString(),
        QStringLiteral("Upload operation"));
    QCOMPARE(shownIndex(row, 0).data(MCTableQueueModel::PauseButtonRole).toString(),
             QStringLiteral("stop"));
    QCOMPARE(buttonToolTip(row, MCTableQueueDelegate::PauseButton),
             QStringLiteral("Pause transfer"));
    QCOMPARE(buttonToolTip(row, MCTableQueueDelegate::AbortButton),
             QStringLiteral("Abort transfer"));
    // The buttons are the cell's drawing.
    const CellGrab::Result running = grabButtons(row);
    QVERIFY(running.seen);
    QCOMPARE(running.shown, running.expected);

    // Pause: the row says so at once, and is paused when the engine says it is.
    QVERIFY(clickButton(row, MCTableQueueDelegate::PauseButton));
    QCOMPARE(row->status(), MCOperation::Pausing);
    QCOMPARE(secondLine(row), QStringLiteral("Pauseing transfer..."));
    QTRY_COMPARE_WITH_TIMEOUT(row->status(), MCOperation::Paused, 20000);
    QVERIFY(m_seen.namesFor(held).count(MOObjectTransferDidPauseNotification) == 1);
    QVERIFY(secondLine(row).startsWith(QStringLiteral("Paused ")));
    QCOMPARE(shownIndex(row, 0).data(MCTableQueueModel::PauseButtonRole).toString(),
             QStringLiteral("resume"));
    QCOMPARE(buttonToolTip(row, MCTableQueueDelegate::PauseButton),
             QStringLiteral("Resume transfer"));
    const CellGrab::Result paused = grabButtons(row);
    QCOMPARE(paused.shown, paused.expected);
    QVERIFY(paused.shown != running.shown);
    QCOMPARE(hub->currentUploadsCount(), qint64(1)); // paused, not finished

    // A progress report sent before the pause and delivered after it: the row stays paused.
    MOPostedNotification progress;
    for (const MOPostedNotification &notification : qAsConst(m_seen.notifications)) {
        if (notification.name == MOObjectTransferDidProgressNotification &&
            notification.userInfo.value(MOObjectTransferKey)
                    .value<MOObjectTransfer>()
                    .transferRequest()
                    .sourcePath() == held)
            progress = notification;
    }
    QVERIFY(!progress.name.isEmpty());
    objects->notificationCenter()->postNotification(progress);
    QCOMPARE(row->status(), MCOperation::Paused);
    QVERIFY(secondLine(row).startsWith(QStringLiteral("Paused ")));
    QCOMPARE(shownIndex(row, 0).data(MCTableQueueModel::PauseButtonRole).toString(),
             QStringLiteral("resume"));
    // A pause asked of a transfer the engine has paused already is answered at once.
    m_page->model()->buttonAction(m_page->model()->rowOfOperation(row), QStringLiteral("stop"));
    QTRY_COMPARE_WITH_TIMEOUT(m_seen.namesFor(held).count(MOObjectTransferDidPauseNotification), 2,
                              20000);
    QCOMPARE(row->status(), MCOperation::Paused);

    // Resume: the rest goes through and the row completes.
    QVERIFY(clickButton(row, MCTableQueueDelegate::PauseButton));
    QCOMPARE(secondLine(row), QStringLiteral("Resuming..."));
    QTRY_COMPARE_WITH_TIMEOUT(row->status(), MCOperation::Completed, 60000);
    QVERIFY(secondLine(row).startsWith(QStringLiteral("Completed ")));
    QCOMPARE(row->progress(), 100.0f);
    QVERIFY(!shownIndex(row, 0).data(MCTableQueueModel::ButtonsVisibleRole).toBool());
    QCOMPARE(hub->currentUploadsCount(), qint64(0));

    // The same finish reported again leaves the counter at 0 and adds no row.
    const int rows = m_page->model()->rowCount();
    MOPostedNotification finished;
    for (const MOPostedNotification &notification : qAsConst(m_seen.notifications)) {
        if (notification.name == MOObjectTransferDidFinishNotification)
            finished = notification;
    }
    QVERIFY(!finished.name.isEmpty());
    objects->notificationCenter()->postNotification(finished);
    objects->notificationCenter()->postNotification(finished);
    QCOMPARE(hub->currentUploadsCount(), qint64(0));
    QCOMPARE(m_page->model()->rowCount(), rows);

    // Abort: the row waits with its buttons off, then reads cancelled.
    const QString cancelled = writeFile(QStringLiteral("cancelled.bin"), 7 * 1024 * 1024);
    QVERIFY(m_server.delay(QStringLiteral("/api/v1/objects/Up/cancelled.bin"), 30000, 1,
                           QStringLiteral("PUT")));
    objects->transferObject(
        MOObjectTransferRequest(cancelled, QStringLiteral("/Up/cancelled.bin"), 0));
    QTRY_VERIFY_WITH_TIMEOUT(uploadRow(cancelled) && uploadRow(cancelled)->transferred() > 0,
                             30000);
    const MCOperation *doomed = uploadRow(cancelled);
    QCOMPARE(hub->currentUploadsCount(), qint64(1));
    // Newest first.
    QCOMPARE(m_page->arrangedObjects()->mapToSource(m_page->arrangedObjects()->index(0, 0)).row(),
             m_page->model()->rowOfOperation(doomed));
    QVERIFY(clickButton(doomed, MCTableQueueDelegate::AbortButton));
    QCOMPARE(doomed->status(), MCOperation::AbortRequested);
    QVERIFY(!MCTableQueueDelegate::isButtonEnabled(
        shownIndex(doomed, MCTableQueueModel::InteractionColumn),
        MCTableQueueDelegate::AbortButton));
    QTRY_COMPARE_WITH_TIMEOUT(doomed->status(), MCOperation::Canceled, 20000);
    QVERIFY(m_seen.namesFor(cancelled).contains(MOObjectTransferDidCancelNotification));
    QVERIFY(secondLine(doomed).startsWith(QStringLiteral("Canceled ")));
    QCOMPARE(hub->currentUploadsCount(), qint64(0));
    QCOMPARE(hub->currentDownloadsCount(), qint64(0));
}

void TestTransfersPage::downloadWaitingForItsFirstByteShowsTheKnownSize()
{
    showPage(m_page);
    // The service holds the bytes back: the row runs before any has come.
    QVERIFY(m_server.delay(QStringLiteral("/api/v1/object/Waiting.bin"), 30000, 1,
                           QStringLiteral("GET")));
    MCBrowsableViewController *browser = MCManager::sharedManager()->selectedController();
    QTRY_VERIFY_WITH_TIMEOUT(browser->shownNames().contains(QStringLiteral("Waiting.bin")), 20000);
    MOObjectsManager::sharedInstance()->cacheObjectAtPath(QStringLiteral("/Waiting.bin"));
    const QString waiting = QStringLiteral("/Waiting.bin");
    QTRY_VERIFY_WITH_TIMEOUT(
        downloadRow(waiting) && downloadRow(waiting)->status() == MCOperation::Running, 20000);
    QTRY_VERIFY(!m_server.requestsTo(QStringLiteral("/api/v1/object/Waiting.bin")).isEmpty());
    const MCOperation *row = downloadRow(waiting);
    QCOMPARE(row->transferred(), quint64(0));
    QCOMPARE(secondLine(row),
             QStringLiteral("Calculating time left - 0 B out of 2.5 MB (0 B/sec)"));

    QVERIFY(clickButton(row, MCTableQueueDelegate::AbortButton));
    QTRY_VERIFY_WITH_TIMEOUT(row->isFinished(), 20000);
}

void TestTransfersPage::downloadOntoAFullDiskSaysWhereAndHowToTryAgain()
{
    // A failed row offers no button: its text tells that the disk is full, which folder it
    // holds and how to try again, and so does the console.
    const QString temp = MOApplication::sharedInstance()->supportPath() + QStringLiteral("/temp");
    SmallDisk disk(temp);
    if (!disk.mounted())
        QSKIP("mounting a small file system needs privileges this run does not have");
    showPage(m_page);
    const QString roomy = QStringLiteral("/Roomy.bin");
    MCBrowsableViewController *browser = MCManager::sharedManager()->selectedController();
    QTRY_VERIFY_WITH_TIMEOUT(browser->shownNames().contains(roomy.mid(1)), 20000);
    MOObjectsManager::sharedInstance()->cacheObjectAtPath(roomy);
    QTRY_VERIFY_WITH_TIMEOUT(
        downloadRow(roomy) && downloadRow(roomy)->status() == MCOperation::Failed, 30000);
    const QString said = QStringLiteral("the disk holding '%1/downloads' is full: free some "
                                        "space there, then download the file again")
                             .arg(temp);
    QVERIFY2(secondLine(downloadRow(roomy)).endsWith(QStringLiteral(": ") + said),
             qPrintable(secondLine(downloadRow(roomy))));
    QVERIFY(
        !shownIndex(downloadRow(roomy), 0).data(MCTableQueueModel::ButtonsVisibleRole).toBool());
    MCErrorsModel *errors = m_console->errors();
    const auto consoleSays = [errors, temp] {
        for (int row = 0; row < errors->rowCount(); ++row) {
            if (errors->index(row, MCErrorsModel::ErrorColumn)
                    .data()
                    .toString()
                    .contains(QStringLiteral("the disk holding '%1/downloads' is full").arg(temp)))
                return true;
        }
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(consoleSays(), 30000);
}

void TestTransfersPage::cancelledFolderUploadReadsCancelled()
{
    showPage(m_page);
    MCTableQueueModel *model = m_page->model();
    QVERIFY(!writeFile(QStringLiteral("Folder/a.bin"), 7 * 1024 * 1024).isEmpty());
    QVERIFY(!writeFile(QStringLiteral("Folder/b.bin"), 10).isEmpty());
    QVERIFY(m_server.delay(QStringLiteral("/api/v1/objects/UpFolder/a.bin"), 30000, 1,
                           QStringLiteral("PUT")));
    QVERIFY(m_server.delay(QStringLiteral("/api/v1/objects/UpFolder/b.bin"), 30000, 1,
                           QStringLiteral("PUT")));
    // Live updates may log folders made by earlier uploads meanwhile: only transfer rows count.
    const auto transferRows = [model] {
        QList<const MCOperation *> rows;
        for (int row = 0; row < model->rowCount(); ++row) {
            const MCOperation *operation = model->operationAt(row);
            if (operation->type() == MCOperation::Upload ||
                operation->type() == MCOperation::Download)
                rows.append(operation);
        }
        return rows;
    };
    const QList<const MCOperation *> rowsBefore = transferRows();
    MOObjectsManager::sharedInstance()->transferDirectory(MOObjectTransferRequest(
        m_local.filePath(QStringLiteral("Folder")), QStringLiteral("/UpFolder"), 0));
    QTRY_VERIFY_WITH_TIMEOUT(transferRows().size() > rowsBefore.size(), 30000);
    const MCOperation *group = transferRows().constLast();
    QVERIFY(group->hasGroup());
    QVERIFY(group->isDir());
    QCOMPARE(group->type(), MCOperation::Upload);
    // Titled with the folder's name, not its whole local path.
    QCOMPARE(shownIndex(group, MCTableQueueModel::StatusColumn).data().toString(),
             QStringLiteral("Folder"));
    QCOMPARE(MCManager::sharedManager()->currentUploadsCount(), qint64(1));
    QTRY_VERIFY_WITH_TIMEOUT(group->status() == MCOperation::Running, 30000);
    // The members make no rows of their own.
    QCOMPARE(transferRows(), rowsBefore + QList<const MCOperation *>{group});

    QVERIFY(clickButton(group, MCTableQueueDelegate::AbortButton));
    QCOMPARE(group->status(), MCOperation::AbortRequested);
    QTRY_COMPARE_WITH_TIMEOUT(group->status(), MCOperation::Canceled, 30000);
    QVERIFY(secondLine(group).startsWith(QStringLiteral("Canceled ")));
    QCOMPARE(MCManager::sharedManager()->currentUploadsCount(), qint64(0));
}

void TestTransfersPage::logRowsAndFilterSegments()
{
    showPage(m_page);
    MCOperationsFilterModel *shown = m_page->arrangedObjects();
    MCTableQueueModel *model = m_page->model();
    // A folder made and a file removed by another device arrive as live updates.
    QVERIFY(
        !m_server.seedFolder(QString::fromLatin1(DemoEmail), QStringLiteral("/Made")).isEmpty());
    QVERIFY(!m_server.seedFile(QString::fromLatin1(DemoEmail), QStringLiteral("/gone.txt"), "bye")
                 .isEmpty());
    const auto hasRow = [model](MCOperation::Type type, const QString &path) {
        for (int row = 0; row < model->rowCount(); ++row) {
            if (model->operationAt(row)->type() == type &&
                model->operationAt(row)->sourcePath() == path)
                return true;
        }
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(hasRow(MCOperation::FolderCreated, QStringLiteral("/Made")), 30000);
    QVERIFY(!hasRow(MCOperation::FolderCreated, QStringLiteral("/gone.txt"))); // files make none
    QVERIFY(!m_server.deleteObject(QString::fromLatin1(DemoEmail), QStringLiteral("/gone.txt"))
                 .isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(hasRow(MCOperation::Deleted, QStringLiteral("/gone.txt")), 30000);

    const auto typesShown = [shown] {
        QSet<quint64> types;
        for (int row = 0; row < shown->rowCount(); ++row)
            types.insert(shown->index(row, 0).data(MCTableQueueModel::TypeRole).toULongLong());
        return types;
    };
    QCOMPARE(typesShown(), QSet<quint64>{MCOperation::Upload});
    QCOMPARE(m_page->viewDescription()->text(), QStringLiteral("Downloads and Uploads"));
    QTest::mouseClick(m_page->segmentButton(MCOperationsFilterModel::AllOperations),
                      Qt::LeftButton);
    QCOMPARE(m_page->viewDescription()->text(), QStringLiteral("All operations"));
    QVERIFY(typesShown().contains(MCOperation::FolderCreated));
    QVERIFY(typesShown().contains(MCOperation::Deleted));
    QCOMPARE(shown->rowCount(), model->rowCount());
    const int deleted = [&] {
        for (int row = 0; row < shown->rowCount(); ++row) {
            if (shown->index(row, 0).data(MCTableQueueModel::TypeRole).toULongLong() ==
                MCOperation::Deleted)
                return row;
        }
        return -1;
    }();
    QVERIFY(shown->index(deleted, MCTableQueueModel::StatusColumn)
                .data(MCTableQueueModel::SecondLineRole)
                .toString()
                .startsWith(QStringLiteral("Deleted path: '\u2068/gone.txt\u2069' - ")));
    QVERIFY(!shown->index(deleted, 0).data(MCTableQueueModel::ButtonsVisibleRole).toBool());
    QTest::mouseClick(m_page->segmentButton(MCOperationsFilterModel::Downloads), Qt::LeftButton);
    QCOMPARE(m_page->viewDescription()->text(), QStringLiteral("Downloads"));
    QCOMPARE(shown->rowCount(), 0);
    QTest::mouseClick(m_page->segmentButton(MCOperationsFilterModel::Uploads), Qt::LeftButton);
    QCOMPARE(typesShown(), QSet<quint64>{MCOperation::Upload});
    QVERIFY(m_page->segmentButton(MCOperationsFilterModel::Uploads)->isChecked());
    QTest::mouseClick(m_page->segmentButton(MCOperationsFilterModel::Transfers), Qt::LeftButton);
}

void TestTransfersPage::consoleListsFailuresWithItsFilter()
{
    showPage(m_console);
    MCErrorsModel *errors = m_console->errors();
    MCErrorsFilterModel *filtered = m_console->filteredErrors();
    const int before = errors->rowCount();
    MONotificationManager::sharedInstance()->postWarningNotification(
        QStringLiteral("Disk nearly full"));
    QTRY_COMPARE(errors->rowCount(), before + 1);
    // The date is shown whole, on one line.
    QTableView *table = m_console->tableView();
    const int needed =
        static_cast<QAbstractItemView *>(table)->sizeHintForColumn(MCErrorsModel::DateColumn);
    QVERIFY2(needed <= table->columnWidth(MCErrorsModel::DateColumn),
             qPrintable(QStringLiteral("%1 > %2").arg(needed).arg(
                 table->columnWidth(MCErrorsModel::DateColumn))));

    // An upload the service refuses: a failed row on the transfers page, an error here.
    QVERIFY(m_server.forceStatus(QStringLiteral("/api/v1/objects/Fail/f.txt"), 500,
                                 R"({"error_code":901})"));
    const QString failing = writeFile(QStringLiteral("f.txt"), 100);
    MOObjectsManager::sharedInstance()->transferObject(
        MOObjectTransferRequest(failing, QStringLiteral("/Fail/f.txt"), 0));
    QTRY_VERIFY_WITH_TIMEOUT(
        uploadRow(failing) && uploadRow(failing)->status() == MCOperation::Failed, 30000);
    QVERIFY(secondLine(uploadRow(failing)).startsWith(QStringLiteral("An error occurred ")));
    QVERIFY2(
        secondLine(uploadRow(failing)).endsWith(QStringLiteral(": the service answered error 901")),
        qPrintable(secondLine(uploadRow(failing))));
    QVERIFY(
        !shownIndex(uploadRow(failing), 0).data(MCTableQueueModel::ButtonsVisibleRole).toBool());
    QCOMPARE(MCManager::sharedManager()->currentUploadsCount(), qint64(0));
    const auto errorRows = [errors] {
        QStringList texts;
        for (int row = 0; row < errors->rowCount(); ++row) {
            if (errors->index(row, MCErrorsModel::TypeColumn).data().toString() ==
                QLatin1String("Error"))
                texts.append(errors->index(row, MCErrorsModel::ErrorColumn).data().toString());
        }
        return texts;
    };
    QTRY_VERIFY_WITH_TIMEOUT(!errorRows().isEmpty(), 30000);
    MONotificationManager::sharedInstance()->postInfoNotification(QStringLiteral("Synced"));
    QTRY_COMPARE(
        errors->index(errors->rowCount() - 1, MCErrorsModel::ErrorColumn).data().toString(),
        QStringLiteral("Synced"));
    QCOMPARE(errors->index(errors->rowCount() - 1, MCErrorsModel::TypeColumn).data().toString(),
             QStringLiteral("Information"));

    // Each segment shows its type only; back to all, everything in arrival order.
    const auto shownTypes = [filtered] {
        QStringList types;
        for (int row = 0; row < filtered->rowCount(); ++row)
            types.append(filtered->index(row, MCErrorsModel::TypeColumn).data().toString());
        types.removeDuplicates();
        return types;
    };
    QTest::mouseClick(m_console->segmentButton(MCErrorsFilterModel::Errors), Qt::LeftButton);
    QCOMPARE(shownTypes(), QStringList{"Error"});
    QCOMPARE(filtered->rowCount(), errorRows().size());
    QTest::mouseClick(m_console->segmentButton(MCErrorsFilterModel::Warnings), Qt::LeftButton);
    QCOMPARE(shownTypes(), QStringList{"Warning"});
    QVERIFY(m_console->bottomText()->text().startsWith(
        QStringLiteral("%1 %2 from ")
            .arg(filtered->rowCount())
            .arg(filtered->rowCount() == 1 ? "message" : "messages")));
    // Under the warnings filter a new warning shows, an information does not.
    const int warnings = filtered->rowCount();
    MONotificationManager::sharedInstance()->postInfoNotification(QStringLiteral("Hidden"));
    MONotificationManager::sharedInstance()->postWarningNotification(QStringLiteral("Shown"));
    QTRY_COMPARE(filtered->rowCount(), warnings + 1);
    QCOMPARE(filtered->index(warnings, MCErrorsModel::ErrorColumn).data().toString(),
             QStringLiteral("Shown"));
    QTest::mouseClick(m_console->segmentButton(MCErrorsFilterModel::All), Qt::LeftButton);
    QCOMPARE(filtered->rowCount(), errors->rowCount());
    QCOMPARE(filtered->index(errors->rowCount() - 2, MCErrorsModel::ErrorColumn).data().toString(),
             QStringLiteral("Hidden"));
    QCOMPARE(m_console->bottomText()->text().section(QLatin1Char(' '), 0, 1),
             QStringLiteral("%1 messages").arg(errors->rowCount()));

    // Bounded: the oldest go first.
    const QString newest =
        errors->index(errors->rowCount() - 1, MCErrorsModel::ErrorColumn).data().toString();
    errors->setMaximumCount(2);
    QCOMPARE(errors->rowCount(), 2);
    QCOMPARE(filtered->rowCount(), 2);
    QCOMPARE(errors->index(1, MCErrorsModel::ErrorColumn).data().toString(), newest);
    MONotificationManager::sharedInstance()->postWarningNotification(QStringLiteral("Latest"));
    QTRY_COMPARE(errors->index(1, MCErrorsModel::ErrorColumn).data().toString(),
                 QStringLiteral("Latest"));
    QCOMPARE(errors->rowCount(), 2);
    QCOMPARE(errors->index(0, MCErrorsModel::ErrorColumn).data().toString(), newest);
}

void TestTransfersPage::uploadWaitsWhileTheServiceIsDown()
{
    showPage(m_page);
    // Pasted while the service is stopped: the row waits, and the upload goes up once the
    // service is back, with no failure told in between.
    const int before = m_shell.alerts.alerts().size();
    m_server.stop();
    const QString waiting = writeFile(QStringLiteral("waiting.txt"), 100);
    MOObjectsManager::sharedInstance()->transferObject(
        MOObjectTransferRequest(waiting, QStringLiteral("/waiting.txt"), 0));
    // Queued, started, and queued again once the service was found unreachable.
    QTRY_VERIFY_WITH_TIMEOUT(
        m_seen.namesFor(waiting).count(MOObjectTransferWillStartNotification) >= 2, 30000);
    QVERIFY(uploadRow(waiting));
    QCOMPARE(uploadRow(waiting)->status(), MCOperation::Starting);
    QCOMPARE(secondLine(uploadRow(waiting)), QStringLiteral("Starting..."));

    QVERIFY(m_server.restart());
    QTRY_VERIFY_WITH_TIMEOUT(uploadRow(waiting)->status() == MCOperation::Completed, 60000);
    QVERIFY(!m_seen.namesFor(waiting).contains(MOObjectTransferDidAbortNotification));
    for (const Alert &alert : m_shell.alerts.alerts().mid(before))
        QVERIFY2(!alert.messageText.contains(QStringLiteral("waiting.txt")),
                 qPrintable(alert.messageText));
}

void TestTransfersPage::settledRowsAreBoundedAndRunningOnesStay()
{
    showPage(m_page);
    MCTableQueueModel *model = m_page->model();
    MOObjectsManager *objects = MOObjectsManager::sharedInstance();
    // A page kept for hours: three settled rows at most here.
    model->setMaximumSettledCount(3);
    // The folder first: its log row comes by the live updates, at a time of their own.
    QVERIFY(
        !m_server.seedFolder(QString::fromLatin1(DemoEmail), QStringLiteral("/Bounded")).isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(
        [model] {
            for (int row = 0; row < model->rowCount(); ++row) {
                if (model->operationAt(row)->type() == MCOperation::FolderCreated &&
                    model->operationAt(row)->sourcePath() == QStringLiteral("/Bounded"))
                    return true;
            }
            return false;
        }(),
        30000);
    const QString held = writeFile(QStringLiteral("bounded/held.bin"), 12 * 1024 * 1024);
    QVERIFY(m_server.delay(QStringLiteral("/api/v1/objects/Bounded/held.bin"), 30000, 1,
                           QStringLiteral("PUT")));
    objects->transferObject(MOObjectTransferRequest(held, QStringLiteral("/Bounded/held.bin"), 0));
    QTRY_VERIFY_WITH_TIMEOUT(uploadRow(held) && uploadRow(held)->status() == MCOperation::Running,
                             30000);
    QStringList sources;
    for (int i = 1; i <= 6; ++i) {
        sources.append(writeFile(QStringLiteral("bounded/%1.txt").arg(i), 100));
        objects->transferObject(
            MOObjectTransferRequest(sources.last(), QStringLiteral("/Bounded/%1.txt").arg(i), 0));
    }
    for (const QString &source : qAsConst(sources))
        QTRY_VERIFY_WITH_TIMEOUT(
            m_seen.namesFor(source).contains(MOObjectTransferDidFinishNotification), 30000);

    // The oldest settled rows went, whatever the earlier cases left; the running upload stayed,
    // and the page shows what the model holds.
    QTRY_COMPARE(model->rowCount(), 4);
    QVERIFY(uploadRow(held));
    QCOMPARE(uploadRow(held)->status(), MCOperation::Running);
    QStringList kept;
    for (const QString &source : qAsConst(sources)) {
        if (uploadRow(source) && uploadRow(source)->status() == MCOperation::Completed)
            kept.append(source);
    }
    QCOMPARE(kept.size(), 3);
    QTest::mouseClick(m_page->segmentButton(MCOperationsFilterModel::AllOperations),
                      Qt::LeftButton);
    QCOMPARE(m_page->arrangedObjects()->rowCount(), 4);
    QCOMPARE(model->currentUploadsCount(), qint64(1));

    // Aborted from its row, it settles too: the oldest row of the page, it is the one that
    // goes, and the three newer ones stay.
    QVERIFY(clickButton(uploadRow(held), MCTableQueueDelegate::AbortButton));
    QTRY_COMPARE(model->rowCount(), 3);
    QVERIFY(!uploadRow(held));
    for (const QString &source : qAsConst(kept))
        QVERIFY(uploadRow(source));
    QCOMPARE(model->currentUploadsCount(), qint64(0));
    QTest::mouseClick(m_page->segmentButton(MCOperationsFilterModel::Transfers), Qt::LeftButton);
    model->setMaximumSettledCount(MCTableQueueModel::DefaultMaximumSettledCount);
}

int main(int argc, char **argv)
{
    isolateEnvironment();
    QApplication app(argc, argv);
    TestTransfersPage test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_transferspage.moc"

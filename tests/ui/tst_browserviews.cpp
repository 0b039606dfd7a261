// The list and column views of a signed-in shell against kerlo-local's demo tree, driven like a
// user: View menu keys switch views and keep the folder and the selection; the list sorts by
// its headers, hides columns from the header's menu, opens folders in place (listing them) and
// renames in place; the column view browses into folders and previews a selected file with its
// properties; the View Options window edits the options of the view shown, and they are read
// back from the settings file as a restart reads them.
#include "cellgrab.h"
#include "column/mcbrowser.h"
#include "column/mccolumncontroller.h"
#include "column/mcleafcontroller.h"
#include "hostilenames.h"
#include "kerlolocal.h"
#include "list/mclistcontroller.h"
#include "localfiles.h"
#include "mcappdelegate.h"
#include "mccleanupbymenu.h"
#include "mccolor.h"
#include "mciconcontroller.h"
#include "mciconitemmodel.h"
#include "mciconnameeditor.h"
#include "mcimagetextcell.h"
#include "mclistcellleftidentation.h"
#include "mclistnamedelegate.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcmenunoselection.h"
#include "mcmenuselection.h"
#include "mcmenuview.h"
#include "mcnodetreemodel.h"
#include "mcoptions.h"
#include "mcuserdefaults.h"
#include "mcviewchoice.h"
#include "mcviewoptionscontroller.h"
#include "moobjectsmanager.h"
#include "servicereader.h"
#include "shelltestfixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDirIterator>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSet>
#include <QSettings>
#include <QSlider>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTreeView>
#include <QtTest>

using namespace ShellTest;

class TestBrowserViews : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void listSortsHidesColumnsAndOpensFolders();
    void listRenamesInPlaceAndTakesDrops();
    void columnsBrowseAndPreviewTheSelectedFile();
    void switchingKeepsFolderAndSelection();
    void columnClicksBesideRowsAndOnTransferringRows();
    void viewOptionsFollowTheShownViewAndAreStored();
    void viewOptionsSortPopUpFollowsTheOrder();
    void listNamesAreDrawnByTheImageTextCell();
    void listTextColumnsAreDrawnByTheIndentedCell();
    void listKindsAndBadgesFitTheirCells();

private:
    MCMainWindow *window() const { return m_shell.delegate()->mainWindow(); }
    MCIconController *icons() const
    {
        return qobject_cast<MCIconController *>(m_shell.delegate()->browserView(0));
    }
    MCListController *list() const
    {
        return qobject_cast<MCListController *>(m_shell.delegate()->browserView(1));
    }
    MCColumnController *columns() const
    {
        return qobject_cast<MCColumnController *>(m_shell.delegate()->browserView(2));
    }
    // Ctrl+1, Ctrl+2 or Ctrl+3 in the window.
    void pressViewKey(int view);
    // The column view's column that lists the folder at path; null when none is shown.
    QAbstractItemView *columnOf(const QString &path) const;
    void clickHeader(int column);
    QModelIndex listRow(const QString &name, const QModelIndex &parent = QModelIndex()) const;
    static QStringList names(const MCNodeList &nodes);

    KerloLocal m_server;
    Shell m_shell;
};

void TestBrowserViews::pressViewKey(int view)
{
    QTest::keyClick(window(), Qt::Key(Qt::Key_1 + view), Qt::ControlModifier);
}

QAbstractItemView *TestBrowserViews::columnOf(const QString &path) const
{
    for (QAbstractItemView *column : columns()->browser()->findChildren<QAbstractItemView *>()) {
        if (column->model() == columns()->treeModel() && !qobject_cast<MCBrowser *>(column) &&
            column->isVisible() && columns()->folderOfColumn(column)->filePath() == path)
            return column;
    }
    return nullptr;
}

void TestBrowserViews::clickHeader(int column)
{
    QHeaderView *header = list()->outlineView()->header();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

QModelIndex TestBrowserViews::listRow(const QString &name, const QModelIndex &parent) const
{
    const QAbstractItemModel *model = list()->treeModel();
    for (int row = 0; row < model->rowCount(parent); ++row) {
        if (model->index(row, 0, parent).data().toString() == name)
            return model->index(row, 0, parent);
    }
    return QModelIndex();
}

QStringList TestBrowserViews::names(const MCNodeList &nodes)
{
    QStringList result;
    for (const MCNodePtr &node : nodes)
        result.append(node->fileName());
    return result;
}

void TestBrowserViews::initTestCase()
{
    QVERIFY(m_server.start());
    const QString email = QString::fromLatin1(DemoEmail);
    QVERIFY(addDemoTree(m_server, email));
    QVERIFY(!m_server.seedFile(email, "/small.txt", "abc").isEmpty());
    QVERIFY(!m_server.seedFile(email, "/big.txt", QByteArray(3000, 'x')).isEmpty());
    QVERIFY(!m_server.seedFile(email, "/<b>A & B.txt", QByteArray(30, 'y')).isEmpty());
    QVERIFY(m_shell.launchSignedIn(m_server.baseUrl().toString()));
    QVERIFY(m_shell.showMainWindow(QSize(1000, 640)));
    QVERIFY(icons() && list() && columns());
}

void TestBrowserViews::listSortsHidesColumnsAndOpensFolders()
{
    pressViewKey(1);
    QTRY_VERIFY(list()->isVisible());
    QVERIFY(!icons()->isVisible());
    QCOMPARE(MCManager::sharedManager()->selectedController(), list());
    QVERIFY(window()->viewMenu()->viewChoice()->item(1)->isChecked());
    QTRY_COMPARE(list()->shownNames().size(), 5);
    // A name from the service is text, whatever it holds.
    QVERIFY(list()->shownNames().contains("<b>A & B.txt"));
    QCOMPARE(toolTipText(listRow("<b>A & B.txt").data(Qt::ToolTipRole).toString()),
             QStringLiteral("<b>A & B.txt"));

    // Sizes start with the largest; a second click reverses; Date Added does not sort.
    clickHeader(MCNodeTreeModel::SizeColumn);
    QHeaderView *header = list()->outlineView()->header();
    QCOMPARE(header->sortIndicatorSection(), int(MCNodeTreeModel::SizeColumn));
    QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
    QCOMPARE(list()->shownNames().mid(0, 3), QStringList({"big.txt", "<b>A & B.txt", "small.txt"}));
    clickHeader(MCNodeTreeModel::SizeColumn);
    QCOMPARE(list()->sortType(), 18);
    QCOMPARE(list()->shownNames().mid(3), QStringList({"<b>A & B.txt", "big.txt"}));
    const QStringList ascending = list()->shownNames();
    clickHeader(MCNodeTreeModel::DateAddedColumn);
    QCOMPARE(list()->shownNames(), ascending);
    QCOMPARE(header->sortIndicatorSection(), int(MCNodeTreeModel::SizeColumn));
    clickHeader(MCNodeTreeModel::NameColumn);
    QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
    QCOMPARE(list()->shownNames().first(), QStringLiteral("<b>A & B.txt"));

    // All selected stays all selected through a new order, and reads in that order; a press on
    // one of them keeps them all (to drag them), the click then selects it alone.
    QTreeView *rows = list()->outlineView();
    rows->setFocus();
    QTest::keyClick(rows, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(names(list()->getSelectedItems()), list()->shownNames());
    clickHeader(MCNodeTreeModel::SizeColumn);
    QCOMPARE(list()->shownNames().first(), QStringLiteral("big.txt"));
    QCOMPARE(names(list()->getSelectedItems()), list()->shownNames());
    QCOMPARE(MCManager::sharedManager()->selectedCount(), 5);
    const QPoint onBig = rows->visualRect(listRow("big.txt")).center();
    QTest::mousePress(rows->viewport(), Qt::LeftButton, {}, onBig);
    QCOMPARE(list()->getSelectedItems().size(), 5);
    QTest::mouseRelease(rows->viewport(), Qt::LeftButton, {}, onBig);
    QCOMPARE(names(list()->getSelectedItems()), QStringList{"big.txt"});
    clickHeader(MCNodeTreeModel::NameColumn);
    QCOMPARE(names(list()->getSelectedItems()), QStringList{"big.txt"});
    QCOMPARE(list()->shownNames().first(), QStringLiteral("<b>A & B.txt"));

    // The header's menu hides a column and remembers it; the date reads relatively.
    emit header->customContextMenuRequested(QPoint(10, 5));
    QTRY_VERIFY(list()->menuColumns()->isVisible());
    QAction *size = list()->menuColumns()->actions().at(2);
    QCOMPARE(size->text(), QStringLiteral("Size"));
    QVERIFY(size->isChecked());
    size->trigger();
    list()->menuColumns()->close();
    QTRY_VERIFY(!QApplication::activePopupWidget());
    // The offscreen platform leaves the closed menu the active window.
    window()->activateWindow();
    QTRY_VERIFY(window()->isActiveWindow());
    QVERIFY(header->isSectionHidden(MCNodeTreeModel::SizeColumn));
    MCOptions *options = MCManager::sharedManager()->options();
    QCOMPARE(
        options->value(MCOptions::ListController, "ColumnsVisibility").toMap().value("FileSize"),
        QVariant(false));
    list()->toggleColumn("FileSize", true);
    QVERIFY(!header->isSectionHidden(MCNodeTreeModel::SizeColumn));
    QVERIFY(listRow("big.txt")
                .siblingAtColumn(MCNodeTreeModel::DateModifiedColumn)
                .data()
                .toString()
                .startsWith("Today"));

    // The date column's width picks how much of the date it shows.
    const QModelIndex date =
        listRow("big.txt").siblingAtColumn(MCNodeTreeModel::DateModifiedColumn);
    header->resizeSection(MCNodeTreeModel::DateModifiedColumn, 145);
    QVERIFY(!date.data().toString().contains(':'));
    header->resizeSection(MCNodeTreeModel::DateModifiedColumn, 146);
    QVERIFY(date.data().toString().contains(':'));
    list()->useRelativeDates(false);
    header->resizeSection(MCNodeTreeModel::DateModifiedColumn, 251);
    QVERIFY(date.data().toString().contains(QLocale().dayName(QDate::currentDate().dayOfWeek())));
    list()->useRelativeDates(true);
    header->resizeSection(MCNodeTreeModel::DateModifiedColumn, 180);

    // Opening a folder in place lists it; its rows come below it.
    QTreeView *outline = list()->outlineView();
    const QModelIndex photos = listRow("Photos");
    QVERIFY(photos.isValid());
    outline->setCurrentIndex(photos);
    QVERIFY(m_server.clearRequests());
    QTest::keyClick(outline, Qt::Key_Right);
    QVERIFY(outline->isExpanded(photos));
    QTRY_VERIFY(listRow("Trip", listRow("Photos")).isValid());
    QVERIFY(listRow("Sunset.jpg", listRow("Photos")).isValid());
    QVERIFY(firstRequest(m_server.requests(), "/api/v1/objects/list/Photos.*") >= 0);
    // A folder selected with items inside it stands for them; a name that only begins like
    // the folder's is an item of its own.
    QVERIFY(!m_server.seedFile(QString::fromLatin1(DemoEmail), "/Photos2", "p").isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(listRow("Photos2").isValid(), 30000);
    QItemSelection picked;
    for (const QModelIndex &row :
         {listRow("Photos"), listRow("Sunset.jpg", listRow("Photos")), listRow("Photos2")})
        picked.select(row, row.siblingAtColumn(MCNodeTreeModel::ColumnCount - 1));
    outline->selectionModel()->select(picked, QItemSelectionModel::ClearAndSelect);
    QCOMPARE(names(list()->getSelectedItems()), QStringList({"Photos", "Photos2"}));
    QVERIFY(!m_server.deleteObject(QString::fromLatin1(DemoEmail), "/Photos2").isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(!listRow("Photos2").isValid(), 30000);

    // Opened again, a listed folder asks for nothing: by the time a folder opened after it
    // is listed, no listing of it was asked for.
    outline->collapse(listRow("Photos"));
    QVERIFY(m_server.clearRequests());
    outline->expand(listRow("Photos"));
    outline->expand(listRow("Documents"));
    QTRY_VERIFY_WITH_TIMEOUT(listRow("Welcome.txt", listRow("Documents")).isValid(), 30000);
    QCOMPARE(firstRequest(m_server.requests(), "/api/v1/objects/list/Photos.*"), -1);
    QCOMPARE(list()->shownNames().size(), 5);
}

void TestBrowserViews::listRenamesInPlaceAndTakesDrops()
{
    pressViewKey(1);
    QTreeView *outline = list()->outlineView();
    const QModelIndex small = listRow("small.txt");
    QVERIFY(small.isValid());
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, outline->visualRect(small).center());
    QCOMPARE(names(list()->getSelectedItems()), QStringList{"small.txt"});
    QTest::keyClick(outline, Qt::Key_Return);
    QTRY_VERIFY(list()->isEditingName());
    auto *editor = outline->viewport()->findChild<MCIconNameEditor *>();
    QVERIFY(editor);
    QTRY_COMPARE(editor->selectedText(), QStringLiteral("small"));
    QTest::keyClicks(editor, "tiny");
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(!list()->isEditingName());
    QTRY_VERIFY_WITH_TIMEOUT(list()->shownNames().contains("tiny.txt"), 30000);
    ServiceReader service;
    QVERIFY(service.signIn(m_server));
    QTRY_COMPARE_WITH_TIMEOUT(service.remoteBytes("/tiny.txt"), QByteArray("abc"), 30000);

    // A new folder is named in its row, and created under that name.
    outline->setFocus();
    QTest::keyClick(window(), Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_VERIFY(list()->isEditingName());
    auto *folderName = outline->viewport()->findChild<MCIconNameEditor *>();
    QTRY_COMPARE(folderName->selectedText(), QStringLiteral("Untitled Folder"));
    QTest::keyClicks(folderName, "Reports");
    QTest::keyClick(folderName, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(
        list()->treeModel()->indexOfPath("/Reports").isValid() &&
            !list()->treeModel()->indexOfPath("/Reports").data(MCNodeTreeModel::BusyRole).toBool(),
        30000);

    // A file dropped from the file manager below the rows is uploaded into the folder shown.
    const QString local = root() + QStringLiteral("/dropped.txt");
    QVERIFY(writeFile(local, "dropped"));
    auto *data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(local)});
    const QPoint below(10, outline->viewport()->height() - 5);
    QVERIFY(!outline->indexAt(below).isValid());
    QDragEnterEvent enter(below, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(outline->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(below, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(outline->viewport(), &drop);
    QVERIFY(drop.isAccepted());
    delete data;
    QTRY_COMPARE_WITH_TIMEOUT(service.remoteBytes("/dropped.txt"), QByteArray("dropped"), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(list()->shownNames().contains("dropped.txt"), 30000);

    // Escape leaves the name as it was.
    const QModelIndex big = listRow("big.txt");
    outline->setCurrentIndex(big);
    outline->selectionModel()->select(big, QItemSelectionModel::ClearAndSelect |
                                               QItemSelectionModel::Rows);
    list()->startRename();
    QTRY_VERIFY(list()->isEditingName());
    QTest::keyClicks(outline->viewport()->findChild<MCIconNameEditor *>(), "gone");
    QTest::keyClick(outline->viewport()->findChild<MCIconNameEditor *>(), Qt::Key_Escape);
    QTRY_VERIFY(!list()->isEditingName());
    QVERIFY(list()->shownNames().contains("big.txt"));
}

void TestBrowserViews::columnsBrowseAndPreviewTheSelectedFile()
{
    QCOMPARE(MCColumnController::previewColumnWidth(1000, {200, 200}), 597);
    QCOMPARE(MCColumnController::previewColumnWidth(500, {200, 200}), 200);

    pressViewKey(2);
    QTRY_VERIFY(columns()->isVisible());
    MCBrowser *browser = columns()->browser();
    MCNodeTreeModel *model = columns()->treeModel();
    QTRY_VERIFY(model->indexOfPath("/Photos").isValid());
    // A click on a folder browses into it; its children fill the next column.
    auto columnShowing = [browser](const QModelIndex &folder) -> QAbstractItemView * {
        for (QAbstractItemView *column : browser->findChildren<QAbstractItemView *>()) {
            if (column->model() == browser->model() && column->rootIndex() == folder &&
                column->isVisible())
                return column;
        }
        return nullptr;
    };
    QAbstractItemView *first = columnShowing(QModelIndex());
    QVERIFY(first);
    QTest::mouseClick(first->viewport(), Qt::LeftButton, {},
                      first->visualRect(model->indexOfPath("/Photos")).center());
    QTRY_COMPARE(window()->windowTitle(), QStringLiteral("Photos"));
    QTRY_VERIFY(columns()->shownNames().contains("Sunset.jpg"));
    QAbstractItemView *second = nullptr;
    QTRY_VERIFY((second = columnShowing(model->indexOfPath("/Photos"))));
    QTest::mouseClick(second->viewport(), Qt::LeftButton, {},
                      second->visualRect(model->indexOfPath("/Photos/Sunset.jpg")).center());

    // The preview pane: the file's properties at once, its thumbnail when it has come.
    MCLeafController *leaf = columns()->leafController();
    QTRY_VERIFY(leaf->isVisible());
    QCOMPARE(leaf->properties()->index(0, 0).data().toString(), QStringLiteral("Name"));
    QCOMPARE(leaf->properties()->index(0, 1).data().toString(), QStringLiteral("Sunset.jpg"));
    QCOMPARE(leaf->properties()->index(1, 1).data().toString(), QStringLiteral("JPEG image"));
    QVERIFY(leaf->properties()->index(2, 1).data().toString().endsWith("KB"));
    QVERIFY(!leaf->properties()->index(4, 1).data().toString().isEmpty());
    QVERIFY(leaf->properties()->index(3, 1).data().toString().isEmpty());
    const auto thumbnailSide = [leaf] {
        const QPixmap shown = leaf->fileImageView()->pixmap(Qt::ReturnByValue);
        return qMax(shown.width(), shown.height());
    };
    QTRY_VERIFY_WITH_TIMEOUT(thumbnailSide() == 220, 30000);
    QCOMPARE(names(columns()->getSelectedItems()), QStringList{"Sunset.jpg"});
    QCOMPARE(MCManager::sharedManager()->selectedCount(), 1);
    // The columns are 200 points wide, the preview column takes the rest of the width.
    QTRY_COMPARE(browser->columnWidths(),
                 QList<int>({200, 200,
                             MCColumnController::previewColumnWidth(browser->viewport()->width(),
                                                                    {200, 200})}));

    // A file dropped below the rows of a column goes into the folder that column lists.
    const QString local = root() + QStringLiteral("/into-photos.txt");
    QVERIFY(writeFile(local, "photos"));
    auto *data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(local)});
    const QPoint below(10, second->viewport()->height() - 5);
    QDragEnterEvent enter(below, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(second->viewport(), &enter);
    QDropEvent drop(below, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(second->viewport(), &drop);
    QVERIFY(drop.isAccepted());
    delete data;
    ServiceReader service;
    QVERIFY(service.signIn(m_server));
    QTRY_COMPARE_WITH_TIMEOUT(service.remoteBytes("/Photos/into-photos.txt"), QByteArray("photos"),
                              30000);

    // A narrow value column drops the time from the date.
    const QString wide = leaf->properties()->index(4, 1).data().toString();
    leaf->valueColumnResized(120);
    QVERIFY(leaf->properties()->index(4, 1).data().toString().size() < wide.size());
}

void TestBrowserViews::switchingKeepsFolderAndSelection()
{
    // The column view left Sunset.jpg selected in Photos.
    QCOMPARE(MCManager::sharedManager()->currentPath(), QStringLiteral("/Photos"));
    pressViewKey(1);
    QTRY_VERIFY(list()->isVisible());
    QTRY_VERIFY(list()->shownNames().contains("Sunset.jpg"));
    QCOMPARE(names(list()->getSelectedItems()), QStringList{"Sunset.jpg"});
    QCOMPARE(window()->windowTitle(), QStringLiteral("Photos"));
    const MCNodePtr sunset = list()->getSelectedItems().value(0);
    pressViewKey(0);
    QTRY_VERIFY(icons()->isVisible());
    QCOMPARE(names(icons()->getSelectedItems()), QStringList{"Sunset.jpg"});
    // Only the view on screen keeps rows: the icon view took the list's nodes over.
    QCOMPARE(icons()->getSelectedItems().value(0), sunset);
    QVERIFY(icons()->isActive() && !list()->isActive() && !columns()->isActive());
    QVERIFY(list()->shownNames().isEmpty());
    QCOMPARE(list()->currentNode()->filePath(), QStringLiteral("/Photos"));
    // The background menu's View submenu picks a view too, and shows which is on.
    MCMenuNoSelection *background = MCManager::sharedManager()->menuNoSelection();
    background->viewChoice()->item(2)->trigger();
    QTRY_VERIFY(columns()->isVisible());
    QVERIFY(background->viewChoice()->item(2)->isChecked());
    QVERIFY(window()->viewMenu()->viewChoice()->item(2)->isChecked());
    QCOMPARE(names(columns()->getSelectedItems()), QStringList{"Sunset.jpg"});
    QCOMPARE(MCManager::sharedManager()->currentPath(), QStringLiteral("/Photos"));

    // Everything selected survives each switch, held as one run of rows: a range per item
    // makes every repaint and selection query of a large folder walk them all.
    pressViewKey(0);
    QTRY_VERIFY(icons()->isVisible());
    QListView *grid = icons()->collectionView();
    // The file the previous case dropped may still be marked as being uploaded, and a row being
    // transferred takes part in no selection in the column view: wait until none is.
    auto *items = qobject_cast<MCIconItemModel *>(grid->model());
    QVERIFY(items);
    const auto transferring = [items] {
        for (int row = 0; row < items->rowCount(); ++row) {
            const MCNodePtr node = items->nodeAt(items->index(row, 0));
            if (node && (node->states() &
                         (MCAbstractObjectNode::Downloading | MCAbstractObjectNode::Uploading |
                          MCAbstractObjectNode::Syncing)))
                return true;
        }
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(!transferring(), 30000);
    const int count = grid->model()->rowCount();
    QVERIFY(count > 2);
    QTest::keyClick(grid, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(icons()->getSelectedItems().size(), count);
    QCOMPARE(MCManager::sharedManager()->selectedCount(), count);
    pressViewKey(1);
    QTRY_VERIFY(list()->isVisible());
    QItemSelectionModel *rows = list()->outlineView()->selectionModel();
    QCOMPARE(rows->selectedRows().size(), count);
    QCOMPARE(rows->selection().size(), 1);
    QCOMPARE(MCManager::sharedManager()->selectedCount(), count);
    pressViewKey(2);
    QTRY_VERIFY(columns()->isVisible());
    QCOMPARE(columns()->getSelectedItems().size(), count);
    pressViewKey(0);
    QTRY_VERIFY(icons()->isVisible());
    QCOMPARE(icons()->getSelectedItems().size(), count);
    QCOMPARE(grid->selectionModel()->selection().size(), 1);
    // Items apart from each other (two runs of rows) survive each switch too.
    const auto clickRow = [grid](int row, Qt::KeyboardModifiers modifiers) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers,
                          grid->visualRect(grid->model()->index(row, 0)).center());
    };
    clickRow(0, {});
    clickRow(2, Qt::ControlModifier);
    const QStringList apart = names(icons()->getSelectedItems());
    QCOMPARE(apart.size(), 2);
    const QVector<MCBrowsableViewController *> views = {icons(), list(), columns()};
    for (const int view : {1, 2, 0}) {
        pressViewKey(view);
        QTRY_VERIFY(views.at(view)->isVisible());
        QCOMPARE(names(views.at(view)->getSelectedItems()), apart);
        QCOMPARE(MCManager::sharedManager()->selectedCount(), 2);
    }
    pressViewKey(2);
    QTRY_VERIFY(columns()->isVisible());

    // Select all in a column takes each of its items once, though the model has more columns.
    MCNodeTreeModel *model = columns()->treeModel();
    QAbstractItemView *photos = nullptr;
    for (QAbstractItemView *column : columns()->browser()->findChildren<QAbstractItemView *>()) {
        if (column->isVisible() && column->model() == model &&
            column->rootIndex() == model->indexOfPath("/Photos"))
            photos = column;
    }
    QVERIFY(photos);
    QTest::mouseClick(photos->viewport(), Qt::LeftButton, {},
                      photos->visualRect(model->indexOfPath("/Photos/Sunset.jpg")).center());
    QTRY_COMPARE(MCManager::sharedManager()->selectedCount(), 1);
    QTest::keyClick(photos, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(MCManager::sharedManager()->selectedCount(), count);
    const QStringList all = names(columns()->getSelectedItems());
    QCOMPARE(all.size(), count);
    QCOMPARE(QSet<QString>(all.begin(), all.end()).size(), count);
}

void TestBrowserViews::columnClicksBesideRowsAndOnTransferringRows()
{
    MCManager *hub = MCManager::sharedManager();
    MCNodeTreeModel *model = columns()->treeModel();
    QVERIFY(columns()->isVisible());
    // Home in the first column, Photos in the second.
    hub->changeToPath(QStringLiteral("/"), this);
    QTRY_VERIFY_WITH_TIMEOUT(columnOf("/") && model->indexOfPath("/Photos").isValid(), 30000);
    QAbstractItemView *first = columnOf("/");
    QTest::mouseClick(first->viewport(), Qt::LeftButton, {},
                      first->visualRect(model->indexOfPath("/Photos")).center());
    QTRY_VERIFY_WITH_TIMEOUT(hub->currentPath() == "/Photos" && columnOf("/Photos"), 30000);

    // Typing a folder's name chooses it, which browses into it; opening it then (Ctrl+O) stays
    // there: one place, one step back.
    hub->changeToPath(QStringLiteral("/"), this);
    QTRY_VERIFY_WITH_TIMEOUT(hub->currentPath() == "/" && columnOf("/"), 30000);
    first = columnOf("/");
    first->setFocus();
    QTest::keyClicks(first, QStringLiteral("Ph"));
    QTRY_VERIFY_WITH_TIMEOUT(hub->currentPath() == "/Photos" && columnOf("/Photos"), 30000);
    const QStringList backAfterChoice = hub->arrayBack();
    QCOMPARE(backAfterChoice.value(backAfterChoice.size() - 1), QStringLiteral("/"));
    QTest::keyClick(window(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(hub->arrayBack(), backAfterChoice);
    window()->backAction()->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(hub->currentPath() == "/", 30000);
    first = columnOf("/");
    QTest::mouseClick(first->viewport(), Qt::LeftButton, {},
                      first->visualRect(model->indexOfPath("/Photos")).center());
    QTRY_VERIFY_WITH_TIMEOUT(hub->currentPath() == "/Photos" && columnOf("/Photos"), 30000);

    // A file that is being downloaded cannot be selected; once it is in, it can.
    const QString email = QString::fromLatin1(DemoEmail);
    QVERIFY(!m_server.seedFile(email, "/Photos/Slow.txt", "slow").isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(model->indexOfPath("/Photos/Slow.txt").isValid(), 30000);
    QVERIFY(m_server.delay("/api/v1/object/Photos/Slow.txt", 5000, 1, "GET"));
    MOObjectsManager::sharedInstance()->cacheObjectAtPath("/Photos/Slow.txt");
    const auto slowStates = [model] {
        const MCNodePtr node = model->nodeAt(model->indexOfPath("/Photos/Slow.txt"));
        return node ? node->states() : quint64(0);
    };
    QTRY_VERIFY(slowStates() & MCAbstractObjectNode::Downloading);
    QAbstractItemView *photos = columnOf("/Photos");
    QVERIFY(photos);
    const auto clickSlow = [photos, model] {
        const QModelIndex slow = model->indexOfPath("/Photos/Slow.txt");
        photos->scrollTo(slow);
        QTest::mouseClick(photos->viewport(), Qt::LeftButton, {},
                          photos->visualRect(slow).center());
    };
    clickSlow();
    QVERIFY(!photos->selectionModel()->isSelected(model->indexOfPath("/Photos/Slow.txt")));
    QVERIFY(!names(columns()->getSelectedItems()).contains("Slow.txt"));
    // A right click on it offers the folder's menu, never the selection's: the row cannot be
    // selected, so the selection's menu would act on nothing or on other items.
    const auto rightClickSlow = [this, photos, model, hub]() -> QMenu * {
        const QPoint at = photos->visualRect(model->indexOfPath("/Photos/Slow.txt")).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, photos->viewport()->mapToGlobal(at));
        QApplication::sendEvent(photos->viewport(), &event);
        QMenu *shown = nullptr;
        for (QMenu *menu : {static_cast<QMenu *>(hub->menuSelection()),
                            static_cast<QMenu *>(hub->menuNoSelection())}) {
            if (menu->isVisible())
                shown = menu;
        }
        if (shown)
            shown->hide();
        // The closed pop-up hands the keyboard back to the window before the next step.
        QCoreApplication::processEvents();
        window()->activateWindow();
        return QTest::qWaitForWindowActive(window()) ? shown : nullptr;
    };
    QCOMPARE(rightClickSlow(), static_cast<QMenu *>(hub->menuNoSelection()));
    QVERIFY(columns()->getSelectedItems().isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(slowStates() == MCAbstractObjectNode::Cached, 30000);

    // The column view's own badges: a download wins over a rename, and a failed download shows
    // none (the list view shows the node's badge, the rename's and the failure's).
    const MCNodePtr slow = model->nodeAt(model->indexOfPath("/Photos/Slow.txt"));
    const auto cell = [photos, model] {
        const QModelIndex index = model->indexOfPath("/Photos/Slow.txt");
        return photos->viewport()->grab(photos->visualRect(index)).toImage();
    };
    slow->setStates(0);
    const QImage plain = cell();
    slow->setStates(MCAbstractObjectNode::DownloadFailed);
    QCOMPARE(cell(), plain);
    slow->setStates(MCAbstractObjectNode::Downloading);
    const QImage downloading = cell();
    QVERIFY(downloading != plain);
    slow->setStates(MCAbstractObjectNode::Syncing);
    QVERIFY(cell() != plain && cell() != downloading);
    slow->setStates(MCAbstractObjectNode::Syncing | MCAbstractObjectNode::Downloading);
    QCOMPARE(cell(), downloading);
    slow->setStates(MCAbstractObjectNode::Cached);
    clickSlow();
    QCOMPARE(names(columns()->getSelectedItems()), QStringList{"Slow.txt"});
    QCOMPARE(hub->selectedCount(), 1);
    QCOMPARE(rightClickSlow(), static_cast<QMenu *>(hub->menuSelection()));
    QCOMPARE(names(columns()->getSelectedItems()), QStringList{"Slow.txt"});

    // A click beside the rows of a column goes to the folder that column lists, and nothing is
    // selected any more.
    // The view can make its columns again meanwhile (a listing that comes back does, as the
    // earlier steps found): take the one listing the folder now.
    first = columnOf("/");
    QVERIFY(first);
    const QPoint below(10, first->viewport()->height() - 5);
    QVERIFY(!first->indexAt(below).isValid());
    QTest::mouseClick(first->viewport(), Qt::LeftButton, {}, below);
    QTRY_COMPARE(hub->currentPath(), QStringLiteral("/"));
    QTRY_COMPARE(window()->windowTitle(), QStringLiteral("Kerlo Home"));
    QVERIFY(columns()->getSelectedItems().isEmpty());
    QCOMPARE(hub->selectedCount(), 0);
    QCOMPARE(hub->arrayBack().last(), QStringLiteral("/Photos"));
    QTRY_VERIFY(!columnOf("/Photos"));
}

void TestBrowserViews::viewOptionsFollowTheShownViewAndAreStored()
{
    MCOptions *options = MCManager::sharedManager()->options();
    pressViewKey(0);
    QTest::keyClick(window(), Qt::Key_J, Qt::ControlModifier);
    MCViewOptionsController *panel = m_shell.delegate()->viewOptionsController();
    QVERIFY(panel);
    QTRY_VERIFY(panel->isVisible());
    QCOMPARE(panel->windowTitle(), QStringLiteral("Icon View"));
    QCOMPARE(window()->viewMenu()->viewChoice()->viewOptionsItem()->text(),
             QStringLiteral("Hide View Options"));

    // The slider and the icon view's size are one option.
    auto *slider = panel->findChild<QSlider *>("iconViewSlider");
    QCOMPARE(slider->value(), 14);
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Home);
    QCOMPARE(options->value(MCOptions::IconController, "IconSize").toInt(), 84);
    QCOMPARE(panel->findChild<QLabel *>("iconViewIconSizeText")->text(), QStringLiteral("84 x 84"));
    QCOMPARE(icons()->collectionView()->gridSize(), QSize(84, 84));
    options->setValue(MCOptions::IconController, "IconSize", 512);
    QCOMPARE(slider->value(), 68);
    auto *info = panel->findChild<QCheckBox *>("iconViewAddInfoCheckbox");
    info->click();
    QCOMPARE(options->value(MCOptions::IconController, "AdditionalInfoType").toInt(), 0);
    panel->findChild<QPushButton *>("iconViewRestoreDefault")->click();
    QCOMPARE(options->value(MCOptions::IconController, "IconSize").toInt(), 140);
    QCOMPARE(options->value(MCOptions::IconController, "AdditionalInfoType").toInt(), -1);
    QVERIFY(!info->isChecked());
    options->setValue(MCOptions::IconController, "IconSize", 512);

    // The kind pop-up has one item per kind of additional information, the last one too.
    auto *kinds = panel->findChild<QComboBox *>("iconViewAddInfoPop");
    QCOMPARE(kinds->count(), 4);
    QCOMPARE(kinds->itemText(1), QStringLiteral("Size or Item Count"));
    info->click();
    kinds->setFocus();
    QTest::keyClick(kinds, Qt::Key_End);
    QCOMPARE(options->value(MCOptions::IconController, "AdditionalInfoType").toInt(), 3);
    info->click();
    // The sort order is shown, not chosen here; the size slider has its samples at its ends.
    auto *sortBy = panel->findChild<QComboBox *>("iconViewSortByPop");
    QVERIFY(sortBy && sortBy->isVisible() && !sortBy->isEnabled());
    QCOMPARE(sortBy->count(), 5);
    QCOMPARE(sortBy->currentText(), QStringLiteral("Name"));
    for (const char *name : {"iconViewLittleIcon", "iconViewBigIcon"}) {
        auto *sample = panel->findChild<QLabel *>(name);
        QVERIFY2(sample && sample->isVisible() && !sample->pixmap(Qt::ReturnByValue).isNull(),
                 name);
    }
    QVERIFY(panel->findChild<QLabel *>("iconViewBigIcon")->pixmap(Qt::ReturnByValue).width() >
            panel->findChild<QLabel *>("iconViewLittleIcon")->pixmap(Qt::ReturnByValue).width());

    // Switching views switches the pane; its boxes act on the list view.
    pressViewKey(1);
    QTRY_COMPARE(panel->windowTitle(), QStringLiteral("List View"));
    QVERIFY(!panel->findChild<QComboBox *>("listViewSortByPop")->isEnabled());
    QVERIFY(panel->findChild<QLabel *>("listViewLittleIcon")->isVisible());
    QVERIFY(panel->findChild<QLabel *>("listViewBigIcon")->isVisible());
    auto *kind = panel->findChild<QCheckBox *>("listViewColumnKind");
    QVERIFY(kind->isVisible() && kind->isChecked());
    QTest::mouseClick(kind, Qt::LeftButton, {}, QPoint(5, kind->height() / 2));
    QVERIFY(!kind->isChecked());
    QVERIFY(list()->outlineView()->header()->isSectionHidden(MCNodeTreeModel::KindColumn));
    auto *relative = panel->findChild<QCheckBox *>("listViewDateRelative");
    QTest::mouseClick(relative, Qt::LeftButton, {}, QPoint(5, relative->height() / 2));
    QVERIFY(!list()->treeModel()->dateFormatter().doesRelativeDateFormatting());

    pressViewKey(2);
    QTRY_COMPARE(panel->windowTitle(), QStringLiteral("Columns View"));
    QVERIFY(!panel->findChild<QComboBox *>("columnViewSortByPop")->isEnabled());
    auto *preview = panel->findChild<QCheckBox *>("columnViewButtonShowPreviewColumn");
    QVERIFY(preview->isChecked());
    QTest::mouseClick(preview, Qt::LeftButton, {}, QPoint(5, preview->height() / 2));
    QVERIFY(!columns()->isPreviewColumnShown());
    QVERIFY(!columns()->leafController()->isVisible());

    // The selection's menu has the item too, and closes the window.
    QAction *hide = MCManager::sharedManager()->menuSelection()->viewOptionsItem();
    QCOMPARE(hide->text(), QStringLiteral("Hide View Options"));
    hide->trigger();
    QTRY_VERIFY(!panel->isVisible());
    QCOMPARE(window()->viewMenu()->viewChoice()->viewOptionsItem()->text(),
             QStringLiteral("Show View Options"));

    // Saved with the user defaults, the options come back as the next start reads them.
    m_shell.delegate()->saveUserDefaults();
    QString file;
    QDirIterator it(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
                    {"*.conf"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext() && file.isEmpty()) {
        const QString path = it.next();
        if (QSettings(path, QSettings::IniFormat).contains(MCOptions::ListController))
            file = path;
    }
    QVERIFY(!file.isEmpty());
    QSettings settings(file, QSettings::IniFormat);
    MCOptions restored;
    MCUserDefaults defaults(
        &restored, &settings, [] { return true; }, [] { return true; });
    defaults.loadUserDefaults();
    MCListController nextList(nullptr, &restored);
    QVERIFY(nextList.outlineView()->header()->isSectionHidden(MCNodeTreeModel::KindColumn));
    QVERIFY(!nextList.treeModel()->dateFormatter().doesRelativeDateFormatting());
    MCColumnController nextColumns(nullptr, &restored, nullptr);
    QVERIFY(!nextColumns.isPreviewColumnShown());
    QCOMPARE(restored.value(MCOptions::IconController, "IconSize").toInt(), 512);
}

void TestBrowserViews::viewOptionsSortPopUpFollowsTheOrder()
{
    // The sort pop-up is not a choice, but it says the order in force, also when the user
    // sorts while the window is open.
    const auto chooseCleanUpBy = [this](const QString &title) {
        auto *menu = window()->viewMenu()->findChild<MCCleanUpByMenu *>("menuCleanUpBy");
        emit menu->aboutToShow();
        for (QAction *item : menu->actions()) {
            if (item->text() == title)
                item->trigger();
        }
    };
    pressViewKey(1);
    QTRY_VERIFY(list()->isVisible());
    clickHeader(MCNodeTreeModel::NameColumn);
    if (list()->sortType() != 10)
        clickHeader(MCNodeTreeModel::NameColumn);
    QCOMPARE(list()->sortType(), qint64(10));
    QTest::keyClick(window(), Qt::Key_J, Qt::ControlModifier);
    MCViewOptionsController *panel = m_shell.delegate()->viewOptionsController();
    QTRY_VERIFY(panel && panel->isVisible());
    QTRY_COMPARE(panel->windowTitle(), QStringLiteral("List View"));
    auto *listSort = panel->findChild<QComboBox *>("listViewSortByPop");
    QCOMPARE(listSort->currentText(), QStringLiteral("Name"));
    clickHeader(MCNodeTreeModel::SizeColumn);
    QCOMPARE(listSort->currentText(), QStringLiteral("Size"));
    chooseCleanUpBy(QStringLiteral("Kind"));
    QCOMPARE(listSort->currentText(), QStringLiteral("Kind"));

    pressViewKey(2);
    QTRY_COMPARE(panel->windowTitle(), QStringLiteral("Columns View"));
    auto *columnSort = panel->findChild<QComboBox *>("columnViewSortByPop");
    QCOMPARE(columnSort->currentText(), QStringLiteral("Name"));
    chooseCleanUpBy(QStringLiteral("Date Modified"));
    QCOMPARE(columnSort->currentText(), QStringLiteral("Date Modified"));

    pressViewKey(0);
    QTRY_COMPARE(panel->windowTitle(), QStringLiteral("Icon View"));
    auto *iconSort = panel->findChild<QComboBox *>("iconViewSortByPop");
    chooseCleanUpBy(QStringLiteral("Size"));
    QCOMPARE(iconSort->currentText(), QStringLiteral("Size"));
    chooseCleanUpBy(QStringLiteral("Name"));
    QCOMPARE(iconSort->currentText(), QStringLiteral("Name"));
    // The list's order is its own: its pane says it again when it is shown.
    pressViewKey(1);
    QTRY_COMPARE(panel->windowTitle(), QStringLiteral("List View"));
    QCOMPARE(listSort->currentText(), QStringLiteral("Kind"));
    chooseCleanUpBy(QStringLiteral("Name"));
    QTest::keyClick(window(), Qt::Key_J, Qt::ControlModifier);
    QTRY_VERIFY(!panel->isVisible());
}

void TestBrowserViews::listNamesAreDrawnByTheImageTextCell()
{
    pressViewKey(1);
    QTRY_VERIFY(list()->isVisible());
    QTreeView *outline = list()->outlineView();
    QVERIFY(qobject_cast<MCListNameDelegate *>(
        outline->itemDelegateForColumn(MCNodeTreeModel::NameColumn)));
    MCManager::sharedManager()->changeToPath(QStringLiteral("/"), this);
    QTRY_VERIFY_WITH_TIMEOUT(listRow("big.txt").isValid(), 20000);
    // A file row, unselected and then selected: the view shows what the cell draws.
    const QModelIndex file = listRow("big.txt");
    QVERIFY(!file.data(Qt::DecorationRole).value<QIcon>().isNull());
    MCImageTextCell cell;
    const auto painting = [&](QPainter *painter, const QStyleOptionViewItem &option) {
        cell.paint(painter, option, file);
    };
    outline->clearSelection();
    CellGrab::Result plain = CellGrab::grab(outline, file, painting);
    QVERIFY(plain.seen);
    QCOMPARE(plain.shown, plain.expected);
    // Framed, the icon stands on a white card with a silver outline, 2 pixels inside its place.
    cell.setAddBorder(true);
    const QImage framed = CellGrab::grab(outline, file, painting).expected;
    cell.setAddBorder(false);
    const QRect box = MCImageTextCell::imageRectForBounds(framed.rect(), true);
    QCOMPARE(framed.pixelColor(box.left(), box.center().y()), MCColor::silver());
    QCOMPARE(framed.pixelColor(box.right(), box.center().y()), MCColor::silver());
    QVERIFY(framed != plain.expected);
    // Selected, the row's highlight is blended with the view's own: the delegate paints the
    // option the view gives it as the cell does.
    outline->setCurrentIndex(file);
    QAbstractItemDelegate *names = outline->itemDelegateForColumn(MCNodeTreeModel::NameColumn);
    const CellGrab::Result byDelegate =
        CellGrab::grab(outline, file, [&](QPainter *painter, const QStyleOptionViewItem &option) {
            QVERIFY(option.state & QStyle::State_Selected);
            names->paint(painter, option, file);
        });
    const CellGrab::Result byCell = CellGrab::grab(outline, file, painting);
    QCOMPARE(byDelegate.expected, byCell.expected);
    QVERIFY(byCell.expected != plain.expected);
}

void TestBrowserViews::listTextColumnsAreDrawnByTheIndentedCell()
{
    pressViewKey(1);
    QTRY_VERIFY(list()->isVisible());
    QTreeView *outline = list()->outlineView();
    MCManager::sharedManager()->changeToPath(QStringLiteral("/"), this);
    QTRY_VERIFY_WITH_TIMEOUT(listRow("big.txt").isValid(), 20000);
    const QModelIndex file = listRow("big.txt");
    // The view's cell as the view draws it, with the column's delegate and then with the cell
    // put in its place.
    const auto grabWith = [outline](const QModelIndex &index, QAbstractItemDelegate *cell) {
        QAbstractItemDelegate *own = outline->itemDelegateForColumn(index.column());
        if (cell)
            outline->setItemDelegateForColumn(index.column(), cell);
        const QImage image = outline->viewport()->grab(outline->visualRect(index)).toImage();
        outline->setItemDelegateForColumn(index.column(), own);
        return image;
    };
    // Wide enough for every column.
    QWidget *window = outline->window();
    const QSize windowSize = window->size();
    window->resize(qMax(windowSize.width(), 1400), windowSize.height());
    MCListCellLeftIdentation cell;
    QStyledItemDelegate unindented;
    // The date and the kind, unselected and selected: the view shows what the cell draws.
    for (const int column : {MCNodeTreeModel::DateModifiedColumn, MCNodeTreeModel::KindColumn}) {
        const QModelIndex index = file.siblingAtColumn(column);
        QVERIFY(!index.data().toString().isEmpty());
        const QString identifier = MCNodeTreeModel::columnIdentifier(column);
        const bool wasVisible = list()->isColumnVisible(identifier);
        list()->toggleColumn(identifier, true);
        QVERIFY(qobject_cast<MCListCellLeftIdentation *>(outline->itemDelegateForColumn(column)));
        outline->clearSelection();
        QTRY_VERIFY(outline->viewport()->rect().contains(outline->visualRect(index)));
        const QImage plain = grabWith(index, nullptr);
        QCOMPARE(plain, grabWith(index, &cell));
        QVERIFY(plain != grabWith(index, &unindented));
        // Nothing of the text lies in the first 10 pixels of the column.
        for (int y = 0; y < plain.height(); ++y) {
            for (int x = 1; x < MCListCellLeftIdentation::Indentation; ++x)
                QCOMPARE(plain.pixelColor(x, y), plain.pixelColor(0, y));
        }
        outline->setCurrentIndex(file);
        const QImage selected = grabWith(index, nullptr);
        QCOMPARE(selected, grabWith(index, &cell));
        QVERIFY(selected != plain);
        list()->toggleColumn(identifier, wasVisible);
    }
    // The size column keeps a margin after its text, but the selection reaches its edge.
    const QModelIndex size = file.siblingAtColumn(MCNodeTreeModel::SizeColumn);
    const QString sizeIdentifier = MCNodeTreeModel::columnIdentifier(size.column());
    const bool sizeWasVisible = list()->isColumnVisible(sizeIdentifier);
    list()->toggleColumn(sizeIdentifier, true);
    QTRY_VERIFY(outline->viewport()->rect().contains(outline->visualRect(size)));
    const QImage sizeCell = outline->viewport()->grab(outline->visualRect(size)).toImage();
    QCOMPARE(sizeCell.pixelColor(sizeCell.width() - 2, 2), sizeCell.pixelColor(2, 2));
    list()->toggleColumn(sizeIdentifier, sizeWasVisible);
    window->resize(windowSize);
}

void TestBrowserViews::listKindsAndBadgesFitTheirCells()
{
    // In a wide window the kinds are shown whole; a local copy's dot fits its row, which keeps
    // its height.
    for (const char *name : {"/Kinds/Budget.ods", "/Kinds/Slides.odp", "/Kinds/Notes.txt"})
        QVERIFY(!m_server.seedFile(QString::fromLatin1(DemoEmail), name, "k").isEmpty());
    window()->resize(1600, 1000);
    pressViewKey(1);
    QTRY_VERIFY(list()->isVisible());
    // Hidden by an earlier step: shown again as the header's menu shows it.
    if (!list()->isColumnVisible(QStringLiteral("FileKind")))
        list()->toggleColumn(QStringLiteral("FileKind"), true);
    MCManager::sharedManager()->changeToPath(QStringLiteral("/Kinds"), this);
    QTRY_VERIFY_WITH_TIMEOUT(list()->shownNames().size() == 3 && listRow("Notes.txt").isValid(),
                             30000);
    // Through the base class, where the view's measure of its contents is public.
    QAbstractItemView *outline = list()->outlineView();
    QTRY_VERIFY2(
        outline->sizeHintForColumn(MCNodeTreeModel::KindColumn) <=
            list()->outlineView()->columnWidth(MCNodeTreeModel::KindColumn),
        qPrintable(QStringLiteral("%1 > %2")
                       .arg(outline->sizeHintForColumn(MCNodeTreeModel::KindColumn))
                       .arg(list()->outlineView()->columnWidth(MCNodeTreeModel::KindColumn))));

    const int rowHeight = outline->visualRect(listRow("Budget.ods")).height();
    QVERIFY(rowHeight > 0);
    MOObjectsManager::sharedInstance()->cacheObjectAtPath(QStringLiteral("/Kinds/Budget.ods"));
    const auto status = [this] {
        const QModelIndex name = listRow("Budget.ods");
        return name.sibling(name.row(), MCNodeTreeModel::StatusColumn);
    };
    QTRY_VERIFY_WITH_TIMEOUT(
        status().data(Qt::DecorationRole).isValid() &&
            (list()->treeModel()->nodeAt(status())->states() & MCAbstractObjectNode::Cached),
        30000);
    const QSize dot = outline->sizeHintForIndex(status());
    QVERIFY2(dot.height() <= rowHeight &&
                 dot.width() <= list()->outlineView()->columnWidth(MCNodeTreeModel::StatusColumn),
             qPrintable(QStringLiteral("%1x%2 in %3x%4")
                            .arg(dot.width())
                            .arg(dot.height())
                            .arg(list()->outlineView()->columnWidth(MCNodeTreeModel::StatusColumn))
                            .arg(rowHeight)));
    list()->outlineView()->doItemsLayout();
    QCOMPARE(outline->visualRect(listRow("Notes.txt")).height(), rowHeight);
    QCOMPARE(outline->visualRect(listRow("Budget.ods")).height(), rowHeight);
    window()->resize(1000, 640);
}

int main(int argc, char **argv)
{
    isolateEnvironment();
    QApplication app(argc, argv);
    TestBrowserViews test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_browserviews.moc"

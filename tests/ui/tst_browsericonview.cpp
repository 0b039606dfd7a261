// The icon view of a signed-in shell against kerlo-local's demo tree, driven like a user:
// "/" in icons in natural name order, thumbnails of the pictures, folders entered with a
// double click or Ctrl+Down, the window title and the Back and Forward steps following, changes
// made on another device showing up by themselves, folder changes that end without a
// listing still running their completion once, and the sidebar's pages taking part in the
// history.
#include "iconviewsteps.h"
#include "kerlolocal.h"
#include "mcabstractobjectnode.h"
#include "mcappdelegate.h"
#include "mcbottomviewcontroller.h"
#include "mcclicktextfield.h"
#include "mciconcontroller.h"
#include "mciconitemmodel.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcoptions.h"
#include "mcoutlineviewsidebar.h"
#include "mcsidebarcontroller.h"
#include "mcwarningviewcontroller.h"
#include "moapiavailabilitymanager.h"
#include "moconstants.h"
#include "monotificationcenter.h"
#include "moobjectsmanager.h"
#include "moobjectsnotification.h"
#include "shelltestfixture.h"
#include "sidebarsteps.h"

#include <QAction>
#include <QJsonObject>
#include <QLabel>
#include <QListView>
#include <QTreeView>
#include <QtTest>

using namespace ShellTest;

class TestBrowserIconView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void rootShowsIconsInNaturalOrder();
    void foldersOpenAndTheHistoryWalks();
    void picturesGetThumbnails();
    void changesFromAnotherDeviceAppear();
    void selectionAwaitsItemsStillToCome();
    void changesWithoutListingStillComplete();
    void pagesSwitchWithTheHistory();
    void folderFetchedAgainOnlyWhenTheServiceIsBack();
    void unansweredListingsSayLoadingFailAndAreAskedAgain();
    void failedListingOfAFullFolderCountsOnlyWhatIsShown();
    // Last: it fills the root with two folders of thousands of items.
    void largeMoveInSlicesKeepsTheRightRows();

private:
    MCIconController *icons() const;
    MCMainWindow *window() const { return m_shell.delegate()->mainWindow(); }
    QPoint centreOf(const QString &name) const { return ShellTest::centreOf(icons(), name); }
    bool showsFolder(const QString &title, const QString &child) const;
    bool showsPage(const QString &location, const QString &title) const;
    void clickSidebar(const QString &row);
    void enterFolder(const QString &name);
    QStringList sidebarSelection() const;

    KerloLocal m_server;
    Shell m_shell;
};

MCIconController *TestBrowserIconView::icons() const
{
    return qobject_cast<MCIconController *>(m_shell.delegate()->iconController());
}

bool TestBrowserIconView::showsFolder(const QString &title, const QString &child) const
{
    return window()->windowTitle() == title && icons()->shownNames().contains(child);
}

bool TestBrowserIconView::showsPage(const QString &location, const QString &title) const
{
    QWidget *page = m_shell.delegate()->page(location);
    return page && page->isVisible() && !icons()->isVisible() && window()->windowTitle() == title &&
           MCManager::sharedManager()->notBrowsablePath() == location;
}

void TestBrowserIconView::clickSidebar(const QString &row)
{
    QVERIFY(clickSidebarRow(window()->sidebar(), row));
}

void TestBrowserIconView::enterFolder(const QString &name)
{
    QTRY_VERIFY(icons()->shownNames().contains(name));
    const QPoint at = centreOf(name);
    QTest::mouseClick(icons()->collectionView()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(icons()->collectionView()->viewport(), Qt::LeftButton, {}, at);
}

QStringList TestBrowserIconView::sidebarSelection() const
{
    QStringList rows;
    for (const QModelIndex &index :
         window()->sidebar()->outlineView()->selectionModel()->selectedIndexes())
        rows.append(index.data().toString());
    return rows;
}

void TestBrowserIconView::initTestCase()
{
    QVERIFY(m_server.start());
    const QString email = QString::fromLatin1(DemoEmail);
    QVERIFY(addDemoTree(m_server, email));
    QVERIFY(!m_server.seedFile(email, QStringLiteral("/file 10"), "ten").isEmpty());
    QVERIFY(!m_server.seedFile(email, QStringLiteral("/File 2"), "two").isEmpty());
    QVERIFY(!m_server.seedFile(email, QStringLiteral("/.hidden"), "dot").isEmpty());
    QVERIFY(m_shell.launchSignedIn(m_server.baseUrl().toString()));
    QVERIFY(m_shell.showMainWindow());
    QVERIFY(icons());
}

void TestBrowserIconView::rootShowsIconsInNaturalOrder()
{
    QListView *view = icons()->collectionView();
    QVERIFY(view->isVisible());
    QCOMPARE(view->viewMode(), QListView::IconMode);
    QTRY_VERIFY(icons()->shownNames().contains(QStringLiteral("Photos")));
    const QStringList names = icons()->shownNames();
    QCOMPARE(names.size(), 4);
    QVERIFY2(names.indexOf("File 2") < names.indexOf("file 10"), qPrintable(names.join('|')));
    QVERIFY(names.indexOf("Documents") < names.indexOf("Photos"));
    QCOMPARE(window()->windowTitle(), QStringLiteral("Kerlo Home"));
    // The first start wrote the view's defaults.
    MCOptions *options = MCManager::sharedManager()->options();
    QCOMPARE(options->value(MCOptions::IconController, "SortBy").toInt(), 10);
    QCOMPARE(options->value(MCOptions::IconController, "IconSize").toInt(), 140);
    QCOMPARE(view->gridSize(), QSize(140, 140));

    // Descending reverses the whole order, and is remembered.
    icons()->setSortType(11);
    QStringList reversed = names;
    std::reverse(reversed.begin(), reversed.end());
    QCOMPARE(icons()->shownNames(), reversed);
    QCOMPARE(options->value(MCOptions::IconController, "SortBy").toInt(), 11);
    icons()->setSortType(10);
    QCOMPARE(icons()->shownNames(), names);

    // Date added has no order of its own: the one before stays, for new items too.
    icons()->setSortType(11);
    icons()->setSortType(16);
    QCOMPARE(icons()->shownNames(), reversed);
    QCOMPARE(options->value(MCOptions::IconController, "SortBy").toInt(), 16);
    QVERIFY(!m_server.seedFile(QString::fromLatin1(DemoEmail), "/Middle", "m").isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(icons()->shownNames().contains("Middle"), 30000);
    QCOMPARE(icons()->shownNames().indexOf("Middle"), 1); // after Photos, before file 10
    QVERIFY(!m_server.deleteObject(QString::fromLatin1(DemoEmail), "/Middle").isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(!icons()->shownNames().contains("Middle"), 30000);
    icons()->setSortType(10);
    QCOMPARE(icons()->shownNames(), names);

    // Hidden files (".hidden") come into sight when asked for, and go again.
    MCManager *hub = MCManager::sharedManager();
    QVERIFY(!hub->showHiddenFiles());
    hub->setShowHiddenFiles(true);
    hub->changeToPath(QStringLiteral("/"), this);
    QTRY_VERIFY(icons()->shownNames().contains(QStringLiteral(".hidden")));
    hub->setShowHiddenFiles(false);
    hub->changeToPath(QStringLiteral("/"), this);
    QTRY_VERIFY(!icons()->shownNames().contains(QStringLiteral(".hidden")));
    QCOMPARE(icons()->shownNames(), names);
}

void TestBrowserIconView::foldersOpenAndTheHistoryWalks()
{
    QWidget *viewport = icons()->collectionView()->viewport();
    QAction *back = window()->backAction();
    QAction *forward = window()->forwardAction();
    QVERIFY(!back->isEnabled() && !forward->isEnabled());

    // A file is not entered.
    QPoint at = centreOf(QStringLiteral("File 2"));
    QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
    QCOMPARE(MCManager::sharedManager()->arrayBack().size(), 0);

    at = centreOf(QStringLiteral("Photos"));
    QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
    QCOMPARE(icons()->getSelectedItems().size(), 1);
    QCOMPARE(MCManager::sharedManager()->selectedCount(), 1);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
    QTRY_VERIFY(showsFolder(QStringLiteral("Photos"), QStringLiteral("Trip")));
    QVERIFY(back->isEnabled() && !forward->isEnabled());
    QCOMPARE(MCManager::sharedManager()->currentPath(), QStringLiteral("/Photos"));

    // The keyboard's open enters the selected folder too.
    at = centreOf(QStringLiteral("Trip"));
    QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
    QTest::keyClick(icons()->collectionView(), Qt::Key_Down, Qt::ControlModifier);
    QTRY_VERIFY(showsFolder(QStringLiteral("Trip"), QStringLiteral("Beach.png")));

    // Back twice by the shortcut, forward by the menu item.
    QTest::keyClick(icons()->collectionView(), Qt::Key_Left, Qt::AltModifier);
    QTRY_VERIFY(showsFolder(QStringLiteral("Photos"), QStringLiteral("Trip")));
    QVERIFY(forward->isEnabled());
    QTest::keyClick(icons()->collectionView(), Qt::Key_Left, Qt::AltModifier);
    QTRY_VERIFY(showsFolder(QStringLiteral("Kerlo Home"), QStringLiteral("Photos")));
    QTRY_VERIFY(!back->isEnabled());
    // With nothing behind, Back changes nothing.
    QTest::keyClick(icons()->collectionView(), Qt::Key_Left, Qt::AltModifier);
    QCOMPARE(MCManager::sharedManager()->arrayForward().size(), 2);
    forward->trigger();
    QTRY_VERIFY(showsFolder(QStringLiteral("Photos"), QStringLiteral("Trip")));
    QTest::keyClick(icons()->collectionView(), Qt::Key_Right, Qt::AltModifier);
    QTRY_VERIFY(showsFolder(QStringLiteral("Trip"), QStringLiteral("Beach.png")));
    QTRY_VERIFY(!forward->isEnabled());

    // Entering a folder forgets the forward steps.
    back->trigger();
    QTRY_VERIFY(showsFolder(QStringLiteral("Photos"), QStringLiteral("Trip")));
    QVERIFY(forward->isEnabled());
    at = centreOf(QStringLiteral("Trip"));
    QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
    QTRY_VERIFY(showsFolder(QStringLiteral("Trip"), QStringLiteral("Beach.png")));
    QVERIFY(!forward->isEnabled());
    QCOMPARE(MCManager::sharedManager()->arrayBack(), (QStringList{"/", "/Photos"}));
}

void TestBrowserIconView::picturesGetThumbnails()
{
    // Shown in Trip: its pictures are decoded and drawn in place of their file icons.
    QVERIFY(showsFolder(QStringLiteral("Trip"), QStringLiteral("Mountains.jpg")));
    MCIconItemModel *model = icons()->itemModel();
    for (const QString &name : {QStringLiteral("Beach.png"), QStringLiteral("Mountains.jpg")}) {
        const QModelIndex index = model->index(icons()->shownNames().indexOf(name));
        QTRY_VERIFY_WITH_TIMEOUT(index.data(MCIconItemModel::IsThumbnailRole).toBool(), 30000);
        const QPixmap thumbnail = index.data(Qt::DecorationRole).value<QPixmap>();
        QVERIFY(!thumbnail.isNull());
        QVERIFY(thumbnail.width() > 32 || thumbnail.height() > 32);
    }
    // Painting the view with thumbnails works (and is what a person sees).
    QVERIFY(!icons()->collectionView()->viewport()->grab().isNull());
}

void TestBrowserIconView::changesFromAnotherDeviceAppear()
{
    const QString email = QString::fromLatin1(DemoEmail);
    QVERIFY(showsFolder(QStringLiteral("Trip"), QStringLiteral("Beach.png")));
    QVERIFY(!m_server.seedFile(email, QStringLiteral("/Photos/Trip/Aardvark.txt"), "a").isEmpty());
    // Elsewhere: must not show here.
    QVERIFY(!m_server.seedFile(email, QStringLiteral("/Documents/Other.txt"), "o").isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(icons()->shownNames().contains(QStringLiteral("Aardvark.txt")), 30000);
    // In its place in the order, not at the end.
    QCOMPARE(icons()->shownNames().first(), QStringLiteral("Aardvark.txt"));
    QVERIFY(!icons()->shownNames().contains(QStringLiteral("Other.txt")));
    // The status bar's count follows what is shown.
    QCOMPARE(MCManager::sharedManager()->totalCount(), qint64(icons()->shownNames().size()));

    // Reported added again while selected here (the service does so after a listing that
    // already had it, or for a file replaced elsewhere): the item shows what the report says
    // and stays selected.
    const QString aardvark = QStringLiteral("/Photos/Trip/Aardvark.txt");
    icons()->selectPaths({aardvark});
    QCOMPARE(icons()->getSelectedItems().size(), 1);
    const QJsonObject replaced{{"label", "Aardvark.txt"},
                               {"base_path", "/Photos/Trip"},
                               {"type", "regfile"},
                               {"size", 13}};
    QVERIFY(
        !m_server.journalEntry(email, {{"path", aardvark}, {"type", "add"}, {"object", replaced}})
             .isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(icons()->updater().nodeAtPath(aardvark)->fileSize(), qint64(13),
                              30000);
    const MCNodeList selected = icons()->getSelectedItems();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.first()->filePath(), aardvark);

    QVERIFY(!m_server
                 .moveObject(email, QStringLiteral("/Photos/Trip/Beach.png"),
                             QStringLiteral("/Photos/Trip/Zebra.png"))
                 .isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(icons()->shownNames().contains(QStringLiteral("Zebra.png")), 30000);
    QVERIFY(!icons()->shownNames().contains(QStringLiteral("Beach.png")));
    QCOMPARE(icons()->shownNames().last(), QStringLiteral("Zebra.png"));

    QVERIFY(!m_server.deleteObject(email, QStringLiteral("/Photos/Trip/Aardvark.txt")).isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(!icons()->shownNames().contains(QStringLiteral("Aardvark.txt")),
                             30000);
    QCOMPARE(MCManager::sharedManager()->totalCount(), qint64(icons()->shownNames().size()));
}

// Items asked to be selected before the view shows them (a file that has just arrived, as
// "Show" on a chat file asks) are selected when they come, unless the user chose otherwise.
void TestBrowserIconView::selectionAwaitsItemsStillToCome()
{
    const QString email = QString::fromLatin1(DemoEmail);
    const QString folder = QStringLiteral("/Photos/Trip/");
    const auto selectedNames = [this] {
        QStringList names;
        for (const MCNodePtr &node : icons()->getSelectedItems())
            names.append(node->fileName());
        names.sort();
        return names;
    };
    icons()->selectPaths({folder + "Zebra.png", folder + "Arrived.txt"});
    QCOMPARE(selectedNames(), QStringList{"Zebra.png"});
    QVERIFY(!m_server.seedFile(email, folder + "Arrived.txt", "new").isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(selectedNames(), (QStringList{"Arrived.txt", "Zebra.png"}), 30000);

    // The user picks another item before the awaited one comes: the pick stays.
    icons()->selectPaths({folder + "Late.txt"});
    QVERIFY(selectedNames().isEmpty());
    QTest::mouseClick(icons()->collectionView()->viewport(), Qt::LeftButton, {},
                      centreOf(QStringLiteral("Zebra.png")));
    QCOMPARE(selectedNames(), QStringList{"Zebra.png"});
    QVERIFY(!m_server.seedFile(email, folder + "Late.txt", "late").isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(icons()->shownNames().contains(QStringLiteral("Late.txt")), 30000);
    QCOMPARE(selectedNames(), QStringList{"Zebra.png"});

    // The folder listed again, for whatever caller: the rows are replaced, the pick stays.
    MOObjectsManager *objects = MOObjectsManager::sharedInstance();
    // Its answer, not the first listing to come: live updates list folders of their own.
    bool answered = false;
    QObject observer;
    objects->notificationCenter()->addObserver(
        &observer, MOObjectsListDidFetchNotification, nullptr,
        [&answered](const MOPostedNotification &listing) {
            answered |= MOObjectsNotification(listing).userData() == QStringLiteral("other");
        });
    objects->listObjectsAtPath(QStringLiteral("/Photos/Trip"), true, QStringLiteral("other"));
    QTRY_VERIFY_WITH_TIMEOUT(answered, 30000);
    QCoreApplication::processEvents();
    QCOMPARE(selectedNames(), QStringList{"Zebra.png"});
}

void TestBrowserIconView::largeMoveInSlicesKeepsTheRightRows()
{
    const QString email = QString::fromLatin1(DemoEmail);
    const auto name = [](int i) {
        return QStringLiteral("item-%1.txt").arg(i, 6, 10, QLatin1Char('0'));
    };
    QByteArray reply;
    QCOMPARE(m_server.control(
                 "POST", QStringLiteral("/objects/seed"),
                 {{"email", email}, {"folder", "/Bulk"}, {"count", 2500}, {"files", true}}, &reply),
             200);
    QVERIFY(!m_server.seedFolder(email, QStringLiteral("/Away")).isEmpty());
    MCManager::sharedManager()->changeToPath(QStringLiteral("/Bulk"), this, [] {});
    QTRY_COMPARE_WITH_TIMEOUT(icons()->shownNames().size(), 2500, 30000);

    // Moved away by another device while this one waits: one reply of 2,000 changes, applied
    // a slice at a time. Its first slice brings a fresh listing of the folder and a change
    // of this device's own, which land between the later slices.
    for (int i = 1; i <= 2000; ++i)
        QVERIFY(!m_server.moveObject(email, "/Bulk/" + name(i), "/Away/" + name(i)).isEmpty());
    MOObjectsManager *objects = MOObjectsManager::sharedInstance();
    int slices = 0;
    objects->notificationCenter()->addObserver(
        this, MOObjectsModifiedUpdateNotification, nullptr, [&](const MOPostedNotification &) {
            if (++slices != 1)
                return;
            objects->listObjectsAtPath(QStringLiteral("/Bulk"), true, QVariant());
            objects->renameObjectAtPath("/Bulk/" + name(2500), QStringLiteral("/Bulk/renamed.txt"),
                                        QVariant());
        });
    QStringList expected;
    for (int i = 2001; i < 2500; ++i)
        expected.append(name(i));
    expected.append(QStringLiteral("renamed.txt"));
    QTRY_COMPARE_WITH_TIMEOUT(icons()->shownNames(), expected, 60000);
    objects->notificationCenter()->removeObserver(this);
    QVERIFY2(slices > 1, "the reply was applied in one block");
    QCOMPARE(MCManager::sharedManager()->totalCount(), qint64(expected.size()));
}

void TestBrowserIconView::changesWithoutListingStillComplete()
{
    MCManager *hub = MCManager::sharedManager();
    // A file is no folder: nothing is listed, the change ends and the view stays.
    int fileRuns = 0;
    hub->changeToPath(QStringLiteral("/File 2"), this, [&fileRuns] { ++fileRuns; });
    QTRY_COMPARE(fileRuns, 1);

    // A folder whose metadata or listing the service refuses, fails or never answers: the
    // change ends all the same, once.
    const QString metadata = QStringLiteral("/api/v1/objects/metadata/Photos");
    const QString listing = QStringLiteral("/api/v1/objects/list/Photos");
    int refusedRuns = 0;
    const auto refusedOnce = [&](const std::function<bool()> &fault) {
        const int before = refusedRuns;
        QVERIFY(fault());
        hub->changeToPath(QStringLiteral("/Photos"), this, [&refusedRuns] { ++refusedRuns; });
        QTRY_COMPARE(refusedRuns, before + 1);
    };
    refusedOnce([&] { return m_server.forceStatus(listing, 404, "{}", 1, "GET"); });
    refusedOnce([&] { return m_server.forceStatus(listing, 503, "{}", 1, "GET"); });
    refusedOnce([&] { return m_server.forceStatus(metadata, 404, "{}", 1, "GET"); });
    refusedOnce(
        [&] { return m_server.forceStatus(metadata, 500, R"({"errors":["broken"]})", 1, "GET"); });
    refusedOnce([&] { return m_server.forceStatus(metadata, 200, "not json", 1, "GET"); });
    refusedOnce([&] { return m_server.drop(metadata, 1, "GET"); });
    QCOMPARE(refusedRuns, 6);

    // Two changes to one folder: each completion once, after the view has the children.
    int runs = 0;
    bool shownWhenRun = false;
    const auto completion = [&] {
        ++runs;
        shownWhenRun = icons()->shownNames().contains(QStringLiteral("Welcome.txt"));
    };
    hub->changeToPath(QStringLiteral("/Documents"), this, completion);
    hub->changeToPath(QStringLiteral("/Documents"), this, completion);
    QTRY_COMPARE(runs, 2);
    QVERIFY(shownWhenRun);
    // A later change's completion runs after any late run of the first two.
    bool laterRun = false;
    hub->changeToPath(QStringLiteral("/Documents"), this, [&laterRun] { laterRun = true; });
    QTRY_VERIFY(laterRun);
    QCOMPARE(runs, 2);
    QCOMPARE(fileRuns, 1);
    QCOMPARE(refusedRuns, 6);
    QCOMPARE(window()->windowTitle(), QStringLiteral("Documents"));
}

void TestBrowserIconView::pagesSwitchWithTheHistory()
{
    MCManager *hub = MCManager::sharedManager();
    QTRY_VERIFY(showsFolder(QStringLiteral("Documents"), QStringLiteral("Welcome.txt")));
    QAction *back = window()->backAction();
    QAction *forward = window()->forwardAction();
    const QStringList before = hub->arrayBack();

    // The transfers page takes the browser's place and remembers the folder it left.
    clickSidebar(QStringLiteral("Transfers"));
    QTRY_VERIFY(showsPage(QStringLiteral("transfers://"), QStringLiteral("Transfers")));
    QCOMPARE(hub->arrayBack(), before + QStringList{"/Documents"});
    QVERIFY(!forward->isEnabled());
    QCOMPARE(sidebarSelection(), QStringList{"Transfers"});
    // Choosing the shown page again changes nothing.
    clickSidebar(QStringLiteral("Transfers"));
    QCOMPARE(hub->arrayBack(), before + QStringList{"/Documents"});

    // Back returns to that folder, Forward to the page again.
    QTest::keyClick(window(), Qt::Key_Left, Qt::AltModifier);
    QTRY_VERIFY(showsFolder(QStringLiteral("Documents"), QStringLiteral("Welcome.txt")));
    QVERIFY(icons()->isVisible());
    QCOMPARE(sidebarSelection(), QStringList()); // no row stands for /Documents
    QVERIFY(!m_shell.delegate()->page(QStringLiteral("transfers://"))->isVisible());
    QCOMPARE(hub->arrayForward(), QStringList{"transfers://"});
    forward->trigger();
    QTRY_VERIFY(showsPage(QStringLiteral("transfers://"), QStringLiteral("Transfers")));
    QCOMPARE(hub->arrayBack(), before + QStringList{"/Documents"});

    // Page to page: the console replaces the transfers page, and Back walks both steps.
    clickSidebar(QStringLiteral("Notifications"));
    QTRY_VERIFY(showsPage(QStringLiteral("messages://"), QStringLiteral("Notifications")));
    QVERIFY(!m_shell.delegate()->page(QStringLiteral("transfers://"))->isVisible());
    QCOMPARE(sidebarSelection(), QStringList{"Notifications"});
    QCOMPARE(hub->arrayBack(), before + QStringList({"/Documents", "transfers://"}));
    back->trigger();
    QTRY_VERIFY(showsPage(QStringLiteral("transfers://"), QStringLiteral("Transfers")));
    QVERIFY(!m_shell.delegate()->page(QStringLiteral("messages://"))->isVisible());
    QCOMPARE(sidebarSelection(), QStringList{"Transfers"}); // the page's row follows Back
    back->trigger();
    QTRY_VERIFY(showsFolder(QStringLiteral("Documents"), QStringLiteral("Welcome.txt")));
    QCOMPARE(hub->arrayForward(), QStringList({"messages://", "transfers://"}));

    // Home from a page goes to "/" and forgets the forward steps; Back returns to the page.
    clickSidebar(QStringLiteral("Notifications"));
    QTRY_VERIFY(showsPage(QStringLiteral("messages://"), QStringLiteral("Notifications")));
    QVERIFY(hub->arrayForward().isEmpty());
    clickSidebar(QStringLiteral("Home"));
    QTRY_VERIFY(showsFolder(QStringLiteral("Kerlo Home"), QStringLiteral("Photos")));
    QVERIFY(!m_shell.delegate()->page(QStringLiteral("messages://"))->isVisible());
    QCOMPARE(sidebarSelection(), QStringList{"Home"});
    QCOMPARE(hub->arrayBack().last(), QStringLiteral("messages://"));
    back->trigger();
    QTRY_VERIFY(showsPage(QStringLiteral("messages://"), QStringLiteral("Notifications")));
    QCOMPARE(sidebarSelection(), QStringList{"Notifications"});
    // Stepping back onto a page records the folder once, on the forward side only.
    QCOMPARE(hub->arrayBack().join("|"), (before + QStringList{"/Documents"}).join("|"));
    QCOMPARE(hub->arrayForward(), QStringList{"/"});

    // A location no page answers to falls back to the browser instead of an empty window.
    hub->setNotBrowsablePath(QStringLiteral("nowhere://"));
    QTRY_VERIFY(icons()->isVisible());
    QCOMPARE(hub->notBrowsablePath(), QString());
    QCOMPARE(window()->windowTitle(), QStringLiteral("Kerlo Home"));
    QCOMPARE(sidebarSelection(), QStringList{"Home"});
    // Into a folder from "/": the home row lets go.
    const QPoint at = centreOf(QStringLiteral("Photos"));
    QTest::mouseClick(icons()->collectionView()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(icons()->collectionView()->viewport(), Qt::LeftButton, {}, at);
    QTRY_VERIFY(showsFolder(QStringLiteral("Photos"), QStringLiteral("Trip")));
    QCOMPARE(sidebarSelection(), QStringList());
}

void TestBrowserIconView::folderFetchedAgainOnlyWhenTheServiceIsBack()
{
    QTRY_VERIFY(showsFolder(QStringLiteral("Photos"), QStringLiteral("Trip")));
    // A connectivity check that finds the service up does not rebuild the folder.
    QSignalSpy rebuilt(icons()->itemModel(), &QAbstractItemModel::modelReset);
    QObject observer;
    int reports = 0;
    MOAPIAvailabilityManager *availability = MOAPIAvailabilityManager::sharedInstance();
    availability->notificationCenter()->addObserver(
        &observer, MOAPIAvailabilityChangedNotification, availability,
        [&reports](const MOPostedNotification &) { ++reports; });
    QTRY_VERIFY_WITH_TIMEOUT(reports >= 1, 30000);
    QCOMPARE(rebuilt.count(), 0);

    // Down and back: the folder shown is fetched again.
    m_server.stop();
    QTRY_VERIFY_WITH_TIMEOUT(window()->banner()->isVisible(), 20000);
    QVERIFY(m_server.restart());
    QTRY_VERIFY_WITH_TIMEOUT(!window()->banner()->isVisible(), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(rebuilt.count() >= 1, 20000);
    QVERIFY(showsFolder(QStringLiteral("Photos"), QStringLiteral("Trip")));
}

// The stall timeout is shortened for this suite (main()).
void TestBrowserIconView::unansweredListingsSayLoadingFailAndAreAskedAgain()
{
    // An empty folder made elsewhere: never listed yet, so no listing comes from the cache.
    QVERIFY(
        !m_server.seedFolder(QString::fromLatin1(DemoEmail), QStringLiteral("/Later")).isEmpty());
    const QString listing = QStringLiteral("/api/v1/objects/list/Later");
    const auto listings = [&] {
        return countRequests(m_server.requests(), listing);
    };
    QLabel *label = icons()->loadStateLabel();
    clickSidebar(QStringLiteral("Home"));
    QTRY_VERIFY(showsFolder(QStringLiteral("Kerlo Home"), QStringLiteral("Later")));
    QVERIFY(!label->isVisible());
    QVERIFY(m_server.clearRequests());
    QVERIFY(m_server.hang(listing, 2, QStringLiteral("GET")));

    // The service takes the folder's listing and never answers: the view says so.
    enterFolder(QStringLiteral("Later"));
    QTRY_COMPARE(window()->windowTitle(), QStringLiteral("Later"));
    QTRY_VERIFY(label->isVisible());
    QCOMPARE(label->text(), QStringLiteral("Loading\u2026"));
    QCOMPARE(icons()->loadState(), MCBrowsableViewController::LoadState::Loading);
    QVERIFY(icons()->shownNames().isEmpty());

    // Going into it again asks again, while the first listing still hangs.
    clickSidebar(QStringLiteral("Home"));
    QTRY_VERIFY(showsFolder(QStringLiteral("Kerlo Home"), QStringLiteral("Later")));
    QVERIFY(!label->isVisible());
    enterFolder(QStringLiteral("Later"));
    QTRY_COMPARE(listings(), 2);
    // The second goes silent too: it fails as a dropped connection does, and the view says so
    // instead of showing an empty folder.
    QTRY_COMPARE_WITH_TIMEOUT(icons()->loadState(), MCBrowsableViewController::LoadState::Failed,
                              20000);
    QVERIFY(label->isVisible());
    QCOMPARE(label->textFormat(), Qt::PlainText);
    QVERIFY(label->text().contains(QStringLiteral("could not be listed")));
    QCOMPARE(window()->windowTitle(), QStringLiteral("Later"));

    // Into the failed folder again: asked again, and shown.
    clickSidebar(QStringLiteral("Home"));
    QTRY_VERIFY(showsFolder(QStringLiteral("Kerlo Home"), QStringLiteral("Later")));
    enterFolder(QStringLiteral("Later"));
    QTRY_COMPARE(icons()->loadState(), MCBrowsableViewController::LoadState::Loaded);
    QCOMPARE(listings(), 3);
    QVERIFY(!label->isVisible());
    QCOMPARE(window()->windowTitle(), QStringLiteral("Later"));
}

// The stall timeout is shortened for this suite (main()).
void TestBrowserIconView::failedListingOfAFullFolderCountsOnlyWhatIsShown()
{
    // Four files whose folder the service describes (4 children) and never lists.
    const QString email = QString::fromLatin1(DemoEmail);
    const QString listing = QStringLiteral("/api/v1/objects/list/Four");
    QVERIFY(m_server.hang(listing, -1, QStringLiteral("GET")));
    for (const char *name : {"a.txt", "b.txt", "c.txt", "d.txt"})
        QVERIFY(!m_server.seedFile(email, QStringLiteral("/Four/") + QLatin1String(name), "x")
                     .isEmpty());
    QLabel *label = icons()->loadStateLabel();
    const QLabel *status = m_shell.delegate()->bottomViewController()->infoTextField();
    clickSidebar(QStringLiteral("Home"));
    QTRY_VERIFY2_WITH_TIMEOUT(showsFolder(QStringLiteral("Kerlo Home"), QStringLiteral("Four")),
                              qPrintable(window()->windowTitle() + QStringLiteral(": ") +
                                         icons()->shownNames().join(QLatin1Char(','))),
                              20000);
    // Listed afresh, "/" tells that the folder holds four.
    QVERIFY(m_server.clearRequests());
    window()->reloadAction()->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(
        countRequests(m_server.requests(), QStringLiteral("/api/v1/objects/list")) > 0, 20000);
    // Applied once the view's node of the folder holds the listing's count.
    const auto fourHeld = [this] {
        const QAbstractItemModel *model = icons()->collectionView()->model();
        const QModelIndexList rows = model->match(model->index(0, 0), Qt::DisplayRole,
                                                  QStringLiteral("Four"), 1, Qt::MatchExactly);
        const MCNodePtr four =
            rows.isEmpty() ? MCNodePtr()
                           : rows.first().data(MCIconItemModel::NodeRole).value<MCNodePtr>();
        return four && four->childrenCount() == 4;
    };
    QTRY_VERIFY_WITH_TIMEOUT(fourHeld(), 20000);

    enterFolder(QStringLiteral("Four"));
    QTRY_COMPARE(window()->windowTitle(), QStringLiteral("Four"));
    QTRY_COMPARE_WITH_TIMEOUT(icons()->loadState(), MCBrowsableViewController::LoadState::Failed,
                              20000);
    QVERIFY(label->isVisible());
    QVERIFY(label->text().contains(QStringLiteral("could not be listed")));
    QVERIFY(icons()->shownNames().isEmpty());
    // Nothing is shown, so nothing is counted.
    QVERIFY2(status->text().startsWith(QStringLiteral("0 items")), qPrintable(status->text()));

    // Entering it again asks again, and then counts the four shown.
    QVERIFY(m_server.reset());
    clickSidebar(QStringLiteral("Home"));
    QTRY_VERIFY(showsFolder(QStringLiteral("Kerlo Home"), QStringLiteral("Four")));
    enterFolder(QStringLiteral("Four"));
    QTRY_COMPARE_WITH_TIMEOUT(icons()->shownNames().size(), 4, 20000);
    QCOMPARE(icons()->loadState(), MCBrowsableViewController::LoadState::Loaded);
    QVERIFY(!label->isVisible());
    QVERIFY(countRequests(m_server.requests(), listing) >= 1);
    QTRY_VERIFY2(status->text().startsWith(QStringLiteral("4 items")), qPrintable(status->text()));
}

int main(int argc, char **argv)
{
    isolateEnvironment();
    qputenv("LUMARIN_STALL_TIMEOUT_MS", "5000");
    QApplication app(argc, argv);
    TestBrowserIconView test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_browsericonview.moc"

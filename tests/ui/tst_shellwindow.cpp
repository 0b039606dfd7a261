// The signed-in main window against kerlo-local's demo tree, driven as a user drives it: the
// toolbar's history segments and menus (folders, pages and chats), the buttons that follow the
// selection, the Go menu with Go to Folder, the sidebar's divider, the path bar's double
// clicks and drops, and a folder's late answer after the user went elsewhere.
#include "iconviewsteps.h"
#include "kerlolocal.h"
#include "localfiles.h"
#include "mcabstractobjectnode.h"
#include "mcappdelegate.h"
#include "mccontact.h"
#include "mcgotofolderpanel.h"
#include "mcgroup.h"
#include "mciconcontroller.h"
#include "mciconitemmodel.h"
#include "mcmaintoolbar.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcmenuview.h"
#include "mcoptions.h"
#include "mcoutlineviewsidebar.h"
#include "mcpasteboard.h"
#include "mcpathbarcontroller.h"
#include "mcsidebarcontroller.h"
#include "mcsidebarmodel.h"
#include "mcstring.h"
#include "mcviewchoice.h"
#include "quicklook/mcquicklookcontroller.h"
#include "servicereader.h"
#include "shelltestfixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QBuffer>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSplitter>
#include <QTemporaryDir>
#include <QToolButton>
#include <QUrl>
#include <QtTest>

#include <memory>

using namespace ShellTest;

namespace {

const QString AnnEmail = QStringLiteral("ann@example.org");
// A group's name is chosen by its members: this one reads like a folder of the store.
const QString TeamName = QStringLiteral("/Team");

QStringList titles(QMenu *menu)
{
    emit menu->aboutToShow();
    QStringList list;
    for (const QAction *item : menu->actions())
        list.append(item->text().remove(QChar(0x2068)).remove(QChar(0x2069)));
    return list;
}

// Drops data on the widget at position as the desktop delivers a drop; true when taken.
bool drop(QWidget *target, const QPoint &position, QMimeData *data)
{
    QDragEnterEvent enter(position, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent event(position, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(target, &event);
    return event.isAccepted();
}

// Drags the handle of the splitter to x (in the splitter's coordinates) as a mouse does.
void dragDivider(QSplitter *splitter, int x)
{
    QSplitterHandle *handle = splitter->handle(1);
    const QPoint start = handle->rect().center();
    QMouseEvent press(QEvent::MouseButtonPress, start, handle->mapToGlobal(start), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(handle, &press);
    const QPoint end = handle->mapFrom(splitter, QPoint(x, start.y()));
    QMouseEvent move(QEvent::MouseMove, end, handle->mapToGlobal(end), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(handle, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, end, handle->mapToGlobal(end), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(handle, &release);
}

} // namespace

class TestShellWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void historySegmentsAndMenus();
    void historyKeepsChatsAsChats();
    void buttonsFollowTheSelection();
    void goCommandsAndGoToFolder();
    void sidebarDividerLimits();
    void pathBarGoesUpAndTakesDrops();
    void iconItemsShowTheChosenInfoLine();
    void lateAnswerForAFolderLeftIsNotShown();

private:
    MCMainWindow *window() const { return m_shell.delegate()->mainWindow(); }
    MCMainToolbar *toolbar() const { return window()->toolbar(); }
    MCIconController *icons() const
    {
        return static_cast<MCIconController *>(m_shell.delegate()->iconController());
    }
    // Double-clicks the item named name in the icon view and waits for the folder it opens.
    bool open(const QString &name, const QString &path);
    bool shows(const QString &path) const;
    // Shows the folder as the browser changes to it and waits for it.
    bool go(const QString &path);
    bool clickItem(const QString &name, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // Clicks the sidebar's row of the person or group whose place (title) is place.
    bool clickPerson(const QString &place);

    KerloLocal m_server;
    Shell m_shell;
    ServiceReader m_reader;
};

bool TestShellWindow::shows(const QString &path) const
{
    MCManager *hub = MCManager::sharedManager();
    return hub->notBrowsablePath().isEmpty() && hub->currentPath() == path &&
           icons()->currentNode() && icons()->currentNode()->filePath() == path;
}

bool TestShellWindow::go(const QString &path)
{
    MCManager::sharedManager()->changeToPath(path, this);
    return QTest::qWaitFor([&] { return shows(path); }, 20000);
}

bool TestShellWindow::open(const QString &name, const QString &path)
{
    if (!QTest::qWaitFor([&] { return centreOf(icons(), name).x() >= 0; }, 20000))
        return false;
    QWidget *viewport = icons()->collectionView()->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, centreOf(icons(), name));
    QTest::mouseDClick(viewport, Qt::LeftButton, Qt::NoModifier, centreOf(icons(), name));
    return QTest::qWaitFor([&] { return shows(path); }, 20000);
}

bool TestShellWindow::clickItem(const QString &name, Qt::KeyboardModifiers modifiers)
{
    if (!QTest::qWaitFor([&] { return centreOf(icons(), name).x() >= 0; }, 20000))
        return false;
    QTest::mouseClick(icons()->collectionView()->viewport(), Qt::LeftButton, modifiers,
                      centreOf(icons(), name));
    return true;
}

bool TestShellWindow::clickPerson(const QString &place)
{
    MCSidebarController *sidebar = window()->sidebar();
    const QAbstractItemModel *model = sidebar->model();
    const QModelIndex recent = model->index(MCSidebarModel::Recent, 0);
    for (int row = 0; row < model->rowCount(recent); ++row) {
        const QModelIndex person = model->index(row, 0, recent);
        if (person.data(MCSidebarModel::PlaceRole).toString() != place)
            continue;
        MCOutlineViewSidebar *outline = sidebar->outlineView();
        outline->scrollTo(person);
        QTest::mouseClick(outline->viewport(), Qt::LeftButton, {},
                          outline->visualRect(person).center());
        return QTest::qWaitFor(
            [place] { return MCManager::sharedManager()->notBrowsablePath() == place; }, 20000);
    }
    return false;
}

void TestShellWindow::initTestCase()
{
    QVERIFY(m_server.start());
    QVERIFY(addDemoTree(m_server));
    // Ann, with her picture, is a contact; she and the user are the group "/Team".
    QVERIFY(!m_server
                 .createUser(AnnEmail, QStringLiteral("ann-password"),
                             {{"first_name", "Ann"}, {"last_name", "Example"}})
                 .isEmpty());
    ServiceReader ann;
    QVERIFY(ann.signIn(m_server, AnnEmail, QStringLiteral("ann-password")));
    QImage red(64, 64, QImage::Format_RGB32);
    red.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    QVERIFY(buffer.open(QIODevice::WriteOnly) && red.save(&buffer, "PNG"));
    QVERIFY(ann.postAvatar(png));
    QVERIFY(m_server.control(
                "POST", QStringLiteral("/social-seed"),
                {{"email", QString::fromLatin1(DemoEmail)},
                 {"contacts", QJsonArray{QJsonObject{{"email", AnnEmail}}}},
                 {"groups", QJsonArray{QJsonObject{{"name", TeamName},
                                                   {"members", QJsonArray{AnnEmail}}}}}}) == 200);
    QVERIFY(m_reader.signIn(m_server));
    QVERIFY(m_shell.launchSignedIn(m_server.baseUrl().toString()));
    QVERIFY(m_shell.showMainWindow(QSize(900, 640)));
    QTRY_VERIFY_WITH_TIMEOUT(shows(QStringLiteral("/")), 20000);
}

void TestShellWindow::historySegmentsAndMenus()
{
    MCManager *hub = MCManager::sharedManager();
    QVERIFY(!toolbar()->backSegment()->isEnabled());
    QVERIFY(open(QStringLiteral("Photos"), QStringLiteral("/Photos")));
    QVERIFY(open(QStringLiteral("Trip"), QStringLiteral("/Photos/Trip")));
    QVERIFY(toolbar()->backSegment()->isEnabled());
    QVERIFY(!toolbar()->forwardSegment()->isEnabled());
    QCOMPARE(titles(toolbar()->backMenu()), (QStringList{"Photos", "Kerlo Home"}));

    QTest::mouseClick(toolbar()->backSegment(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(shows(QStringLiteral("/Photos")), 20000);
    QVERIFY(toolbar()->forwardSegment()->isEnabled());
    QVERIFY(window()->forwardAction()->isEnabled());
    QCOMPARE(titles(toolbar()->forwardMenu()), QStringList{"Trip"});
    toolbar()->forwardMenu()->actions().first()->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(shows(QStringLiteral("/Photos/Trip")), 20000);
    QVERIFY(!toolbar()->forwardSegment()->isEnabled());

    // A page in the history: the Go menu's Transfers, then a jump three entries back.
    window()->goAction(QStringLiteral("transfers://"))->trigger();
    QTRY_COMPARE(hub->notBrowsablePath(), QStringLiteral("transfers://"));
    QCOMPARE(window()->windowTitle(), QStringLiteral("Transfers"));
    QCOMPARE(titles(toolbar()->backMenu()), (QStringList{"Trip", "Photos", "Kerlo Home"}));
    toolbar()->backMenu()->actions().at(2)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(shows(QStringLiteral("/")), 20000);
    QVERIFY(hub->arrayBack().isEmpty());
    QCOMPARE(hub->arrayForward(), (QStringList{"transfers://", "/Photos/Trip", "/Photos"}));
    QCOMPARE(titles(toolbar()->forwardMenu()), (QStringList{"Photos", "Trip", "Transfers"}));
    QCOMPARE(window()->windowTitle(), QStringLiteral("Kerlo Home"));
    // The nearest forward step, then a forward jump straight to the page.
    QTest::mouseClick(toolbar()->forwardSegment(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(shows(QStringLiteral("/Photos")), 20000);
    toolbar()->forwardMenu()->actions().at(1)->trigger();
    QTRY_COMPARE(hub->notBrowsablePath(), QStringLiteral("transfers://"));
    QCOMPARE(hub->arrayBack(), (QStringList{"/", "/Photos", "/Photos/Trip"}));
    QVERIFY(hub->arrayForward().isEmpty());
}

void TestShellWindow::historyKeepsChatsAsChats()
{
    MCManager *hub = MCManager::sharedManager();
    QTRY_VERIFY_WITH_TIMEOUT(hub->contactWithEmail(AnnEmail) && hub->groups().size() == 1, 20000);
    MCContact *ann = hub->contactWithEmail(AnnEmail);
    MCGroup *team = hub->groups().first();
    QCOMPARE(team->roomName(), TeamName);
    QTRY_VERIFY_WITH_TIMEOUT(!ann->roomImage().isNull(), 20000);

    // The group's chat, Ann's chat, then a folder.
    QVERIFY(go(QStringLiteral("/Photos")));
    QVERIFY(clickPerson(team->title()));
    QVERIFY(clickPerson(ann->title()));
    window()->goAction(QStringLiteral("home"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(shows(QStringLiteral("/")), 20000);

    // The back menu names each chat by its person or group, with their picture.
    QCOMPARE(titles(toolbar()->backMenu()).mid(0, 3),
             (QStringList{"Ann Example", TeamName, "Photos"}));
    const QList<QAction *> items = toolbar()->backMenu()->actions();
    const QColor middle = items.at(0)->icon().pixmap(16).toImage().pixelColor(8, 8);
    QVERIFY2(middle.red() > 200 && middle.green() < 60 && middle.blue() < 60,
             qPrintable(middle.name()));
    QVERIFY(!items.at(1)->icon().isNull());

    // Back reopens each chat; the group named like a folder is never asked for as one.
    QVERIFY(m_server.clearRequests());
    QTest::mouseClick(toolbar()->backSegment(), Qt::LeftButton);
    QTRY_COMPARE(hub->notBrowsablePath(), ann->title());
    QTest::mouseClick(toolbar()->backSegment(), Qt::LeftButton);
    QTRY_COMPARE(hub->notBrowsablePath(), team->title());
    QCOMPARE(window()->windowTitle(), TeamName);
    QCOMPARE(titles(toolbar()->forwardMenu()), (QStringList{"Ann Example", "Kerlo Home"}));
    // Through the menus: forward to Ann's chat, back to the group's.
    toolbar()->forwardMenu()->actions().at(0)->trigger();
    QTRY_COMPARE(hub->notBrowsablePath(), ann->title());
    QCOMPARE(titles(toolbar()->backMenu()).mid(0, 2), (QStringList{TeamName, "Photos"}));
    toolbar()->backMenu()->actions().at(0)->trigger();
    QTRY_COMPARE(hub->notBrowsablePath(), team->title());
    QCOMPARE(countRequests(m_server.requests(), QStringLiteral("/api/v1/objects/metadata/Team.*")),
             0);
    window()->goAction(QStringLiteral("home"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(shows(QStringLiteral("/")), 20000);
}

void TestShellWindow::buttonsFollowTheSelection()
{
    MCManager *hub = MCManager::sharedManager();
    const auto tickedViews = [this] {
        QList<int> ticked;
        for (int view = 0; view < 3; ++view) {
            if (window()->viewMenu()->viewChoice()->item(view)->isChecked())
                ticked.append(view);
        }
        return ticked;
    };
    // A page is on screen: the browser's controls are off and no view is chosen.
    window()->goAction(QStringLiteral("errors://"))->trigger();
    QTRY_COMPARE(hub->notBrowsablePath(), QStringLiteral("errors://"));
    QCOMPARE(toolbar()->selectedViewSegment(), -1);
    QCOMPARE(tickedViews(), QList<int>());
    for (QToolButton *button : {toolbar()->buttonNewFolder(), toolbar()->popButtonAction(),
                                toolbar()->popButtonPath(), toolbar()->buttonDelete()})
        QVERIFY2(!button->isEnabled(), qPrintable(button->objectName()));
    // The icon segment brings the browser back, as it was.
    QTest::mouseClick(toolbar()->viewSegment(0), Qt::LeftButton);
    QTRY_VERIFY(hub->notBrowsablePath().isEmpty());
    QCOMPARE(toolbar()->selectedViewSegment(), 0);
    QCOMPARE(tickedViews(), QList<int>{0});
    QVERIFY(toolbar()->buttonNewFolder()->isEnabled());
    // The list segment shows the list view, and the View menu's choice moves the segment back.
    QTest::mouseClick(toolbar()->viewSegment(1), Qt::LeftButton);
    QTRY_VERIFY(hub->selectedController() != m_shell.delegate()->iconController());
    QCOMPARE(toolbar()->selectedViewSegment(), 1);
    QCOMPARE(tickedViews(), QList<int>{1});
    // Back from a page shown over the list view ticks the list again.
    window()->goAction(QStringLiteral("transfers://"))->trigger();
    QTRY_COMPARE(hub->notBrowsablePath(), QStringLiteral("transfers://"));
    QCOMPARE(tickedViews(), QList<int>());
    QTest::mouseClick(toolbar()->backSegment(), Qt::LeftButton);
    QTRY_VERIFY(hub->notBrowsablePath().isEmpty());
    QCOMPARE(toolbar()->selectedViewSegment(), 1);
    QCOMPARE(tickedViews(), QList<int>{1});
    m_shell.delegate()->switchView(0);
    QCOMPARE(hub->selectedController(), m_shell.delegate()->iconController());
    QCOMPARE(toolbar()->selectedViewSegment(), 0);

    QVERIFY(showFolder(icons(), QStringLiteral("/Documents"), QStringLiteral("Welcome.txt")));
    QVERIFY(!toolbar()->buttonDelete()->isEnabled());
    QVERIFY(clickItem(QStringLiteral("Welcome.txt")));
    QTRY_COMPARE(hub->selectedCount(), 1);
    QVERIFY(toolbar()->buttonDelete()->isEnabled());
    QVERIFY(toolbar()->popButtonShare()->isEnabled());
    // Quick Look and Get Info open their windows.
    QVERIFY(toolbar()->buttonInfo()->isEnabled());
    QVERIFY(clickItem(QStringLiteral("Manual.pdf")));
    QTRY_VERIFY(toolbar()->buttonQuickLook()->isEnabled());
    QTest::mouseClick(toolbar()->buttonQuickLook(), Qt::LeftButton);
    QTRY_VERIFY(m_shell.delegate()->quickLookController() &&
                m_shell.delegate()->quickLookController()->isVisible());
    QTest::mouseClick(toolbar()->buttonQuickLook(), Qt::LeftButton);
    QTRY_VERIFY(!m_shell.delegate()->quickLookController()->isVisible());
    // Two files: no share link, but delete.
    QVERIFY(clickItem(QStringLiteral("Welcome.txt"), Qt::ControlModifier));
    QTRY_COMPARE(hub->selectedCount(), 2);
    QVERIFY(!toolbar()->popButtonShare()->isEnabled());
    QVERIFY(toolbar()->buttonDelete()->isEnabled());
    // One folder: no share link either.
    QVERIFY(showFolder(icons(), QStringLiteral("/"), QStringLiteral("Photos")));
    QVERIFY(clickItem(QStringLiteral("Photos")));
    QTRY_COMPARE(hub->selectedCount(), 1);
    QVERIFY(!toolbar()->popButtonShare()->isEnabled());
    QVERIFY(toolbar()->buttonDelete()->isEnabled());
}

void TestShellWindow::goCommandsAndGoToFolder()
{
    MCManager *hub = MCManager::sharedManager();
    QVERIFY(go(QStringLiteral("/Photos/Trip")));
    QVERIFY(window()->enclosingFolderAction()->isEnabled());
    QCOMPARE(titles(toolbar()->pathMenu()).mid(1), (QStringList{"Trip", "Photos", "Kerlo Home"}));
    window()->enclosingFolderAction()->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(shows(QStringLiteral("/Photos")), 20000);
    QCOMPARE(hub->arrayBack().last(), QStringLiteral("/Photos/Trip"));
    window()->goAction(QStringLiteral("home"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(shows(QStringLiteral("/")), 20000);
    QVERIFY(!window()->enclosingFolderAction()->isEnabled());
    // Built pages open, those made on first use too.
    QVERIFY(window()->goAction(QStringLiteral("account://"))->isEnabled());
    window()->goAction(QStringLiteral("contacts://"))->trigger();
    QTRY_COMPARE(hub->notBrowsablePath(), QStringLiteral("contacts://"));
    QCOMPARE(window()->windowTitle(), QStringLiteral("Contacts"));
    window()->goAction(QStringLiteral("messages://"))->trigger();
    QTRY_COMPARE(hub->notBrowsablePath(), QStringLiteral("messages://"));
    QCOMPARE(window()->windowTitle(), QStringLiteral("Notifications"));

    // Reload lists the folder shown again, fresh from the service.
    window()->goAction(QStringLiteral("home"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(shows(QStringLiteral("/")), 20000);
    // Hidden files: a dot file shows only while asked for.
    QVERIFY(!m_server.seedFile(QString::fromLatin1(DemoEmail), "/.hidden", "x").isEmpty());
    window()->hiddenFilesAction()->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(icons()->shownNames().contains(QStringLiteral(".hidden")), 20000);
    QCOMPARE(window()->hiddenFilesAction()->text(), QStringLiteral("Hide Hidden files"));
    window()->hiddenFilesAction()->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!icons()->shownNames().contains(QStringLiteral(".hidden")), 20000);
    QCOMPARE(window()->hiddenFilesAction()->text(), QStringLiteral("Show Hidden files"));
    QVERIFY(m_server.clearRequests());
    QTest::mouseClick(toolbar()->buttonReload(), Qt::LeftButton);
    QTRY_VERIFY(countRequests(m_server.requests(), QStringLiteral("/api/v1/objects/list/?")) >= 1);

    // Go to Folder: found closes the sheet, missing says so and stays.
    window()->goToFolderAction()->trigger();
    MCGoToFolderPanel *panel = m_shell.delegate()->goToFolderPanel();
    QVERIFY(panel && panel->isVisible());
    QVERIFY(panel->panelTextStatic()->isHidden());
    const auto type = [panel](const QString &text) {
        panel->panelInputTextField()->selectAll();
        QTest::keyClicks(panel->panelInputTextField(), text);
        QTest::mouseClick(panel->panelButtonGo(), Qt::LeftButton);
    };
    type(QStringLiteral("/Photos/Nowhere"));
    QTRY_VERIFY_WITH_TIMEOUT(panel->panelTextStatic()->isVisible(), 20000);
    QCOMPARE(panel->panelTextStatic()->text(), QStringLiteral("The folder can\u2019t be found."));
    QVERIFY(panel->isVisible() && !panel->isSearching());
    QVERIFY(shows(QStringLiteral("/")));
    type(QStringLiteral("Documents/Welcome.txt")); // a file is no folder to go to
    QTRY_VERIFY_WITH_TIMEOUT(!panel->isSearching(), 20000);
    QVERIFY(panel->isVisible() && panel->panelTextStatic()->isVisible());
    type(QStringLiteral("/Photos/Trip"));
    QTRY_VERIFY_WITH_TIMEOUT(!panel->isVisible(), 20000);
    QVERIFY(shows(QStringLiteral("/Photos/Trip")));
    QVERIFY(!m_shell.delegate()->goToFolderMode());
    // Back returns to the folder the user went from, not to a place before it.
    QCOMPARE(hub->arrayBack().last(), QStringLiteral("/"));
    QTest::mouseClick(toolbar()->backSegment(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(shows(QStringLiteral("/")), 20000);
    QCOMPARE(hub->notBrowsablePath(), QString());
    QCOMPARE(hub->arrayForward().last(), QStringLiteral("/Photos/Trip"));
    // ".." never leaves the account's tree: nothing above "/" is asked for.
    QVERIFY(m_server.clearRequests());
    window()->goToFolderAction()->trigger();
    QVERIFY(panel->isVisible() && panel->panelTextStatic()->isHidden());
    type(QStringLiteral("/../.."));
    QTRY_VERIFY_WITH_TIMEOUT(!panel->isVisible(), 20000);
    QVERIFY(shows(QStringLiteral("/")));
    for (const QJsonValue &request : m_server.requests()) {
        const QString path = request.toObject().value(QStringLiteral("path")).toString();
        QVERIFY2(!path.contains(QLatin1String("..")) && path.startsWith(QLatin1String("/api/v1")),
                 qPrintable(path));
    }
}

void TestShellWindow::sidebarDividerLimits()
{
    QSplitter *split = window()->splitView();
    // The handle is grabbed at its middle: a pixel either way is the handle's own width.
    dragDivider(split, 300);
    QVERIFY(qAbs(window()->sideBarWidth() - 300) <= split->handleWidth());
    dragDivider(split, 2000);
    QVERIFY2(window()->sideBarWidth() <= window()->width() * 2 / 3,
             qPrintable(QString::number(window()->sideBarWidth())));
    QVERIFY(window()->sideBarWidth() > 300);
    dragDivider(split, 120);
    QCOMPARE(window()->sideBarWidth(), MCMainWindow::SideBarMinimumWidth);
    QCOMPARE(window()->sideBarAction()->text(), QStringLiteral("Hide Side Bar"));
    dragDivider(split, MCMainWindow::SideBarCollapsePosition);
    QVERIFY(window()->isSideBarCollapsed());
    QCOMPARE(window()->sideBarAction()->text(), QStringLiteral("Show Side Bar"));
    // The menu brings it back at its width before.
    window()->sideBarAction()->trigger();
    QCOMPARE(window()->sideBarWidth(), MCMainWindow::SideBarMinimumWidth);
    QCOMPARE(window()->sideBarAction()->text(), QStringLiteral("Hide Side Bar"));
}

void TestShellWindow::pathBarGoesUpAndTakesDrops()
{
    MCManager *hub = MCManager::sharedManager();
    MCPathbarController *bar = window()->pathBar();
    QVERIFY(go(QStringLiteral("/Photos/Trip")));
    QCOMPARE(bar->componentCount(), 3);
    QCOMPARE(bar->componentTitle(0), QStringLiteral("Kerlo Home"));
    QCOMPARE(bar->componentPath(2), QStringLiteral("/Photos/Trip"));

    // A page is no folder: the bar shows none, and the folder's again once it is back.
    window()->goAction(QStringLiteral("transfers://"))->trigger();
    QTRY_COMPARE(hub->notBrowsablePath(), QStringLiteral("transfers://"));
    QCOMPARE(bar->componentCount(), 0);
    window()->backAction()->trigger();
    QTRY_VERIFY(hub->notBrowsablePath().isEmpty());
    QCOMPARE(bar->componentCount(), 3);
    // A double click on an ancestor shows it.
    QTest::mouseDClick(bar, Qt::LeftButton, Qt::NoModifier, bar->componentRect(1).center());
    QTRY_VERIFY_WITH_TIMEOUT(shows(QStringLiteral("/Photos")), 20000);
    // The folder shown already: nothing happens (the history would change at once).
    const QStringList back = hub->arrayBack();
    QTest::mouseDClick(bar, Qt::LeftButton, Qt::NoModifier, bar->componentRect(1).center());
    QCOMPARE(hub->arrayBack(), back);

    // A local file dropped on "Photos" is uploaded there.
    QTemporaryDir local;
    const QString file = local.filePath(QStringLiteral("dropped.txt"));
    QVERIFY(writeFile(file, "dropped on the path bar"));
    auto *files = new QMimeData;
    files->setUrls({QUrl::fromLocalFile(file)});
    QVERIFY(drop(bar, bar->componentRect(1).center(), files));
    QTRY_COMPARE_WITH_TIMEOUT(m_reader.remoteBytes(QStringLiteral("/Photos/dropped.txt")),
                              QByteArray("dropped on the path bar"), 30000);
    // Remote items move; onto their own folder the drop is refused and nothing moves.
    QMimeData *own = MCPasteboard::mimeDataForRemotePaths({QStringLiteral("/Photos/dropped.txt")});
    QVERIFY(!drop(bar, bar->componentRect(1).center(), own));
    QMimeData *remote =
        MCPasteboard::mimeDataForRemotePaths({QStringLiteral("/Photos/dropped.txt")});
    QVERIFY(drop(bar, bar->componentRect(0).center(), remote));
    QTRY_COMPARE_WITH_TIMEOUT(m_reader.remoteBytes(QStringLiteral("/dropped.txt")),
                              QByteArray("dropped on the path bar"), 30000);
    QVERIFY(m_reader.remoteBytes(QStringLiteral("/Photos/dropped.txt")).isNull());
    delete files;
    delete own;
    delete remote;

    // A hostile folder name is plain text and does not widen the window.
    const QString hostile = QStringLiteral("<img src=x width=20000 height=20000> & \u202Eevil");
    QVERIFY(!m_server.seedFolder(QString::fromLatin1(DemoEmail), "/Photos/" + hostile).isEmpty());
    const int width = window()->width();
    QVERIFY(go(QStringLiteral("/Photos/") + hostile));
    QCOMPARE(bar->componentTitle(2), MCString::stringForName(hostile));
    QCOMPARE(window()->width(), width);
    QVERIFY(window()->minimumSizeHint().width() < width);
    QVERIFY(bar->componentRect(2).width() <= 220);
    emit toolbar()->pathMenu()->aboutToShow();
    QCOMPARE(toolbar()->pathMenu()->actions().value(1)->text(), MCString::stringForMenu(hostile));

    // Sixty levels deep: the folder shown stays whole inside the bar, its parent and the home
    // beside it; the oldest ancestors leave the row rather than each shrinking to "…".
    QString deep;
    for (int level = 1; level <= 60; ++level)
        deep += QStringLiteral("/level %1").arg(level);
    QVERIFY(!m_server.seedFolder(QString::fromLatin1(DemoEmail), deep).isEmpty());
    QVERIFY(go(deep));
    QTRY_COMPARE(bar->componentCount(), 61);
    QCOMPARE(bar->componentShownTitle(60), QStringLiteral("level 60"));
    QVERIFY(bar->rect().contains(bar->componentRect(60)));
    QCOMPARE(bar->componentShownTitle(59), QStringLiteral("level 59"));
    QCOMPARE(bar->componentShownTitle(0), QStringLiteral("Kerlo Home"));
    int outOfSight = 0;
    for (int i = 0; i < bar->componentCount(); ++i) {
        if (bar->componentRect(i).isNull()) {
            ++outOfSight;
            continue;
        }
        QVERIFY(bar->rect().contains(bar->componentRect(i)));
        QCOMPARE(bar->componentShownTitle(i), bar->componentTitle(i));
    }
    QVERIFY(outOfSight > 0);
    // A double click on the parent goes up one level.
    QTest::mouseDClick(bar, Qt::LeftButton, Qt::NoModifier, bar->componentRect(59).center());
    QTRY_VERIFY_WITH_TIMEOUT(
        shows(bar->componentPath(bar->componentCount() - 1)) && bar->componentCount() == 60, 20000);
}

void TestShellWindow::iconItemsShowTheChosenInfoLine()
{
    MCOptions *options = MCManager::sharedManager()->options();
    QVERIFY(go(QStringLiteral("/")));
    QTRY_VERIFY(icons()->shownNames().contains(QStringLiteral("Photos")));
    const auto info = [this](const QString &name) {
        const int row = icons()->shownNames().indexOf(name);
        return icons()
            ->itemModel()
            ->index(row)
            .data(MCIconItemModel::AdditionalInfoRole)
            .toString();
    };
    const auto itemHeight = [this] {
        return icons()->collectionView()->visualRect(icons()->itemModel()->index(0)).height();
    };
    const int plain = itemHeight();
    QVERIFY(info(QStringLiteral("Photos")).isEmpty());
    // What the View Options window writes: the items' size, a count for folders.
    icons()->additionalFileInfoChangedTo(1);
    QCOMPARE(options->value(MCOptions::IconController, QStringLiteral("AdditionalInfoType")),
             QVariant(qint64(1)));
    QVERIFY2(QRegularExpression(QStringLiteral("^[0-9]+ items?$"))
                 .match(info(QStringLiteral("Photos")))
                 .hasMatch(),
             qPrintable(info(QStringLiteral("Photos"))));
    QTRY_VERIFY(itemHeight() > plain);
    options->setValue(MCOptions::IconController, QStringLiteral("AdditionalInfoType"), 2);
    QVERIFY(!info(QStringLiteral("Photos")).isEmpty());
    icons()->additionalFileInfoChangedTo(-1);
    QVERIFY(info(QStringLiteral("Photos")).isEmpty());
    QTRY_COMPARE(itemHeight(), plain);
}

void TestShellWindow::lateAnswerForAFolderLeftIsNotShown()
{
    MCManager *hub = MCManager::sharedManager();
    QVERIFY(go(QStringLiteral("/Photos")));
    // The root is slow to answer, and the user opens Documents meanwhile.
    QVERIFY(
        m_server.delay(QStringLiteral("/api/v1/objects/metadata"), 3000, 1, QStringLiteral("GET")));
    const auto rootAnswered = std::make_shared<bool>(false);
    hub->changeToPath(QStringLiteral("/"), this, [rootAnswered] { *rootAnswered = true; });
    QVERIFY(showFolder(icons(), QStringLiteral("/Documents"), QStringLiteral("Welcome.txt")));
    QTRY_VERIFY_WITH_TIMEOUT(*rootAnswered, 20000);
    // The root's late answer leaves the window where the user went.
    QCOMPARE(hub->currentPath(), QStringLiteral("/Documents"));
    QVERIFY(shows(QStringLiteral("/Documents")));
    QVERIFY(icons()->shownNames().contains(QStringLiteral("Welcome.txt")));
    QCOMPARE(window()->windowTitle(), QStringLiteral("Documents"));
}

int main(int argc, char **argv)
{
    isolateEnvironment();
    QApplication app(argc, argv);
    TestShellWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_shellwindow.moc"

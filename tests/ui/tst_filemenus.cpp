// The file menus of a signed-in shell against kerlo-local's demo tree, used as a person would:
// the icon view's context menus titled for one and for several items and for what is cached,
// Open With listing a fixture of desktop applications (the default marked) and launching one on
// the cached copy, Delete asking first, New Folder handing a numbered placeholder to the view,
// copy and paste making " copy" names and never replacing a taken name, and files copied in a
// file manager pasting as uploads.
#include "fixtureapplications.h"
#include "iconviewsteps.h"
#include "kbbutton.h"
#include "kerlolocal.h"
#include "localfiles.h"
#include "mcappdelegate.h"
#include "mcapplicationchooser.h"
#include "mcbottomviewcontroller.h"
#include "mcfileactions.h"
#include "mciconcontroller.h"
#include "mciconitemmodel.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcmenuedit.h"
#include "mcmenufile.h"
#include "mcmenunoselection.h"
#include "mcmenuselection.h"
#include "mcmenuview.h"
#include "mcpages.h"
#include "mcpasteboard.h"
#include "mcpathbarcontroller.h"
#include "mcsharelinkpopover.h"
#include "shelltestfixture.h"

#include <QAction>
#include <QClipboard>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMimeData>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

using namespace ShellTest;

namespace {

const QString Email = QString::fromLatin1(DemoEmail);

// The applications the desktop knows in this suite, the system's own left out.
bool installSuiteApplications()
{
    return installApplications({{"viewer", "Viewer", "text/plain;application/pdf;"},
                                {"editor", "editor", "text/plain;"},
                                {"reader", "Reader", "application/pdf;"},
                                {"twin-a", "Twin", "text/plain;"},
                                {"twin-b", "Twin", "text/plain;"}},
                               "text/plain=editor.desktop\napplication/pdf=reader.desktop\n"
                               "text/x-makefile=editor.desktop\n");
}

// A view that records the placeholders it is handed.
class PlaceholderRecorder : public MCBrowsableViewController
{
public:
    void addPlaceholderNode(const MCNodePtr &node, const QString &path,
                            bool shouldBeginEditing) override
    {
        placeholders.append({node, path, shouldBeginEditing});
    }
    struct Placeholder
    {
        MCNodePtr node;
        QString path;
        bool editing = false;
    };
    QList<Placeholder> placeholders;
};

} // namespace

class TestFileMenus : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void contextMenusFollowTheSelection();
    void openWithListsTheDesktopsApplications();
    void openAndShare();
    void deleteAsksFirst();
    void newFolderIsNamedInPlace();
    void copyAndPasteOfRemoteItems();
    void filesFromAFileManagerPasteAsUploads();
    void viewMenuSortsTheIcons();
    void newFolderWithSelectionMovesTheItemsIntoIt();
    void pagesLeaveNoFolderCommands_data();
    void pagesLeaveNoFolderCommands();

private:
    MCIconController *icons() const
    {
        return qobject_cast<MCIconController *>(m_shell.delegate()->iconController());
    }
    MCMainWindow *window() const { return m_shell.delegate()->mainWindow(); }
    QWidget *viewport() const { return icons()->collectionView()->viewport(); }
    QPoint centreOf(const QString &name) const { return ShellTest::centreOf(icons(), name); }
    MCNodePtr shownNode(const QString &name) const;
    bool enter(const QString &folder, const QString &child)
    {
        return showFolder(icons(), folder, child);
    }
    void select(const QStringList &names);
    // Right-clicks the item (the background for an empty name) and returns the menu shown.
    QMenu *rightClick(const QString &name);
    // Right-clicks the item and opens the menu's Open With with the keyboard.
    QMenu *openWithOf(const QString &name);
    void closeMenus();

    KerloLocal m_server;
    Shell m_shell;
};

MCNodePtr TestFileMenus::shownNode(const QString &name) const
{
    const int row = icons()->shownNames().indexOf(name);
    return row < 0 ? MCNodePtr() : icons()->itemModel()->nodeAt(icons()->itemModel()->index(row));
}

void TestFileMenus::select(const QStringList &names)
{
    for (int i = 0; i < names.size(); ++i) {
        QTest::mouseClick(viewport(), Qt::LeftButton,
                          i == 0 ? Qt::KeyboardModifiers() : Qt::ControlModifier,
                          centreOf(names.at(i)));
    }
}

QMenu *TestFileMenus::rightClick(const QString &name)
{
    // Below the last item when no name is given: the grid's background.
    const QPoint at =
        name.isEmpty() ? QPoint(viewport()->width() - 5, viewport()->height() - 5) : centreOf(name);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, viewport()->mapToGlobal(at));
    QApplication::sendEvent(viewport(), &event);
    MCManager *hub = MCManager::sharedManager();
    for (QMenu *menu : {static_cast<QMenu *>(hub->menuSelection()),
                        static_cast<QMenu *>(hub->menuNoSelection())}) {
        if (menu->isVisible())
            return menu;
    }
    return nullptr;
}

void TestFileMenus::closeMenus()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMenu *>(widget) && widget->isVisible())
            widget->hide();
    }
    // A closed pop-up hands the keyboard back to the window; the platform says so by events
    // that must have arrived before the next step, or they take the focus from it.
    QCoreApplication::processEvents();
    window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window()));
    QCoreApplication::processEvents();
}

namespace {

QAction *item(QMenu *menu, const QString &name)
{
    return menu ? menu->findChild<QAction *>(name) : nullptr;
}

// The visible items in order, separators as "-".
QStringList shown(QMenu *menu)
{
    QStringList texts;
    for (QAction *action : menu->actions()) {
        if (action->isVisible())
            texts.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    return texts;
}

bool separatorsCollapsed(const QStringList &texts)
{
    return !texts.isEmpty() && texts.first() != "-" && texts.last() != "-" &&
           !texts.join('|').contains("-|-");
}

// Clicks the item of the open menu; the menus close as they do for a person.
void choose(QMenu *menu, QAction *item)
{
    QVERIFY(menu && item && menu->isVisible());
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
}

// Opens the submenu of item in the open menu with the keyboard, as a person would.
QMenu *openSubmenu(QMenu *menu, QAction *item)
{
    menu->setActiveAction(item);
    QTest::keyClick(menu, Qt::Key_Right);
    return QTest::qWaitFor([&] { return item->menu()->isVisible(); }, 5000) ? item->menu()
                                                                            : nullptr;
}

} // namespace

QMenu *TestFileMenus::openWithOf(const QString &name)
{
    QMenu *menu = rightClick(name);
    return menu ? openSubmenu(menu, item(menu, "menuItemOpenWith")) : nullptr;
}

void TestFileMenus::initTestCase()
{
    QVERIFY(m_server.start());
    QVERIFY(addDemoTree(m_server, Email));
    QVERIFY(!m_server.seedFile(Email, "/Documents/Picture.png", "not really a picture").isEmpty());
    QVERIFY(!m_server.seedFile(Email, "/Documents/Makefile", "all:\n").isEmpty());
    QVERIFY(!m_server.seedFile(Email, "/Documents/A file name far longer than thirty.txt", "x")
                 .isEmpty());
    for (const char *name : {"/Bundle/a.txt", "/Bundle/b.txt", "/Bundle/c.txt", "/Bundle/d.txt"})
        QVERIFY(!m_server.seedFile(Email, name, name).isEmpty());
    QVERIFY(m_shell.launchSignedIn(m_server.baseUrl().toString()));
    QVERIFY(m_shell.showMainWindow(QSize(1000, 700)));
    QVERIFY(enter("/Documents", "Manual.pdf"));
}

void TestFileMenus::init()
{
    closeMenus();
    QGuiApplication::clipboard()->clear();
    icons()->collectionView()->setFocus();
}

void TestFileMenus::contextMenusFollowTheSelection()
{
    // One file: its name in the titles, the commands for one item.
    QMenu *menu = rightClick("Welcome.txt");
    QVERIFY(menu);
    QCOMPARE(menu, MCManager::sharedManager()->menuSelection());
    QCOMPARE(icons()->getSelectedItems().size(), 1);
    QCOMPARE(item(menu, "menuItemCopy")->text(),
             QStringLiteral("Copy \"\u2068Welcome.txt\u2069\""));
    QStringList texts = shown(menu);
    QVERIFY2(separatorsCollapsed(texts), qPrintable(texts.join('|')));
    for (const char *name : {"Open", "Open With", "Rename", "Download", "Move to Trash"})
        QVERIFY2(texts.contains(name), name);
    QVERIFY(!texts.contains("Remove from cache"));
    QVERIFY(!item(menu, "menuItemNewFolderWithSelection")->isVisible());
    QVERIFY(item(menu, "menuItemShare")->isEnabled());
    closeMenus();

    // A long name is cut in the middle to 30 characters.
    menu = rightClick("A file name far longer than thirty.txt");
    QCOMPARE(item(menu, "menuItemCopy")->text(),
             QStringLiteral("Copy \"\u2068A file name fa...than thirty.txt\u2069\""));
    closeMenus();

    // Several files: counts instead of names; right-clicking one of them keeps them all.
    select({"Welcome.txt", "Manual.pdf", "Picture.png"});
    menu = rightClick("Manual.pdf");
    QCOMPARE(icons()->getSelectedItems().size(), 3);
    QCOMPARE(item(menu, "menuItemCopy")->text(), QStringLiteral("Copy 3 Items"));
    QCOMPARE(item(menu, "menuItemNewFolderWithSelection")->text(),
             QStringLiteral("New Folder with Selection (3 items)"));
    texts = shown(menu);
    QVERIFY(!texts.contains("Rename"));
    QVERIFY(texts.contains("Download") && !texts.contains("Remove from cache"));
    QVERIFY(!item(menu, "menuItemShare")->isEnabled());
    QVERIFY2(separatorsCollapsed(texts), qPrintable(texts.join('|')));
    closeMenus();

    // Download one of them from its menu; once cached, the three show the mixed counts.
    select({"Welcome.txt"});
    menu = rightClick("Welcome.txt");
    QCOMPARE(icons()->getSelectedItems().size(), 1);
    choose(menu, item(menu, "menuItemDownload"));
    closeMenus();
    QTRY_VERIFY_WITH_TIMEOUT(shownNode("Welcome.txt")->states() & MCAbstractObjectNode::Cached,
                             30000);
    menu = rightClick("Welcome.txt");
    texts = shown(menu);
    QVERIFY(texts.contains("Remove from cache") && !texts.contains("Download"));
    closeMenus();
    select({"Welcome.txt", "Manual.pdf", "Picture.png"});
    menu = rightClick("Picture.png");
    QCOMPARE(item(menu, "menuItemUncache")->text(), QStringLiteral("Remove from cache 1 Item"));
    QCOMPARE(item(menu, "menuItemDownload")->text(), QStringLiteral("Download 2 Items"));
    QVERIFY(item(menu, "menuItemUncache")->isEnabled() &&
            item(menu, "menuItemDownload")->isEnabled());
    closeMenus();
    // Removing the local copy takes the badge away again.
    select({"Welcome.txt"});
    menu = rightClick("Welcome.txt");
    choose(menu, item(menu, "menuItemUncache"));
    closeMenus();
    QTRY_VERIFY_WITH_TIMEOUT(!(shownNode("Welcome.txt")->states() & MCAbstractObjectNode::Cached),
                             30000);
    select({"Welcome.txt"});
    menu = rightClick("Welcome.txt");
    choose(menu, item(menu, "menuItemDownload"));
    closeMenus();
    QTRY_VERIFY_WITH_TIMEOUT(shownNode("Welcome.txt")->states() & MCAbstractObjectNode::Cached,
                             30000);

    // A download the service refuses: the badge says so, not that it is downloading.
    QVERIFY(m_server.forceStatus("/api/v1/object/Documents/Picture.png", 500, "{}", -1, "GET"));
    select({"Picture.png"});
    menu = rightClick("Picture.png");
    choose(menu, item(menu, "menuItemDownload"));
    closeMenus();
    QTRY_COMPARE_WITH_TIMEOUT(shownNode("Picture.png")->fileImageStatusName(),
                              QStringLiteral("badge_error.png"), 30000);
    QVERIFY(!(shownNode("Picture.png")->states() & MCAbstractObjectNode::Downloading));
    // Said once.
    QTRY_COMPARE(m_shell.alerts.pendingCount(), 1);
    QVERIFY(m_shell.alerts.pendingAlert().messageText.contains(QStringLiteral("Picture.png")));
    QVERIFY(m_shell.alerts.answer(0));
    QVERIFY(m_server.reset());

    // The File menu keeps its items and only enables them; one uncached file hides the
    // uncache item, a cached one shows it again.
    select({"Manual.pdf"});
    QMenu *file = window()->fileMenu();
    file->popup(window()->mapToGlobal(QPoint(10, 10)));
    QVERIFY(!item(file, "menuItemUncache")->isVisible());
    QVERIFY(item(file, "menuItemRename")->isEnabled() &&
            !item(file, "menuItemNewFile")->isEnabled());
    file->hide();
    closeMenus();
    select({"Welcome.txt"});
    file->popup(window()->mapToGlobal(QPoint(10, 10)));
    QVERIFY(item(file, "menuItemUncache")->isVisible() &&
            item(file, "menuItemUncache")->isEnabled());
    QVERIFY(!item(file, "menuItemDownload")->isEnabled());
    file->hide();
    closeMenus();

    // A folder: nothing to open with, download or share.
    QVERIFY(enter("/", "Photos"));
    menu = rightClick("Photos");
    texts = shown(menu);
    QVERIFY(!texts.contains("Open With") && !texts.contains("Download"));
    QVERIFY(!item(menu, "menuItemShare")->isEnabled());
    closeMenus();

    // The background: the selection goes, Paste only with something to paste.
    menu = rightClick(QString());
    QCOMPARE(menu, MCManager::sharedManager()->menuNoSelection());
    QVERIFY(icons()->getSelectedItems().isEmpty());
    // Get Info of the root itself is offered but disabled.
    QCOMPARE(shown(menu), (QStringList{"New Folder", "New File", "-", "Get Info", "-",
                                       "Clean Up By", "View", "Show View Options"}));
    QVERIFY(!item(menu, "menuItemGetInfo")->isEnabled());
    closeMenus();
    QGuiApplication::clipboard()->setMimeData(
        MCPasteboard::mimeDataForRemotePaths({"/Documents/Welcome.txt", "/Documents/Manual.pdf"}));
    menu = rightClick(QString());
    QCOMPARE(item(menu, "menuItemPaste")->text(), QStringLiteral("Paste 2 Items"));
    QVERIFY(item(menu, "menuItemPaste")->isVisible());
    closeMenus();

    // The toolbar's pop-up at the root with nothing selected: only what needs no selection.
    auto *button = window()->findChild<QToolButton *>("popButtonAction");
    QVERIFY(button && button->isVisible());
    QTest::mouseClick(button, Qt::LeftButton);
    QMenu *actions = window()->findChild<QMenu *>("menuAction");
    QVERIFY(actions->isVisible());
    const QStringList popped = shown(actions);
    QCOMPARE(popped, (QStringList{"New Folder", "-", "Paste 2 Items", "-", "Clean Up By"}));
    actions->hide();
    closeMenus();
    QVERIFY(enter("/Documents", "Manual.pdf"));
}

void TestFileMenus::openWithListsTheDesktopsApplications()
{
    // One text file: its default first and marked, the others by name with twins once.
    QMenu *openWith = openWithOf("Welcome.txt");
    QVERIFY(openWith);
    QCOMPARE(shown(openWith),
             (QStringList{"editor (default)", "-", "Twin", "Viewer", "-", "Other..."}));
    closeMenus();

    const struct
    {
        QStringList selection;
        QStringList shown;
    } selections[] = {
        // A text file and a PDF: different defaults, so only what opens both.
        {{"Welcome.txt", "Manual.pdf"}, {"Viewer", "-", "Other..."}},
        // Nothing opens a text file and a picture both.
        {{"Welcome.txt", "Picture.png"}, {"<None>", "-", "Other..."}},
        // Without an extension: the default of its type alone. Its default is still compared
        // with the other files' defaults.
        {{"Makefile"}, {"editor (default)", "-", "Other..."}},
        {{"Makefile", "Manual.pdf"}, {"Other..."}},
    };
    for (const auto &selection : selections) {
        select(selection.selection);
        openWith = openWithOf(selection.selection.last());
        QVERIFY(openWith);
        QCOMPARE(shown(openWith), selection.shown);
        if (selection.shown.first() == "<None>")
            QVERIFY(!openWith->actions().first()->isEnabled());
        closeMenus();
    }

    // Choosing one opens the cached copy with it.
    select({"Manual.pdf"});
    openWith = openWithOf("Manual.pdf");
    QVERIFY(openWith);
    QCOMPARE(shown(openWith).first(), QStringLiteral("Reader (default)"));
    choose(openWith, openWith->actions().at(shown(openWith).indexOf("Viewer")));
    QTRY_COMPARE_WITH_TIMEOUT(filesOpenedBy("viewer").size(), 1, 30000);
    const QString opened = filesOpenedBy("viewer").first();
    QCOMPARE(QFileInfo(opened).fileName(), QStringLiteral("Manual.pdf"));
    QVERIFY(readFile(opened).startsWith("%PDF"));
    QVERIFY(filesOpenedBy("reader").isEmpty());
    closeMenus();

    // "Other..." offers every application; the one picked opens the file.
    openWith = openWithOf("Welcome.txt");
    choose(openWith, openWith->findChild<QAction *>("menuItemOpenWithOther"));
    MCApplicationChooser *chooser = nullptr;
    QTRY_VERIFY((chooser = window()->findChild<MCApplicationChooser *>()) && chooser->isVisible());
    QListWidget *list = chooser->applicationList();
    QStringList names;
    for (int row = 0; row < list->count(); ++row)
        names.append(list->item(row)->text());
    QCOMPARE(names, (QStringList{"editor", "Reader", "Twin", "Twin", "Viewer"}));
    QTest::keyClicks(chooser->searchField(), "read");
    QCOMPARE(list->findItems("Reader", Qt::MatchExactly).first()->isHidden(), false);
    QCOMPARE(list->findItems("Viewer", Qt::MatchExactly).first()->isHidden(), true);
    list->setCurrentItem(list->findItems("Reader", Qt::MatchExactly).first());
    QTest::keyClick(list, Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(filesOpenedBy("reader").size(), 1, 30000);
    QCOMPARE(QFileInfo(filesOpenedBy("reader").first()).fileName(), QStringLiteral("Welcome.txt"));
    // The empty stand-ins GIO was asked about.
    const QString fakeFiles = MCManager::sharedManager()->fakeFilesPath();
    QVERIFY(QFileInfo(fakeFiles + "/file.txt").isFile() &&
            QFileInfo(fakeFiles + "/file.pdf").isFile());
}

void TestFileMenus::openAndShare()
{
    // A file opens in its default application, a folder alone is entered, two are not.
    select({"Welcome.txt"});
    QMenu *menu = rightClick("Welcome.txt");
    choose(menu, item(menu, "menuItemOpen"));
    closeMenus();
    QTRY_COMPARE_WITH_TIMEOUT(filesOpenedBy("editor").size(), 1, 30000);
    QCOMPARE(QFileInfo(filesOpenedBy("editor").first()).fileName(), QStringLiteral("Welcome.txt"));

    MCManager *hub = MCManager::sharedManager();
    QVERIFY(enter("/", "Photos"));
    QVERIFY(m_server.clearRequests());
    select({"Documents", "Photos"});
    menu = rightClick("Photos");
    QAction *open = item(menu, "menuItemOpen");
    QSignalSpy opened(open, &QAction::triggered);
    choose(menu, open);
    closeMenus();
    QCOMPARE(opened.count(), 1);
    QCOMPARE(hub->currentPath(), QStringLiteral("/"));
    select({"Photos"});
    menu = rightClick("Photos");
    choose(menu, item(menu, "menuItemOpen"));
    closeMenus();
    QTRY_VERIFY_WITH_TIMEOUT(icons()->shownNames().contains("Trip"), 30000);
    QCOMPARE(hub->currentPath(), QStringLiteral("/Photos"));
    QCOMPARE(hub->arrayBack().last(), QStringLiteral("/"));
    // By the time the folder opened alone is shown, an entry the pair's Open started would
    // have been asked for too.
    QCOMPARE(countRequests(m_server.requests(),
                           QStringLiteral("/api/v1/objects/(list|metadata)/Documents(/.*)?")),
             0);

    // A share link is shown in the status bar's popover once the service made it, and can be
    // copied from there.
    menu = rightClick("Sunset.jpg");
    choose(menu, item(menu, "menuItemShare"));
    closeMenus();
    MCShareLinkPopover *popover = m_shell.delegate()->bottomViewController()->popoverShareLink();
    QTRY_VERIFY_WITH_TIMEOUT(popover->isVisible(), 30000);
    QCOMPARE(popover->currentSharedFilename(), QStringLiteral("/Photos/Sunset.jpg"));
    const QString link = popover->currentSharedURL().toString();
    QVERIFY2(link.startsWith("http"), qPrintable(link));
    QTest::mouseClick(popover->buttonCopyToClipboard(), Qt::LeftButton);
    QTRY_COMPARE(QGuiApplication::clipboard()->text(), link);
    popover->hide();
    QVERIFY(enter("/Documents", "Manual.pdf"));
}

void TestFileMenus::deleteAsksFirst()
{
    QVERIFY(!m_server.seedFile(Email, "/Documents/Old.txt", "old").isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(icons()->shownNames().contains("Old.txt"), 30000);
    QVERIFY(m_server.clearRequests());

    // Cancel sends nothing.
    QMenu *menu = rightClick("Old.txt");
    choose(menu, item(menu, "menuItemTrash"));
    closeMenus();
    QTRY_COMPARE(m_shell.alerts.pendingCount(), 1);
    QCOMPARE(m_shell.alerts.pendingAlert().windowTitle, QStringLiteral("Delete Warning"));
    QVERIFY(m_shell.alerts.answer("Cancel"));
    QCOMPARE(m_server.requestsTo("/api/v1/objects/delete").size(), 0);

    // Refused by the service: said once, and the item stays.
    QVERIFY(m_server.forceStatus("/api/v1/objects/delete", 503, "{}", 1, "POST"));
    select({"Old.txt"});
    QTest::keyClick(icons()->collectionView(), Qt::Key_Delete);
    QTRY_COMPARE(m_shell.alerts.pendingCount(), 1);
    m_shell.alerts.clearRecord();
    QVERIFY(m_shell.alerts.answer("Delete"));
    QTRY_COMPARE_WITH_TIMEOUT(m_shell.alerts.pendingCount(), 1, 30000);
    QCOMPARE(m_shell.alerts.pendingAlert().messageText,
             QStringLiteral("Could not delete '/Documents/Old.txt'"));
    // The one delete the service saw is this one: Cancel, before it, sent none.
    QCOMPARE(m_server.requestsTo("/api/v1/objects/delete").size(), 1);
    QVERIFY(m_shell.alerts.answer(0));
    QVERIFY(icons()->shownNames().contains("Old.txt"));
    QCOMPARE(m_shell.alerts.alerts().size(), 1);

    // Delete (here by the key) removes it from the service, and the view follows.
    select({"Old.txt"});
    QTest::keyClick(icons()->collectionView(), Qt::Key_Delete);
    QTRY_COMPARE(m_shell.alerts.pendingCount(), 1);
    QVERIFY(m_shell.alerts.answer("Delete"));
    QTRY_COMPARE_WITH_TIMEOUT(m_server.requestsTo("/api/v1/objects/delete").size(), 2, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(!icons()->shownNames().contains("Old.txt"), 30000);
}

void TestFileMenus::newFolderIsNamedInPlace()
{
    QVERIFY(!m_server.seedFolder(Email, "/Documents/Untitled Folder").isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(icons()->shownNames().contains("Untitled Folder"), 30000);
    MCManager *hub = MCManager::sharedManager();
    PlaceholderRecorder recorder;
    hub->setSelectedController(&recorder);
    QMenu *menu = rightClick(QString());
    choose(menu, item(menu, "menuItemNewFolder"));
    hub->setSelectedController(icons());
    closeMenus();
    QCOMPARE(recorder.placeholders.size(), 1);
    const PlaceholderRecorder::Placeholder placeholder = recorder.placeholders.first();
    QCOMPARE(placeholder.path, QStringLiteral("/Documents/Untitled Folder 2"));
    QVERIFY(placeholder.editing);
    QCOMPARE(placeholder.node->fileName(), QStringLiteral("Untitled Folder 2"));
    QVERIFY(placeholder.node->isDir() && placeholder.node->isPlaceholder());
    QCOMPARE(placeholder.node->states(), quint64(MCAbstractObjectNode::Uploading));

    // In the icon view itself, from the File menu's key (a closing pop-up would take the
    // focus from the name on this platform): the placeholder is shown with its name being
    // edited; Return keeps the name and the service makes the folder.
    QTest::keyClick(icons()->collectionView(), Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_VERIFY(icons()->shownNames().contains("Untitled Folder 2") && icons()->isEditingName());
    QWidget *editor = QApplication::focusWidget();
    QVERIFY(editor);
    QTest::keyClick(editor, Qt::Key_Return);
    closeMenus();
    QTRY_VERIFY_WITH_TIMEOUT(
        shownNode("Untitled Folder 2") && !shownNode("Untitled Folder 2")->isPlaceholder(), 30000);

    // New File: the user's templates; a chosen one is uploaded under its label.
    menu = rightClick(QString());
    QMenu *newFile = openSubmenu(menu, item(menu, "menuItemNewFile"));
    QVERIFY(newFile);
    QCOMPARE(shown(newFile), (QStringList{"New Text Document", "-", "Customize this menu..."}));
    QVERIFY(newFile->findChild<QAction *>("menuItemCustomizeNewFiles")->isEnabled());
    choose(newFile, newFile->actions().first());
    closeMenus();
    QTRY_VERIFY_WITH_TIMEOUT(icons()->shownNames().contains("New Text Document.txt"), 30000);
}

void TestFileMenus::copyAndPasteOfRemoteItems()
{
    QVERIFY(m_server.clearRequests());
    // The Edit menu titles Copy for the selection; Ctrl+C puts only the remote path there.
    select({"Welcome.txt"});
    MCMenuEdit *edit = window()->editMenu();
    edit->popup(window()->mapToGlobal(QPoint(10, 10)));
    QCOMPARE(item(edit, "menuItemCopy")->text(),
             QStringLiteral("Copy \"\u2068Welcome.txt\u2069\""));
    QVERIFY(!item(edit, "menuItemPaste")->isEnabled());
    edit->hide();
    closeMenus();
    QTest::keyClick(icons()->collectionView(), Qt::Key_C, Qt::ControlModifier);
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    QCOMPARE(data->formats(), QStringList{MCPasteboard::RemoteObjectsMimeType});
    QCOMPARE(MCPasteboard::remotePaths(data), QStringList{"/Documents/Welcome.txt"});
    edit->popup(window()->mapToGlobal(QPoint(10, 10)));
    QCOMPARE(item(edit, "menuItemPaste")->text(), QStringLiteral("Paste Item"));
    edit->hide();
    closeMenus();

    // In its own folder: " copy", then numbered.
    QTest::keyClick(icons()->collectionView(), Qt::Key_V, Qt::ControlModifier);
    QTRY_VERIFY_WITH_TIMEOUT(icons()->shownNames().contains("Welcome copy.txt"), 30000);
    QTest::keyClick(icons()->collectionView(), Qt::Key_V, Qt::ControlModifier);
    QTRY_VERIFY_WITH_TIMEOUT(icons()->shownNames().contains("Welcome copy 2.txt"), 30000);
    // A copy of a copy gets no second " copy".
    select({"Welcome copy.txt"});
    QTest::keyClick(icons()->collectionView(), Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(icons()->collectionView(), Qt::Key_V, Qt::ControlModifier);
    QTRY_VERIFY_WITH_TIMEOUT(icons()->shownNames().contains("Welcome copy 3.txt"), 30000);
    QCOMPARE(m_server.requestsTo("/api/v1/objects/copy").size(), 3);

    // Into another folder: the name stays; a name already there is never replaced.
    select({"Welcome.txt", "Manual.pdf"});
    QTest::keyClick(icons()->collectionView(), Qt::Key_C, Qt::ControlModifier);
    QVERIFY(!m_server.seedFile(Email, "/Photos/Welcome.txt", "mine").isEmpty());
    QVERIFY(enter("/Photos", "Welcome.txt"));
    const qsizetype alertsBefore = m_shell.alerts.alerts().size();
    m_shell.alerts.queueAnswer(0);
    QTest::keyClick(icons()->collectionView(), Qt::Key_V, Qt::ControlModifier);
    QTRY_VERIFY_WITH_TIMEOUT(icons()->shownNames().contains("Manual.pdf"), 30000);
    QCOMPARE(m_shell.alerts.alerts().size(), alertsBefore + 1);
    QVERIFY(m_shell.alerts.alerts().last().messageText.contains("Welcome.txt"));
    QCOMPARE(m_server.requestsTo("/api/v1/objects/copy").size(), 4);
    QCOMPARE(shownNode("Welcome.txt")->fileSize(), qint64(4));
    // A folder is never pasted into itself or below itself.
    MCFileActions *actions = m_shell.delegate()->fileActions();
    QCOMPARE(actions->pasteDestination("/Photos", "/Photos"), QString());
    QCOMPARE(actions->pasteDestination("/Photos", "/Photos/Trip"), QString());
    QCOMPARE(actions->pasteDestination("/Photos/Trip", "/Photos"),
             QStringLiteral("/Photos/Trip copy"));

    // A text field keeps its own copy and paste.
    auto *field = new QLineEdit(window());
    field->show();
    field->setText("typed");
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("typed"));
    field->setCursorPosition(5);
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(field->text(), QStringLiteral("typedtyped"));
    delete field;
    QVERIFY(enter("/Documents", "Manual.pdf"));
}

void TestFileMenus::filesFromAFileManagerPasteAsUploads()
{
    QTemporaryDir local;
    for (const char *name : {"one.txt", "two.txt", "three.txt"})
        QVERIFY(writeFile(local.filePath(name), QByteArray("local ") + name));

    // A URI list, as most file managers copy.
    auto *uris = new QMimeData;
    uris->setUrls({QUrl::fromLocalFile(local.filePath("one.txt")),
                   QUrl::fromLocalFile(local.filePath("two.txt"))});
    QGuiApplication::clipboard()->setMimeData(uris);
    QMenu *menu = rightClick(QString());
    QCOMPARE(item(menu, "menuItemPaste")->text(), QStringLiteral("Paste 2 Items"));
    choose(menu, item(menu, "menuItemPaste"));
    closeMenus();
    QTRY_VERIFY_WITH_TIMEOUT(icons()->shownNames().contains("one.txt") &&
                                 icons()->shownNames().contains("two.txt"),
                             30000);

    // The copied-files form, "cut" read as a copy; nothing local is moved.
    auto *copied = new QMimeData;
    copied->setData(MCPasteboard::CopiedFilesMimeType,
                    "cut\n" + QUrl::fromLocalFile(local.filePath("three.txt")).toEncoded());
    QGuiApplication::clipboard()->setMimeData(copied);
    QTest::keyClick(icons()->collectionView(), Qt::Key_V, Qt::ControlModifier);
    QTRY_VERIFY_WITH_TIMEOUT(icons()->shownNames().contains("three.txt"), 30000);
    for (const char *name : {"one.txt", "two.txt", "three.txt"})
        QVERIFY(QFile::exists(local.filePath(name)));
    // Uploaded without keeping a local copy.
    QTRY_VERIFY_WITH_TIMEOUT(!(shownNode("three.txt")->states() & MCAbstractObjectNode::Uploading),
                             30000);
    QVERIFY(!(shownNode("three.txt")->states() & MCAbstractObjectNode::Cached));
}

void TestFileMenus::viewMenuSortsTheIcons()
{
    QMenu *view = window()->viewMenu();
    QMenu *cleanUpBy = view->findChild<QMenu *>("menuCleanUpBy");
    const auto sortBy = [&](const QString &criterion) {
        view->popup(window()->mapToGlobal(QPoint(10, 10)));
        QVERIFY(openSubmenu(view, item(view, "menuItemCleanUpBy")));
        const QList<QAction *> items = cleanUpBy->actions();
        const auto found = std::find_if(items.begin(), items.end(),
                                        [&](QAction *a) { return a->text() == criterion; });
        QVERIFY(found != items.end());
        choose(cleanUpBy, *found);
        view->hide();
        closeMenus();
    };
    // A new criterion sorts ascending, choosing it again descending; the menu ticks it.
    sortBy("Size");
    QCOMPARE(icons()->sortType(), qint64(18));
    sortBy("Size");
    QCOMPARE(icons()->sortType(), qint64(19));
    view->popup(window()->mapToGlobal(QPoint(10, 10)));
    QStringList ticked;
    for (QAction *action : cleanUpBy->actions()) {
        if (action->isChecked())
            ticked.append(action->text());
    }
    QCOMPARE(ticked, QStringList{"Size"});
    view->hide();
    closeMenus();
    sortBy("Name");
    QCOMPARE(icons()->sortType(), qint64(10));

    // The background's menu sorts the same way, and ticks what the View menu chose.
    QMenu *background = rightClick(QString());
    QVERIFY(background);
    QMenu *backgroundCleanUpBy = openSubmenu(background, item(background, "menuItemCleanUpBy"));
    QVERIFY(backgroundCleanUpBy);
    QCOMPARE(backgroundCleanUpBy->actions().first()->isChecked(), true);
    choose(backgroundCleanUpBy, backgroundCleanUpBy->actions().at(1));
    closeMenus();
    QCOMPARE(icons()->sortType(), qint64(12));

    // The list and column views sort by the same menu; each keeps its own order.
    MCManager *hub = MCManager::sharedManager();
    for (int shown : {1, 2}) {
        QTest::keyClick(window(), Qt::Key(Qt::Key_1 + shown), Qt::ControlModifier);
        QTRY_VERIFY(hub->selectedController() && hub->selectedController() != icons());
        sortBy("Date Modified");
        QCOMPARE(hub->selectedController()->sortType(), qint64(14));
        sortBy("Date Modified");
        QCOMPARE(hub->selectedController()->sortType(), qint64(15));
    }
    QTest::keyClick(window(), Qt::Key_1, Qt::ControlModifier);
    QTRY_COMPARE(hub->selectedController(), icons());
    QCOMPARE(icons()->sortType(), qint64(12));
}

void TestFileMenus::newFolderWithSelectionMovesTheItemsIntoIt()
{
    // The selection's menu makes a folder in the folder shown, names it in place and moves
    // the selected items into it once the service has made it.
    QVERIFY(enter("/Bundle", "d.txt"));
    const QString rename = QStringLiteral("/api/v1/objects/rename");
    const auto moves = [this, &rename] {
        QMap<QString, QPair<QString, int>> sent; // source -> destination, status
        for (const QJsonValue &entry : m_server.requestsTo(rename)) {
            const QJsonObject request = entry.toObject();
            const QJsonObject body =
                QJsonDocument::fromJson(request.value("body").toString().toUtf8()).object();
            sent.insert(body.value("source").toString(),
                        {body.value("destination").toString(), request.value("status").toInt()});
        }
        return sent;
    };
    const auto makeFolderOf = [this](const QStringList &names, const QString &name) {
        select(names);
        QMenu *menu = rightClick(names.first());
        QVERIFY(menu);
        QAction *command = item(menu, "menuItemNewFolderWithSelection");
        QVERIFY(command->isVisible() && command->isEnabled());
        QCOMPARE(command->text(), QStringLiteral("New Folder with Selection (2 items)"));
        // Chosen once the menu has closed: a closing pop-up takes the keyboard from the name
        // on this platform.
        closeMenus();
        command->trigger();
        QTRY_VERIFY(icons()->shownNames().contains("Untitled Folder") && icons()->isEditingName());
        QWidget *editor = QApplication::focusWidget();
        QVERIFY(editor);
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, name);
        QTest::keyClick(editor, Qt::Key_Return);
    };
    QVERIFY(m_server.clearRequests());
    makeFolderOf({"a.txt", "b.txt"}, QStringLiteral("Pair"));
    QTRY_VERIFY_WITH_TIMEOUT(moves().size() == 2, 30000);
    QCOMPARE(m_server.requestsTo(QStringLiteral("/api/v1/objects/mkdir/Bundle/Pair")).size(), 1);
    QCOMPARE(moves().value("/Bundle/a.txt").first, QStringLiteral("/Bundle/Pair/a.txt"));
    QCOMPARE(moves().value("/Bundle/b.txt").first, QStringLiteral("/Bundle/Pair/b.txt"));
    QTRY_VERIFY_WITH_TIMEOUT(!icons()->shownNames().contains("a.txt") &&
                                 !icons()->shownNames().contains("b.txt") && shownNode("Pair") &&
                                 !shownNode("Pair")->isPlaceholder(),
                             30000);
    QVERIFY(icons()->shownNames().contains("c.txt"));
    QCOMPARE(m_shell.alerts.pendingCount(), 0);

    // A move the service refuses leaves that item where it was, and the failure names it.
    QVERIFY(m_server.clearRequests());
    m_shell.alerts.clearRecord();
    QVERIFY(m_server.forceStatus(rename, 500, R"({"error_code":901})"));
    makeFolderOf({"c.txt", "d.txt"}, QStringLiteral("Two"));
    QTRY_VERIFY_WITH_TIMEOUT(
        moves().size() == 2 && moves().first().second > 0 && moves().last().second > 0, 30000);
    QString refused;
    QString moved;
    const auto sent = moves();
    for (auto it = sent.cbegin(); it != sent.cend(); ++it)
        (it.value().second == 500 ? refused : moved) = it.key();
    QVERIFY(!refused.isEmpty() && !moved.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(m_shell.alerts.pendingCount(), 1, 30000);
    QVERIFY2(m_shell.alerts.pendingAlert().messageText.contains(refused),
             qPrintable(m_shell.alerts.pendingAlert().messageText));
    QVERIFY(!m_shell.alerts.pendingAlert().messageText.contains(moved));
    QVERIFY(m_shell.alerts.answer(0));
    const QString refusedName = refused.section('/', -1);
    const QString movedName = moved.section('/', -1);
    QTRY_VERIFY_WITH_TIMEOUT(!icons()->shownNames().contains(movedName), 30000);
    QVERIFY(icons()->shownNames().contains(refusedName));
    QVERIFY(shownNode(refusedName) && !shownNode(refusedName)->isBusy());

    // A folder the service does not make takes nothing: no move is sent and the items stay.
    QVERIFY(m_server.clearRequests());
    m_shell.alerts.clearRecord();
    const QString mkdirThree = QStringLiteral("/api/v1/objects/mkdir/Bundle/Three");
    QVERIFY(m_server.forceStatus(mkdirThree, 500, R"({"error_code":901})"));
    makeFolderOf({refusedName, "Pair"}, QStringLiteral("Three"));
    QTRY_COMPARE_WITH_TIMEOUT(m_server.requestsTo(mkdirThree).size(), 1, 30000);
    QTRY_COMPARE_WITH_TIMEOUT(m_shell.alerts.pendingCount(), 1, 30000);
    QVERIFY(m_shell.alerts.answer(0));
    QTRY_VERIFY_WITH_TIMEOUT(!icons()->shownNames().contains("Three"), 30000);
    QVERIFY(moves().isEmpty());
    QVERIFY(icons()->shownNames().contains(refusedName) && icons()->shownNames().contains("Pair"));
}

void TestFileMenus::pagesLeaveNoFolderCommands_data()
{
    QTest::addColumn<QString>("location");
    for (const QString &location : MCPages::locations())
        QTest::newRow(qPrintable(location)) << location;
}

void TestFileMenus::pagesLeaveNoFolderCommands()
{
    // In the browser, Open needs something to open; New Folder has the folder shown.
    QFETCH(QString, location);
    MCManager *hub = MCManager::sharedManager();
    QVERIFY(enter("/Documents", "Manual.pdf"));
    QMenu *file = window()->fileMenu();
    QVERIFY(!rightClick(QString())->isHidden());
    closeMenus();
    QVERIFY(icons()->getSelectedItems().isEmpty());
    file->popup(window()->mapToGlobal(QPoint(10, 10)));
    QVERIFY(!item(file, "menuItemOpen")->isEnabled());
    QVERIFY(item(file, "menuItemNewFolder")->isEnabled());
    file->hide();
    closeMenus();
    select({"Welcome.txt"});
    file->popup(window()->mapToGlobal(QPoint(10, 10)));
    QVERIFY(item(file, "menuItemOpen")->isEnabled());
    file->hide();
    closeMenus();
    QCOMPARE(window()->pathBar()->componentCount(), 2);

    // A page in the browser's place: no command of the File menu acts on the folder left or
    // its selection, nor do their keys; Paste has no folder to paste into. The path bar shows
    // no folder.
    QVERIFY(window()->goAction(location)->isEnabled());
    window()->goAction(location)->trigger();
    QTRY_COMPARE(hub->notBrowsablePath(), location);
    QCOMPARE(window()->pathBar()->componentCount(), 0);
    QVERIFY(!window()->enclosingFolderAction()->isEnabled());
    QGuiApplication::clipboard()->setMimeData(
        MCPasteboard::mimeDataForRemotePaths({"/Documents/Welcome.txt"}));
    file->popup(window()->mapToGlobal(QPoint(10, 10)));
    for (QAction *command : file->actions()) {
        if (command->objectName().startsWith(QLatin1String("menuItem")) &&
            command->objectName() != QLatin1String("menuItemSignOut") &&
            command->objectName() != QLatin1String("menuItemQuit"))
            QVERIFY2(!command->isVisible() || !command->isEnabled(),
                     qPrintable(command->objectName()));
    }
    file->hide();
    closeMenus();
    QMenu *edit = window()->editMenu();
    edit->popup(window()->mapToGlobal(QPoint(10, 10)));
    QVERIFY(!item(edit, "menuItemPaste")->isEnabled());
    edit->hide();
    closeMenus();
    QVERIFY(m_server.clearRequests());
    m_shell.alerts.clearRecord();
    const auto shownWindows = [] {
        int shown = 0;
        for (QWidget *widget : QApplication::topLevelWidgets())
            shown += widget->isVisible() ? 1 : 0;
        return shown;
    };
    const int windowsBefore = shownWindows();
    QTest::keyClick(window(), Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(window(), Qt::Key_I, Qt::ControlModifier);
    QTest::keyClick(window(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(hub->notBrowsablePath(), location);
    QVERIFY(icons()->updater().placeholders().isEmpty());
    QVERIFY(!icons()->isEditingName());
    QCOMPARE(shownWindows(), windowsBefore);
    QCOMPARE(m_shell.alerts.alerts().size(), 0);

    // Back in the browser, its path bar and commands are there again.
    window()->backAction()->trigger();
    QTRY_VERIFY(hub->notBrowsablePath().isEmpty());
    QCOMPARE(hub->currentPath(), QStringLiteral("/Documents"));
    QCOMPARE(window()->pathBar()->componentCount(), 2);
    QCOMPARE(window()->pathBar()->componentPath(1), QStringLiteral("/Documents"));
    QVERIFY(window()->enclosingFolderAction()->isEnabled());
    QCOMPARE(m_server.requestsTo(QStringLiteral("/api/v1/objects/copy")).size(), 0);
    QGuiApplication::clipboard()->clear();
}

int main(int argc, char **argv)
{
    isolateEnvironment();
    // Before anything asks GIO, which reads the applications once.
    if (!installSuiteApplications())
        return 1;
    QApplication app(argc, argv);
    TestFileMenus test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_filemenus.moc"

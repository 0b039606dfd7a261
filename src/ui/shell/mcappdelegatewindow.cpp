// The window half of the application delegate: the toolbar and the View and Go menus, the
// bars and the sidebar, the history and path menus, Go to Folder, hidden files and reload.
#include "mcappdelegate.h"

#include "mcabstractobjectnode.h"
#include "mcbottomviewcontroller.h"
#include "mcbrowsableviewcontroller.h"
#include "mcbrowsableviewshelper.h"
#include "mcfileactions.h"
#include "mcfunctions.h"
#include "mcgotofolderpanel.h"
#include "mcgroup.h"
#include "mchistoryplace.h"
#include "mcmaintoolbar.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcoptions.h"
#include "mcpages.h"
#include "mcpathbarcontroller.h"
#include "mcremotepath.h"
#include "mcshelllogging.h"
#include "mcsidebarcontroller.h"
#include "mcsocialentity.h"
#include "mcstring.h"
#include "mcuserdefaults.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QStyle>
#include <QToolButton>

namespace {

const QString SideBarWidth = QStringLiteral("SideBarWidth");

} // namespace

void MCAppDelegate::setupWindowCommands()
{
    MCMainWindow *window = m_window;
    MCMainToolbar *toolbar = window->toolbar();
    connect(toolbar, &MCMainToolbar::backForwardClicked, this, &MCAppDelegate::goBackForward);
    for (int tag = 0; tag < 2; ++tag) {
        QMenu *menu = tag == 0 ? toolbar->backMenu() : toolbar->forwardMenu();
        connect(menu, &QMenu::aboutToShow, this, [this, menu, tag] { menuNeedsUpdate(menu, tag); });
    }
    connect(toolbar, &MCMainToolbar::viewSegmentClicked, this, &MCAppDelegate::switchView);
    connect(toolbar->pathMenu(), &QMenu::aboutToShow, this, &MCAppDelegate::populatePopupPath);
    connect(toolbar->buttonDelete(), &QAbstractButton::clicked, this, [this] {
        if (MCBrowsableViewController *view = MCManager::sharedManager()->selectedController())
            m_fileActions->deleteNodes(view->getSelectedItems());
    });
    connect(toolbar->buttonNewFolder(), &QAbstractButton::clicked, m_fileActions,
            &MCFileActions::newFolder);
    connect(toolbar->popButtonShare(), &QAbstractButton::clicked, this, [this] {
        MCBrowsableViewController *view = MCManager::sharedManager()->selectedController();
        const MCNodeList nodes = view ? view->getSelectedItems() : MCNodeList();
        if (nodes.size() == 1 && !nodes.first()->isDir())
            m_fileActions->getShareLink(nodes.first());
    });

    connect(window->statusBarAction(), &QAction::triggered, this,
            [this] { hideStatusBar(!m_window->isStatusBarHidden()); });
    connect(window->pathBarAction(), &QAction::triggered, this,
            [this] { hidePathBar(m_window->isPathBarVisible()); });
    connect(window->sideBarAction(), &QAction::triggered, this,
            [this] { hideSideBar(!m_window->isSideBarCollapsed()); });
    connect(window, &MCMainWindow::sideBarStateChanged, this, [this] {
        MCManager::sharedManager()->options()->setValue(MCOptions::AppDelegate, SideBarWidth,
                                                        m_window->sideBarWidth());
    });
    connect(window->hiddenFilesAction(), &QAction::triggered, this,
            &MCAppDelegate::showHiddenFiles);
    connect(window->reloadAction(), &QAction::triggered, this, &MCAppDelegate::reloadCurrentPath);
    connect(window->enclosingFolderAction(), &QAction::triggered, this,
            &MCAppDelegate::goEnclosingFolder);
    connect(window->goToFolderAction(), &QAction::triggered, this,
            &MCAppDelegate::showGoToFolderSheet);
    for (QAction *item : window->goActions()) {
        const QString place = item->data().toString();
        connect(item, &QAction::triggered, this, [this, place] { menuGoSwitchView(place); });
        // A page no one has built yet cannot be shown.
        item->setEnabled(place == QLatin1String("home") || m_pageFactories.contains(place));
    }
    toolbar->selectViewSegment(0);
    MCManager *hub = MCManager::sharedManager();
    window->pathBar()->setHub(hub->navigation(), hub->transfers(), hub->options());
    connect(window, &MCMainWindow::commandHandlersChanged, this,
            &MCAppDelegate::updateToolbarState);
    updateToolbarState();
}

void MCAppDelegate::updateToolbarState()
{
    if (!m_window)
        return;
    MCManager *hub = MCManager::sharedManager();
    MCMainToolbar *toolbar = m_window->toolbar();
    MCBrowsableViewController *view = hub->selectedController();
    const bool browsing = view && hub->notBrowsablePath().isEmpty();
    const qint64 selected = browsing ? hub->selectedCount() : 0;
    const MCNodeList nodes = selected == 1 ? view->getSelectedItems() : MCNodeList();
    const bool oneFile = nodes.size() == 1 && !nodes.first()->isDir();
    toolbar->buttonDelete()->setEnabled(selected > 0);
    toolbar->buttonQuickLook()->setEnabled(selected > 0 &&
                                           m_window->hasCommandHandler(MCMainWindow::QuickLook));
    toolbar->popButtonShare()->setEnabled(oneFile);
    toolbar->buttonInfo()->setEnabled(browsing &&
                                      m_window->hasCommandHandler(MCMainWindow::GetInfo));
    for (QToolButton *button :
         {toolbar->buttonNewFolder(), toolbar->popButtonAction(), toolbar->popButtonPath(),
          toolbar->popButtonFilter(), toolbar->buttonReload()})
        button->setEnabled(browsing);
    m_window->reloadAction()->setEnabled(browsing);
}

void MCAppDelegate::applyStoredBars()
{
    // As loaded: nothing is recorded until the user changes a bar.
    m_window->setPathBarVisible(m_userDefaults->pathBarShownAtLoad());
    if (m_userDefaults->statusBarHiddenAtLoad())
        m_window->setStatusBarHidden(true);
    const MCOptions *options = MCManager::sharedManager()->options();
    if (options->contains(MCOptions::AppDelegate, SideBarWidth)) {
        const int width = options->value(MCOptions::AppDelegate, SideBarWidth).toInt();
        m_window->moveSideBarDivider(width <= 0 ? MCMainWindow::SideBarCollapsePosition : width);
    }
}

void MCAppDelegate::hideStatusBar(bool hide)
{
    m_window->setStatusBarHidden(hide);
    MCManager::sharedManager()->options()->setValue(MCOptions::AppDelegate,
                                                    MCOptions::StatusBarIsInvisible, hide);
}

void MCAppDelegate::hidePathBar(bool hide)
{
    m_window->setPathBarVisible(!hide);
    MCManager::sharedManager()->options()->setValue(MCOptions::AppDelegate,
                                                    MCOptions::PathBarIsVisible, !hide);
}

void MCAppDelegate::hideSideBar(bool hide)
{
    m_window->setSideBarCollapsed(hide);
    MCManager::sharedManager()->options()->setValue(MCOptions::AppDelegate, SideBarWidth,
                                                    m_window->sideBarWidth());
}

void MCAppDelegate::goToHistoryEntry(const MCHistoryPlace &place)
{
    MCManager *hub = MCManager::sharedManager();
    if (place.isFolder()) {
        hub->changeToPath(place.key(), this);
        return;
    }
    // A page (a pseudo-URL) or a chat (its person's or group's title) is shown instead of the
    // browser. The step has recorded the place on the other side already; the page switch must
    // not record it again.
    m_walkingHistory = true;
    hub->setNotBrowsablePath(place.key());
    m_walkingHistory = false;
}

void MCAppDelegate::menuNeedsUpdate(QMenu *menu, int tag)
{
    MCManager *hub = MCManager::sharedManager();
    menu->clear();
    const QList<MCHistoryPlace> entries = tag == 0 ? hub->backPlaces() : hub->forwardPlaces();
    for (int i = entries.size() - 1; i >= 0; --i) {
        const MCHistoryPlace &entry = entries.at(i);
        QString title;
        QIcon icon;
        switch (entry.kind()) {
        case MCHistoryPlace::Folder:
            if (entry.key() == QLatin1String("/")) {
                title = tr("Kerlo Home");
                icon = MCFunctions::getHomeIcon();
            } else {
                title = MCRemotePath::lastComponent(entry.key());
                icon = MCFunctions::getFolderIcon();
            }
            break;
        case MCHistoryPlace::Page:
            title =
                MCPages::title(entry.key()).isEmpty() ? entry.key() : MCPages::title(entry.key());
            icon = MCPages::icon(entry.key());
            break;
        case MCHistoryPlace::Chat:
            // The person or group as the sidebar shows them: name and picture.
            if (const MCSocialEntity *entity = hub->entityForTitle(entry.key())) {
                title = entity->roomName().isEmpty() ? entry.key() : entity->roomName();
                const bool group = qobject_cast<const MCGroup *>(entity);
                icon = entity->roomImage().isNull()
                           ? QIcon::fromTheme(group ? QStringLiteral("system-users")
                                                    : QStringLiteral("avatar-default"),
                                              QApplication::style()->standardIcon(
                                                  group ? QStyle::SP_DirIcon : QStyle::SP_FileIcon))
                           : QIcon(entity->roomImage());
            } else {
                title = entry.key();
            }
            break;
        }
        QAction *item = menu->addAction(icon, MCString::stringForMenu(title));
        item->setData(entry.key());
        const int position = entries.size() - 1 - i;
        connect(item, &QAction::triggered, this,
                [this, tag, position] { backForwardMenuSelection(tag, position); });
    }
}

void MCAppDelegate::backForwardMenuSelection(int tag, int position)
{
    MCManager *hub = MCManager::sharedManager();
    const bool back = tag == 0;
    const QList<MCHistoryPlace> side = back ? hub->backPlaces() : hub->forwardPlaces();
    if (position < 0 || position >= side.size())
        return;
    const int n = side.size();
    const MCHistoryPlace chosen = side.at(n - 1 - position);
    const auto pushOther = [hub, back](const MCHistoryPlace &place) {
        if (back)
            hub->addForwardPath(place);
        else
            hub->addBackPath(place);
    };
    // The chosen entry and every nearer one leave their side; the place shown and the skipped
    // entries go to the other side, as if walked one step at a time.
    hub->removeNearestHistory(back, position + 1);
    if (hub->notBrowsablePath().isEmpty()) {
        if (const MCNodePtr node = hub->currentNode())
            pushOther(MCHistoryPlace::folder(node->filePath()));
    } else {
        pushOther(hub->shownPlace());
        m_walkingHistory = true;
        hub->setNotBrowsablePath(QStringLiteral(""));
        m_walkingHistory = false;
    }
    for (int i = 0; i < position; ++i)
        pushOther(side.at(n - 1 - i));
    goToHistoryEntry(chosen);
}

void MCAppDelegate::populatePopupPath()
{
    QMenu *menu = m_window->toolbar()->pathMenu();
    // The first item is the button's own icon: it stays.
    const QList<QAction *> items = menu->actions();
    for (int i = 1; i < items.size(); ++i) {
        menu->removeAction(items.at(i));
        items.at(i)->deleteLater();
    }
    const MCNodePtr node = MCManager::sharedManager()->currentNode();
    if (!node || !MCManager::sharedManager()->notBrowsablePath().isEmpty())
        return;
    QString path = node->filePath();
    while (true) {
        const bool root = path == QLatin1String("/");
        QAction *item = menu->addAction(
            root ? MCFunctions::getHomeIcon() : MCFunctions::getFolderIcon(),
            root ? tr("Kerlo Home") : MCString::stringForMenu(MCRemotePath::lastComponent(path)));
        item->setData(path);
        connect(item, &QAction::triggered, this, [this, path] { popupPathSelection(path); });
        if (root)
            break;
        path = MCRemotePath::parentOf(path);
    }
}

void MCAppDelegate::popupPathSelection(const QString &path)
{
    MCManager *hub = MCManager::sharedManager();
    if (hub->notBrowsableController())
        hub->setNotBrowsablePath(QStringLiteral(""));
    const MCNodePtr node = hub->currentNode();
    if (node && node->filePath() != path)
        hub->doubleClickNavigation(path, this);
}

void MCAppDelegate::goEnclosingFolder()
{
    MCManager *hub = MCManager::sharedManager();
    const MCNodePtr node = hub->currentNode();
    if (!node || node->isRoot() || !hub->notBrowsablePath().isEmpty())
        return;
    hub->doubleClickNavigation(MCRemotePath::parentOf(node->filePath()), this);
}

void MCAppDelegate::showGoToFolderSheet()
{
    if (!m_window || !m_objectsManagerSetup)
        return;
    if (!m_goToFolderPanel) {
        m_goToFolderPanel = new MCGoToFolderPanel(m_window);
        connect(m_goToFolderPanel, &MCGoToFolderPanel::goRequested, this,
                &MCAppDelegate::goToFolder);
        connect(m_goToFolderPanel, &QDialog::rejected, this, [this] { m_goToFolderMode = false; });
    }
    m_goToFolderMode = true;
    m_goToFolderPanel->begin();
}

MCGoToFolderPanel *MCAppDelegate::goToFolderPanel() const
{
    return m_goToFolderPanel;
}

void MCAppDelegate::goToFolder(const QString &text)
{
    qCInfo(lcShell).noquote() << QStringLiteral("text: %1").arg(text);
    // The typed text stays inside the user's store: ".." never climbs above "/".
    const QString path = MCRemotePath::resolvedInsideStore(text.trimmed());
    m_goToFolderPanel->setSearching(true);
    QPointer<MCAppDelegate> self(this);
    const MCHistoryPlace left = MCManager::sharedManager()->shownPlace();
    MCManager::sharedManager()->changeToPath(path, this, [self, path, left] {
        // A folder that was found is the one shown now; anything else was not found (a file,
        // a missing path, a failure).
        MCManager *hub = MCManager::sharedManager();
        const MCNodePtr node = hub->currentNode();
        const bool found = node && node->filePath() == path;
        // Back returns to where the user went from, as after any other step.
        if (found && left != MCHistoryPlace::folder(path)) {
            hub->clearForwardHistory();
            hub->addBackPath(left);
        }
        if (!self || !self->m_goToFolderMode || !self->m_goToFolderPanel)
            return;
        if (found)
            self->endGoToFolderSheet();
        else
            self->m_goToFolderPanel->showNotFound();
    });
}

void MCAppDelegate::endGoToFolderSheet()
{
    m_goToFolderMode = false;
    m_goToFolderPanel->setSearching(false);
    m_goToFolderPanel->accept();
}

void MCAppDelegate::showHiddenFiles(bool show)
{
    MCManager *hub = MCManager::sharedManager();
    m_window->hiddenFilesAction()->setChecked(show);
    m_window->hiddenFilesAction()->setText(show ? tr("Hide Hidden files")
                                                : tr("Show Hidden files"));
    hub->setShowHiddenFiles(show);
    if (hub->currentPath().isEmpty())
        return;
    hub->changeToPath(hub->currentPath(), this);
    // Hidden files the folder's tree left out when they came are only known to the service
    // now: the listing is fetched afresh rather than from what the core keeps.
    if (show)
        reloadCurrentPath();
}

void MCAppDelegate::reloadCurrentPath()
{
    const QString path = MCManager::sharedManager()->currentPath();
    MCBrowsableViewsHelper *helper = MCBrowsableViewController::helper();
    if (!path.isEmpty() && helper)
        helper->reloadPath(path);
}

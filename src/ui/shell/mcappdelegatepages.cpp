// The page half of the application delegate: the content area shows either the browser or one
// page (transfers, console, notifications), and going between them is part of the history.
#include "mcappdelegate.h"

#include "mcabstractobjectnode.h"
#include "mcbottomviewcontroller.h"
#include "mcbrowsableviewcontroller.h"
#include "mcchatviewcontroller.h"
#include "mcclicktextfield.h"
#include "mchipcontroller.h"
#include "mcmaintoolbar.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcmenunoselection.h"
#include "mcmenuview.h"
#include "mcpages.h"
#include "mcpathbarcontroller.h"
#include "mcshelllogging.h"
#include "mcsidebarcontroller.h"
#include "mcsocialentity.h"
#include "mcstring.h"
#include "mcviewchoice.h"
#include "moobjectsmanager.h"
#include "mouserauthenticationmanager.h"
#include "sharelinks/mcsharelinkscontroller.h"

#include <QSlider>
#include <QStyle>

#include "mccontact.h"
#include "mcgroup.h"

#include <QAction>
#include <QApplication>
#include <QLabel>

namespace {

const QString Home = QStringLiteral("home");

} // namespace

QString MCAppDelegate::pageTitle(const QString &location)
{
    return MCPages::title(location);
}

void MCAppDelegate::addPage(const QString &location, QWidget *page)
{
    m_window->addContent(page);
    m_pages.insert(location, page);
    if (QAction *item = m_window->goAction(location))
        item->setEnabled(true);
}

QWidget *MCAppDelegate::page(const QString &location) const
{
    return m_pages.value(location);
}

void MCAppDelegate::addPageFactory(const QString &location, std::function<QWidget *()> make)
{
    m_pageFactories.insert(location, std::move(make));
    if (m_window) {
        if (QAction *item = m_window->goAction(location))
            item->setEnabled(true);
    }
}

void MCAppDelegate::menuGoSwitchView(const QString &target)
{
    MCManager *hub = MCManager::sharedManager();
    if (!m_window || m_window->sidebar()->selectionDisabled() || hub->currentPath().isEmpty())
        return;
    QWidget *shown = hub->notBrowsableController();
    if (target == Home) {
        // Home again after its listing failed asks the service again.
        const MCBrowsableViewController *view = hub->selectedController();
        const bool atHome =
            hub->currentPath() == QLatin1String("/") &&
            !(view && view->loadState() == MCBrowsableViewController::LoadState::Failed);
        if (!shown) {
            if (atHome)
                return;
            hub->clearForwardHistory();
            hub->addBackPath(MCHistoryPlace::folder(hub->currentPath()));
        } else {
            hub->addBackPath(hub->shownPlace());
            hub->clearForwardHistory();
            hub->setNotBrowsablePath(QStringLiteral(""));
            if (atHome)
                return;
        }
        const MCNodePtr root = hub->modelRootNode();
        hub->changeToPath(root ? root->filePath() : QStringLiteral("/"), this);
        return;
    }
    // A page, or a person's or group's chat (named by its title).
    if ((pageTitle(target).isEmpty() && !hub->entityForTitle(target)) ||
        target == hub->notBrowsablePath())
        return;
    // Leaving the browser, the handler remembers the folder.
    if (shown)
        hub->addBackPath(hub->shownPlace());
    hub->clearForwardHistory();
    hub->setNotBrowsablePath(target);
}

void MCAppDelegate::notBrowsableHandler()
{
    MCManager *hub = MCManager::sharedManager();
    if (!m_window)
        return;
    const QString location = hub->notBrowsablePath();
    QWidget *shown = hub->notBrowsableController();
    if (location.isEmpty()) {
        if (shown)
            shown->hide();
        hub->setNotBrowsableController(nullptr);
        disableCloudBrowseNavigation(false);
        if (const MCNodePtr node = hub->currentNode())
            m_window->pathBar()->updatePath(node->filePath());
        m_window->sidebar()->checkCorrectSelection();
        updateWindowTitle();
        return;
    }
    QWidget *next = page(location);
    MCSocialEntity *entity = hub->entityForTitle(location);
    if (!next && entity) {
        next = entity->chatViewController();
        if (next) {
            addPage(location, next);
            MCHipController *panel = MCHipController::embed(
                entity->chatViewController(), hub, hub->people(),
                MOObjectsManager::sharedInstance(),
                MOUserAuthenticationManager::sharedInstance()->account().email());
            connect(panel, &MCHipController::conversationRequested, this,
                    [this](MCContact *contact) { menuGoSwitchView(contact->title()); });
        }
    }
    if (!next && m_pageFactories.contains(location)) {
        // Made the first time it is shown.
        next = m_pageFactories.value(location)();
        if (next)
            addPage(location, next);
    }
    if (!next) {
        // Nothing can be shown for it: the browser is better than an empty window.
        qCWarning(lcShell).noquote() << "No page for" << location << "- showing the browser";
        hub->setNotBrowsablePath(QStringLiteral(""));
        return;
    }
    if (shown)
        shown->hide();
    else if (hub->currentNode() && !m_walkingHistory)
        hub->addBackPath(MCHistoryPlace::folder(hub->currentNode()->filePath()));
    disableCloudBrowseNavigation(true);
    // The folder left is not what the window shows.
    m_window->pathBar()->clearPath();
    hub->setNotBrowsableController(next);
    next->show();
    next->setFocus(Qt::OtherFocusReason);
    if (auto *chat = qobject_cast<MCChatViewController *>(next)) {
        chat->setFirstResponder();
        // Shown now: what it shows is read once the end of the chat is on screen.
        QPointer<MCSocialEntity> shownEntity(chat->entity());
        QMetaObject::invokeMethod(
            chat,
            [shownEntity] {
                if (shownEntity)
                    shownEntity->resetChatNotifications();
            },
            Qt::QueuedConnection);
    }
    m_window->sidebar()->checkCorrectSelection();
    updateWindowTitle();
}

void MCAppDelegate::sendFilesToEntity(QObject *entity, const QStringList &remotePaths,
                                      const QMap<QString, QStringList> &externalObjects)
{
    if (auto *social = qobject_cast<MCSocialEntity *>(entity))
        social->sendFilesFromCloud(remotePaths, externalObjects, m_window);
}

void MCAppDelegate::showShareLinkPopupWith(const QUrl &link, const MOStorageObject &object)
{
    if (!m_bottomView)
        return;
    m_bottomView->showShareLinkPopupWith(link, object);
    // The page shown lists the new link at once; a hidden one asks for the list when it shows.
    auto *links = qobject_cast<MCShareLinksController *>(page(QStringLiteral("links://")));
    if (links && links->isVisible())
        links->doRequestList();
}

void MCAppDelegate::showSendShareLinkViaEmailWith(const QUrl &link, const QString &filePath)
{
    if (m_bottomView)
        m_bottomView->showSendShareLinkViaEmailWith(link, filePath);
}

void MCAppDelegate::disableCloudBrowseNavigation(bool disable)
{
    MCBrowsableViewController *browser = MCManager::sharedManager()->selectedController();
    if (!browser || !m_window)
        return;
    browser->setVisible(!disable);
    // The counts speak of the browser only, the icon size of the icon view only.
    if (m_bottomView) {
        m_bottomView->infoTextField()->setVisible(!disable);
        m_bottomView->slider()->setVisible(!disable && browser == iconController());
    }
    MCMainToolbar *toolbar = m_window->toolbar();
    if (disable) {
        // The view segment remembers its choice while a page is shown, with no segment on.
        if (toolbar->selectedViewSegment() >= 0)
            m_rememberedViewIndex = toolbar->selectedViewSegment();
        toolbar->selectViewSegment(-1);
    } else {
        toolbar->selectViewSegment(m_rememberedViewIndex);
        browser->firstResponder()->setFocus(Qt::OtherFocusReason);
    }
    // The view menus tick the view on screen, and none while a page is.
    const int shownView = disable ? -1 : m_rememberedViewIndex;
    m_window->viewMenu()->viewChoice()->updateViewSelection(shownView);
    if (MCMenuNoSelection *background = MCManager::sharedManager()->menuNoSelection())
        background->viewChoice()->updateViewSelection(shownView);
    updateToolbarState();
}

void MCAppDelegate::updateWindowTitle()
{
    MCManager *hub = MCManager::sharedManager();
    if (!m_window)
        return;
    // The window's icon follows the place shown, at the size of a title's picture. The window
    // manager also shows it in the task list: a place without a picture has the program's.
    const auto setIcon = [this](const QIcon &icon) {
        m_window->setWindowIcon(icon.isNull() ? QApplication::windowIcon()
                                              : QIcon(icon.pixmap(16, 16)));
    };
    const QString location = hub->notBrowsablePath();
    if (!location.isEmpty()) {
        const MCSocialEntity *entity = hub->entityForTitle(location);
        m_window->setWindowTitle(entity
                                     ? MCString::stringForName(entity->roomName())
                                           .replace(QLatin1String("[*]"), QLatin1String("[*][*]"))
                                     : pageTitle(location));
        m_window->setWindowFilePath(QString());
        // A page has no enclosing folder.
        m_window->enclosingFolderAction()->setEnabled(false);
        // A group's chat has the group picture, a person's none of its own.
        if (!entity)
            setIcon(MCPages::icon(location));
        else if (qobject_cast<const MCGroup *>(entity))
            setIcon(QIcon::fromTheme(QStringLiteral("system-users"),
                                     QApplication::style()->standardIcon(QStyle::SP_DirIcon)));
        else
            setIcon(QIcon());
        return;
    }
    const MCNodePtr node = hub->currentNode();
    if (!node)
        return;
    const bool root = node->isRoot();
    // "[*]" in a name is text, not the window's modified mark.
    const QString name = MCString::stringForName(node->fileName())
                             .replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
    m_window->setWindowTitle(root ? tr("Kerlo Home") : name);
    m_window->setWindowFilePath(root ? QString() : node->fileName());
    setIcon(root ? MCPages::icon(QStringLiteral("home")) : node->fileIcon());
    m_window->enclosingFolderAction()->setEnabled(!root);
}

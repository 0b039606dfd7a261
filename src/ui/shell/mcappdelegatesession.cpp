// The signed-in half of the application delegate: sign-in, the session's start, the user
// defaults and sign-out.
#include "mcappdelegate.h"

#include "account/mcaccountcontroller.h"
#include "alertpresenter.h"
#include "column/mccolumncontroller.h"
#include "list/mclistcontroller.h"
#include "mcabstractobjectnode.h"
#include "mcbottomviewcontroller.h"
#include "mcbrowsableviewshelper.h"
#include "mcbrowserdragdrop.h"
#include "mcchatviewcontroller.h"
#include "mcdesktopnotifier.h"
#include "mcerrorscontroller.h"
#include "mcfileactions.h"
#include "mciconcontroller.h"
#include "mcmaintoolbar.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcmenunoselection.h"
#include "mcmenuselection.h"
#include "mcmessagescontroller.h"
#include "mcoptions.h"
#include "mcpathbarcontroller.h"
#include "mcpreviewgenerator.h"
#include "mcremotepath.h"
#include "mcshelllogging.h"
#include "mcsidebarcontroller.h"
#include "mcsocialaddcontroller.h"
#include "mcstring.h"
#include "mctablequeuecontroller.h"
#include "mcuserdefaults.h"
#include "mcwindowlogincontroller.h"
#include "moapplication.h"
#include "mocollaborationmanager.h"
#include "moconstants.h"
#include "modevicesmanager.h"
#include "moerror.h"
#include "monotificationcenter.h"
#include "monotificationmanager.h"
#include "moobjectsmanager.h"
#include "mopreviewmanager.h"
#include "mouserauthenticationmanager.h"
#include "quitrequests.h"
#include "sharelinks/mcsharelinkscontroller.h"
#include "soundplayer.h"
#include "updater.h"

#include <QAction>
#include <QCoreApplication>
#include <QIcon>
#include <QListView>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

namespace {

const QStringList ViewOptionKeys = {
    QStringLiteral("MCIconController"), QStringLiteral("MCListController"),
    QStringLiteral("MCColumnController"), QStringLiteral("MyContacts")};

} // namespace

QUrl MCAppDelegate::webSite() const
{
    QUrl url(m_services.bundle.kerloAPIURL());
    url.setPath(QString());
    return url;
}

void MCAppDelegate::authManagerDidAuthenticateSuccessfully(MOUserAuthenticationManager *,
                                                           const QString &)
{}

void MCAppDelegate::authManagerDidAuthorizeClientSuccessfully(MOUserAuthenticationManager *,
                                                              const QString &user)
{
    sessionStart(user);
}

void MCAppDelegate::authManagerDidFailAuthenticatingUserWithError(MOUserAuthenticationManager *,
                                                                  const QString &,
                                                                  const MOError &error)
{
    showLoginWindow();
    m_loginController->didFailAuthenticatingUser(MOUserAuthenticationManager::failureStatus(error));
}

void MCAppDelegate::authManagerDidFailAuthorizingClientWithError(MOUserAuthenticationManager *,
                                                                 const QString &user,
                                                                 const MOError &)
{
    showLoginWindow();
    m_loginController->didFailAuthorizingClientWithUsername(user);
}

void MCAppDelegate::authManagerRequiresAuthentication(MOUserAuthenticationManager *)
{
    login();
}

void MCAppDelegate::login()
{
    QTimer::singleShot(0, this, [this] {
        if (m_shuttingDown)
            return;
        if (m_window) {
            m_window->hide();
            m_window->setMenusVisible(false);
        }
        if (m_loginController)
            m_loginController->resetLoginWindow();
        showLoginWindow();
    });
}

void MCAppDelegate::showLoginWindow()
{
    // Before a session the main window holds nothing yet: the sign-in window stands alone
    // (a stored session refused at launch, say), and the session shows the main window.
    if (!m_objectsManagerSetup && m_window) {
        m_window->hide();
        m_window->setMenusVisible(false);
    }
    if (!m_loginController) {
        m_loginController =
            new MCWindowLoginController(MOUserAuthenticationManager::sharedInstance(), webSite());
        connect(m_loginController, &MCWindowLoginController::exitRequested, this, [this] {
            if (m_services.quitRequests)
                m_services.quitRequests->requestQuit();
            else
                requestQuit();
        });
    }
    m_loginController->show();
    m_loginController->raise();
    m_loginController->activateWindow();
}

void MCAppDelegate::sessionStart(const QString &user)
{
    if (m_loginController) {
        m_loginController->hide();
        m_loginController->deleteLater();
        m_loginController = nullptr;
    }
    if (m_window)
        m_window->setMenusVisible(true);
    sayIfCredentialsNotKept();
    if (m_objectsManagerSetup) {
        // A second authorisation in one process (the session was renewed through the sign-in
        // window): the session runs already and must not start twice.
        if (!m_sessionUser.isEmpty() && user.compare(m_sessionUser, Qt::CaseInsensitive) != 0) {
            qCInfo(lcShell) << "Another user signed in: restarting";
            relaunchAndQuit();
            return;
        }
        MOUserAuthenticationManager *auth = MOUserAuthenticationManager::sharedInstance();
        MOApplication::sharedInstance()->setApplicationString(applicationString(auth->username()));
        if (m_bottomView)
            m_bottomView->popupUsername()->setText(MCString::stringForMenu(auth->username()));
        accountSizesNotification({});
        m_window->show();
        MCManager *hub = MCManager::sharedManager();
        if (!m_firstObjectsFetchDone)
            changeToRoot();
        else if (hub->notBrowsablePath().isEmpty() && !hub->currentPath().isEmpty())
            hub->changeToPath(hub->currentPath(), this);
        return;
    }
    if (m_services.sounds && MCManager::sharedManager()
                                 ->options()
                                 ->value(MCOptions::AppDelegate, MCOptions::SoundsEnabled)
                                 .toBool())
        m_services.sounds->play(QStringLiteral("welcome"));
    m_sessionUser = user;
    userSessionSpecificInitialization();
}

void MCAppDelegate::sayIfCredentialsNotKept()
{
    const QString reason =
        MOUserAuthenticationManager::sharedInstance()->credentialsNotKeptReason();
    if (reason.isEmpty() || m_saidCredentialsNotKept || !m_services.alerts)
        return;
    m_saidCredentialsNotKept = true;
    qCWarning(lcShell).noquote() << "The sign-in was not kept:" << reason;
    Alert alert;
    alert.messageText = tr("Your sign-in could not be kept");
    alert.informativeText =
        tr("You are signed in for now, but Kerlo will ask for your password at the next "
           "launch. %1")
            .arg(reason);
    alert.buttons = QStringList{tr("OK")};
    m_services.alerts->present(alert, m_window, [](const AlertAnswer &) {});
}

void MCAppDelegate::userSessionSpecificInitialization()
{
    ++m_sessionStarts;
    MCManager *hub = MCManager::sharedManager();
    MOObjectsManager *objects = MOObjectsManager::sharedInstance();
    MOUserAuthenticationManager *auth = MOUserAuthenticationManager::sharedInstance();

    hub->setupServices();
    objects->start();
    objects->setHierarchyDelegate(hub->history());
    objects->setCacheDelegate(m_fileActions);
    objects->notificationCenter()->addObserver(hub->history(), &MCHistory::nodeFetchedNotification,
                                               MOObjectInfoDidFetchNotification);
    applicationStart();
    MONotificationCenter::defaultCenter()->addObserver(
        this, &MCAppDelegate::accountSizesNotification, MOUserAccountSizesChangedNotification);
    m_bottomView->popupUsername()->setText(MCString::stringForMenu(auth->username()));
    MOApplication::sharedInstance()->setApplicationString(applicationString(auth->username()));
    m_window->sidebar()->setSelectionDisabled(false);
    accountSizesNotification({});
    m_window->sidebar()->updateContactsList();
    MOCollaborationManager *collaboration = MOCollaborationManager::sharedInstance();
    collaboration->setDelegate(hub->socialBook());
    // Without this the invitations poll may never run (it is otherwise only started by the
    // first contacts listing).
    collaboration->start();
    m_window->signOutAction()->setEnabled(true);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    // The tour, over the window, until its check box turns it off.
    if (hub->options()->value(MCOptions::AppDelegate, MCOptions::ShowWelcomeTour, true).toBool())
        showWelcomeTour();
    changeToRoot();
    hub->requestAvatar(auth->account());
    m_objectsManagerSetup = true;
}

void MCAppDelegate::changeToRoot()
{
    if (m_rootFetchOut)
        return;
    m_rootFetchOut = true;
    QPointer<MCAppDelegate> self(this);
    MCManager::sharedManager()->changeToPath(QStringLiteral("/"), this, [self] {
        if (!self)
            return;
        self->m_rootFetchOut = false;
        const bool first = !self->m_firstObjectsFetchDone;
        if (self->m_objectsManagerSetup)
            self->m_firstObjectsFetchDone = true;
        MOObjectsManager::sharedInstance()->startLiveUpdates();
        if (first && self->m_firstObjectsFetchDone)
            emit self->firstFetchDone();
    });
}

void MCAppDelegate::applicationStart()
{
    MCManager *hub = MCManager::sharedManager();
    m_viewsHelper = new MCBrowsableViewsHelper(MOObjectsManager::sharedInstance());
    MCBrowsableViewController::setHelper(m_viewsHelper);

    addPage(QStringLiteral("transfers://"),
            new MCTableQueueController(MOObjectsManager::sharedInstance(), hub->counters(),
                                       m_services.clock));
    addPage(QStringLiteral("errors://"),
            new MCErrorsController(MONotificationManager::sharedInstance()->notificationCenter(),
                                   m_services.clock));
    hub->setDesktopNotifier(new MCDesktopNotifier(m_services.notifier, m_window, this));
    addPage(QStringLiteral("messages://"), new MCMessagesController(hub->inbox()));
    auto *addContact =
        new MCSocialAddController(hub->people(), MOUserAuthenticationManager::sharedInstance());
    addContact->setInbox(hub->inbox());
    addPage(QStringLiteral("addcontact://"), addContact);
    auto *account = new MCAccountController(hub->avatars(), new MODevicesManager(this),
                                            MOObjectsManager::sharedInstance());
    addPage(QStringLiteral("account://"), account);
    connect(account, &MCAccountController::passwordRecoveryRequested, this,
            &MCAppDelegate::showPasswordRecovery);
    connect(hub->navigation(), &MCNavigation::notBrowsablePathChanged, this,
            &MCAppDelegate::notBrowsableHandler);
    connect(m_window->sidebar(), &MCSidebarController::placeChosen, this,
            &MCAppDelegate::menuGoSwitchView);
    connect(m_window->sidebar(), &MCSidebarController::shownChatClicked, this, [hub] {
        if (auto *chat = qobject_cast<MCChatViewController *>(hub->notBrowsableController()))
            chat->setFirstResponder();
    });
    // Files dropped on the sidebar's people and groups (the sidebar lists them itself).
    connect(m_window->sidebar(), &MCSidebarController::sendFilesRequested, this,
            &MCAppDelegate::sendFilesToEntity);
    hub->setSoundPlayer(m_services.sounds);

    connect(hub->navigation(), &MCNavigation::currentPathChanged, this,
            &MCAppDelegate::currentPathChanged);
    connect(hub->navigation(), &MCNavigation::currentNodeChanged, this,
            &MCAppDelegate::currentNodeChanged);

    MOObjectsManager *objects = MOObjectsManager::sharedInstance();
    m_previewGenerator = new MCPreviewGenerator(MOPreviewManager::defaultManager(), this);
    MCBrowsableViewController *icon =
        new MCIconController(objects, hub->options(), m_previewGenerator);
    MCBrowsableViewController *list = new MCListController(objects, hub->options());
    MCBrowsableViewController *column =
        new MCColumnController(objects, hub->options(), m_previewGenerator);
    for (MCBrowsableViewController *view : {icon, list, column}) {
        m_window->addContent(view);
        m_viewsHelper->addView(view);
        m_browserViews.append(view);
        connect(view, &MCBrowsableViewController::selectedCountChanged, hub->windowCounters(),
                &MCWindowCounters::setSelectedCount);
        // Which items are selected matters too (one file or one folder), not only how many.
        connect(view, &MCBrowsableViewController::selectedCountChanged, this,
                &MCAppDelegate::updateToolbarState);
        connect(view, &MCBrowsableViewController::navigationRequested, hub,
                [hub, view](const QString &path) { hub->doubleClickNavigation(path, view); });
        view->setActionServices(hub->options(), m_services.alerts,
                                MONotificationManager::sharedInstance()->notificationCenter());
    }
    icon->show();
    // The hidden views keep no rows until they are shown.
    list->deactivate();
    column->deactivate();
    // Dragging out and dropping in, in the icon and list views; the icon view spring-loads
    // folders, the list takes a drop onto a folder row into that folder.
    new MCBrowserDragDrop(icon, static_cast<MCIconController *>(icon)->collectionView(),
                          hub->navigation(), hub->transfers(), hub->options(), m_services.alerts,
                          m_window);
    auto *listDragDrop = new MCBrowserDragDrop(
        list, static_cast<MCListController *>(list)->outlineView(), hub->navigation(),
        hub->transfers(), hub->options(), m_services.alerts, m_window);
    listDragDrop->setDropsOntoFolders(true);
    auto *columns = static_cast<MCColumnController *>(column);
    columns->setColumnSetUp([this, hub, columns](QAbstractItemView *columnView) {
        auto *dragDrop =
            new MCBrowserDragDrop(columns, columnView, hub->navigation(), hub->transfers(),
                                  hub->options(), m_services.alerts, m_window);
        dragDrop->setParent(columnView);
        const QPointer<QAbstractItemView> shown(columnView);
        dragDrop->setDropFolder(
            [columns, shown] { return shown ? columns->folderOfColumn(shown) : MCNodePtr(); });
    });
    hub->setupTransferBookkeeping(m_services.alerts, m_window, m_services.clock);

    // The context menus every browser view shows.
    auto *selectionMenu = new MCMenuSelection(m_window);
    selectionMenu->setFileActions(m_fileActions);
    hub->setMenuSelection(selectionMenu);
    auto *backgroundMenu = new MCMenuNoSelection(m_window);
    backgroundMenu->setFileActions(m_fileActions);
    hub->setMenuNoSelection(backgroundMenu);
    connectViewChoices();
    setUpPeople();

    // The history's two steps, enabled while there is somewhere to go.
    connect(m_window->backAction(), &QAction::triggered, this, [this] { goBackForward(0); });
    connect(m_window->forwardAction(), &QAction::triggered, this, [this] { goBackForward(1); });
    const auto historyChanged = [this, hub] {
        const bool back = !hub->arrayBack().isEmpty();
        const bool forward = !hub->arrayForward().isEmpty();
        m_window->backAction()->setEnabled(back);
        m_window->toolbar()->backSegment()->setEnabled(back);
        m_window->forwardAction()->setEnabled(forward);
        m_window->toolbar()->forwardSegment()->setEnabled(forward);
    };
    connect(hub->navigation(), &MCNavigation::arrayBackChanged, this, historyChanged);
    connect(hub->navigation(), &MCNavigation::arrayForwardChanged, this, historyChanged);
    historyChanged();

    m_bottomView = new MCBottomViewController(
        hub->options(), objects, MONotificationManager::sharedInstance()->notificationCenter());
    m_window->setBottomContent(m_bottomView);
    m_bottomView->setShareLinkAnchor(m_window->toolbar()->popButtonShare());
    connect(m_fileActions, &MCFileActions::shareLinkReceived, this,
            &MCAppDelegate::showShareLinkPopupWith);
    auto *links = new MCShareLinksController(
        objects, MONotificationManager::sharedInstance()->notificationCenter());
    addPage(links->title(), links);
    connect(links, &MCShareLinksController::sendByEmailRequested, this,
            &MCAppDelegate::showSendShareLinkViaEmailWith);
    connect(links, &MCShareLinksController::goToFileRequested, this, [hub](const QString &path) {
        hub->setNotBrowsablePath(QStringLiteral(""));
        hub->changeToPath(MCRemotePath::parentOf(path), nullptr);
    });
    connect(hub->counters(), &MCCounters::selectedCountChanged, m_bottomView,
            [this, hub] { m_bottomView->setSelectedCount(hub->selectedCount()); });
    connect(hub->counters(), &MCCounters::totalCountChanged, m_bottomView,
            [this, hub] { m_bottomView->setTotalCount(hub->totalCount()); });
    // The account button shows the user's picture.
    connect(hub->avatars(), &MCAvatars::avatarChanged, m_bottomView, [this, hub] {
        m_bottomView->popupUsername()->setIcon(QIcon(hub->avatar()));
        m_bottomView->popupUsername()->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    });

    setupInspectors();
    setupSmallWindows();
    hub->setSelectedController(icon);
    icon->firstResponder()->setFocus(Qt::OtherFocusReason);
    updateToolbarState();
    if (m_services.updater)
        m_services.updater->setAutomaticallyChecksForUpdates(true);
}

void MCAppDelegate::goBackForward(int direction)
{
    MCManager *hub = MCManager::sharedManager();
    const MCHistoryPlace place = direction == 0 ? hub->backPath() : hub->forwardPath();
    if (!place.isNull())
        goToHistoryEntry(place);
}

void MCAppDelegate::currentNodeChanged()
{
    const MCNodePtr node = MCManager::sharedManager()->currentNode();
    for (const auto &view : qAsConst(m_browserViews)) {
        if (view)
            view->setCurrentNode(node);
    }
}

void MCAppDelegate::currentPathChanged()
{
    const MCNodePtr node = MCManager::sharedManager()->currentNode();
    if (!node || !m_window)
        return;
    updateWindowTitle();
    if (m_previewGenerator)
        MOPreviewManager::defaultManager()->cancelAllPreviewRequests();
    m_window->sidebar()->deselectItemIfNecessary(node->filePath());
    // A page shown meanwhile keeps its empty path bar until the browser comes back.
    if (MCManager::sharedManager()->notBrowsablePath().isEmpty())
        m_window->pathBar()->updatePath(node->filePath());
    currentNodeChanged();
}

void MCAppDelegate::accountSizesNotification(const MOPostedNotification &)
{
    const MOUserAccount account = MOUserAuthenticationManager::sharedInstance()->account();
    if (m_bottomView)
        m_bottomView->setAccount(account);
    if (auto *accountPage = qobject_cast<MCAccountController *>(page(QStringLiteral("account://"))))
        accountPage->setAccount(account);
}

void MCAppDelegate::loadUserDefaults()
{
    m_userDefaults->setTemplatesPath(MCManager::sharedManager()->templatesPath());
    m_userDefaults->loadUserDefaults();
    if (m_window)
        applyStoredBars();
}

void MCAppDelegate::saveUserDefaults()
{
    m_userDefaults->saveUserDefaults();
}

void MCAppDelegate::resetUserDefaults()
{
    m_userDefaults->resetUserDefaults();
}

void MCAppDelegate::applicationDidResignActive()
{
    m_userDefaults->applicationDidResignActive(m_shuttingDown, m_didFinishSetup,
                                               m_loginController && m_loginController->isVisible());
}

void MCAppDelegate::disconnect()
{
    Alert alert;
    alert.windowTitle = tr("Kerlo - Sign Out");
    alert.messageText = tr("Are you sure you want to Sign Out?");
    alert.informativeText = tr("The application will restart if you confirm");
    alert.buttons = QStringList{tr("Cancel"), tr("Sign Out")};
    alert.defaultButton = 0;
    alert.escapeButton = 0;
    QPointer<MCAppDelegate> self(this);
    m_services.alerts->present(alert, m_window, [self](const AlertAnswer &answer) {
        if (self && answer.button == 1)
            MOUserAuthenticationManager::sharedInstance()->reset();
    });
}

void MCAppDelegate::authManagerLogoutPerformed(MOUserAuthenticationManager *)
{
    if (!m_objectsManagerSetup) {
        // Refused before any session ran (the token step of a first sign-in): say so in the
        // sign-in window rather than restarting into the same window.
        qCInfo(lcShell) << "Signed out before a session started: asking for credentials again";
        showLoginWindow();
        m_loginController->didFailAuthorizingClientWithUsername(QString());
        return;
    }
    Alert alert;
    alert.style = Alert::Warning;
    alert.messageText = tr("You have been logged out.");
    alert.informativeText = tr("The application will restart");
    QPointer<MCAppDelegate> self(this);
    m_services.alerts->present(alert, m_window, [self](const AlertAnswer &) {
        if (!self)
            return;
        self->resetUserDefaults();
        self->relaunchAndQuit();
    });
}

void MCAppDelegate::relaunchAndQuit()
{
    if (m_relaunching)
        return;
    m_relaunching = true;
    const QString program = QCoreApplication::applicationFilePath();
    const QStringList arguments = relaunchArguments(m_services.arguments);
    // The new process waits for this one's lock, so it starts only once the core here has
    // closed the support folder.
    if (!m_services.relaunch(program, arguments))
        qCWarning(lcShell).noquote() << "An error occurred while restarting Kerlo";
    if (m_services.quitRequests)
        m_services.quitRequests->requestQuit();
    else
        requestQuit();
}

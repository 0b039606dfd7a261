#ifndef MCAPPDELEGATE_H
#define MCAPPDELEGATE_H

#include "mcabstractobjectnode.h"
#include "mcshellservices.h"
#include "moapplicationdelegate.h"
#include "mopostednotification.h"
#include "mostorageobject.h"
#include "mouserauthenticationmanagerdelegate.h"

#include <QHash>
#include <QMap>
#include <QObject>
#include <QPointer>

#include <functional>

class MCAboutController;
class MCBottomViewController;
class MCGoToFolderPanel;
class MCGroupCreationController;
class MCHistoryPlace;
class QMenu;
class MCFileActions;
class MCUserDefaults;
class QSettings;
class MCBrowsableViewController;
class MCBrowsableViewsHelper;
class MCMainWindow;
class MCNewFileHandler;
class MCPasswordRecoveryController;
class MCPreferencesWindowController;
class MCPreviewGenerator;
class MCQuickLookController;
class MCViewOptionsController;
class MCWelcomeController;
class MCWindowLoginController;
class QAction;
class QWidget;

// The application's composition root: it launches, waits for the service, asks for a
// sign-in, starts the signed-in user's work, signs out with a relaunch and quits in step with
// the core's shut-down. Main thread only.
class MCAppDelegate
    : public QObject
    , public MOApplicationDelegate
    , public MOUserAuthenticationManagerDelegate
{
    Q_OBJECT
public:
    explicit MCAppDelegate(const MCShellServices &services, QObject *parent = nullptr);
    ~MCAppDelegate() override;

    // Builds the main window, registers the observers and starts networking. Call once from
    // inside the event loop.
    void applicationDidFinishLaunching();

    // A later launch's arguments (forwarded by the single instance) or a URL event.
    void handleArguments(const QStringList &arguments);
    void handleURL(const QUrl &url);

    // MOApplicationDelegate
    void applicationDidFinishSetup(MOApplication *application) override;
    void applicationDidFinishShutdown(MOApplication *application) override;

    // MOUserAuthenticationManagerDelegate
    void authManagerDidAuthenticateSuccessfully(MOUserAuthenticationManager *manager,
                                                const QString &user) override;
    void authManagerDidAuthorizeClientSuccessfully(MOUserAuthenticationManager *manager,
                                                   const QString &user) override;
    void authManagerDidFailAuthenticatingUserWithError(MOUserAuthenticationManager *manager,
                                                       const QString &user,
                                                       const MOError &error) override;
    void authManagerDidFailAuthorizingClientWithError(MOUserAuthenticationManager *manager,
                                                      const QString &user,
                                                      const MOError &error) override;
    void authManagerRequiresAuthentication(MOUserAuthenticationManager *manager) override;
    void authManagerLogoutPerformed(MOUserAuthenticationManager *manager) override;

    // The user defaults (QSettings): loaded once the core is ready, saved while a user is
    // signed in, emptied at sign-out.
    void loadUserDefaults();
    void saveUserDefaults();
    void resetUserDefaults();
    // The application became inactive: saves at most once every 300 seconds.
    void applicationDidResignActive();

    // The menu command "Sign Out": asks, then signs out.
    void disconnect();
    // The one road to quitting; further requests while one is under way are ignored.
    void requestQuit();

    // The relaunch after sign-out: the program and its arguments, passed one by one.
    static QStringList relaunchArguments(const QStringList &processArguments);

    // The share-link popover for a link just made, and a fresh list on the share-links page.
    // The toolbar's Share button reaches it through MCFileActions::getShareLink().
    void showShareLinkPopupWith(const QUrl &link, const MOStorageObject &object);
    // The popover's e-mail form for an existing link.
    void showSendShareLinkViaEmailWith(const QUrl &link, const QString &filePath);

    // State, for the windows and for tests.
    MCMainWindow *mainWindow() const;
    MCWindowLoginController *loginController() const;
    MCBrowsableViewController *iconController() const;
    // The browser views by index: 0 icons, 1 list, 2 columns; null for another index.
    MCBrowsableViewController *browserView(int index) const;
    // Shows the browser view of index in place of the one shown (or of a page), with the
    // same folder and the same items selected.
    void switchView(int index);
    // Opens the View Options window on the view shown, or closes it when it is open.
    void showViewOptions();
    MCViewOptionsController *viewOptionsController() const;
    MCBottomViewController *bottomViewController() const;
    // The file commands behind the menus.
    MCFileActions *fileActions() const { return m_fileActions; }
    bool didFinishSetup() const { return m_didFinishSetup; }
    bool objectsManagerSetup() const { return m_objectsManagerSetup; }
    bool firstObjectsFetchDone() const { return m_firstObjectsFetchDone; }
    bool isShuttingDown() const { return m_shuttingDown; }
    int sessionStartCount() const { return m_sessionStarts; }
    // The page shown for a location ("transfers://", ...); null before the session starts.
    QWidget *page(const QString &location) const;
    // A page's window and history-menu title; empty for anything that is not a page.
    static QString pageTitle(const QString &location);
    // A page made the first time it is shown ("account://", "links://", ...): until one is
    // registered, its Go item stays disabled.
    void addPageFactory(const QString &location, std::function<QWidget *()> make);

    // --- The window's commands (mcappdelegatewindow.cpp) ---

    // The status bar, the path bar and the sidebar hidden or shown; each choice is kept in the
    // options ("StatusBarIsInvisible", "PathBarIsVisible", "SideBarWidth").
    void hideStatusBar(bool hide);
    void hidePathBar(bool hide);
    void hideSideBar(bool hide);
    // Fills a history menu: the back menu (tag 0) or the forward one, nearest entry first.
    void menuNeedsUpdate(QMenu *menu, int tag);
    // An entry of a history menu was chosen: position 0 is the nearest.
    void backForwardMenuSelection(int tag, int position);
    // Fills the toolbar's path menu with the folders holding the one shown, nearest first.
    void populatePopupPath();
    // A folder of the path menu was chosen.
    void popupPathSelection(const QString &path);
    void goEnclosingFolder();
    void showGoToFolderSheet();
    // The sheet's Go: the typed text, kept inside the store, is looked for.
    void goToFolder(const QString &text);
    MCGoToFolderPanel *goToFolderPanel() const;
    bool goToFolderMode() const { return m_goToFolderMode; }
    void showHiddenFiles(bool show);
    void reloadCurrentPath();

    // --- Get Info and Quick Look (mcappdelegateinspectors.cpp) ---
    // A Get Info window for each node (for the folder shown when there is none); a path whose
    // window is open gets no second one.
    void showGetInfo(const MCNodeList &nodes);
    // Shows the preview window on the browser's selection, or hides it when shown.
    void togglePreviewPanel();
    // Made on the first showing; null before.
    MCQuickLookController *quickLookController() const;

    // --- The application's small windows (mcappdelegatewindows.cpp); each is made on first
    // use and then kept ---
    void showAboutWindow();
    // The preferences; closing them saves the user defaults.
    void openPreferencesWindow();
    // The guided tour from its first slide. It also opens by itself at the session's start
    // until its check box is ticked.
    void showWelcomeTour();
    // The password window with its forgotten-password form (true) or change-password form.
    void showPasswordRecovery(bool forgot);
    // The New File menu's templates window.
    void showNewFileHandler();
    MCAboutController *aboutController() const;
    MCPreferencesWindowController *preferencesController() const;
    MCWelcomeController *welcomeController() const;
    MCPasswordRecoveryController *passwordRecoveryController() const;
    MCNewFileHandler *newFileHandler() const;
    // The group-creation window (menu "Create Group..."): made on first use; brought forward
    // with a fresh selection when it was not visible.
    void toggleWindowGroupCreation();
    MCGroupCreationController *groupCreationController() const;
    // The menu items that open them: About, Preferences, the tour.
    QAction *aboutAction() const;
    QAction *preferencesAction() const;
    // The service's web site (the API root without its path).
    QUrl webSite() const;

signals:
    // The session has started and the first fetch of "/" has completed.
    void firstFetchDone();
    // The core has shut down; the event loop is about to end.
    void readyToQuit();

private:
    void connectivityNotification(const MOPostedNotification &notification);
    void setConnectivityStatus(qint64 status);
    void login();
    void showLoginWindow();
    void sessionStart(const QString &user);
    // The service's word on a provider callback: thanks when it lists the provider as linked.
    void providerLinkChecked(bool reloaded);
    // Once per process: the keyring did not keep the sign-in, so the next launch asks again.
    void sayIfCredentialsNotKept();
    // Once, at launch: what the core could not keep of the last run (a damaged store).
    void sayWhatWasLostAtStart();
    void userSessionSpecificInitialization();
    void applicationStart();
    void changeToRoot();
    // Back (0) or forward (any other direction) one step in the history.
    void goBackForward(int direction);
    // A Go-menu or sidebar choice: "home" or a page's pseudo-URL.
    void menuGoSwitchView(const QString &target);
    // The hub's page location changed: shows that page, or the browser for the empty text.
    void notBrowsableHandler();
    // Files chosen for a person or group (a sidebar drop, a Send to item).
    void sendFilesToEntity(QObject *entity, const QStringList &remotePaths,
                           const QMap<QString, QStringList> &externalObjects);
    void disableCloudBrowseNavigation(bool disable);
    void setupWindowCommands();
    // The bars as the loaded options want them, without recording anything.
    void applyStoredBars();
    // The toolbar's buttons and the selection-dependent items for what is on screen now.
    void updateToolbarState();
    void endGoToFolderSheet();
    // Goes to a history entry: a folder, or a page or chat shown instead of the browser.
    void goToHistoryEntry(const MCHistoryPlace &place);
    void updateWindowTitle();
    void addPage(const QString &location, QWidget *page);
    // The view menus' items that pick the view and open its options.
    void connectViewChoices();
    // The contacts page, the sidebar's people and the Send to menus, wired to the hub.
    void setUpPeople();
    // The number of chats with unread messages changed: the launcher badge shows it, and a
    // rise asks for the user's attention (with a sound when sounds are on).
    void dockNotificationsHandler();
    void viewOptionsShown(bool shown);
    void accountSizesNotification(const MOPostedNotification &notification);
    // Connects the menus' Get Info and Quick Look and the views' selections to the windows.
    void setupInspectors();
    // Connects the menu commands of the small windows and the New File menu's customizing.
    void setupSmallWindows();
    void currentPathChanged();
    void currentNodeChanged();
    void relaunchAndQuit();
    void applicationWillTerminate();
    QString applicationString(const QString &user = QString()) const;

    MCShellServices m_services;
    QPointer<MCMainWindow> m_window;
    QPointer<MCWindowLoginController> m_loginController;
    QPointer<MCBottomViewController> m_bottomView;
    QList<QPointer<MCBrowsableViewController>> m_browserViews;
    QHash<QString, QPointer<QWidget>> m_pages;
    QHash<QString, std::function<QWidget *()>> m_pageFactories;
    QPointer<MCGoToFolderPanel> m_goToFolderPanel;
    int m_rememberedViewIndex = 0;
    bool m_goToFolderMode = false;
    MCBrowsableViewsHelper *m_viewsHelper = nullptr;
    QPointer<MCViewOptionsController> m_viewOptions;
    MCFileActions *m_fileActions = nullptr;
    MCPreviewGenerator *m_previewGenerator = nullptr;
    QPointer<MCQuickLookController> m_quickLook;
    QPointer<MCAboutController> m_about;
    QPointer<MCPreferencesWindowController> m_preferences;
    QPointer<MCWelcomeController> m_welcome;
    QPointer<MCPasswordRecoveryController> m_passwordRecovery;
    QPointer<MCNewFileHandler> m_newFileHandler;
    QPointer<MCGroupCreationController> m_groupCreation;
    QString m_sessionUser;
    QSettings *m_settings;
    MCUserDefaults *m_userDefaults;
    bool m_didFinishSetup = false;
    bool m_shuttingDown = false;
    bool m_terminated = false;
    bool m_objectsManagerSetup = false;
    bool m_firstObjectsFetchDone = false;
    // The fetch of "/" changeToRoot() sent has not ended: it is not sent again meanwhile.
    bool m_rootFetchOut = false;
    bool m_serviceOnline = false; // the last connectivity report said so
    bool m_relaunching = false;
    bool m_saidCredentialsNotKept = false;
    bool m_checkingProviderLink = false; // from a provider callback to the end of its alert
    bool m_walkingHistory = false;
    int m_sessionStarts = 0;
};

#endif // MCAPPDELEGATE_H

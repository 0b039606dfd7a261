#include "mcappdelegate.h"

#include "alertpresenter.h"
#include "autostart.h"
#include "clock.h"
#include "mcbottomviewcontroller.h"
#include "mcbrowsableviewcontroller.h"
#include "mcbrowsableviewshelper.h"
#include "mcenglishplurals.h"
#include "mcfileactions.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcsettingsfile.h"
#include "mcshelllogging.h"
#include "mcthirdpartyservicesdiscoverer.h"
#include "mcuserdefaults.h"
#include "mcwarningviewcontroller.h"
#include "mcwindowlogincontroller.h"
#include "moapiavailabilitymanager.h"
#include "moapplication.h"
#include "moavailabilitynotification.h"
#include "moconstants.h"
#include "monotificationcenter.h"
#include "moobjectsmanager.h"
#include "mouserauthenticationmanager.h"
#include "quitrequests.h"
#include "singleinstance.h"
#include "updater.h"

#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QSettings>
#include <QSplitter>
#include <QUrl>

MCAppDelegate::MCAppDelegate(const MCShellServices &services, QObject *parent)
    : QObject(parent)
    , m_services(services)
    // Named explicitly: with no organisation set, a default QSettings reports every write as
    // failed.
    , m_settings(MCSettingsFile::open(m_services.bundle.name(), this))
    , m_userDefaults(new MCUserDefaults(
          MCManager::sharedManager()->options(), m_settings,
          [] { return MOApplication::sharedInstance()->isInitialized(); },
          [] { return MOUserAuthenticationManager::sharedInstance()->isAuthenticated(); }, this))
{
    if (Autostart *autostart = m_services.autostart) {
        m_userDefaults->setStartAtLogin([autostart] { return autostart->isEnabled(); },
                                        [autostart](bool enabled) {
                                            if (!autostart->setEnabled(enabled))
                                                qCWarning(lcShell) << "The autostart entry could "
                                                                      "not be changed";
                                        });
    }
    if (Clock *clock = m_services.clock)
        m_userDefaults->setClock([clock] { return clock->now(); });
    if (!m_services.relaunch) {
        m_services.relaunch = [](const QString &program, const QStringList &arguments) {
            return SingleInstance::relaunch(program, arguments);
        };
    }
}

MCAppDelegate::~MCAppDelegate()
{
    applicationWillTerminate();
}

QString MCAppDelegate::applicationString(const QString &user) const
{
    const QString base = QStringLiteral("%1 - %2").arg(m_services.bundle.identifier(),
                                                       m_services.bundle.versionText());
    return user.isNull() ? base : QStringLiteral("%1; user: %2").arg(base, user);
}

void MCAppDelegate::applicationDidFinishLaunching()
{
    if (m_window)
        return;
    if (m_services.updater)
        m_services.updater->setAutomaticallyChecksForUpdates(false);
    if (m_services.quitRequests) {
        connect(m_services.quitRequests, &QuitRequests::quitRequested, this,
                &MCAppDelegate::requestQuit);
    }
    if (m_services.singleInstance) {
        connect(m_services.singleInstance, &SingleInstance::argumentsReceived, this,
                &MCAppDelegate::handleArguments);
    }
    // Counts read "1 new message", "2 new messages".
    QCoreApplication::installTranslator(new MCEnglishPlurals(this));
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state == Qt::ApplicationInactive)
                    applicationDidResignActive();
            });

    m_window = new MCMainWindow;
    m_window->setAttribute(Qt::WA_DeleteOnClose, false);
    // Every window of the program shows the main window's icon (the application's).
    QApplication::setWindowIcon(m_window->windowIcon());
    connect(m_window, &MCMainWindow::closeRequested, this, [this] {
        saveUserDefaults();
        if (m_services.quitRequests)
            m_services.quitRequests->requestQuit(QuitRequests::LastWindowClosed);
        else
            requestQuit();
    });
    connect(m_window->quitAction(), &QAction::triggered, this, [this] {
        if (m_services.quitRequests)
            m_services.quitRequests->requestQuit(QuitRequests::Command);
        else
            requestQuit();
    });
    connect(m_window->signOutAction(), &QAction::triggered, this, &MCAppDelegate::disconnect);
    m_window->signOutAction()->setEnabled(false);
    m_fileActions = new MCFileActions(m_services.alerts, this);
    m_fileActions->setWindow(m_window);
    m_window->setFileActions(m_fileActions);
    setupWindowCommands();

    MOApplication::sharedInstance()->setDelegate(this);
    MOAPIAvailabilityManager *availability = MOAPIAvailabilityManager::sharedInstance();
    availability->notificationCenter()->addObserver(this, &MCAppDelegate::connectivityNotification,
                                                    MOAPIAvailabilityChangedNotification);

    // Until the service answers, the main window with its banner is the only feedback.
    m_window->show();
    sayWhatWasLostAtStart();
    MOApplication::sharedInstance()->setupNetwork();
}

void MCAppDelegate::sayWhatWasLostAtStart()
{
    const QStringList lost = MOApplication::sharedInstance()->lostAtStart();
    if (lost.isEmpty() || !m_services.alerts)
        return;
    qCWarning(lcShell).noquote() << "Lost at start:" << lost.join(QLatin1Char(' '));
    Alert alert;
    alert.messageText = tr("Some saved data could not be read");
    alert.informativeText = lost.join(QStringLiteral("\n\n"));
    alert.buttons = QStringList{tr("OK")};
    m_services.alerts->present(alert, m_window, [](const AlertAnswer &) {});
}

void MCAppDelegate::handleArguments(const QStringList &arguments)
{
    bool sawURL = false;
    for (const QString &argument : arguments.mid(1)) {
        const QUrl url(argument, QUrl::StrictMode);
        if (url.isValid() && url.scheme() == QLatin1String("kerlo")) {
            sawURL = true;
            handleURL(url);
        }
    }
    if (sawURL)
        return;
    // A plain second launch: bring the application's window forward.
    QWidget *front = m_loginController && m_loginController->isVisible()
                         ? static_cast<QWidget *>(m_loginController)
                         : static_cast<QWidget *>(m_window);
    if (front) {
        front->show();
        front->raise();
        front->activateWindow();
    }
}

void MCAppDelegate::handleURL(const QUrl &url)
{
    if (url.host() != QLatin1String("thirdpartyproviders"))
        return;
    // The callback names its provider; only one is known, and no other is thanked for.
    QString provider = url.path(QUrl::FullyDecoded).mid(1);
    if (provider.endsWith(QLatin1Char('/')))
        provider.chop(1);
    if (provider.compare(MCThirdPartyServicesDiscoverer::Dropbox, Qt::CaseInsensitive) != 0) {
        qCInfo(lcShell) << "Ignored a callback for a provider Kerlo does not link with";
        return;
    }
    // The callback only means something to a signed-in user who started the linking.
    if (!m_objectsManagerSetup) {
        qCInfo(lcShell) << "Ignored a provider callback while nobody is signed in";
        return;
    }
    // Any local program can send the callback: only the service can say the link was made.
    // Callbacks that come while one is checked or its alert is open are part of it.
    if (m_checkingProviderLink)
        return;
    m_checkingProviderLink = true;
    QPointer<MCAppDelegate> self(this);
    MOUserAuthenticationManager::sharedInstance()->reloadAccount([self](bool reloaded) {
        if (self)
            self->providerLinkChecked(reloaded);
    });
}

void MCAppDelegate::providerLinkChecked(bool reloaded)
{
    const bool linked =
        reloaded &&
        MOUserAuthenticationManager::sharedInstance()->account().linkedProviders().contains(
            MCThirdPartyServicesDiscoverer::Dropbox);
    Alert alert;
    alert.messageText = tr("Dropbox link");
    if (linked) {
        alert.informativeText = tr("Thank you for linking Kerlo with Dropbox. You can now send "
                                   "files directly from your Dropbox folder.");
        MCManager::sharedManager()->addLinkedProvider(MCThirdPartyServicesDiscoverer::Dropbox);
    } else if (reloaded) {
        alert.informativeText = tr("The link with Dropbox did not complete: your Kerlo account "
                                   "does not list Dropbox as linked. Please try linking again.");
    } else {
        alert.informativeText = tr("The link with Dropbox did not complete: Kerlo could not "
                                   "confirm it with the service. Please try linking again.");
    }
    alert.buttons = QStringList{tr("OK")};
    alert.icon = QPixmap(QStringLiteral(":/browser/images/kerlo-dropbox.svg"));
    qCInfo(lcShell) << "Provider callback checked; linked:" << linked;
    QPointer<MCAppDelegate> self(this);
    m_services.alerts->present(alert, m_window, [self](const AlertAnswer &) {
        if (self)
            self->m_checkingProviderLink = false;
    });
}

void MCAppDelegate::connectivityNotification(const MOPostedNotification &notification)
{
    const MOAPIAvailabilityManager::Status status =
        MOAvailabilityNotification(notification).status();
    setConnectivityStatus(MCWarningViewController::statusForConnectivity(status));
    // Reports come every few seconds, changed or not. The shown folder is fetched again when
    // the service is back: meanwhile the live updates keep it current, and fetching a large
    // folder at every report would keep the interface busy.
    const bool cameBack = status == MOAPIAvailabilityManager::Online && !m_serviceOnline;
    m_serviceOnline = status == MOAPIAvailabilityManager::Online;
    if (status != MOAPIAvailabilityManager::Online) {
        if (m_loginController)
            m_loginController->didFailConnecting();
        return;
    }
    if (m_objectsManagerSetup && !m_firstObjectsFetchDone)
        changeToRoot();
    else if (cameBack && m_objectsManagerSetup &&
             MCManager::sharedManager()->notBrowsablePath().isEmpty() &&
             !MCManager::sharedManager()->currentPath().isEmpty())
        MCManager::sharedManager()->changeToPath(MCManager::sharedManager()->currentPath(), this);
}

void MCAppDelegate::setConnectivityStatus(qint64 status)
{
    if (!m_window)
        return;
    MCWarningViewController *banner = m_window->banner();
    banner->setStatus(status);
    banner->setVisible(status != MCWarningViewController::Hidden);
}

void MCAppDelegate::applicationDidFinishSetup(MOApplication *)
{
    if (m_didFinishSetup)
        return;
    MOUserAuthenticationManager *auth = MOUserAuthenticationManager::sharedInstance();
    auth->setDelegate(this);
    loadUserDefaults();
    auth->reload();
    m_didFinishSetup = true;
}

void MCAppDelegate::requestQuit()
{
    if (m_shuttingDown)
        return;
    if (m_didFinishSetup)
        saveUserDefaults();
    m_shuttingDown = true;
    qCInfo(lcShell) << "Quitting: shutting the core down";
    MOApplication::sharedInstance()->shutdown();
}

void MCAppDelegate::applicationDidFinishShutdown(MOApplication *)
{
    if (m_services.quitRequests)
        m_services.quitRequests->requestHandled(true);
    applicationWillTerminate();
    emit readyToQuit();
    QCoreApplication::quit();
}

void MCAppDelegate::applicationWillTerminate()
{
    if (m_terminated)
        return;
    m_terminated = true;
    if (m_loginController)
        delete m_loginController;
    // Called from the event loop, never from inside one of the window's own handlers.
    if (m_window) {
        m_window->hide();
        delete m_window.data();
    }
    delete m_viewsHelper;
    m_viewsHelper = nullptr;
    // The hub goes last: the pages above point into it, and it points at the services main()
    // keeps on its stack, which go after this.
    MCManager::dismissSharedManager();
}

MCMainWindow *MCAppDelegate::mainWindow() const
{
    return m_window;
}

MCWindowLoginController *MCAppDelegate::loginController() const
{
    return m_loginController;
}

MCBottomViewController *MCAppDelegate::bottomViewController() const
{
    return m_bottomView;
}

MCBrowsableViewController *MCAppDelegate::iconController() const
{
    return m_browserViews.isEmpty() ? nullptr : m_browserViews.first().data();
}

QStringList MCAppDelegate::relaunchArguments(const QStringList &processArguments)
{
    return processArguments.mid(1);
}

// The application delegate's small windows: About, the preferences, the guided tour, the
// password window, the New File templates and group creation. Each is made on first use and kept;
// showing it again brings the same window forward.
#include "mcappdelegate.h"

#include "mcaboutcontroller.h"
#include "mcbrowsableviewcontroller.h"
#include "mcfileactions.h"
#include "mcgroupcreationcontroller.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcnewfilehandler.h"
#include "mcnewfiletemplatesmodel.h"
#include "mcpasswordrecoverycontroller.h"
#include "mcpopupplacement.h"
#include "mcpreferences1controller.h"
#include "mcpreferenceswindowcontroller.h"
#include "mcwelcomecontroller.h"
#include "mouserauthenticationmanager.h"

#include <QAction>

namespace {

void bringForward(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

void MCAppDelegate::setupSmallWindows()
{
    connect(m_fileActions, &MCFileActions::newFilesCustomizationRequested, this,
            &MCAppDelegate::showNewFileHandler);
    if (!m_window)
        return;
    m_window->setCommandHandler(MCMainWindow::About, [this] { showAboutWindow(); });
    m_window->setCommandHandler(MCMainWindow::Preferences, [this] { openPreferencesWindow(); });
    m_window->setCommandHandler(MCMainWindow::WelcomeTour, [this] { showWelcomeTour(); });
    m_window->setCommandHandler(MCMainWindow::CreateGroup, [this] { toggleWindowGroupCreation(); });
    // Most Linux desktops name no standard key for the preferences; Ctrl+, is the common one.
    QAction *preferences = m_window->commandAction(MCMainWindow::Preferences);
    if (preferences->shortcut().isEmpty())
        preferences->setShortcut(QKeySequence(Qt::CTRL + Qt::Key_Comma));
}

void MCAppDelegate::showAboutWindow()
{
    if (!m_about)
        m_about = new MCAboutController(m_services.bundle, webSite(), m_window);
    bringForward(m_about);
}

void MCAppDelegate::openPreferencesWindow()
{
    if (!m_preferences) {
        MCManager *hub = MCManager::sharedManager();
        auto *general = new MCPreferences1Controller(hub->options(), m_services.autostart);
        m_preferences = new MCPreferencesWindowController({general}, tr("Preferences"), m_window);
        connect(m_preferences, &MCPreferencesWindowController::windowWillClose, this,
                &MCAppDelegate::saveUserDefaults);
    }
    bringForward(m_preferences);
}

void MCAppDelegate::showWelcomeTour()
{
    if (!m_welcome)
        m_welcome = new MCWelcomeController(MCManager::sharedManager()->options(), m_window);
    m_welcome->resetView();
    bringForward(m_welcome);
}

void MCAppDelegate::showPasswordRecovery(bool forgot)
{
    if (!m_passwordRecovery)
        m_passwordRecovery =
            new MCPasswordRecoveryController(m_services.bundle.name(), webSite(), m_window);
    m_passwordRecovery->setPasswordForgot(forgot);
    bringForward(m_passwordRecovery);
}

void MCAppDelegate::showNewFileHandler()
{
    if (!m_newFileHandler) {
        MCManager *hub = MCManager::sharedManager();
        m_newFileHandler = new MCNewFileHandler(hub->options(), hub->templatesPath(), m_window);
        connect(m_newFileHandler, &MCNewFileHandler::windowWillClose, this,
                &MCAppDelegate::saveUserDefaults);
    }
    m_newFileHandler->model()->loadNewFilesInfo();
    bringForward(m_newFileHandler);
}

void MCAppDelegate::toggleWindowGroupCreation()
{
    if (!m_groupCreation)
        m_groupCreation =
            new MCGroupCreationController(MCManager::sharedManager()->people(),
                                          MOUserAuthenticationManager::sharedInstance(), m_window);
    const bool opening = !m_groupCreation->isVisible();
    if (opening)
        m_groupCreation->resetSelection();
    // Over the window it was asked from, not wherever the desktop puts a new window.
    if (opening && m_window)
        MCPopupPlacement::placeCentredOver(m_groupCreation, m_window);
    bringForward(m_groupCreation);
    if (opening && m_window)
        MCPopupPlacement::placeCentredOver(m_groupCreation, m_window);
}

MCGroupCreationController *MCAppDelegate::groupCreationController() const
{
    return m_groupCreation;
}

MCAboutController *MCAppDelegate::aboutController() const
{
    return m_about;
}

MCPreferencesWindowController *MCAppDelegate::preferencesController() const
{
    return m_preferences;
}

MCWelcomeController *MCAppDelegate::welcomeController() const
{
    return m_welcome;
}

MCPasswordRecoveryController *MCAppDelegate::passwordRecoveryController() const
{
    return m_passwordRecovery;
}

MCNewFileHandler *MCAppDelegate::newFileHandler() const
{
    return m_newFileHandler;
}

QAction *MCAppDelegate::aboutAction() const
{
    return m_window ? m_window->commandAction(MCMainWindow::About) : nullptr;
}

QAction *MCAppDelegate::preferencesAction() const
{
    return m_window ? m_window->commandAction(MCMainWindow::Preferences) : nullptr;
}

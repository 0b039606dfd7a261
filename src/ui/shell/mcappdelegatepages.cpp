// The page half of the application delegate: the content area shows either the browser or one
// page (transfers, console, notifications), and going between them is part of the history.
#include "mcappdelegate.h"

#include "mcabstractobjectnode.h"
#include "mcbrowsableviewcontroller.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcshelllogging.h"
#include "mcsidebarcontroller.h"
#include "mcstring.h"

namespace {

const QString Home = QStringLiteral("home");

} // namespace

QString MCAppDelegate::pageTitle(const QString &location)
{
    static const QList<QPair<QString, const char *>> titles = {
        {QStringLiteral("account://"), QT_TR_NOOP("Account")},
        {QStringLiteral("transfers://"), QT_TR_NOOP("Transfers")},
        {QStringLiteral("links://"), QT_TR_NOOP("Share Links")},
        {QStringLiteral("errors://"), QT_TR_NOOP("Console")},
        {QStringLiteral("addcontact://"), QT_TR_NOOP("Add Contact...")},
        {QStringLiteral("contacts://"), QT_TR_NOOP("Contacts")},
        {QStringLiteral("messages://"), QT_TR_NOOP("Notifications")},
    };
    for (const auto &title : titles) {
        if (title.first == location)
            return tr(title.second);
    }
    return QString();
}

void MCAppDelegate::addPage(const QString &location, QWidget *page)
{
    m_window->addContent(page);
    m_pages.insert(location, page);
}

QWidget *MCAppDelegate::page(const QString &location) const
{
    return m_pages.value(location);
}

void MCAppDelegate::menuGoSwitchView(const QString &target)
{
    MCManager *hub = MCManager::sharedManager();
    if (!m_window || m_window->sidebar()->selectionDisabled() || hub->currentPath().isEmpty())
        return;
    QWidget *shown = hub->notBrowsableController();
    if (target == Home) {
        if (!shown) {
            if (hub->currentPath() == QLatin1String("/"))
                return;
            hub->clearForwardHistory();
            hub->addBackPath(hub->currentPath());
        } else {
            hub->addBackPath(hub->notBrowsablePath());
            hub->clearForwardHistory();
            hub->setNotBrowsablePath(QStringLiteral(""));
            if (hub->currentPath() == QLatin1String("/"))
                return;
        }
        const MCNodePtr root = hub->modelRootNode();
        hub->changeToPath(root ? root->filePath() : QStringLiteral("/"), this);
        return;
    }
    if (pageTitle(target).isEmpty() || target == hub->notBrowsablePath())
        return;
    // Leaving the browser, the handler remembers the folder.
    if (shown)
        hub->addBackPath(hub->notBrowsablePath());
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
        m_window->sidebar()->checkCorrectSelection();
        updateWindowTitle();
        return;
    }
    QWidget *next = page(location);
    if (!next) {
        // Nothing can be shown for it: the browser is better than an empty window.
        qCWarning(lcShell).noquote() << "No page for" << location << "- showing the browser";
        hub->setNotBrowsablePath(QStringLiteral(""));
        return;
    }
    if (shown)
        shown->hide();
    else if (hub->currentNode() && !m_walkingHistory)
        hub->addBackPath(hub->currentNode()->filePath());
    disableCloudBrowseNavigation(true);
    hub->setNotBrowsableController(next);
    next->show();
    next->setFocus(Qt::OtherFocusReason);
    m_window->sidebar()->checkCorrectSelection();
    updateWindowTitle();
}

void MCAppDelegate::disableCloudBrowseNavigation(bool disable)
{
    MCBrowsableViewController *browser = MCManager::sharedManager()->selectedController();
    if (!browser)
        return;
    browser->setVisible(!disable);
    if (!disable)
        browser->firstResponder()->setFocus(Qt::OtherFocusReason);
}

void MCAppDelegate::updateWindowTitle()
{
    MCManager *hub = MCManager::sharedManager();
    if (!m_window)
        return;
    const QString location = hub->notBrowsablePath();
    if (!location.isEmpty()) {
        m_window->setWindowTitle(pageTitle(location));
        m_window->setWindowFilePath(QString());
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
}

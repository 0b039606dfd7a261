// The people half of the application delegate: the contacts page, the sidebar's people and the
// Send to menus, all of which hand chosen files to the hub.
#include "mcappdelegate.h"

#include "mcbrowsableviewcontroller.h"
#include "mccontactsviewcontroller.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcmenuselection.h"
#include "mcsidebarcontroller.h"

#include <QPushButton>

void MCAppDelegate::setUpPeople()
{
    MCManager *hub = MCManager::sharedManager();
    const QString contacts = QStringLiteral("contacts://");
    addPageFactory(contacts, [this, hub]() -> QWidget * {
        auto *page = new MCContactsViewController(hub);
        const QString addContact = QStringLiteral("addcontact://");
        // A button leads only where there is something to show.
        page->buttonAddContact()->setEnabled(m_pageFactories.contains(addContact) ||
                                             this->page(addContact));
        page->buttonCreateGroup()->setEnabled(false);
        connect(page, &MCContactsViewController::addContactRequested, this,
                [this, addContact] { menuGoSwitchView(addContact); });
        connect(page, &MCContactsViewController::conversationRequested, this,
                [this](MCSocialEntity *entity) {
                    menuGoSwitchView(MCSidebarModel::rowFor(entity).title);
                });
        return page;
    });

    MCSidebarController *sidebar = m_window->sidebar();
    connect(sidebar, &MCSidebarController::sendFilesRequested, hub,
            [hub](QObject *entity, const QStringList &remotePaths, const QStringList &localPaths) {
                hub->sendFiles(qobject_cast<MCSocialEntity *>(entity), remotePaths, localPaths);
            });
    if (MCMenuSelection *menu = hub->menuSelection()) {
        connect(menu, &MCMenuSelection::sendFilesRequested, hub,
                [hub, sidebar](MCSocialEntity *entity, const QStringList &remotePaths) {
                    hub->sendFiles(entity, remotePaths, {});
                    sidebar->selectSidebarContact(entity);
                });
    }
}

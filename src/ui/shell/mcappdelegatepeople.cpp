// The people half of the application delegate: the contacts page and the Send to menus.
#include "mcappdelegate.h"

#include "mcbrowsableviewcontroller.h"
#include "mccontactsviewcontroller.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcmenuselection.h"
#include "mcsidebarcontroller.h"
#include "mcsocialentity.h"

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
        connect(page, &MCContactsViewController::addContactRequested, this,
                [this, addContact] { menuGoSwitchView(addContact); });
        connect(page, &MCContactsViewController::createGroupRequested, this,
                &MCAppDelegate::toggleWindowGroupCreation);
        connect(page, &MCContactsViewController::conversationRequested, this,
                [this](MCSocialEntity *entity) { menuGoSwitchView(entity->title()); });
        return page;
    });

    // Send to takes the sidebar drop's way, and selects the person or group as a drop does.
    if (MCMenuSelection *menu = hub->menuSelection()) {
        connect(menu, &MCMenuSelection::sendFilesRequested, this,
                [this](MCSocialEntity *entity, const QStringList &remotePaths) {
                    sendFilesToEntity(entity, remotePaths, {});
                    m_window->sidebar()->selectSidebarContact(entity);
                });
    }
}

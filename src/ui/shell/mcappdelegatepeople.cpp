// The people half of the application delegate: the contacts page, the Send to menus and the
// launcher badge of unread chats.
#include "mcappdelegate.h"

#include "launcherbadge.h"
#include "mcbrowsableviewcontroller.h"
#include "mcchatsupport.h"
#include "mccontactsviewcontroller.h"
#include "mcmainwindow.h"
#include "mcmanager.h"
#include "mcmenuselection.h"
#include "mcoptions.h"
#include "mcsidebarcontroller.h"
#include "mcsocialentity.h"
#include "soundplayer.h"

#include <QPushButton>

void MCAppDelegate::setUpPeople()
{
    MCManager *hub = MCManager::sharedManager();
    const QString contacts = QStringLiteral("contacts://");
    addPageFactory(contacts, [this, hub]() -> QWidget * {
        auto *page = new MCContactsViewController(hub->people());
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
    // Queued: the rooms one answer of the service brings are one rise of the count.
    connect(&hub->chatSupport(), &MCChatSupport::dockNotificationsChanged, this,
            &MCAppDelegate::dockNotificationsHandler, Qt::QueuedConnection);
}

void MCAppDelegate::dockNotificationsHandler()
{
    if (!m_services.badge)
        return;
    MCManager *hub = MCManager::sharedManager();
    const int count = hub->chatSupport().dockNotifications().size();
    const int previous = m_services.badge->count();
    if (count != previous)
        m_services.badge->setCount(count);
    if (count <= previous)
        return;
    m_services.badge->requestAttention(m_window);
    if (m_services.sounds &&
        hub->options()->value(MCOptions::AppDelegate, MCOptions::SoundsEnabled).toBool())
        m_services.sounds->play(QStringLiteral("invitation"));
}

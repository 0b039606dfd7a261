#include "mcmenuselection.h"

#include "mccontact.h"
#include "mcfileactions.h"
#include "mcgroup.h"
#include "mchub.h"
#include "mcpeople.h"
#include "mcstring.h"

#include <QAction>
#include <QFontMetrics>
#include <QScreen>

#include <algorithm>

namespace {

// One item per entity, in the order of its name (case-sensitive, as the names are written).
template<class Entity>
QList<QPair<QString, Entity *>> sortedByName(const QList<Entity *> &entities,
                                             QString (Entity::*name)() const)
{
    QList<QPair<QString, Entity *>> named;
    for (Entity *entity : entities)
        named.append({(entity->*name)(), entity});
    std::stable_sort(named.begin(), named.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    return named;
}

// The widest name an item shows (a third of the screen at most): a submenu as wide as a long
// name would cover its parent menu and run off the screen.
const int ItemNameCharacters = 40;

QAction *addEntityItem(QMenu *submenu, const QString &name, const QPixmap &picture)
{
    const QString plain = MCString::stringForName(name);
    const QFontMetrics metrics(submenu->font());
    int width = ItemNameCharacters * metrics.averageCharWidth();
    if (const QScreen *screen = submenu->screen())
        width = qMin(width, screen->availableGeometry().width() / 3);
    const QString shown = metrics.elidedText(plain, Qt::ElideRight, width);
    QAction *item = submenu->addAction(MCString::stringForMenu(shown));
    // The whole name where it was cut.
    if (shown != plain)
        item->setToolTip(MCString::stringForToolTip(name));
    if (!picture.isNull())
        item->setIcon(QIcon(picture.scaled(16, 16, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    return item;
}

} // namespace

MCMenuSelection::MCMenuSelection(QWidget *parent)
    : MCSelectionMenu(QString(), QStringLiteral("menuSelection"), parent)
{
    addItems({Item::Open, Item::OpenWith, Item::Separator, Item::NewFolderWithSelection,
              Item::Separator, Item::Trash, Item::Separator, Item::Rename, Item::Copy,
              Item::QuickLook, Item::Separator, Item::Download, Item::Uncache, Item::Separator});
    // Before the share item, which stays two Up presses from the menu's end.
    m_sendToContacts = addSendToMenu(tr("Send to contacts"), QStringLiteral("SendToContacts"),
                                     &MCMenuSelection::fillSendFilesToContacts);
    menuItemSendToContacts = m_sendToContacts->menuAction();
    m_sendToGroups = addSendToMenu(tr("Send to groups"), QStringLiteral("SendToGroups"),
                                   &MCMenuSelection::fillSendFilesToGroups);
    menuItemSendToGroups = m_sendToGroups->menuAction();
    menuItemShare = addItem(tr("Get Share Link"), QStringLiteral("menuItemShare"));
    addItems({Item::ShowPackageContents, Item::Separator});
    menuItemViewOptions = addItem(tr("Show View Options"), QStringLiteral("menuItemViewOptions"));
    connect(menuItemViewOptions, &QAction::triggered, this, &MCMenuSelection::viewOptionsRequested);
    connect(menuItemShare, &QAction::triggered, this, &MCMenuSelection::getShareLink);
}

QMenu *MCMenuSelection::addSendToMenu(const QString &title, const QString &name,
                                      void (MCMenuSelection::*fill)(QMenu *))
{
    auto *submenu = new QMenu(title, this);
    submenu->setObjectName(QStringLiteral("menu") + name);
    submenu->setToolTipsVisible(true);
    // Filled at each opening, from the people the hub knows then.
    connect(submenu, &QMenu::aboutToShow, this, [this, submenu, fill] { (this->*fill)(submenu); });
    QAction *item = addMenu(submenu);
    item->setObjectName(QStringLiteral("menuItem") + name);
    return submenu;
}

void MCMenuSelection::fillSendFilesToContacts(QMenu *submenu)
{
    submenu->clear();
    for (const auto &contact :
         sortedByName(MCHub::sharedHub()->people()->contacts(), &MCContact::fullName)) {
        QAction *item = addEntityItem(submenu, contact.first, contact.second->roomImage());
        QPointer<MCContact> entity(contact.second);
        connect(item, &QAction::triggered, this, [this, entity] { sendFileToContact(entity); });
    }
}

void MCMenuSelection::fillSendFilesToGroups(QMenu *submenu)
{
    submenu->clear();
    for (const auto &group :
         sortedByName(MCHub::sharedHub()->people()->groups(), &MCGroup::roomName)) {
        QAction *item = addEntityItem(submenu, group.first, group.second->roomImage());
        QPointer<MCGroup> entity(group.second);
        connect(item, &QAction::triggered, this, [this, entity] { sendFileToGroup(entity); });
    }
}

void MCMenuSelection::sendFileToContact(MCContact *contact)
{
    sendFileToEntity(contact);
}

void MCMenuSelection::sendFileToGroup(MCGroup *group)
{
    sendFileToEntity(group);
}

void MCMenuSelection::sendFileToEntity(MCSocialEntity *entity)
{
    QStringList paths;
    for (const MCNodePtr &node : selectedItems())
        paths.append(node->filePath());
    if (entity && !paths.isEmpty())
        emit sendFilesRequested(entity, paths);
}

void MCMenuSelection::getShareLink()
{
    if (fileActions() && selectedItems().size() == 1)
        fileActions()->getShareLink(selectedItems().first());
}

void MCMenuSelection::showShareLink(const QUrl &link, const MOStorageObject &object)
{
    if (fileActions())
        fileActions()->showShareLink(link, object);
}

void MCMenuSelection::menuNeedsUpdate()
{
    // Opened on a selection: what does not apply to it is left out; Copy and Share stay.
    const MCNodeList nodes = selectedItems();
    const MCNodePtr one = nodes.size() == 1 ? nodes.first() : MCNodePtr();
    updateNewFolderWithSelection(Inapplicable::Hide);
    updateOpenWith(Inapplicable::Hide);
    menuItemShare->setEnabled(one && !one->isDir());
    // A folder alone is not sent; several items go, their folders left out by the chat.
    menuItemSendToContacts->setEnabled(!one || !one->isDir());
    menuItemSendToGroups->setEnabled(!one || !one->isDir());
    setApplicable(Item::Rename, nodes.size() == 1, Inapplicable::Hide);
    updateCopy(Inapplicable::Disable);
    updateQuickLook();
    updateShowPackageContents();
    updateCacheItems(Inapplicable::Hide);
}

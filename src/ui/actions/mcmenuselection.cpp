#include "mcmenuselection.h"

#include "mccontact.h"
#include "mcfileactions.h"
#include "mcgroup.h"
#include "mchub.h"
#include "mcpeople.h"
#include "mcsendtopicker.h"
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

// The most people a Send to submenu lists itself; the others are a picker away. A menu of
// hundreds is laid out in columns wider than the screen.
const int MostItems = 20;

// How many items a submenu lists on widget's screen: MostItems, or fewer where they would not
// fit in its height with room to spare.
int itemsShown(const QWidget *widget)
{
    const QScreen *screen = widget->screen();
    if (!screen)
        return MostItems;
    const int itemHeight = qMax(QFontMetrics(widget->font()).height(), 16) + 8;
    return qBound(2, screen->availableGeometry().height() / itemHeight - 3, MostItems);
}

MCMenuSelection::NamedEntities contactsByName()
{
    MCMenuSelection::NamedEntities named;
    for (const auto &contact :
         sortedByName(MCHub::sharedHub()->people()->contacts(), &MCContact::fullName))
        named.append({contact.first, contact.second});
    return named;
}

MCMenuSelection::NamedEntities groupsByName()
{
    MCMenuSelection::NamedEntities named;
    for (const auto &group :
         sortedByName(MCHub::sharedHub()->people()->groups(), &MCGroup::roomName))
        named.append({group.first, group.second});
    return named;
}

QAction *addEntityItem(QMenu *submenu, const QString &name, const QPixmap &picture)
{
    const QString shown = MCSendToPicker::shownName(name, submenu);
    QAction *item = submenu->addAction(MCString::stringForMenu(shown));
    // The whole name where it was cut.
    if (shown != MCString::stringForName(name))
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
    fillSendTo(submenu, &contactsByName, tr("All Contacts..."), &m_contactsPicker);
}

void MCMenuSelection::fillSendFilesToGroups(QMenu *submenu)
{
    fillSendTo(submenu, &groupsByName, tr("All Groups..."), &m_groupsPicker);
}

void MCMenuSelection::fillSendTo(QMenu *submenu, NamedEntities (*list)(), const QString &allTitle,
                                 QPointer<MCSendToPicker> *picker)
{
    submenu->clear();
    const NamedEntities named = list();
    const int shown = named.size() > itemsShown(submenu) ? itemsShown(submenu) - 1 : named.size();
    for (int i = 0; i < shown; ++i) {
        QAction *item = addEntityItem(submenu, named[i].first, named[i].second->roomImage());
        QPointer<MCSocialEntity> entity(named[i].second);
        connect(item, &QAction::triggered, this, [this, entity] { sendFileToEntity(entity); });
    }
    if (shown == named.size())
        return;
    submenu->addSeparator();
    QAction *all = submenu->addAction(allTitle);
    all->setObjectName(submenu->objectName() + QStringLiteral("All"));
    // The people known when it is chosen: some may have gone since the menu opened.
    connect(all, &QAction::triggered, this, [this, submenu, list, picker] {
        if (!*picker) {
            *picker = new MCSendToPicker(submenu->title(),
                                         parentWidget() ? parentWidget()->window() : this);
            (*picker)->setObjectName(QStringLiteral("picker") + submenu->objectName().mid(4));
            connect(*picker, &MCSendToPicker::entityChosen, this,
                    [this](MCSocialEntity *entity) { sendFilesToEntity(entity, m_pickerPaths); });
        }
        m_pickerPaths = selectedPaths();
        (*picker)->setEntities(list());
        (*picker)->open();
    });
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
    sendFilesToEntity(entity, selectedPaths());
}

void MCMenuSelection::sendFilesToEntity(MCSocialEntity *entity, const QStringList &paths)
{
    if (entity && !paths.isEmpty())
        emit sendFilesRequested(entity, paths);
}

QStringList MCMenuSelection::selectedPaths() const
{
    QStringList paths;
    for (const MCNodePtr &node : selectedItems())
        paths.append(node->filePath());
    return paths;
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

#include "mcmenuselection.h"

#include "mccontact.h"
#include "mcfileactions.h"
#include "mcgroup.h"
#include "mchub.h"
#include "mcstring.h"

#include <QAction>

#include <algorithm>

MCMenuSelection::MCMenuSelection(QWidget *parent)
    : MCSelectionMenu(QString(), QStringLiteral("menuSelection"), parent)
{
    addItems({Item::Open, Item::OpenWith, Item::Separator, Item::NewFolderWithSelection,
              Item::Separator, Item::Trash, Item::Separator, Item::Rename, Item::Copy,
              Item::QuickLook, Item::Separator, Item::Download, Item::Uncache, Item::Separator});
    // Before the share item, which stays two Up presses from the menu's end.
    m_sendToContacts =
        addSendToMenu(tr("Send to contacts"), QStringLiteral("SendToContacts"), false);
    menuItemSendToContacts = m_sendToContacts->menuAction();
    m_sendToGroups = addSendToMenu(tr("Send to groups"), QStringLiteral("SendToGroups"), true);
    menuItemSendToGroups = m_sendToGroups->menuAction();
    menuItemShare = addItem(tr("Get Share Link"), QStringLiteral("menuItemShare"));
    addItems({Item::ShowPackageContents, Item::Separator});
    menuItemViewOptions = addItem(tr("Show View Options"), QStringLiteral("menuItemViewOptions"));
    connect(menuItemViewOptions, &QAction::triggered, this, &MCMenuSelection::viewOptionsRequested);

    connect(menuItemShare, &QAction::triggered, this, [this] {
        if (fileActions() && selectedItems().size() == 1)
            fileActions()->getShareLink(selectedItems().first());
    });
}

QMenu *MCMenuSelection::addSendToMenu(const QString &title, const QString &name, bool groups)
{
    auto *submenu = new QMenu(title, this);
    submenu->setObjectName(QStringLiteral("menu") + name);
    // Filled at each opening, from the people the hub knows then.
    connect(submenu, &QMenu::aboutToShow, this,
            [this, submenu, groups] { fillSendFiles(submenu, groups); });
    QAction *item = addMenu(submenu);
    item->setObjectName(QStringLiteral("menuItem") + name);
    return submenu;
}

void MCMenuSelection::fillSendFiles(QMenu *submenu, bool groups)
{
    submenu->clear();
    MCHub *hub = MCHub::sharedHub();
    QList<QPair<QString, MCSocialEntity *>> people;
    if (groups) {
        for (MCGroup *group : hub->groups())
            people.append({group->roomName(), group});
    } else {
        for (MCContact *contact : hub->contacts())
            people.append({contact->fullName(), contact});
    }
    std::stable_sort(people.begin(), people.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    for (const auto &person : qAsConst(people)) {
        QAction *item = submenu->addAction(MCString::stringForMenu(person.first));
        const QPixmap picture = person.second->roomImage();
        if (!picture.isNull())
            item->setIcon(
                QIcon(picture.scaled(16, 16, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        QPointer<MCSocialEntity> entity(person.second);
        connect(item, &QAction::triggered, this, [this, entity] {
            QStringList paths;
            for (const MCNodePtr &node : selectedItems())
                paths.append(node->filePath());
            if (entity && !paths.isEmpty())
                emit sendFilesRequested(entity, paths);
        });
    }
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

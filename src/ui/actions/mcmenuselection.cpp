#include "mcmenuselection.h"

#include "mcfileactions.h"

#include <QAction>

MCMenuSelection::MCMenuSelection(QWidget *parent)
    : MCSelectionMenu(QString(), QStringLiteral("menuSelection"), parent)
{
    menuItemOpen = addItem(Item::Open);
    menuItemOpenWith = addOpenWithMenu();
    addSeparator();
    menuItemNewFolderWithSelection = addItem(Item::NewFolderWithSelection);
    addSeparator();
    menuItemTrash = addItem(Item::Trash);
    addSeparator();
    menuItemRename = addItem(Item::Rename);
    menuItemCopy = addItem(Item::Copy);
    addSeparator();
    menuItemDownload = addItem(Item::Download);
    menuItemUncache = addItem(Item::Uncache);
    addSeparator();
    menuItemShare = addItem(tr("Get Share Link"), QStringLiteral("menuItemShare"));
    menuItemShowPackageContents = addItem(Item::ShowPackageContents);

    connect(menuItemShare, &QAction::triggered, this, [this] {
        if (fileActions() && selectedItems().size() == 1)
            fileActions()->getShareLink(selectedItems().first());
    });
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
    updateNewFolderWithSelection(menuItemNewFolderWithSelection, Inapplicable::Hide);
    updateOpenWith(menuItemOpenWith, Inapplicable::Hide);
    menuItemShare->setEnabled(one && !one->isDir());
    menuItemRename->setVisible(nodes.size() == 1);
    updateCopy(menuItemCopy, Inapplicable::Disable);
    updateShowPackageContents(menuItemShowPackageContents);
    updateCacheItems(menuItemUncache, menuItemDownload, Inapplicable::Hide);
}

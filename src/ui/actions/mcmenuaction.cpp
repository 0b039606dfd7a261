#include "mcmenuaction.h"

#include <QAction>

MCMenuAction::MCMenuAction(QWidget *parent)
    : MCSelectionMenu(QString(), QStringLiteral("menuAction"), parent)
{
    menuItemNewFolder = addItem(Item::NewFolder);
    menuItemNewFolderWithSelection = addItem(Item::NewFolderWithSelection);
    addSeparator();
    menuItemOpen = addItem(Item::Open);
    menuItemOpenWith = addOpenWithMenu();
    menuItemShowPackageContents = addItem(Item::ShowPackageContents);
    addSeparator();
    menuItemTrash = addItem(Item::Trash);
    addSeparator();
    menuItemDownload = addItem(Item::Download);
    menuItemUncache = addItem(Item::Uncache);
    addSeparator();
    menuItemCopy = addItem(Item::Copy);
    menuItemPaste = addItem(Item::Paste);
    menuItemRename = addItem(Item::Rename);
}

void MCMenuAction::menuNeedsUpdate()
{
    // Whatever does not apply to the selection is left out.
    const qsizetype n = selectedItems().size();
    updateNewFolderWithSelection(menuItemNewFolderWithSelection, Inapplicable::Hide);
    menuItemTrash->setVisible(n > 0);
    menuItemOpen->setVisible(n > 0);
    updateOpenWith(menuItemOpenWith, Inapplicable::Hide);
    updateCopy(menuItemCopy, Inapplicable::Hide);
    menuItemRename->setVisible(n == 1);
    updateShowPackageContents(menuItemShowPackageContents);
    updateCacheItems(menuItemUncache, menuItemDownload, Inapplicable::Hide);
    updatePaste(menuItemPaste);
}

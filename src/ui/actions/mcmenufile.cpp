#include "mcmenufile.h"

#include <QAction>

MCMenuFile::MCMenuFile(QWidget *parent)
    : MCSelectionMenu(tr("&File"), QStringLiteral("menuFile"), parent)
{
    menuItemNewFolder = addItem(Item::NewFolder);
    menuItemNewFolderWithSelection = addItem(Item::NewFolderWithSelection);
    menuItemNewFile = addNewFileMenu();
    addSeparator();
    menuItemOpen = addItem(Item::Open);
    menuItemOpenWith = addOpenWithMenu();
    addSeparator();
    menuItemRename = addItem(Item::Rename);
    menuItemDownload = addItem(Item::Download);
    menuItemUncache = addItem(Item::Uncache);
    menuItemTrash = addItem(Item::Trash);
}

void MCMenuFile::bindKeys(QWidget *window)
{
    bindKey(menuItemNewFolder, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N), window);
    bindKey(menuItemOpen, QKeySequence::Open, window);
    bindKey(menuItemRename, QKeySequence(Qt::Key_F2), window);
    bindKey(menuItemTrash, QKeySequence::Delete, window);
}

void MCMenuFile::menuNeedsUpdate()
{
    // The menu bar's menu keeps its items and only disables what does not apply.
    const MCNodeList nodes = selectedItems();
    const qsizetype n = nodes.size();
    updateNewFolderWithSelection(menuItemNewFolderWithSelection, Inapplicable::Disable);
    menuItemRename->setEnabled(n == 1);
    updateOpenWith(menuItemOpenWith, Inapplicable::Disable);
    menuItemNewFile->setEnabled(n == 0);
    menuItemTrash->setEnabled(n > 0);
    updateCacheItems(menuItemUncache, menuItemDownload, Inapplicable::Disable);
    // Except a single file without a local copy: it has nothing to remove.
    menuItemUncache->setVisible(n != 1 || (nodes.first()->states() & MCAbstractObjectNode::Cached));
}

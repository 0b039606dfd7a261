#include "mcmenufile.h"

#include <QAction>

MCMenuFile::MCMenuFile(QWidget *parent)
    : MCSelectionMenu(tr("&File"), QStringLiteral("menuFile"), parent)
{
    addItems({Item::NewFolder, Item::NewFolderWithSelection, Item::NewFile, Item::Separator,
              Item::Open, Item::OpenWith, Item::QuickLook, Item::GetInfo, Item::Separator,
              Item::Rename, Item::Download, Item::Uncache, Item::Trash});
}

void MCMenuFile::bindKeys(QWidget *window)
{
    bindKey(item(Item::NewFolder), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N), window);
    bindKey(item(Item::Open), QKeySequence::Open, window);
    bindKey(item(Item::Rename), QKeySequence(Qt::Key_F2), window);
    bindKey(item(Item::Trash), QKeySequence::Delete, window);
    bindKey(item(Item::GetInfo), QKeySequence(Qt::CTRL | Qt::Key_I), window);
}

void MCMenuFile::menuNeedsUpdate()
{
    // The menu bar's menu keeps its items and only disables what does not apply.
    const MCNodeList nodes = selectedItems();
    const qsizetype n = nodes.size();
    updateNewFolderWithSelection(Inapplicable::Disable);
    setApplicable(Item::Rename, n == 1, Inapplicable::Disable);
    updateOpenWith(Inapplicable::Disable);
    // The new items go into the folder shown; none while a page is.
    setApplicable(Item::NewFolder, folderShown(), Inapplicable::Disable);
    setApplicable(Item::NewFile, n == 0 && folderShown(), Inapplicable::Disable);
    setApplicable(Item::Open, n > 0, Inapplicable::Disable);
    setApplicable(Item::Trash, n > 0, Inapplicable::Disable);
    updateCacheItems(Inapplicable::Disable);
    updateQuickLook();
    setApplicable(Item::GetInfo, getInfoApplies(), Inapplicable::Disable);
    // Except a single file without a local copy: it has nothing to remove.
    item(Item::Uncache)
        ->setVisible(n != 1 || (nodes.first()->states() & MCAbstractObjectNode::Cached));
}

#include "mcmenuaction.h"

#include "mcbrowsableviewcontroller.h"
#include "mcfileactions.h"
#include "mcmanager.h"
#include "mcmenutitles.h"

#include <QAction>

MCMenuAction::MCMenuAction(QWidget *parent)
    : MCSelectionMenu(QString(), parent)
{
    setObjectName(QStringLiteral("menuAction"));
    menuItemNewFolder = addItem(tr("New Folder"), QStringLiteral("menuItemNewFolder"));
    menuItemNewFolderWithSelection =
        addItem(tr("New Folder with Selection"), QStringLiteral("menuItemNewFolderWithSelection"));
    menuItemNewFolderWithSelection->setEnabled(false);
    addSeparator();
    menuItemOpen = addItem(tr("Open"), QStringLiteral("menuItemOpen"));
    menuItemOpenWith = addOpenWithMenu();
    menuItemShowPackageContents =
        addItem(tr("Show Package Contents"), QStringLiteral("menuItemShowPackageContents"));
    addSeparator();
    menuItemTrash = addItem(tr("Move to Trash"), QStringLiteral("menuItemTrash"));
    addSeparator();
    menuItemDownload = addItem(tr("Download"), QStringLiteral("menuItemDownload"));
    menuItemUncache = addItem(tr("Remove from cache"), QStringLiteral("menuItemUncache"));
    addSeparator();
    menuItemCopy = addItem(tr("Copy"), QStringLiteral("menuItemCopy"));
    menuItemPaste = addItem(MCMenuTitles::paste(0), QStringLiteral("menuItemPaste"));
    menuItemRename = addItem(tr("Rename"), QStringLiteral("menuItemRename"));

    const auto act = [this](QAction *item, void (MCFileActions::*command)(const MCNodeList &)) {
        connect(item, &QAction::triggered, this, [this, command] {
            if (fileActions())
                (fileActions()->*command)(selectedItems());
        });
    };
    act(menuItemOpen, &MCFileActions::openNodes);
    act(menuItemTrash, &MCFileActions::deleteNodes);
    act(menuItemDownload, &MCFileActions::downloadNodes);
    act(menuItemUncache, &MCFileActions::uncacheNodes);
    act(menuItemCopy, &MCFileActions::copyNodes);
    connect(menuItemNewFolder, &QAction::triggered, this, [this] {
        if (fileActions())
            fileActions()->newFolder();
    });
    connect(menuItemPaste, &QAction::triggered, this, [this] {
        if (fileActions())
            fileActions()->paste();
    });
    connect(menuItemRename, &QAction::triggered, this, [this] {
        if (fileActions())
            fileActions()->renameSelection();
    });
    connect(menuItemShowPackageContents, &QAction::triggered, this, [this] {
        const QString path = menuItemShowPackageContents->data().toString();
        if (!path.isEmpty())
            MCManager::sharedManager()->doubleClickNavigation(path, this);
    });
}

void MCMenuAction::menuNeedsUpdate()
{
    using namespace MCMenuTitles;
    const MCNodeList nodes = currentSelection();
    setSelectedItems(nodes);
    const qsizetype n = nodes.size();
    const Counts counts = count(nodes);
    const MCNodePtr one = n == 1 ? nodes.first() : MCNodePtr();

    menuItemNewFolderWithSelection->setVisible(n > 1);
    if (n > 1)
        menuItemNewFolderWithSelection->setText(newFolderWithSelection(n));
    menuItemTrash->setVisible(n > 0);
    menuItemOpen->setVisible(n > 0);
    menuItemOpenWith->setVisible(n > 0 && !counts.anyFolder);
    menuItemCopy->setVisible(n > 0);
    menuItemCopy->setText(forSelection(tr("Copy"), nodes));
    menuItemRename->setVisible(n == 1);
    menuItemShowPackageContents->setVisible(one && one->isPackage());
    menuItemShowPackageContents->setData(one && one->isPackage() ? one->filePath() : QString());

    menuItemUncache->setText(tr("Remove from cache"));
    menuItemDownload->setText(tr("Download"));
    if (n == 0) {
        menuItemUncache->setVisible(false);
        menuItemDownload->setVisible(false);
    } else if (one) {
        const bool cached = one->states() & MCAbstractObjectNode::Cached;
        menuItemUncache->setEnabled(true);
        menuItemDownload->setEnabled(true);
        menuItemUncache->setVisible(cached);
        menuItemDownload->setVisible(!cached && !one->isDir());
    } else {
        titleCacheItems(menuItemUncache, menuItemDownload, counts);
        menuItemUncache->setVisible(counts.cached > 0);
        menuItemDownload->setVisible(counts.uncached > 0);
    }

    const qsizetype entries = pasteboardCount();
    menuItemPaste->setText(paste(entries));
    menuItemPaste->setVisible(entries > 0);
    collapseSeparators(this);
}

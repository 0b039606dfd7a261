#include "mcmenuselection.h"

#include "mcbrowsableviewcontroller.h"
#include "mcfileactions.h"
#include "mcmanager.h"
#include "mcmenutitles.h"

#include <QAction>

MCMenuSelection::MCMenuSelection(QWidget *parent)
    : MCSelectionMenu(QString(), parent)
{
    setObjectName(QStringLiteral("menuSelection"));
    menuItemOpen = addItem(tr("Open"), QStringLiteral("menuItemOpen"));
    menuItemOpenWith = addOpenWithMenu();
    addSeparator();
    menuItemNewFolderWithSelection =
        addItem(tr("New Folder with Selection"), QStringLiteral("menuItemNewFolderWithSelection"));
    // What a folder made of the selection would hold is not decided: the item only says how
    // many items there are.
    menuItemNewFolderWithSelection->setEnabled(false);
    addSeparator();
    menuItemTrash = addItem(tr("Move to Trash"), QStringLiteral("menuItemTrash"));
    addSeparator();
    menuItemRename = addItem(tr("Rename"), QStringLiteral("menuItemRename"));
    menuItemCopy = addItem(tr("Copy"), QStringLiteral("menuItemCopy"));
    addSeparator();
    menuItemDownload = addItem(tr("Download"), QStringLiteral("menuItemDownload"));
    menuItemUncache = addItem(tr("Remove from cache"), QStringLiteral("menuItemUncache"));
    addSeparator();
    menuItemShare = addItem(tr("Get Share Link"), QStringLiteral("menuItemShare"));
    menuItemShowPackageContents =
        addItem(tr("Show Package Contents"), QStringLiteral("menuItemShowPackageContents"));

    connect(menuItemOpen, &QAction::triggered, this, [this] {
        if (fileActions())
            fileActions()->openNodes(selectedItems());
    });
    connect(menuItemTrash, &QAction::triggered, this, [this] {
        if (fileActions())
            fileActions()->deleteNodes(selectedItems());
    });
    connect(menuItemRename, &QAction::triggered, this, [this] {
        if (fileActions())
            fileActions()->renameSelection();
    });
    connect(menuItemCopy, &QAction::triggered, this, [this] {
        if (fileActions())
            fileActions()->copyNodes(selectedItems());
    });
    connect(menuItemDownload, &QAction::triggered, this, [this] {
        if (fileActions())
            fileActions()->downloadNodes(selectedItems());
    });
    connect(menuItemUncache, &QAction::triggered, this, [this] {
        if (fileActions())
            fileActions()->uncacheNodes(selectedItems());
    });
    connect(menuItemShare, &QAction::triggered, this, [this] {
        if (fileActions() && selectedItems().size() == 1)
            fileActions()->getShareLink(selectedItems().first());
    });
    connect(menuItemShowPackageContents, &QAction::triggered, this, [this] {
        const QString path = menuItemShowPackageContents->data().toString();
        if (!path.isEmpty())
            MCManager::sharedManager()->doubleClickNavigation(path, this);
    });
}

void MCMenuSelection::showShareLink(const QUrl &link, const MOStorageObject &object)
{
    if (fileActions())
        fileActions()->showShareLink(link, object);
}

void MCMenuSelection::menuNeedsUpdate()
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
    if (n > 0)
        menuItemOpenWith->setVisible(!counts.anyFolder);
    menuItemShare->setEnabled(one && !one->isDir());
    if (n > 0)
        menuItemRename->setVisible(n == 1);
    menuItemCopy->setText(forSelection(tr("Copy"), nodes));
    menuItemCopy->setEnabled(n > 0);
    if (one) {
        menuItemShowPackageContents->setVisible(one->isPackage());
        menuItemShowPackageContents->setData(one->isPackage() ? one->filePath() : QString());
    } else if (n > 1) {
        menuItemShowPackageContents->setVisible(false);
    }

    if (n == 0) {
        menuItemUncache->setText(tr("Remove from cache"));
        menuItemDownload->setText(tr("Download"));
        menuItemUncache->setEnabled(false);
        menuItemDownload->setEnabled(false);
    } else if (one) {
        const bool cached = one->states() & MCAbstractObjectNode::Cached;
        menuItemUncache->setText(tr("Remove from cache"));
        menuItemDownload->setText(tr("Download"));
        menuItemUncache->setEnabled(cached);
        menuItemUncache->setVisible(cached);
        menuItemDownload->setEnabled(!cached);
        menuItemDownload->setVisible(!cached && !one->isDir());
    } else {
        titleCacheItems(menuItemUncache, menuItemDownload, counts);
        menuItemUncache->setVisible(counts.cached > 0);
        menuItemDownload->setVisible(counts.uncached > 0);
    }
    collapseSeparators(this);
}

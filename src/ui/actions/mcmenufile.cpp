#include "mcmenufile.h"

#include "mcfileactions.h"
#include "mcmenutitles.h"

#include <QAction>

MCMenuFile::MCMenuFile(QWidget *parent)
    : MCSelectionMenu(tr("&File"), parent)
{
    setObjectName(QStringLiteral("menuFile"));
    menuItemNewFolder = addItem(tr("New Folder"), QStringLiteral("menuItemNewFolder"));
    menuItemNewFolderWithSelection =
        addItem(tr("New Folder with Selection"), QStringLiteral("menuItemNewFolderWithSelection"));
    menuItemNewFolderWithSelection->setEnabled(false);
    menuItemNewFile = addNewFileMenu();
    addSeparator();
    menuItemOpen = addItem(tr("Open"), QStringLiteral("menuItemOpen"));
    menuItemOpenWith = addOpenWithMenu();
    addSeparator();
    menuItemRename = addItem(tr("Rename"), QStringLiteral("menuItemRename"));
    menuItemDownload = addItem(tr("Download"), QStringLiteral("menuItemDownload"));
    menuItemUncache = addItem(tr("Remove from cache"), QStringLiteral("menuItemUncache"));
    menuItemTrash = addItem(tr("Move to Trash"), QStringLiteral("menuItemTrash"));

    connect(menuItemNewFolder, &QAction::triggered, this, [this] {
        if (fileActions())
            fileActions()->newFolder();
    });
    connect(menuItemRename, &QAction::triggered, this, [this] {
        if (fileActions())
            fileActions()->renameSelection();
    });
    const auto act = [this](QAction *item, void (MCFileActions::*command)(const MCNodeList &)) {
        connect(item, &QAction::triggered, this, [this, command] {
            if (fileActions())
                (fileActions()->*command)(selectedItems());
        });
    };
    act(menuItemOpen, &MCFileActions::openNodes);
    act(menuItemDownload, &MCFileActions::downloadNodes);
    act(menuItemUncache, &MCFileActions::uncacheNodes);
    act(menuItemTrash, &MCFileActions::deleteNodes);
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
    using namespace MCMenuTitles;
    const MCNodeList nodes = currentSelection();
    setSelectedItems(nodes);
    const qsizetype n = nodes.size();
    const Counts counts = count(nodes);
    const MCNodePtr one = n == 1 ? nodes.first() : MCNodePtr();

    menuItemNewFolderWithSelection->setText(n > 1 ? newFolderWithSelection(n)
                                                  : tr("New Folder with Selection"));
    menuItemRename->setEnabled(n == 1);
    menuItemOpenWith->setEnabled(n > 0 && !counts.anyFolder);
    menuItemNewFile->setEnabled(n == 0);
    menuItemTrash->setEnabled(n > 0);

    menuItemUncache->setVisible(true);
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
        menuItemDownload->setEnabled(!cached && !one->isDir());
    } else {
        titleCacheItems(menuItemUncache, menuItemDownload, counts);
    }
    collapseSeparators(this);
}

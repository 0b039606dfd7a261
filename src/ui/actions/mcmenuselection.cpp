#include "mcmenuselection.h"

#include "mcfileactions.h"

#include <QAction>

MCMenuSelection::MCMenuSelection(QWidget *parent)
    : MCSelectionMenu(QString(), QStringLiteral("menuSelection"), parent)
{
    addItems({Item::Open, Item::OpenWith, Item::Separator, Item::NewFolderWithSelection,
              Item::Separator, Item::Trash, Item::Separator, Item::Rename, Item::Copy,
              Item::QuickLook, Item::Separator, Item::Download, Item::Uncache, Item::Separator});
    menuItemShare = addItem(tr("Get Share Link"), QStringLiteral("menuItemShare"));
    addItems({Item::ShowPackageContents, Item::Separator});
    menuItemViewOptions = addItem(tr("Show View Options"), QStringLiteral("menuItemViewOptions"));
    connect(menuItemViewOptions, &QAction::triggered, this, &MCMenuSelection::viewOptionsRequested);

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
    updateNewFolderWithSelection(Inapplicable::Hide);
    updateOpenWith(Inapplicable::Hide);
    menuItemShare->setEnabled(one && !one->isDir());
    setApplicable(Item::Rename, nodes.size() == 1, Inapplicable::Hide);
    updateCopy(Inapplicable::Disable);
    updateQuickLook();
    updateShowPackageContents();
    updateCacheItems(Inapplicable::Hide);
}

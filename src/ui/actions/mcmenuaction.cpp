#include "mcmenuaction.h"

#include "mccleanupbymenu.h"

#include <QAction>

MCMenuAction::MCMenuAction(QWidget *parent)
    : MCSelectionMenu(QString(), QStringLiteral("menuAction"), parent)
{
    addItems({Item::NewFolder, Item::NewFolderWithSelection,
              Item::Separator, Item::Open,
              Item::OpenWith,  Item::ShowPackageContents,
              Item::Separator, Item::Trash,
              Item::Separator, Item::GetInfo,
              Item::Separator, Item::Download,
              Item::Uncache,   Item::Separator,
              Item::Copy,      Item::Paste,
              Item::Rename,    Item::Separator,
              Item::QuickLook, Item::Separator});
    addMenu(new MCCleanUpByMenu(this))->setObjectName(QStringLiteral("menuItemCleanUpBy"));
}

void MCMenuAction::menuNeedsUpdate()
{
    // Whatever does not apply to the selection is left out.
    const qsizetype n = selectedItems().size();
    updateNewFolderWithSelection(Inapplicable::Hide);
    setApplicable(Item::Trash, n > 0, Inapplicable::Hide);
    setApplicable(Item::Open, n > 0, Inapplicable::Hide);
    updateOpenWith(Inapplicable::Hide);
    updateCopy(Inapplicable::Hide);
    setApplicable(Item::Rename, n == 1, Inapplicable::Hide);
    updateShowPackageContents();
    updateCacheItems(Inapplicable::Hide);
    updatePaste();
    setApplicable(Item::GetInfo, getInfoApplies(), Inapplicable::Hide);
    updateQuickLook();
    setApplicable(Item::QuickLook, n > 0, Inapplicable::Hide);
}

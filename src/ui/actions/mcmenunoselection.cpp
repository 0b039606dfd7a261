#include "mcmenunoselection.h"

#include "mccleanupbymenu.h"

#include <QAction>

MCMenuNoSelection::MCMenuNoSelection(QWidget *parent)
    : MCSelectionMenu(QString(), QStringLiteral("menuNoSelection"), parent)
{
    addItems({Item::NewFolder, Item::NewFile, Item::Separator, Item::GetInfo, Item::Separator,
              Item::Paste, Item::Separator});
    addMenu(new MCCleanUpByMenu(this))->setObjectName(QStringLiteral("menuItemCleanUpBy"));
}

void MCMenuNoSelection::menuNeedsUpdate()
{
    updatePaste();
    setApplicable(Item::GetInfo, getInfoApplies(), Inapplicable::Disable);
}

#include "mcmenunoselection.h"

MCMenuNoSelection::MCMenuNoSelection(QWidget *parent)
    : MCSelectionMenu(QString(), QStringLiteral("menuNoSelection"), parent)
{
    addItems({Item::NewFolder, Item::NewFile, Item::Separator, Item::Paste});
}

void MCMenuNoSelection::menuNeedsUpdate()
{
    updatePaste();
}

#include "mcmenunoselection.h"

#include <QAction>

MCMenuNoSelection::MCMenuNoSelection(QWidget *parent)
    : MCSelectionMenu(QString(), QStringLiteral("menuNoSelection"), parent)
{
    menuItemNewFolder = addItem(Item::NewFolder);
    menuItemNewFile = addNewFileMenu();
    addSeparator();
    menuItemPaste = addItem(Item::Paste);
}

void MCMenuNoSelection::menuNeedsUpdate()
{
    updatePaste(menuItemPaste);
}

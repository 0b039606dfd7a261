#include "mcmenunoselection.h"

#include "mcfileactions.h"
#include "mcmenutitles.h"

#include <QAction>

MCMenuNoSelection::MCMenuNoSelection(QWidget *parent)
    : MCSelectionMenu(QString(), parent)
{
    setObjectName(QStringLiteral("menuNoSelection"));
    menuItemNewFolder = addItem(tr("New Folder"), QStringLiteral("menuItemNewFolder"));
    menuItemNewFile = addNewFileMenu();
    addSeparator();
    menuItemPaste = addItem(MCMenuTitles::paste(0), QStringLiteral("menuItemPaste"));

    connect(menuItemNewFolder, &QAction::triggered, this, [this] {
        if (fileActions())
            fileActions()->newFolder();
    });
    connect(menuItemPaste, &QAction::triggered, this, [this] {
        if (fileActions())
            fileActions()->paste();
    });
}

void MCMenuNoSelection::menuNeedsUpdate()
{
    setSelectedItems(currentSelection());
    const qsizetype entries = pasteboardCount();
    menuItemPaste->setText(MCMenuTitles::paste(entries));
    menuItemPaste->setEnabled(entries > 0);
    menuItemPaste->setVisible(entries > 0);
    MCMenuTitles::collapseSeparators(this);
}
